# Sources of src/exchange, relative to src/: the upload CSV, the package file, its export and import,
# the analysis files for SPSS and Stata.
list(APPEND TALLYRA_CORE_SOURCES
  exchange/ExchangeRules.cpp exchange/PackageFile.cpp exchange/UploadCsv.cpp
  exchange/PackageExport.cpp exchange/PackageImport.cpp
  exchange/AnalysisDictionary.cpp exchange/AnalysisFile.cpp
)
list(APPEND TALLYRA_UI_SOURCES
  exchange/ExchangeActions.cpp
  exchange/AnalysisExport.cpp
)
