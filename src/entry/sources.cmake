# Sources of src/entry, relative to src/.
list(APPEND TALLYRA_CORE_SOURCES
  entry/RtfReader.cpp entry/SurveyPages.cpp entry/HeaderValidation.cpp entry/RecordStore.cpp
  entry/workbook/CellAddress.cpp entry/workbook/ZipPackage.cpp entry/workbook/Workbook.cpp
  entry/workbook/Worksheet.cpp entry/workbook/CellText.cpp entry/workbook/StreamingWorkbook.cpp
  entry/workbook/WorkbookDocuments.cpp entry/PrintForm.cpp entry/RecordPrint.cpp
)
list(APPEND TALLYRA_UI_SOURCES
  entry/dlgSurveyData.cpp entry/dlgSurveyDataLayout.cpp entry/dlgSurveyDataChecks.cpp
  entry/dlgSurveyDataPages.cpp entry/dlgSurveyDataStoring.cpp
  entry/NumericEdit.cpp entry/MVValidEdit.cpp entry/CityName.cpp
  entry/workbook/ShowWorkbook.cpp entry/PrintReturn.cpp
)
