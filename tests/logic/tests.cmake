tallyra_test_program(logic_tests logic/RuleTextTest.cpp logic/RuleExpressionTest.cpp)
