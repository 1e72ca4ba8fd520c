tallyra_test_program(app_tests app/StartupTest.cpp app/MainFormTest.cpp
  app/SaveTargetsTest.cpp)
