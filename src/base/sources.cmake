# Sources of src/base, relative to src/: shared by everything, no window and no database.
list(APPEND TALLYRA_CORE_SOURCES
  base/Paths.cpp base/SettingsStore.cpp base/Environment.cpp base/ProductVersion.cpp base/Gbk.cpp
  base/PublicProcedure.cpp base/InputMethods.cpp base/ValueText.cpp base/FileNameRule.cpp
  base/WorkingFiles.cpp base/FileErrors.cpp
)
