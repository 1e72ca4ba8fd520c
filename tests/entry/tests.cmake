tallyra_test_program(entry_tests entry/RtfReaderTest.cpp)
