# tallyra-batch is tested by running the executable itself.
tallyra_test_program(batch_program_tests cli/BatchRun.cpp cli/BatchProgramTest.cpp cli/CheckCommandTest.cpp
  cli/SummaryCommandTest.cpp cli/ExchangeCommandsTest.cpp
  cli/StatsCommandTest.cpp
  cli/CompareCommandTest.cpp
  cli/ReceiptsCommandsTest.cpp)
target_compile_definitions(batch_program_tests PRIVATE TALLYRA_BATCH_EXE="$<TARGET_FILE:tallyra-batch>")
add_dependencies(batch_program_tests tallyra-batch)
