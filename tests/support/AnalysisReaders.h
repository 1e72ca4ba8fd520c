#pragma once

#include <QJsonObject>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

// Readers of SPSS and Stata files independent of the program's own writing: python3-pandas and
// the programs of the Debian package readstat.

// A Stata file as pandas reads it (StataReader):
//   {"label": data label, "version": 118, "columns": [names], "rows": [[raw values, null for
//    missing]], "dtypes": {name: dtype}, "variableLabels": {name: label},
//    "valueLabels": {set: {"1": "是", ...}}, "labelSets": {name: set or ""},
//    "formats": {name: "%12.0f"}, "labelled": {name: [values with value labels applied]}}
// On failure "error" holds pandas' message.
QJsonObject ReadDtaWithPandas(const QString& path);

// The values as "readstat FILE -" writes them: CSV, the names first; missing values empty.
QList<QStringList> ReadWithReadstat(const QString& path);

// The file's summary as "readstat FILE" prints it: "Rows", "Table label", "Format version", ...
QMap<QString, QString> ReadstatSummary(const QString& path);

// The variables as extract_metadata (package readstat) describes them:
//   {"type": "SPSS"|"STATA", "variables": [{"type", "name", "label", "format", "decimals",
//    "categories": [{"code", "label"}]}]}; "error" on failure.
QJsonObject ReadstatMetadata(const QString& path);
