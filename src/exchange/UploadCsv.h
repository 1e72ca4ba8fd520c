#pragma once

#include "exchange/ExchangeRules.h"

#include <QString>
#include <QVariant>

class Connection;

// The upload file for the online system: GBK text, CR LF line ends, a header line of the field
// names and one line per return, every name and value followed by ",". Nothing is quoted: a text
// value has its commas turned into "，" (otherwise its "－" into "-"), so a comma always parts
// two values.

// The statement of the field list, in catalogue order.
QString UploadFieldListSql();

// The value text of one field by its kind (QueryType):
//   0, 3  whole number: a fraction goes to the nearest one, halves to the even one (NearestWhole,
//         as the batch checks read it); beyond 64 bits its own digits; NULL gives 0
//   1     text, with the comma rule above (NULL gives "")
//   2     decimal number, shortest form of at most 15 significant digits (NULL gives 0)
//   else  empty text, so the line keeps its columns
QString UploadValueText(int queryType, const QVariant& value);
// The decimal form: fixed notation, trailing zeros and point dropped; scientific ("1.5E20",
// "1E-6") when more than 15 digits stand before the point or the value is below 0.00001.
QString UploadDecimalText(double value);

struct UploadCsvResult {
    qint64 rows = 0;
    QString error; // empty when the file was written
};

// Writes the upload file of every return of dt_data, one line each (an empty one when the
// catalogue lists no field). The file is written beside its place, checked to the last byte and
// renamed there when complete, so a failure (a full disk too) leaves no partial file and an
// older file stays. A catalogue field that dt_data lacks is an error before anything is
// written; so is a target that is the working database or the database read (RefuseExportTarget).
// The caller checks UnfinishedReturnCount first.
UploadCsvResult WriteUploadCsv(Connection& db, const QString& path, const ExchangeHooks& hooks = {});
