tallyra_test_program(base_tests base/SettingsStoreTest.cpp base/EnvironmentTest.cpp base/ProductVersionTest.cpp
  base/GbkTest.cpp base/PublicProcedureTest.cpp base/ValueTextTest.cpp)
tallyra_test_program(working_folder_tests base/PathsTest.cpp base/WorkingFilesTest.cpp)
