# Sources of src/exchange, relative to src/: the upload CSV, the package file, its export and import,
# the analysis files for SPSS and Stata.
list(APPEND TALLYRA_CORE_SOURCES
  exchange/ExchangeRules.cpp exchange/PackageFile.cpp exchange/UploadCsv.cpp
  exchange/PackageExport.cpp exchange/PackageImport.cpp
  exchange/AnalysisDictionary.cpp exchange/AnalysisFile.cpp
  exchange/ReturnComparison.cpp exchange/ConflictDecisions.cpp exchange/DecidedImport.cpp
  exchange/DecisionRecord.cpp exchange/PackagePreview.cpp exchange/ConflictReview.cpp exchange/PackageDiff.cpp
  exchange/ReceiptRegister.cpp exchange/ExpectedUnits.cpp exchange/ReportingPicture.cpp
  exchange/ReportingWorkbook.cpp
)
list(APPEND TALLYRA_UI_SOURCES
  exchange/ExchangeActions.cpp
  exchange/AnalysisExport.cpp
  exchange/dlgPackagePreview.cpp exchange/dlgConflictReview.cpp
  exchange/dlgExpected.cpp exchange/dlgReceipts.cpp
)
