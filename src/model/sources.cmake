# Sources of src/model, relative to src/: catalogue, level rules, code lists, divisions.
list(APPEND TALLYRA_CORE_SOURCES
  model/LevelRule.cpp model/FieldCatalogue.cpp model/CodeList.cpp model/Division.cpp model/DivisionTree.cpp
)
