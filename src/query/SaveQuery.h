#pragma once

#include "db/RowSet.h"
#include "model/FieldCatalogue.h"

#include <QString>

// The exports as the user runs them: the save-file dialog, the progress window with "数据导出..."
// and the percentage, and the messages. The writing itself is the core's (query/ResultExport.h).

// Writes every column of the row set into the table named by the title of a database file the
// user chooses (".mdb").
void SaveQueryAsAccess(RowSet& rows, const QString& title);
