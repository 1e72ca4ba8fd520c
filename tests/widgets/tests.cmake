tallyra_test_program(widgets_tests widgets/CodePickerTest.cpp widgets/InputTextDialogTest.cpp
  widgets/SaveFileDialogTest.cpp)
