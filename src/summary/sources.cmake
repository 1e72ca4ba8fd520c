# Sources of src/summary, relative to src/.
list(APPEND TALLYRA_CORE_SOURCES
  summary/Grouping.cpp summary/SumStatements.cpp summary/GroupExchange.cpp summary/ChoiceFile.cpp
  summary/SumWorkbook.cpp summary/DataList.cpp summary/SumReading.cpp
)
list(APPEND TALLYRA_UI_SOURCES
  summary/CheckListView.cpp summary/GroupExchangeUi.cpp summary/dlgGroupItem.cpp summary/dlgGroupList.cpp summary/dlgSum.cpp summary/dlgSaveList.cpp
)
