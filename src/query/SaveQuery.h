#pragma once

#include "db/RowSet.h"
#include "model/FieldCatalogue.h"

#include <QString>

// The exports as the user runs them: the save-file dialog, the progress window with "数据导出..."
// and the percentage, and the messages. The writing itself is the core's (query/ResultExport.h).

// Writes every column of the row set into the table named by the title of a database file the
// user chooses (".mdb").
void SaveQueryAsAccess(RowSet& rows, const QString& title);

// Writes the columns the descriptors name into a new workbook (".xlsx") the user chooses: the
// date line, the titles and one row per record (query/ResultExport.h). The data list export
// calls this too.
void SaveQueryAsExcel(RowSet& rows, const QString& title, const TFieldDataArray& columns);
