tallyra_test_program(app_tests app/StartupTest.cpp app/MainFormTest.cpp
  app/SaveTargetsTest.cpp)
tallyra_desktop_test_program(main_form_desktop_tests app/MainFormDesktopTest.cpp)
