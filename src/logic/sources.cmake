# Sources of src/logic, relative to src/.
list(APPEND TALLYRA_CORE_SOURCES
)
list(APPEND TALLYRA_UI_SOURCES
)
