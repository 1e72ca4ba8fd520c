# Sources of src/query, relative to src/.
list(APPEND TALLYRA_CORE_SOURCES
  query/QueryConditions.cpp query/ResultExport.cpp
)
list(APPEND TALLYRA_UI_SOURCES
  query/QueryControls.cpp query/dlgQueryList.cpp query/SaveQuery.cpp
  query/dlgSearch.cpp query/dlgLocate.cpp query/DataSearchCode.cpp query/dlgDataSearch.cpp query/dlgDelete.cpp
)
