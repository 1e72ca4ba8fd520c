#include "exchange/UploadCsv.h"

#include "base/Gbk.h"
#include "base/PublicProcedure.h"
#include "base/ValueText.h"
#include "db/Connection.h"
#include "db/DbError.h"
#include "db/ExportTarget.h"
#include "db/Statement.h"

#include <QSaveFile>

#include <charconv>
#include <cmath>
#include <sqlite3.h>

QString UploadFieldListSql()
{
    return QStringLiteral(
        "select fieldName,QueryType from dt_fieldlist where sequence>0 and sequence<1000 order by sequence");
}

namespace {
// How one column is written; the named column RecordState carries the return's state.
enum class Form { Whole, Text, Decimal, Empty };

Form formOf(const QString& field, int queryType)
{
    if (field == QLatin1String("RecordState"))
        return Form::Whole;
    switch (queryType) {
    case 0:
    case 3:
        return Form::Whole;
    case 1:
        return Form::Text;
    case 2:
        return Form::Decimal;
    default:
        return Form::Empty;
    }
}

void appendInteger(QByteArray& out, qint64 value)
{
    char buffer[24];
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, value).ptr;
    out.append(buffer, end - buffer);
}

// A whole number from a stored fraction or a value beyond 64 bits, by the program's one rule.
void appendWhole(QByteArray& out, double value)
{
    out.append(WholeNumberText(value).toLatin1());
}

void appendDecimal(QByteArray& out, double value)
{
    if (value == 0 || !std::isfinite(value)) {
        out.append('0');
        return;
    }
    // 15 significant digits: d.dddddddddddddde±x
    char buffer[40];
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific, 14).ptr;
    const std::string_view text(buffer, end - buffer);
    const size_t e = text.find('e');
    const bool negative = text[0] == '-';
    std::string digits;
    for (size_t i = negative ? 1 : 0; i < e; ++i)
        if (text[i] != '.')
            digits += text[i];
    int exponent = 0;
    std::from_chars(text.data() + e + 1 + (text[e + 1] == '+' ? 1 : 0), text.data() + text.size(), exponent);
    while (digits.size() > 1 && digits.back() == '0')
        digits.pop_back();
    if (negative)
        out.append('-');
    if (exponent >= 15 || std::fabs(value) < 0.00001) {
        out.append(digits[0]);
        if (digits.size() > 1) {
            out.append('.');
            out.append(digits.data() + 1, qsizetype(digits.size() - 1));
        }
        out.append('E');
        appendInteger(out, exponent);
        return;
    }
    if (exponent < 0) {
        out.append("0.");
        out.append(QByteArray(-exponent - 1, '0'));
        out.append(digits.data(), qsizetype(digits.size()));
        return;
    }
    const size_t whole = size_t(exponent) + 1;
    if (digits.size() <= whole) {
        out.append(digits.data(), qsizetype(digits.size()));
        out.append(QByteArray(qsizetype(whole - digits.size()), '0'));
    } else {
        out.append(digits.data(), qsizetype(whole));
        out.append('.');
        out.append(digits.data() + whole, qsizetype(digits.size() - whole));
    }
}

QString textRule(QString text)
{
    if (text.contains(QLatin1Char(',')))
        text.replace(QLatin1Char(','), QChar(0xFF0C)); // "，"
    else if (text.contains(QChar(0xFF0D)))             // "－"
        text.replace(QChar(0xFF0D), QLatin1Char('-'));
    // A line break inside a value would split the return over two lines.
    text.replace(QLatin1Char('\r'), QLatin1Char(' '));
    text.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return text;
}

// One value of the current row of a statement, in its form.
void appendValue(QByteArray& out, sqlite3_stmt* row, int column, Form form)
{
    const int type = sqlite3_column_type(row, column);
    switch (form) {
    case Form::Whole:
        if (type == SQLITE_INTEGER)
            appendInteger(out, sqlite3_column_int64(row, column));
        else if (type == SQLITE_NULL)
            out.append('0');
        else
            appendWhole(out, sqlite3_column_double(row, column));
        return;
    case Form::Decimal:
        if (type == SQLITE_INTEGER && std::llabs(sqlite3_column_int64(row, column)) < 1000000000000000LL)
            appendInteger(out, sqlite3_column_int64(row, column));
        else if (type == SQLITE_NULL)
            out.append('0');
        else
            appendDecimal(out, sqlite3_column_double(row, column));
        return;
    case Form::Text: {
        QString text;
        if (type == SQLITE_INTEGER)
            text = QString::number(sqlite3_column_int64(row, column));
        else if (type == SQLITE_FLOAT)
            text = FormatNumberText(sqlite3_column_double(row, column));
        else if (type != SQLITE_NULL)
            text = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(row, column)),
                                     sqlite3_column_bytes(row, column));
        out.append(GbkEncode(textRule(text)));
        return;
    }
    case Form::Empty:
        return;
    }
}

struct Field {
    QString name;
    Form form;
};
} // namespace

QString UploadDecimalText(double value)
{
    QByteArray out;
    appendDecimal(out, value);
    return QString::fromLatin1(out);
}

QString UploadValueText(int queryType, const QVariant& value)
{
    const Form form = formOf(QString(), queryType);
    const bool null = !value.isValid() || value.isNull();
    QByteArray out;
    switch (form) {
    case Form::Whole:
        if (null)
            out.append('0');
        else if (value.typeId() == QMetaType::LongLong || value.typeId() == QMetaType::Int)
            appendInteger(out, value.toLongLong());
        else
            appendWhole(out, value.toDouble());
        break;
    case Form::Decimal:
        appendDecimal(out, null ? 0.0 : value.toDouble());
        break;
    case Form::Text:
        return textRule(null ? QString() : FormatValueText(value));
    case Form::Empty:
        break;
    }
    return QString::fromLatin1(out);
}

UploadCsvResult WriteUploadCsv(Connection& db, const QString& path, const ExchangeHooks& hooks)
{
    UploadCsvResult result;
    result.error = RefuseExportTarget(path, {db.path()});
    if (!result.error.isEmpty())
        return result;
    try {
        QList<Field> fields;
        const QStringList columns = db.columnNames(QStringLiteral("dt_data"));
        RowSet list = db.query(UploadFieldListSql());
        QByteArray header;
        QStringList selected;
        for (list.first(); !list.eof(); list.next()) {
            const QString name = list.text(QStringLiteral("fieldName"));
            const int queryType = list.toInt(QStringLiteral("QueryType"));
            if (!columns.contains(name, Qt::CaseInsensitive))
                throw DbError(QStringLiteral("数据表dt_data中没有字段“%1”").arg(name));
            fields.append({name, formOf(name, queryType)});
            selected << QuoteIdentifier(name);
            header += GbkEncode(name) + ',';
        }
        header += "\r\n";

        QSaveFile file(path);
        if (!file.open(QIODevice::WriteOnly))
            throw DbError(QStringLiteral("无法建立文件“%1”：%2").arg(path, file.errorString()));
        QByteArray out = header;
        if (hooks.started)
            hooks.started(db.scalar(QStringLiteral("select count(*) from dt_data")).toLongLong());
        {
            // Without a field each return still has its (empty) line.
            const QString columnList = selected.isEmpty() ? QStringLiteral("null") : selected.join(',');
            Statement rows(db.handle(), QStringLiteral("select %1 from dt_data").arg(columnList));
            while (rows.step()) {
                for (int i = 0; i < fields.size(); ++i) {
                    appendValue(out, rows.handle(), i, fields[i].form);
                    out.append(',');
                }
                out.append("\r\n");
                ++result.rows;
                if (out.size() > (1 << 20)) {
                    QString reason;
                    if (!WriteAllBytes(file, out.constData(), out.size(), &reason))
                        throw DbError(QStringLiteral("无法写入文件“%1”：%2").arg(path, reason));
                    out.clear();
                }
                if (hooks.stepped && result.rows % 1000 == 0)
                    hooks.stepped(result.rows);
                if (hooks.stopped && result.rows % 1000 == 0 && hooks.stopped()) {
                    file.cancelWriting();
                    result.error = QStringLiteral("导出已被中止");
                    return result;
                }
            }
        }
        QString reason;
        if (!WriteAllBytes(file, out.constData(), out.size(), &reason) || !CommitWhole(file, &reason))
            throw DbError(QStringLiteral("无法写入文件“%1”：%2").arg(path, reason));
    } catch (const DbError& e) {
        result.error = e.message();
    }
    return result;
}
