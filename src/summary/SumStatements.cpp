#include "summary/SumStatements.h"

#include "db/Connection.h"
#include "db/DbError.h"
#include "db/Statement.h"
#include "summary/Grouping.h"

#include <QRegularExpression>

#include <algorithm>
#include <array>

namespace {
// The summary's sheets, one line each: the condition and the fields in term order. "a-b" is
// every field from a to b; a field is plain unless marked ":Y" (yes/no), ":T" (three-way code)
// or ":Q" (four-way code); a mark after a range marks each field of it; "cnt" is the record count.
struct SheetLine {
    int sheet;
    const char* condition;
    const char* fields;
};
constexpr SheetLine kSheets[] = {
    {2, "c901>0", "cnt z001-z009"},
    {3, "c901>0", "z010:Y z011:T z012:T z013-z017 z018:Y"},
    {4, "c904>=0", "x001-x003 x004:Y x005:Y x006:Y x007:Y x008-x012"},
    {5, "c901>0", "p001-p008"},
    {6, "c901>0", "b001:Y b002-b010"},
    {7, "c901>0", "b011:Y b012 b013:Y b014-b021"},
    {8, "c901>0", "b022-b035"},
    {9, "c904>0", "b036-b042"},
    {10, "c904>0", "b043 b044 b045:Y b046-b049"},
    {11, "c901>0", "f001 f002:Y f003-f006 f007:Y f008"},
    {12, "c901>0", "f009-f013 f014:Y f015:Y"},
    {13, "c901>0", "f016-f022 f023:Y"},
    {14, "c901>0", "f024-f026 f027:Y f028-f034"},
    {15, "c901>0", "l001:Y l002-l007"},
    {16, "c904>0", "h001:Y h002:Y h003-h005"},
    {17, "c901>0", "j001-j011"},
    {18, "c901>0", "j012-j014 j015:Y j016:Y j017-j021"},
    {19, "c901>0", "s001-s006:Y s007 s008"},
    {20, "c901>0", "s009-s012:Y s013"},
    {21, "c901>0", "w001-w011"},
    {22, "c901>0", "g001-g008"},
    {23, "c901>0", "c001:Y c002:Q c003:Q c004:Y"},
    {24, "c901>0", "c005-c008 c009:Y c010-c015"},
    {25, "c901>0", "c016-c021"},
};

// The terms of one field by its kind, each with its result column and its text.
QVector<SumTerm> termsOf(const QString& f, QChar kind)
{
    auto term = [&f](SumTermKind k, const char* sql, const char* suffix) {
        const QString column = QStringLiteral("sum_") + f + QLatin1String(suffix);
        return SumTerm{k, f, column, QString::fromLatin1(sql).arg(f) + QStringLiteral(" as ") + column};
    };
    switch (kind.unicode()) {
    case 'Y':
        return {term(SumTermKind::Yes, "sum(%1*(2-%1))", "_1"),
                term(SumTermKind::NoOrBlank, "sum(int(%1/2) + (2-%1)*(1-%1)/2)", "_2")};
    case 'T':
    case 'Q': {
        QVector<SumTerm> t{term(SumTermKind::Choice1, "sum(int((5-%1)/4)*%1)", "_1"),
                           term(SumTermKind::Choice2, "sum((%1-1)*(3-%1)*(4-%1)*%1/4)", "_2"),
                           term(SumTermKind::Choice3, "sum((%1-1)*(%1-2)*(4-%1)*%1/6)", "_3")};
        if (kind == QLatin1Char('Q'))
            t << term(SumTermKind::Choice4, "sum(int(%1/4))", "_4");
        return t;
    }
    default:
        return {term(SumTermKind::Plain, "sum(%1)", "")};
    }
}

// "z013-z017:Y" -> z013:Y ... z017:Y
QStringList expandFields(const QString& terms)
{
    QStringList out;
    for (const QString& word : terms.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        const QString mark = word.contains(QLatin1Char(':')) ? word.section(QLatin1Char(':'), 1) : QString();
        const QString range = word.section(QLatin1Char(':'), 0, 0);
        const QString suffix = mark.isEmpty() ? QString() : QLatin1Char(':') + mark;
        if (!range.contains(QLatin1Char('-'))) {
            out << range + suffix;
            continue;
        }
        const QString from = range.section(QLatin1Char('-'), 0, 0);
        const QString to = range.section(QLatin1Char('-'), 1);
        const QString prefix = from.left(1);
        for (int n = from.mid(1).toInt(); n <= to.mid(1).toInt(); ++n)
            out << prefix + QStringLiteral("%1").arg(n, 3, 10, QLatin1Char('0')) + suffix;
    }
    return out;
}

struct Table {
    std::array<QString, kLastSumSheet + 1> statements;
    std::array<QStringList, kLastSumSheet + 1> fields;
    std::array<QVector<SumTerm>, kLastSumSheet + 1> terms;
    std::array<SumCondition, kLastSumSheet + 1> conditions{};
};

Table& table()
{
    static Table t;
    return t;
}
bool built = false;

const char* codeTable(SumKind kind)
{
    return kind == SumKind::Level ? "CT_LevelCode" : "ct_state";
}
const char* codeColumn(SumKind kind)
{
    return kind == SumKind::Level ? "c904" : "c907";
}

SumCondition conditionOf(QLatin1String text)
{
    if (text == QLatin1String("c904>=0"))
        return SumCondition::LevelAtLeastZero;
    if (text == QLatin1String("c904>0"))
        return SumCondition::LevelAboveZero;
    return SumCondition::CodeAboveZero;
}

void readRow(Statement& st, int firstValue, SumRow& row)
{
    for (int c = firstValue; c < st.columnCount(); ++c)
        row.values << st.value(c);
}
} // namespace

void BuildSumStatements()
{
    if (built)
        return;
    for (const SheetLine& line : kSheets) {
        QVector<SumTerm> terms;
        const QStringList fields = expandFields(QString::fromLatin1(line.fields));
        for (const QString& field : fields) {
            if (field == QLatin1String("cnt"))
                terms << SumTerm{SumTermKind::Count, QString(), QStringLiteral("cnt"), QStringLiteral("count(*) as cnt")};
            else
                terms << termsOf(field.section(QLatin1Char(':'), 0, 0),
                                 field.contains(QLatin1Char(':')) ? field.back() : QChar(QLatin1Char('P')));
        }
        QStringList list;
        for (const SumTerm& t : terms)
            list << t.sql;
        table().statements[line.sheet] =
            list.join(QLatin1Char(',')) + QStringLiteral(" from dt_data where ") + QLatin1String(line.condition);
        table().fields[line.sheet] = fields;
        table().terms[line.sheet] = terms;
        table().conditions[line.sheet] = conditionOf(QLatin1String(line.condition));
    }
    built = true;
}

QString SumStatement(int sheet)
{
    BuildSumStatements();
    return sheet >= kFirstSumSheet && sheet <= kLastSumSheet ? table().statements[sheet] : QString();
}

QStringList SumSheetFields(int sheet)
{
    BuildSumStatements();
    return sheet >= kFirstSumSheet && sheet <= kLastSumSheet ? table().fields[sheet] : QStringList();
}

const QVector<SumTerm>& SumSheetTerms(int sheet)
{
    BuildSumStatements();
    static const QVector<SumTerm> none;
    return sheet >= kFirstSumSheet && sheet <= kLastSumSheet ? table().terms[sheet] : none;
}

SumCondition SumSheetCondition(int sheet)
{
    BuildSumStatements();
    return sheet >= kFirstSumSheet && sheet <= kLastSumSheet ? table().conditions[sheet] : SumCondition::CodeAboveZero;
}

QString SumByCodeSql(int sheet, SumKind kind)
{
    const QString statement = SumStatement(sheet);
    if (statement.isEmpty() || kind == SumKind::Group)
        return QString();
    return QStringLiteral("select code.name,sum_table.*  from %1 code left join (select %2,")
               .arg(QLatin1String(codeTable(kind)), QLatin1String(codeColumn(kind)))
           + statement
           + QStringLiteral(" group by %1) sum_table on code.id = sum_table.%1 order by code.sequence desc")
                 .arg(QLatin1String(codeColumn(kind)));
}

QString SumByItemSql(int sheet, const QString& lowSymbol, const QString& highSymbol)
{
    const QString statement = SumStatement(sheet);
    if (statement.isEmpty())
        return QString();
    // The title and the bounds are bound, so any typed title is summed and shown as typed.
    return QStringLiteral(" select ?1 as ItemName,?2 as sid,") + statement + QStringLiteral(" and ")
           + GroupItemCondition(lowSymbol, highSymbol, 3);
}

QString BreakdownName(SumKind kind)
{
    switch (kind) {
    case SumKind::Level:
        return QStringLiteral("工会层次");
    case SumKind::State:
        return QStringLiteral("填报状态");
    default:
        return QStringLiteral("分    组");
    }
}

SumSheetRows ComputeSumSheetByStatements(Connection& db, int sheet, SumKind kind, qint64 groupId)
{
    SumSheetRows out;
    if (SumStatement(sheet).isEmpty())
        return out;
    if (kind != SumKind::Group) {
        // Descending Sequence; the sheet shows the rows from the last read to the first.
        Statement st(db.handle(), SumByCodeSql(sheet, kind));
        for (int c = 2; c < st.columnCount(); ++c)
            out.columns << st.columnName(c);
        while (st.step()) {
            SumRow row;
            row.label = st.value(0).toString();
            readRow(st, 2, row);
            out.rows << row;
        }
        std::reverse(out.rows.begin(), out.rows.end());
        return out;
    }
    RowSet items = ReadGroupItems(db, groupId, ReadGroupOrder(db, groupId));
    int n = 0;
    for (items.first(); !items.eof(); items.next()) {
        ++n;
        Statement st(db.handle(), SumByItemSql(sheet, items.text(QStringLiteral("LowSymbol")),
                                               items.text(QStringLiteral("HighSymbol"))));
        st.bindAll({items.text(QStringLiteral("Title")), n, items.value(QStringLiteral("LowBoundary")),
                    items.value(QStringLiteral("HighBoundary"))});
        if (out.columns.isEmpty())
            for (int c = 2; c < st.columnCount(); ++c)
                out.columns << st.columnName(c);
        SumRow row;
        row.label = items.text(QStringLiteral("Title"));
        if (st.step())
            readRow(st, 2, row);
        out.rows << row;
    }
    return out;
}
