#pragma once

#include "exchange/ExchangeRules.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QVariantList>

class Connection;

// Analysis files: the returns for the analysts' statistics programs, written through ReadStat as
// an SPSS data file (.sav, UTF-8, compressed rows) or a Stata 14 data file (.dta, version 118,
// UTF-8). One variable per catalogue field (exchange/AnalysisDictionary.h): texts as strings as
// long as their longest value, decimals as numbers shown with their decimals, whole numbers as
// numbers (doubles, so the 12-digit codes stay exact) shown without decimals. A blank (NULL)
// value is system-missing, never 0; so is a text that does not read as a number in a numeric
// field.

enum class AnalysisFormat { Spss, Stata };

// The save dialog's filter: SPSS first, Stata second.
QString AnalysisFileFilter();
// The format of a filter index of that dialog (0 SPSS, 1 Stata).
AnalysisFormat AnalysisFormatOfFilter(int index);
// ".sav" or ".dta".
QString AnalysisFileExtension(AnalysisFormat format);
// The format a file name asks for by its extension, letter case ignored; false for others.
bool AnalysisFormatOfName(const QString& path, AnalysisFormat* format);

// Byte limits of the formats for UTF-8 texts: the file label (SPSS 64, Stata 80), a variable
// label (SPSS 256, Stata 80) and a value label (SPSS 120, Stata 32000).
int FileLabelLimit(AnalysisFormat format);
int VariableLabelLimit(AnalysisFormat format);
int ValueLabelLimit(AnalysisFormat format);
// The longest text value a string variable holds (SPSS 32767, Stata 2045 bytes).
int StringValueLimit(AnalysisFormat format);

// The file label: the database label, " 导出于 " and the export time (yyyy-MM-dd hh:mm). When it
// is too long for the format, the database label is cut at a character boundary; the time
// stays whole.
QByteArray AnalysisFileLabel(const QString& databaseLabel, const QDateTime& time, AnalysisFormat format);


// A condition choosing the returns by their codes, all bound as one parameter: for a result
// list, whose returns are the ones it shows.
QString CodeListCondition();
QVariant CodeListParameter(const QList<double>& codes);

struct AnalysisFileRequest {
    AnalysisFormat format = AnalysisFormat::Spss;
    QString condition;   // empty, or "where ..." on dt_data choosing the returns
    QVariantList params; // bound to the condition's parameters
    QString databaseLabel;
    QDateTime exportTime;
};

struct AnalysisFileResult {
    qint64 rows = 0;
    QString error; // empty when the file was written
    bool ok() const { return error.isEmpty(); }
};

// Writes the chosen returns, in code order, into the analysis file at path. Everything is read
// in one read transaction, so the rows are those of one moment. The file is written beside its
// place and renamed there when every write and the close succeeded: on any failure (a full disk,
// a stop through the hooks, a value a format cannot hold) there is no new file and an older one
// stays as it was. The working database itself is refused as the target. The hooks get the row
// count, the rows done now and then, and may stop the run.
AnalysisFileResult WriteAnalysisFile(Connection& db, const QString& path, const AnalysisFileRequest& request,
                                     const ExchangeHooks& hooks = {});
