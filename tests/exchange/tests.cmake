tallyra_test_program(exchange_tests exchange/UploadCsvTest.cpp exchange/PackageFileTest.cpp
  exchange/PackageExportTest.cpp exchange/PackageImportTest.cpp
  exchange/AnalysisFileTest.cpp exchange/FullDiskTest.cpp
  exchange/DecidedImportTest.cpp exchange/PackagePreviewTest.cpp)
tallyra_desktop_test_program(exchange_desktop_tests exchange/PackagePreviewDesktopTest.cpp)
