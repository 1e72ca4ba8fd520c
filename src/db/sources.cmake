# Sources of src/db, relative to src/: the engine layer and the working database.
list(APPEND TALLYRA_CORE_SOURCES
  db/Connection.cpp db/Statement.cpp db/RowSet.cpp db/SqlFunctions.cpp db/DatabaseFile.cpp
  db/WorkingDatabase.cpp db/TableExists.cpp db/OutsideFile.cpp db/ExportTarget.cpp
  db/WorkingSchema.cpp
)
