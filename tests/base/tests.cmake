tallyra_test_program(base_tests base/SettingsStoreTest.cpp base/EnvironmentTest.cpp base/ProductVersionTest.cpp
  base/GbkTest.cpp base/PublicProcedureTest.cpp base/ValueTextTest.cpp)
