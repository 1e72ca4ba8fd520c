# Sources of src/summary, relative to src/.
list(APPEND TALLYRA_CORE_SOURCES
  summary/Grouping.cpp summary/SumStatements.cpp
)
list(APPEND TALLYRA_UI_SOURCES
)
