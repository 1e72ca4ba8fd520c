tallyra_test_program(summary_tests summary/GroupingTest.cpp summary/SumStatementsTest.cpp summary/ChoiceFileTest.cpp
  summary/SumWorkbookTest.cpp summary/DataListTest.cpp)
tallyra_test_program(summary_window_tests summary/GroupDialogsTest.cpp summary/GroupExchangeTest.cpp
  summary/SumDialogTest.cpp summary/SaveListDialogTest.cpp)
tallyra_test_program(summary_reading_tests summary/SumReadingTest.cpp)
