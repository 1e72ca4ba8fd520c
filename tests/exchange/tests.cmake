tallyra_test_program(exchange_tests exchange/UploadCsvTest.cpp exchange/PackageFileTest.cpp
  exchange/PackageExportTest.cpp exchange/PackageImportTest.cpp
  exchange/AnalysisFileTest.cpp exchange/FullDiskTest.cpp)
