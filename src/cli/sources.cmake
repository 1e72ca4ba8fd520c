# Sources of src/cli, relative to src/: tallyra-batch, the command-line program. It sits on top
# like app/ and links tallyra_core only, so it runs without a display.
set(TALLYRA_BATCH_SOURCES
  cli/main.cpp cli/BatchCommands.cpp cli/CommandLine.cpp cli/BatchOutput.cpp cli/BatchDatabase.cpp
  cli/OutputFile.cpp cli/CheckCommand.cpp cli/SummaryCommand.cpp
  cli/ExportCommands.cpp cli/PackageCommands.cpp cli/DiffCommand.cpp
  cli/StatsCommand.cpp
  cli/CompareCommand.cpp
  cli/ReceiptsCommands.cpp
)
