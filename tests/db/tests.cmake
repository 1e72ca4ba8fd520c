tallyra_test_program(db_tests db/ConnectionTest.cpp db/RowSetTest.cpp db/DatabaseFileTest.cpp
  db/WorkingDatabaseTest.cpp db/TableExistsTest.cpp db/OutsideFileTest.cpp
  db/ExportTargetTest.cpp)
tallyra_test_program(working_schema_tests db/WorkingSchemaTest.cpp)
