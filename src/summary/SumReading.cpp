#include "summary/SumReading.h"

#include "db/Connection.h"
#include "db/DbError.h"
#include "db/SqlFunctions.h"
#include "db/Statement.h"
#include "summary/Grouping.h"

#include <QHash>

#include <cmath>
#include <cstdint>
#include <sqlite3.h>
#include <vector>

namespace {
// A value as the engine computes with it: NULL, a whole number or a real.
struct Num {
    enum Type : uint8_t { Null, Int, Real };
    Type type = Null;
    union {
        int64_t i;
        double r;
    };
    Num() : i(0) {}
    static Num whole(int64_t v)
    {
        Num n;
        n.type = Int;
        n.i = v;
        return n;
    }
    // A computation that gives NaN gives NULL in the engine.
    static Num real(double v)
    {
        Num n;
        if (!std::isnan(v)) {
            n.type = Real;
            n.r = v;
        }
        return n;
    }
};

// A value the reading does not take itself: the statements sum the sheets instead.
struct LeaveToStatements {};

Num readNum(sqlite3_stmt* st, int column)
{
    sqlite3_value* v = sqlite3_column_value(st, column);
    switch (sqlite3_value_type(v)) {
    case SQLITE_INTEGER:
        return Num::whole(sqlite3_value_int64(v));
    case SQLITE_FLOAT:
        return Num::real(sqlite3_value_double(v));
    case SQLITE_NULL:
        return {};
    default:
        throw LeaveToStatements{};
    }
}

Num fromVariant(const QVariant& v)
{
    if (!v.isValid() || v.isNull())
        return {};
    switch (v.typeId()) {
    case QMetaType::LongLong:
    case QMetaType::Int:
        return Num::whole(v.toLongLong());
    case QMetaType::Double:
        return Num::real(v.toDouble());
    default:
        throw LeaveToStatements{};
    }
}

double asReal(const Num& a)
{
    return a.type == Num::Int ? double(a.i) : a.r;
}

// The engine's + - * /: whole numbers while both operands are whole and the result fits (a whole
// division truncates), reals otherwise; NULL when an operand is NULL or the divisor is 0.
enum class Op { Add, Sub, Mul, Div };
template <Op op>
Num apply(const Num& a, const Num& b)
{
    if (a.type == Num::Null || b.type == Num::Null)
        return {};
    if (a.type == Num::Int && b.type == Num::Int) {
        int64_t out = 0;
        bool overflow;
        if constexpr (op == Op::Add)
            overflow = __builtin_add_overflow(a.i, b.i, &out);
        else if constexpr (op == Op::Sub)
            overflow = __builtin_sub_overflow(a.i, b.i, &out);
        else if constexpr (op == Op::Mul)
            overflow = __builtin_mul_overflow(a.i, b.i, &out);
        else {
            if (b.i == 0)
                return {};
            overflow = b.i == -1 && a.i == INT64_MIN;
            if (!overflow)
                out = a.i / b.i;
        }
        if (!overflow)
            return Num::whole(out);
    }
    const double x = asReal(a), y = asReal(b);
    if constexpr (op == Op::Add)
        return Num::real(x + y);
    else if constexpr (op == Op::Sub)
        return Num::real(x - y);
    else if constexpr (op == Op::Mul)
        return Num::real(x * y);
    else {
        if (y == 0)
            return {};
        return Num::real(x / y);
    }
}

Num add(const Num& a, const Num& b)
{
    return apply<Op::Add>(a, b);
}
Num sub(const Num& a, const Num& b)
{
    return apply<Op::Sub>(a, b);
}
Num mul(const Num& a, const Num& b)
{
    return apply<Op::Mul>(a, b);
}
Num div(const Num& a, const Num& b)
{
    return apply<Op::Div>(a, b);
}

// The statements' int(): whole numbers and NULL as they are, a real floored.
Num floorOf(const Num& a)
{
    if (a.type != Num::Real)
        return a;
    qint64 whole;
    double real;
    return FloorOfReal(a.r, &whole, &real) ? Num::whole(whole) : Num::real(real);
}

// One term's value for a return whose field holds f, as the term's text computes it.
Num termValue(SumTermKind kind, const Num& f)
{
    static const Num one = Num::whole(1), two = Num::whole(2), three = Num::whole(3), four = Num::whole(4),
                     five = Num::whole(5), six = Num::whole(6);
    switch (kind) {
    case SumTermKind::Yes: // F*(2-F)
        return mul(f, sub(two, f));
    case SumTermKind::NoOrBlank: // int(F/2) + (2-F)*(1-F)/2
        return add(floorOf(div(f, two)), div(mul(sub(two, f), sub(one, f)), two));
    case SumTermKind::Choice1: // int((5-F)/4)*F
        return mul(floorOf(div(sub(five, f), four)), f);
    case SumTermKind::Choice2: // (F-1)*(3-F)*(4-F)*F/4
        return div(mul(mul(mul(sub(f, one), sub(three, f)), sub(four, f)), f), four);
    case SumTermKind::Choice3: // (F-1)*(F-2)*(4-F)*F/6
        return div(mul(mul(mul(sub(f, one), sub(f, two)), sub(four, f)), f), six);
    case SumTermKind::Choice4: // int(F/4)
        return floorOf(div(f, four));
    default:
        return f;
    }
}

// termValue for the small whole numbers answers and choices hold, worked out once.
class TermTable {
public:
    TermTable()
    {
        for (int k = 0; k < kKinds; ++k)
            for (int v = kLow; v <= kHigh; ++v)
                m_values[k][v - kLow] = termValue(SumTermKind(k), Num::whole(v));
    }
    Num value(SumTermKind kind, const Num& f) const
    {
        if (f.type == Num::Int && f.i >= kLow && f.i <= kHigh)
            return m_values[int(kind)][f.i - kLow];
        return termValue(kind, f);
    }

private:
    static constexpr int kKinds = int(SumTermKind::Choice4) + 1;
    static constexpr int kLow = -16, kHigh = 16;
    Num m_values[kKinds][kHigh - kLow + 1];
};

// The engine's sum(): NULLs skipped; the whole-number total while every value is whole, else the
// total of the values as reals, added in the order they come.
struct Sum {
    int64_t whole = 0;
    double real = 0;
    int64_t count = 0;
    bool approx = false;
    void add(const Num& v)
    {
        if (v.type == Num::Null)
            return;
        ++count;
        if (v.type == Num::Int) {
            real += double(v.i);
            // The engine stops with "integer overflow"; the statements say so.
            if (!approx && __builtin_add_overflow(whole, v.i, &whole))
                throw LeaveToStatements{};
        } else {
            real += v.r;
            approx = true;
        }
    }
    QVariant value() const
    {
        if (count == 0)
            return QVariant();
        return approx ? QVariant(real) : QVariant(qlonglong(whole));
    }
};

// "v > 0" or "v >= 0" as the engine compares a number with 0; NULL is never.
bool aboveZero(const Num& v, bool orEqual)
{
    switch (v.type) {
    case Num::Int:
        return orEqual ? v.i >= 0 : v.i > 0;
    case Num::Real:
        return orEqual ? v.r >= 0 : v.r > 0;
    default:
        return false;
    }
}

// The engine's order of two numbers, a whole number against a real compared exactly.
int compare(const Num& a, const Num& b)
{
    if (a.type == Num::Int && b.type == Num::Int)
        return (a.i > b.i) - (a.i < b.i);
    const long double x = a.type == Num::Int ? (long double)a.i : a.r;
    const long double y = b.type == Num::Int ? (long double)b.i : b.r;
    return (x > y) - (x < y);
}

// A row of the sheets: a level or state code, or a grouping item and its range of c901.
struct Target {
    QString label;
    Num low, high;
    bool lowOrEqual = false, highOrEqual = false;
    bool holds(const Num& code) const
    {
        if (code.type == Num::Null || low.type == Num::Null || high.type == Num::Null)
            return false;
        const int lo = compare(code, low), hi = compare(code, high);
        return (lowOrEqual ? lo >= 0 : lo > 0) && (highOrEqual ? hi <= 0 : hi < 0);
    }
};

struct Breakdown {
    SumKind kind = SumKind::Level;
    QVector<Target> targets;   // in sheet order
    QHash<qint64, int> byCode; // code -> target, for levels and states
    // The target of a level or state code as the statements join it (code.id = c904), -1 for none.
    int codeTarget(const Num& key) const
    {
        qint64 id;
        if (key.type == Num::Int)
            id = key.i;
        else if (key.type == Num::Real && std::floor(key.r) == key.r && std::fabs(key.r) <= 9.2e18)
            id = qint64(key.r);
        else
            return -1;
        return byCode.value(id, -1);
    }
};

Breakdown readBreakdown(Connection& db, SumKind kind, qint64 groupId)
{
    Breakdown b;
    b.kind = kind;
    if (kind != SumKind::Group) {
        // The statements' code rows, read in their order (descending Sequence) and shown from the
        // last to the first.
        Statement st(db.handle(), kind == SumKind::Level
                                      ? QStringLiteral("select code.id,code.name from CT_LevelCode code order by code.sequence desc")
                                      : QStringLiteral("select code.id,code.name from ct_state code order by code.sequence desc"));
        QVector<std::pair<qint64, QString>> codes;
        while (st.step())
            codes.prepend({st.value(0).toLongLong(), st.value(1).toString()});
        for (const auto& [id, name] : codes) {
            b.byCode.insert(id, int(b.targets.size()));
            Target t;
            t.label = name;
            b.targets << t;
        }
        return b;
    }
    RowSet items = ReadGroupItems(db, groupId, ReadGroupOrder(db, groupId));
    for (items.first(); !items.eof(); items.next()) {
        const QString lowSymbol = items.text(QStringLiteral("LowSymbol")), highSymbol = items.text(QStringLiteral("HighSymbol"));
        GroupItemCondition(lowSymbol, highSymbol, 1); // refuses unknown symbols, as the statements do
        Target t;
        t.label = items.text(QStringLiteral("Title"));
        t.low = fromVariant(items.value(QStringLiteral("LowBoundary")));
        t.high = fromVariant(items.value(QStringLiteral("HighBoundary")));
        t.lowOrEqual = lowSymbol == QLatin1String(">=");
        t.highOrEqual = highSymbol == QLatin1String("<=");
        b.targets << t;
    }
    return b;
}

// What one reading sums: the sheets with their terms, and the fields those read.
struct Plan {
    struct Sheet {
        int sheet;
        SumCondition condition;
        int firstTerm;
        int terms;
    };
    QVector<Sheet> sheets;
    std::vector<SumTermKind> kinds; // every sheet's terms, sheet after sheet
    std::vector<int> fieldOf;       // the term's field among `fields`, -1 for the count
    QStringList fields;
    explicit Plan(const QVector<int>& chosen)
    {
        for (int sheet : chosen) {
            const QVector<SumTerm>& terms = SumSheetTerms(sheet);
            if (terms.isEmpty())
                continue;
            sheets.push_back({sheet, SumSheetCondition(sheet), int(kinds.size()), int(terms.size())});
            for (const SumTerm& t : terms) {
                kinds.push_back(t.kind);
                if (t.kind == SumTermKind::Count) {
                    fieldOf.push_back(-1);
                    continue;
                }
                int f = int(fields.indexOf(t.field));
                if (f < 0) {
                    f = int(fields.size());
                    fields << t.field;
                }
                fieldOf.push_back(f);
            }
        }
    }
};

// The totals of every target: per target and term the sum, per target and sheet the returns that
// meet the sheet's condition.
struct Totals {
    int terms, sheets;
    std::vector<Sum> sums;
    std::vector<int64_t> met;
    Totals(const Plan& plan, int targets)
        : terms(int(plan.kinds.size())), sheets(int(plan.sheets.size())), sums(size_t(targets) * terms),
          met(size_t(targets) * sheets, 0)
    {
    }
};

constexpr int kFirstField = 4; // rowid, c901, c904, c907, then the fields

// Reads the returns in the order given and adds each to the targets it belongs to. True when
// the returns came in the order of the file (rising rowid).
bool readReturns(Connection& db, const Plan& plan, const Breakdown& b, const QString& order, Totals& totals,
                 const std::function<void()>& rowsRead)
{
    QString sql = QStringLiteral("select rowid,c901,c904,c907");
    for (const QString& f : plan.fields)
        sql += QLatin1Char(',') + f;
    Statement statement(db.handle(), sql + QStringLiteral(" from dt_data order by ") + order);
    sqlite3_stmt* st = statement.handle();

    std::vector<Num> values(size_t(plan.fields.size()));
    std::vector<Num> termValues(size_t(plan.kinds.size()));
    std::vector<char> meets(size_t(plan.sheets.size()));
    std::vector<int> hits;
    hits.reserve(size_t(b.targets.size()));
    static const TermTable terms;
    bool inFileOrder = true;
    int64_t lastRowid = INT64_MIN;
    for (int64_t row = 1; statement.step(); ++row) {
        if (rowsRead && row % 4096 == 0)
            rowsRead();
        const int64_t rowid = sqlite3_column_int64(st, 0);
        if (rowid <= lastRowid)
            inFileOrder = false;
        lastRowid = rowid;
        const Num code = readNum(st, 1), level = readNum(st, 2);
        hits.clear();
        if (b.kind == SumKind::Group) {
            for (int t = 0; t < b.targets.size(); ++t)
                if (b.targets[t].holds(code))
                    hits.push_back(t);
        } else {
            const int t = b.codeTarget(b.kind == SumKind::Level ? level : readNum(st, 3));
            if (t >= 0)
                hits.push_back(t);
        }
        if (hits.empty())
            continue;

        const bool codeAbove = aboveZero(code, false), levelAtLeast = aboveZero(level, true),
                   levelAbove = aboveZero(level, false);
        for (int f = 0; f < plan.fields.size(); ++f)
            values[size_t(f)] = readNum(st, kFirstField + f);
        for (int s = 0; s < plan.sheets.size(); ++s) {
            const Plan::Sheet& sheet = plan.sheets[s];
            meets[size_t(s)] = sheet.condition == SumCondition::CodeAboveZero      ? codeAbove
                               : sheet.condition == SumCondition::LevelAtLeastZero ? levelAtLeast
                                                                                   : levelAbove;
            if (!meets[size_t(s)])
                continue;
            for (int t = sheet.firstTerm; t < sheet.firstTerm + sheet.terms; ++t) {
                const int f = plan.fieldOf[size_t(t)];
                if (f < 0)
                    continue;
                const SumTermKind kind = plan.kinds[size_t(t)];
                termValues[size_t(t)] = kind == SumTermKind::Plain ? values[size_t(f)] : terms.value(kind, values[size_t(f)]);
            }
        }
        for (int target : hits) {
            Sum* sums = totals.sums.data() + size_t(target) * totals.terms;
            int64_t* met = totals.met.data() + size_t(target) * totals.sheets;
            for (int s = 0; s < plan.sheets.size(); ++s) {
                if (!meets[size_t(s)])
                    continue;
                ++met[s];
                const Plan::Sheet& sheet = plan.sheets[s];
                for (int t = sheet.firstTerm; t < sheet.firstTerm + sheet.terms; ++t)
                    if (plan.fieldOf[size_t(t)] >= 0)
                        sums[t].add(termValues[size_t(t)]);
            }
        }
    }
    return inFileOrder;
}

// The rows of one sheet of the plan: a code row without returns meeting the condition is empty
// (the statements' join finds no group), an item row counts 0.
SumSheetRows sheetRows(const Plan& plan, int s, const Breakdown& b, const Totals& totals)
{
    const Plan::Sheet& sheet = plan.sheets[s];
    SumSheetRows out;
    if (b.kind == SumKind::Group && b.targets.isEmpty())
        return out;
    for (const SumTerm& t : SumSheetTerms(sheet.sheet))
        out.columns << t.column;
    for (int target = 0; target < b.targets.size(); ++target) {
        SumRow row;
        row.label = b.targets[target].label;
        const int64_t met = totals.met[size_t(target) * totals.sheets + s];
        for (int t = sheet.firstTerm; t < sheet.firstTerm + sheet.terms; ++t) {
            if (b.kind != SumKind::Group && met == 0)
                row.values << QVariant();
            else if (plan.fieldOf[size_t(t)] < 0)
                row.values << QVariant(qlonglong(met));
            else
                row.values << totals.sums[size_t(target) * totals.terms + t].value();
        }
        out.rows << row;
    }
    return out;
}

bool anyReal(const Plan& plan, int s, const Totals& totals, int targets)
{
    const Plan::Sheet& sheet = plan.sheets[s];
    for (int target = 0; target < targets; ++target)
        for (int t = sheet.firstTerm; t < sheet.firstTerm + sheet.terms; ++t)
            if (totals.sums[size_t(target) * totals.terms + t].approx)
                return true;
    return false;
}

void sumInOneReading(Connection& db, const QVector<int>& sheets, const Breakdown& b,
                     const std::function<void()>& rowsRead, QMap<int, SumSheetRows>& out)
{
    // The statements read the returns in code order, through the index on c901, except those of
    // levels and states on a condition of the level, which read the file in its order. One
    // reading in code order gives every sum but theirs; theirs too while the file holds the
    // returns in code order, or while their totals are whole numbers, which come out the same
    // in any order.
    const Plan plan(sheets);
    Totals totals(plan, int(b.targets.size()));
    const bool inFileOrder = readReturns(db, plan, b, QStringLiteral("c901"), totals, rowsRead);
    QVector<int> again;
    for (int s = 0; s < plan.sheets.size(); ++s) {
        const Plan::Sheet& sheet = plan.sheets[s];
        if (b.kind != SumKind::Group && sheet.condition != SumCondition::CodeAboveZero && !inFileOrder
            && anyReal(plan, s, totals, int(b.targets.size())))
            again << sheet.sheet;
        else
            out.insert(sheet.sheet, sheetRows(plan, s, b, totals));
    }
    if (again.isEmpty())
        return;
    const Plan second(again);
    Totals inOrder(second, int(b.targets.size()));
    readReturns(db, second, b, QStringLiteral("rowid"), inOrder, rowsRead);
    for (int s = 0; s < second.sheets.size(); ++s)
        out.insert(second.sheets[s].sheet, sheetRows(second, s, b, inOrder));
}
} // namespace

QMap<int, SumSheetRows> ComputeSumSheets(Connection& db, const QVector<int>& sheets, SumKind kind, qint64 groupId,
                                         const std::function<void()>& rowsRead)
{
    QMap<int, SumSheetRows> out;
    QVector<int> summed;
    for (int sheet : sheets)
        if (!SumStatement(sheet).isEmpty() && !summed.contains(sheet))
            summed << sheet;
    if (summed.isEmpty())
        return out;
    try {
        const Breakdown b = readBreakdown(db, kind, kind == SumKind::Group ? groupId : 0);
        sumInOneReading(db, summed, b, rowsRead, out);
    } catch (const LeaveToStatements&) {
        out.clear();
        for (int sheet : summed)
            out.insert(sheet, ComputeSumSheetByStatements(db, sheet, kind, groupId));
    }
    return out;
}

SumSheetRows ComputeSumSheet(Connection& db, int sheet, SumKind kind, qint64 groupId)
{
    return ComputeSumSheets(db, {sheet}, kind, groupId).value(sheet);
}
