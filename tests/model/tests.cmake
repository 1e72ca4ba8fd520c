tallyra_test_program(model_tests model/LevelRuleTest.cpp model/CodeListTest.cpp model/DeliveredDataTest.cpp)
