#include "exchange/AnalysisFile.h"

#include "base/PublicProcedure.h"
#include "db/Connection.h"
#include "db/DbError.h"
#include "db/ExportTarget.h"
#include "db/Statement.h"
#include "exchange/AnalysisDictionary.h"

#include <QFileInfo>
#include <QSaveFile>
#include <QSet>

#include <charconv>
#include <cmath>
#include <memory>
#include <numeric>
#include <optional>
#include <readstat.h>
#include <sqlite3.h>

namespace {
constexpr int kStepRows = 1000;
constexpr int kMaxDecimals = 6;
constexpr int kMinDecimals = 2;
constexpr qsizetype kBufferBytes = 1 << 20;

QString readstatText(readstat_error_t error)
{
    return QString::fromUtf8(readstat_error_message(error));
}

// The bytes ReadStat writes, gathered and handed to the file in large blocks. A failed write
// is kept, and every later call fails too (ReadStat takes a short count as a write error).
struct Sink {
    QSaveFile* file = nullptr;
    QByteArray buffer;
    QString error;

    bool flush()
    {
        if (!error.isEmpty())
            return false;
        if (!buffer.isEmpty() && file->write(buffer) != buffer.size()) {
            error = file->errorString();
            return false;
        }
        buffer.clear();
        return true;
    }
};

ssize_t writeBytes(const void* data, size_t length, void* context)
{
    auto* sink = static_cast<Sink*>(context);
    if (!sink->error.isEmpty())
        return 0;
    sink->buffer.append(static_cast<const char*>(data), qsizetype(length));
    if (sink->buffer.size() >= kBufferBytes && !sink->flush())
        return 0;
    return ssize_t(length);
}

bool validUtf8(const unsigned char* s, int length)
{
    for (int i = 0; i < length;) {
        const unsigned char c = s[i];
        const int extra = c < 0x80           ? 0
                          : (c >> 5) == 0x6  ? 1
                          : (c >> 4) == 0xE  ? 2
                          : (c >> 3) == 0x1E ? 3
                                             : -1;
        if (extra < 0 || (extra > 0 && i + extra >= length))
            return false;
        for (int k = 1; k <= extra; ++k)
            if ((s[i + k] & 0xC0) != 0x80)
                return false;
        i += extra + 1;
    }
    return true;
}

// The text of a column as UTF-8 (numbers in their text form), NUL-terminated; bytes that are
// no UTF-8 are replaced, since the readers would refuse the file. Null for NULL.
const char* textOf(sqlite3_stmt* row, int column, int* length, QByteArray* scratch)
{
    if (sqlite3_column_type(row, column) == SQLITE_NULL)
        return nullptr;
    const auto* text = sqlite3_column_text(row, column);
    *length = sqlite3_column_bytes(row, column);
    if (!text)
        return nullptr;
    if (validUtf8(text, *length))
        return reinterpret_cast<const char*>(text);
    *scratch = QString::fromUtf8(reinterpret_cast<const char*>(text), *length).toUtf8();
    *length = int(scratch->size());
    return scratch->constData();
}

// The number of a column; false for NULL, for a text that reads as no number and for infinities.
bool numberOf(sqlite3_stmt* row, int column, double* value)
{
    switch (sqlite3_column_type(row, column)) {
    case SQLITE_INTEGER:
        *value = double(sqlite3_column_int64(row, column));
        return true;
    case SQLITE_FLOAT:
        *value = sqlite3_column_double(row, column);
        return std::isfinite(*value);
    case SQLITE_TEXT: {
        bool ok = false;
        *value = QByteArray(reinterpret_cast<const char*>(sqlite3_column_text(row, column)),
                            sqlite3_column_bytes(row, column))
                     .trimmed()
                     .toDouble(&ok);
        return ok && std::isfinite(*value);
    }
    default:
        return false;
    }
}

// Decimals of the shortest form that reads back as the value (0.125 has 3, 1e-7 has 7).
int decimalsOf(double value)
{
    char buffer[40];
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, value).ptr;
    const std::string_view text(buffer, size_t(end - buffer));
    const size_t e = text.find('e');
    int exponent = 0;
    if (e != std::string_view::npos) {
        const char* from = text.data() + e + 1 + (text[e + 1] == '+' ? 1 : 0);
        std::from_chars(from, text.data() + text.size(), exponent);
    }
    const std::string_view mantissa = text.substr(0, e);
    const size_t point = mantissa.find('.');
    const int fraction = point == std::string_view::npos ? 0 : int(mantissa.size() - point - 1);
    return qMax(0, fraction - exponent);
}

// What the first pass learns of the chosen rows.
struct Survey {
    qint64 rows = 0;
    QVector<int> widths;   // per variable: the longest text in bytes (texts only)
    QVector<int> decimals; // per variable: the most decimals (decimals only)
};

QString selectList(const AnalysisDictionary& dictionary, const QVector<int>& which)
{
    QStringList names;
    for (int i : which)
        names << QuoteIdentifier(dictionary.variables[i].name);
    return names.isEmpty() ? QStringLiteral("1") : names.join(QLatin1Char(','));
}

Survey surveyRows(Connection& db, const AnalysisDictionary& dictionary, const AnalysisFileRequest& request)
{
    Survey survey;
    const int count = int(dictionary.variables.size());
    survey.widths.fill(1, count);
    survey.decimals.fill(kMinDecimals, count);
    QVector<int> looked;
    for (int i = 0; i < count; ++i)
        if (dictionary.variables[i].kind == AnalysisKind::Text ||
            dictionary.variables[i].kind == AnalysisKind::Decimal)
            looked << i;
    Statement scan(
        db.handle(),
        QStringLiteral("select %1 from dt_data %2").arg(selectList(dictionary, looked), request.condition));
    scan.bindAll(request.params);
    QByteArray scratch;
    while (scan.step()) {
        ++survey.rows;
        for (int k = 0; k < looked.size(); ++k) {
            const int i = looked[k];
            if (dictionary.variables[i].kind == AnalysisKind::Text) {
                int length = 0;
                if (textOf(scan.handle(), k, &length, &scratch))
                    survey.widths[i] = qMax(survey.widths[i], length);
            } else {
                double value = 0;
                if (survey.decimals[i] < kMaxDecimals && numberOf(scan.handle(), k, &value))
                    survey.decimals[i] = qMin(kMaxDecimals, qMax(survey.decimals[i], decimalsOf(value)));
            }
        }
    }
    return survey;
}

// The dictionary must name columns of dt_data, each once.
void checkColumns(Connection& db, const AnalysisDictionary& dictionary)
{
    const QStringList columns = db.columnNames(QStringLiteral("dt_data"));
    QSet<QString> seen;
    for (const AnalysisVariable& v : dictionary.variables) {
        if (!columns.contains(v.name, Qt::CaseInsensitive))
            throw DbError(QStringLiteral("数据表dt_data中没有字段“%1”").arg(v.name));
        if (seen.contains(v.name.toLower()))
            throw DbError(QStringLiteral("字段“%1”在字段目录中出现了不止一次").arg(v.name));
        seen.insert(v.name.toLower());
    }
}

QByteArray formatOf(const AnalysisVariable& v, AnalysisFormat format, int decimals, int width)
{
    const bool spss = format == AnalysisFormat::Spss;
    switch (v.kind) {
    case AnalysisKind::Code:
        return spss ? "F12.0" : "%12.0f";
    case AnalysisKind::Whole:
        if (v.labelSet >= 0)
            return spss ? "F8.0" : "%8.0g";
        return spss ? "F14.0" : "%14.0g";
    case AnalysisKind::Decimal:
        return QByteArray(spss ? "F" : "%") + QByteArray::number(15 + decimals) + '.' +
               QByteArray::number(decimals) + (spss ? "" : "f");
    case AnalysisKind::Text:
        return spss ? QByteArray() : "%-" + QByteArray::number(width) + 's';
    }
    return QByteArray();
}

using Writer = std::unique_ptr<readstat_writer_t, void (*)(readstat_writer_t*)>;

// The writer with the file's label and time, its value label sets and its variables.
QVector<readstat_variable_t*> describe(readstat_writer_t* writer, const AnalysisDictionary& dictionary,
                                       const Survey& survey, const AnalysisFileRequest& request)
{
    const AnalysisFormat format = request.format;
    const QDateTime time = request.exportTime.isValid() ? request.exportTime : QDateTime::currentDateTime();
    readstat_writer_set_file_label(writer,
                                   AnalysisFileLabel(request.databaseLabel, time, format).constData());
    readstat_writer_set_file_timestamp(writer, time_t(time.toSecsSinceEpoch()));
    if (format == AnalysisFormat::Stata)
        readstat_writer_set_file_format_version(writer, 118);
    else
        readstat_writer_set_compression(writer, READSTAT_COMPRESS_ROWS);

    QVector<readstat_label_set_t*> sets;
    for (const AnalysisLabelSet& set : dictionary.labelSets) {
        readstat_label_set_t* s =
            readstat_add_label_set(writer, READSTAT_TYPE_DOUBLE, set.name.toUtf8().constData());
        for (const TCode& code : set.labels)
            readstat_label_double_value(s, code.code,
                                        Utf8Prefix(code.name, ValueLabelLimit(format)).constData());
        sets << s;
    }
    QVector<readstat_variable_t*> variables;
    for (int i = 0; i < dictionary.variables.size(); ++i) {
        const AnalysisVariable& v = dictionary.variables[i];
        const bool text = v.kind == AnalysisKind::Text;
        if (text && survey.widths[i] > StringValueLimit(format))
            throw DbError(
                QStringLiteral("字段“%1”中有长达%2字节的文本，超过了%3文件的上限%4字节")
                    .arg(v.name)
                    .arg(survey.widths[i])
                    .arg(format == AnalysisFormat::Spss ? QStringLiteral("SPSS") : QStringLiteral("Stata"))
                    .arg(StringValueLimit(format)));
        readstat_variable_t* variable = readstat_add_variable(
            writer, v.name.toUtf8().constData(), text ? READSTAT_TYPE_STRING : READSTAT_TYPE_DOUBLE,
            text ? size_t(survey.widths[i]) : 0);
        readstat_variable_set_label(variable, Utf8Prefix(v.caption, VariableLabelLimit(format)).constData());
        const QByteArray shown = formatOf(v, format, survey.decimals[i], survey.widths[i]);
        if (!shown.isEmpty())
            readstat_variable_set_format(variable, shown.constData());
        if (v.labelSet >= 0)
            readstat_variable_set_label_set(variable, sets[v.labelSet]);
        const bool nominal = text || v.kind == AnalysisKind::Code || v.labelSet >= 0;
        readstat_variable_set_measure(variable, nominal ? READSTAT_MEASURE_NOMINAL : READSTAT_MEASURE_SCALE);
        if (v.kind == AnalysisKind::Code)
            readstat_variable_set_display_width(variable, 14);
        else if (text)
            readstat_variable_set_display_width(variable, qBound(8, survey.widths[i], 40));
        variables << variable;
    }
    return variables;
}

// A ReadStat step that failed: the file's own error when a write failed, else ReadStat's.
void check(readstat_error_t error, const QString& what, const Sink& sink, const QString& path)
{
    if (error == READSTAT_OK)
        return;
    if (!sink.error.isEmpty())
        throw DbError(QStringLiteral("无法写入文件“%1”：%2").arg(path, sink.error));
    throw DbError(what + readstatText(error));
}

int codeColumn(const AnalysisDictionary& dictionary)
{
    for (int i = 0; i < dictionary.variables.size(); ++i)
        if (dictionary.variables[i].kind == AnalysisKind::Code)
            return i;
    return -1;
}
} // namespace

QString AnalysisFileFilter()
{
    return QStringLiteral("SPSS 数据文件(*.sav)|*.sav|Stata 数据文件(*.dta)|*.dta");
}

AnalysisFormat AnalysisFormatOfFilter(int index)
{
    return index == 1 ? AnalysisFormat::Stata : AnalysisFormat::Spss;
}

QString AnalysisFileExtension(AnalysisFormat format)
{
    return format == AnalysisFormat::Stata ? QStringLiteral(".dta") : QStringLiteral(".sav");
}

bool AnalysisFormatOfName(const QString& path, AnalysisFormat* format)
{
    for (AnalysisFormat f : {AnalysisFormat::Spss, AnalysisFormat::Stata})
        if (path.endsWith(AnalysisFileExtension(f), Qt::CaseInsensitive)) {
            *format = f;
            return true;
        }
    return false;
}

int FileLabelLimit(AnalysisFormat format)
{
    return format == AnalysisFormat::Spss ? 64 : 80;
}

int VariableLabelLimit(AnalysisFormat format)
{
    return format == AnalysisFormat::Spss ? 256 : 80;
}

int ValueLabelLimit(AnalysisFormat format)
{
    return format == AnalysisFormat::Spss ? 120 : 32000;
}

int StringValueLimit(AnalysisFormat format)
{
    return format == AnalysisFormat::Spss ? 32767 : 2045;
}

QByteArray AnalysisFileLabel(const QString& databaseLabel, const QDateTime& time, AnalysisFormat format)
{
    const QByteArray tail =
        (QStringLiteral(" 导出于 ") + time.toString(QStringLiteral("yyyy-MM-dd hh:mm"))).toUtf8();
    return Utf8Prefix(databaseLabel, FileLabelLimit(format) - int(tail.size())) + tail;
}

QString CodeListCondition()
{
    return QStringLiteral("where c901 in (select value from json_each(?1))");
}

QVariant CodeListParameter(const QList<double>& codes)
{
    QStringList numbers;
    numbers.reserve(codes.size());
    for (double code : codes)
        if (std::isfinite(code))
            numbers << QString::number(code, 'g', 17);
    return QStringLiteral("[") + numbers.join(QLatin1Char(',')) + QStringLiteral("]");
}

AnalysisFileResult WriteAnalysisFile(Connection& db, const QString& path, const AnalysisFileRequest& request,
                                     const ExchangeHooks& hooks)
{
    AnalysisFileResult result;
    try {
        const QString refusal = RefuseExportTarget(path, {db.path()});
        if (!refusal.isEmpty())
            throw DbError(refusal);
        const AnalysisDictionary dictionary = LoadAnalysisDictionary(db);
        checkColumns(db, dictionary);
        // Both passes read the same rows: nothing can change them in between.
        std::optional<Transaction> snapshot;
        if (!db.inTransaction())
            snapshot.emplace(db);
        // The progress shows from the start: the first pass learns the widths and decimals.
        if (hooks.started)
            hooks.started(
                db.scalar(QStringLiteral("select count(*) from dt_data ") + request.condition, request.params)
                    .toLongLong());
        const Survey survey = surveyRows(db, dictionary, request);

        Writer writer(readstat_writer_init(), readstat_writer_free);
        if (!writer)
            throw DbError(QStringLiteral("内存不足"));
        const QVector<readstat_variable_t*> variables = describe(writer.get(), dictionary, survey, request);

        QSaveFile file(path);
        if (!file.open(QIODevice::WriteOnly))
            throw DbError(QStringLiteral("无法建立文件“%1”：%2").arg(path, file.errorString()));
        Sink sink;
        sink.file = &file;
        readstat_set_data_writer(writer.get(), writeBytes);
        const QString writeError = QStringLiteral("写分析数据文件“%1”时出错：").arg(path);
        readstat_writer_t* w = writer.get();
        check(request.format == AnalysisFormat::Spss
                  ? readstat_begin_writing_sav(w, &sink, long(survey.rows))
                  : readstat_begin_writing_dta(w, &sink, long(survey.rows)),
              writeError, sink, path);
        check(readstat_validate_metadata(w), writeError, sink, path);
        for (int i = 0; i < variables.size(); ++i)
            check(readstat_validate_variable(w, variables[i]),
                  QStringLiteral("字段名“%1”不能用作变量名：").arg(dictionary.variables[i].name), sink, path);

        QVector<int> all(dictionary.variables.size());
        std::iota(all.begin(), all.end(), 0);
        Statement rows(db.handle(), QStringLiteral("select %1 from dt_data %2 order by c901")
                                        .arg(selectList(dictionary, all), request.condition));
        rows.bindAll(request.params);
        QByteArray scratch;
        const int code = codeColumn(dictionary);
        while (rows.step()) {
            if (result.rows >= survey.rows)
                throw DbError(QStringLiteral("导出时数据发生了变化"));
            sqlite3_stmt* row = rows.handle();
            check(readstat_begin_row(w), writeError, sink, path);
            for (int i = 0; i < variables.size(); ++i) {
                readstat_error_t error = READSTAT_OK;
                if (dictionary.variables[i].kind == AnalysisKind::Text) {
                    int length = 0;
                    const char* text = textOf(row, i, &length, &scratch);
                    error = text ? readstat_insert_string_value(w, variables[i], text)
                                 : readstat_insert_missing_value(w, variables[i]);
                } else {
                    double value = 0;
                    error = numberOf(row, i, &value) ? readstat_insert_double_value(w, variables[i], value)
                                                     : readstat_insert_missing_value(w, variables[i]);
                }
                if (error != READSTAT_OK && sink.error.isEmpty())
                    throw DbError(QStringLiteral("第%1个单位（编号%2）的字段“%3”的值不能写入：%4")
                                      .arg(result.rows + 1)
                                      .arg(code < 0 ? QString()
                                                    : QString::fromUtf8(reinterpret_cast<const char*>(
                                                          sqlite3_column_text(row, code))),
                                           dictionary.variables[i].name, readstatText(error)));
                check(error, writeError, sink, path);
            }
            check(readstat_end_row(w), writeError, sink, path);
            ++result.rows;
            if (result.rows % kStepRows == 0) {
                if (hooks.stepped)
                    hooks.stepped(result.rows);
                if (hooks.stopped && hooks.stopped())
                    throw DbError(QStringLiteral("导出已被中止"));
            }
        }
        if (result.rows != survey.rows)
            throw DbError(QStringLiteral("导出时数据发生了变化"));
        check(readstat_end_writing(w), writeError, sink, path);
        if (hooks.stepped)
            hooks.stepped(result.rows);
        QString reason;
        if (!sink.flush() || !CommitWhole(file, &reason))
            throw DbError(
                QStringLiteral("无法写入文件“%1”：%2").arg(path, sink.error.isEmpty() ? reason : sink.error));
    } catch (const DbError& e) {
        result.error = e.message();
        result.rows = 0;
    }
    return result;
}
