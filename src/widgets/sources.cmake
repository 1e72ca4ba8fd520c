# Sources of src/widgets, relative to src/: window pieces every dialog shares.
list(APPEND TALLYRA_UI_SOURCES
  widgets/Prompter.cpp widgets/QuestionDialog.cpp widgets/CodePicker.cpp widgets/WheelToKeys.cpp
  widgets/RecordGrid.cpp widgets/InputTextDialog.cpp widgets/Application.cpp widgets/SaveFileDialog.cpp
  widgets/ButtonRow.cpp
)
