#pragma once

#include "summary/ChoiceFile.h"
#include "summary/Grouping.h"
#include "model/FieldCatalogue.h"

#include <QString>

class Connection;
class RowSet;

// The data list export: which returns and which survey tables go into the list.

// The field letter of each position of the export list (表一 z ... 表十二 c): the letter
// belongs to the position, whatever the caption says.
QString DataListTableLetters();

// The indicator columns of the ticked tables: empty, or a comma and the catalogue's field
// names (sequence 7 to 999, in sequence order) whose name holds each ticked position's letter,
// separated by commas (",z001,z002").
QString DataListFields(Connection& db, const CheckListEntries& list);

// Which returns: all of them, a range of codes, or the range of one grouping item.
enum class DataListScope { All, Range, Item };
struct DataListChoice {
    DataListScope scope = DataListScope::All;
    double from = 0; // the range, both codes
    double to = 0;
    GroupItem item;  // the item's bounds and symbols
};

// The condition on dt_data of the returns chosen: empty for all of them, else "where c901...".
// Item bounds are written as whole numbers at full width; symbols other than those of the lists
// raise DbError.
QString DataListCondition(const DataListChoice& choice);

// The statement: the seven cover columns and RecordState, the fields, and the returns chosen,
// in code order. Item bounds are written as whole numbers at full width; symbols other than
// those of the lists raise DbError.
QString DataListSql(const QString& fields, const DataListChoice& choice);

// The column descriptors of the result for the workbook export: one per column, in column order,
// the column's name as ShowName and Hint, its SQL type text ("VARCHAR(n)", "INTEGER", "DOUBLE",
// "DATE") as FieldType, shown.
TFieldDataArray DataListColumns(const RowSet& rows);
