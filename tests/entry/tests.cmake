tallyra_test_program(entry_tests entry/RtfReaderTest.cpp)
tallyra_test_program(entry_widget_tests entry/NumericEditTest.cpp entry/MVValidEditTest.cpp entry/CityNameTest.cpp)
tallyra_test_program(editor_tests entry/SurveyDataTest.cpp entry/HeaderValidationTest.cpp)
tallyra_test_program(workbook_tests entry/workbook/WorkbookTest.cpp entry/workbook/StreamingWorkbookTest.cpp
  entry/workbook/DeliveredTemplatesTest.cpp)
tallyra_test_program(print_tests entry/RecordPrintTest.cpp)
