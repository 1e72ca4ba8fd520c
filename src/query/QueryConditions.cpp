#include "query/QueryConditions.h"

#include "base/ValueText.h"
#include "db/Connection.h"

#include <QRegularExpression>

namespace {
// The typed value as plain digits; empty text when it is not a whole number.
QString PlainNumber(const QString& typed)
{
    bool ok = false;
    const qlonglong v = typed.trimmed().toLongLong(&ok);
    return ok ? QString::number(v) : QString();
}

QString OperatorText(int code)
{
    return FindCodeName(OperatorList(), code);
}

// A catalogue field name as it stands when it is a plain name, quoted otherwise.
QString FieldReference(const QString& field)
{
    static const QRegularExpression plain(QStringLiteral("^[A-Za-z_][A-Za-z0-9_]*$"));
    return plain.match(field).hasMatch() ? field : QuoteIdentifier(field);
}
} // namespace

TMenuItemDataArray OperatorList()
{
    return {{1, QStringLiteral("=")}, {2, QStringLiteral(">")}, {3, QStringLiteral("<")},
            {4, QStringLiteral(">=")}, {5, QStringLiteral("<=")}};
}

TMenuItemDataArray ConnectorList()
{
    return {{1, QStringLiteral("和")}, {2, QStringLiteral("或")}};
}

QString CodeRangeCondition(const Comparison& first, int connector, const Comparison& second)
{
    if (!first.hasValue() && !second.hasValue())
        return QString();
    QString c = QStringLiteral("where ");
    const QString code = QStringLiteral("c901");
    if (first.hasValue()) {
        c += code + OperatorText(first.op) + PlainNumber(first.value);
        if (second.hasValue())
            c += (connector == 2 ? QStringLiteral(" OR ") : QStringLiteral(" AND ")) + code + OperatorText(second.op)
                + PlainNumber(second.value);
    } else {
        c += code + OperatorText(second.op) + PlainNumber(second.value);
    }
    return c;
}

QString IndicatorCondition(const QString& field, const Comparison& first, const Comparison& second)
{
    QString c = QStringLiteral("where ");
    const QString name = FieldReference(field.trimmed());
    const bool firstUsed = first.op != 0;
    if (firstUsed)
        c += name + OperatorText(first.op) + PlainNumber(first.value);
    if (second.op != 0) {
        if (firstUsed)
            c += QStringLiteral(" and ");
        c += name + OperatorText(second.op) + PlainNumber(second.value);
    }
    return c;
}

ComparisonGap IndicatorComparisonGap(const Comparison& comparison)
{
    if (comparison.op != 0 && !comparison.hasValue())
        return ComparisonGap::NoValue;
    if (comparison.op == 0 && comparison.hasValue())
        return ComparisonGap::NoOperator;
    return ComparisonGap::None;
}

TMenuItemDataArray IndicatorPages(Connection& connection)
{
    TMenuItemDataArray pages;
    RowSet rows = connection.query(QStringLiteral("select CodeID, CodeName from ct_sheetName where CodeID>=0 order by CodeID"));
    for (rows.first(); !rows.eof(); rows.next())
        pages << TCode{int(rows.toInt(QStringLiteral("CodeID"))), rows.text(QStringLiteral("CodeName"))};
    return pages;
}

QVector<IndicatorEntry> PageIndicators(Connection& connection, int page)
{
    QVector<IndicatorEntry> list;
    RowSet rows = connection.query(QStringLiteral("Select * from view_datasearch where PageID=?1 order by sequence"), {page});
    for (rows.first(); !rows.eof(); rows.next())
        list << IndicatorEntry{rows.text(QStringLiteral("CodeName")).trimmed(), rows.text(QStringLiteral("Hint"))};
    return list;
}

int FirstPageWithIndicators(Connection& connection, const TMenuItemDataArray& pages)
{
    for (int i = 0; i < pages.size(); ++i)
        if (connection.scalar(QStringLiteral("select count(*) from view_datasearch where PageID=?1"), {pages[i].code}).toInt() > 0)
            return i;
    return -1;
}

QString ResultListSql(const QString& condition)
{
    return QStringLiteral("SELECT * from view_data ") + condition + QStringLiteral(" order by c901 asc");
}

QString ResultDetailSql(const QString& condition)
{
    return QStringLiteral("SELECT * from dt_data ") + condition + QStringLiteral(" order by c901 asc");
}

QVariant FindCodeByName(Connection& connection, const QString& name)
{
    return connection.scalar(QStringLiteral("select c901 from dt_data where c902 like '%' || ?1 || '%'"),
                             {name.trimmed()});
}

CodeRange ReadCodeRange(const QString& fromText, const QString& toText)
{
    CodeRange r;
    r.from = fromText.trimmed().isEmpty() ? 0 : fromText.trimmed().toDouble();
    r.to = toText.trimmed().isEmpty() ? 0 : toText.trimmed().toDouble();
    if (r.valid() && r.to < r.from)
        r.to = r.from;
    return r;
}

QString RangeDeleteSql(const CodeRange& range)
{
    return QStringLiteral("delete from dt_data where c901>=%1 and c901<=%2")
        .arg(FormatFixed2(range.from), FormatFixed2(range.to));
}

QString AllReturnsDeleteSql()
{
    return QStringLiteral("delete from dt_data");
}
