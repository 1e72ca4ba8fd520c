# Sources of src/entry, relative to src/.
list(APPEND TALLYRA_CORE_SOURCES
  entry/RtfReader.cpp
)
list(APPEND TALLYRA_UI_SOURCES
)
