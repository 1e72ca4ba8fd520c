#include "db/WorkingDatabase.h"
#include "summary/Grouping.h"
#include "summary/SumStatements.h"
#include "support/TestEnvironment.h"

#include <QCollator>
#include <QHash>
#include <QLocale>
#include <QSet>
#include <gtest/gtest.h>

#include <cmath>
#include <optional>

namespace {
// The sheets as the survey defines them, written out independently of the program's table:
// the condition (c901>0, c904>=0 or c904>0) and the fields (prefix, first and last number).
struct Range {
    char prefix;
    int first;
    int last;
};
struct SheetCase {
    int sheet;
    const char* condition;
    std::vector<Range> ranges;
};
const std::vector<SheetCase> kSheetCases = {
    {2, "c901>0", {{'z', 1, 9}}},     {3, "c901>0", {{'z', 10, 18}}},   {4, "c904>=0", {{'x', 1, 12}}},
    {5, "c901>0", {{'p', 1, 8}}},     {6, "c901>0", {{'b', 1, 10}}},    {7, "c901>0", {{'b', 11, 21}}},
    {8, "c901>0", {{'b', 22, 35}}},   {9, "c904>0", {{'b', 36, 42}}},   {10, "c904>0", {{'b', 43, 49}}},
    {11, "c901>0", {{'f', 1, 8}}},    {12, "c901>0", {{'f', 9, 15}}},   {13, "c901>0", {{'f', 16, 23}}},
    {14, "c901>0", {{'f', 24, 34}}},  {15, "c901>0", {{'l', 1, 7}}},    {16, "c904>0", {{'h', 1, 5}}},
    {17, "c901>0", {{'j', 1, 11}}},   {18, "c901>0", {{'j', 12, 21}}},  {19, "c901>0", {{'s', 1, 8}}},
    {20, "c901>0", {{'s', 9, 13}}},   {21, "c901>0", {{'w', 1, 11}}},   {22, "c901>0", {{'g', 1, 8}}},
    {23, "c901>0", {{'c', 1, 4}}},    {24, "c901>0", {{'c', 5, 15}}},   {25, "c901>0", {{'c', 16, 21}}},
};
const QSet<QString> kYesNo = {"z010", "z018", "x004", "x005", "x006", "x007", "b001", "b011", "b013", "b045",
                              "f002", "f007", "f014", "f015", "f023", "f027", "l001", "h001", "h002", "j015",
                              "j016", "s001", "s002", "s003", "s004", "s005", "s006", "s009", "s010", "s011",
                              "s012", "c001", "c004", "c009"};
const QSet<QString> kThreeWay = {"z011", "z012"};
const QSet<QString> kFourWay = {"c002", "c003"};

QStringList fieldsOf(const SheetCase& s)
{
    QStringList out;
    for (const Range& r : s.ranges)
        for (int n = r.first; n <= r.last; ++n)
            out << QString("%1%2").arg(r.prefix).arg(n, 3, 10, QChar('0'));
    return out;
}

struct Return {
    qint64 code;
    int level;
    int state;
    QHash<QString, double> values;
};

// A sum over a set of returns, as the sheet should show it (nullopt: empty cell).
using Cell = std::optional<double>;

class SumStatementsTest : public ::testing::Test {
protected:
    TestEnvironment env;
    std::vector<Return> returns;
    QStringList allFields;

    void SetUp() override
    {
        ASSERT_EQ(OpenWorkingDatabase().status, OpenDatabaseResult::Opened);
        for (const SheetCase& s : kSheetCases)
            allFields << fieldsOf(s);
        // Small fixed returns: levels 1, 3, 10 and 0 (no such level), states 1, 2, 3; values
        // spread over each field's range, amounts with halves.
        const int levels[] = {1, 3, 3, 10, 0, 1, 10, 3, 1};
        const int states[] = {1, 2, 1, 3, 1, 2, 1, 1, 3};
        unsigned seed = 7;
        auto next = [&seed] { return (seed = seed * 1103515245u + 12345u) >> 16; };
        for (int i = 0; i < 9; ++i) {
            Return r;
            r.code = 110000000000LL + 1000LL * i + (i % 3);
            r.level = levels[i];
            r.state = states[i];
            for (const QString& f : allFields) {
                double v;
                if (kYesNo.contains(f))
                    v = next() % 3; // 0, 1, 2
                else if (kThreeWay.contains(f) || kFourWay.contains(f))
                    v = next() % 5; // 0 .. 4
                else
                    v = (next() % 2000) / 2.0;
                r.values[f] = v;
            }
            returns.push_back(r);
        }
        QStringList columns{"c901", "c902", "c903", "c904", "c905", "c906", "c907", "RecordState"};
        columns << allFields;
        QStringList marks;
        for (int i = 1; i <= columns.size(); ++i)
            marks << QString("?%1").arg(i);
        const QString sql = "insert into dt_data (" + columns.join(',') + ") values (" + marks.join(',') + ")";
        for (const Return& r : returns) {
            QVariantList values{r.code, "工会", 110101, r.level, "张", "1", r.state, 1};
            for (const QString& f : allFields)
                values << r.values[f];
            SysConnection().execute(sql, values);
        }
    }

    static bool meets(const Return& r, const QString& condition)
    {
        if (condition == "c904>=0")
            return r.level >= 0;
        if (condition == "c904>0")
            return r.level > 0;
        return r.code > 0;
    }

    // The expected columns of one sheet over the returns `in`, in term order; `count0` says
    // whether an empty set shows counts of 0 (a grouping item) or empty cells (a code row).
    static std::vector<Cell> expected(const SheetCase& s, const std::vector<const Return*>& in, bool count0)
    {
        std::vector<const Return*> rows;
        for (const Return* r : in)
            if (meets(*r, s.condition))
                rows.push_back(r);
        std::vector<Cell> out;
        auto total = [&](auto value) -> Cell {
            if (rows.empty())
                return std::nullopt;
            double t = 0;
            for (const Return* r : rows)
                t += value(*r);
            return t;
        };
        if (s.sheet == 2)
            out.push_back(rows.empty() && !count0 ? Cell() : Cell(double(rows.size())));
        for (const QString& f : fieldsOf(s)) {
            auto countOf = [&](std::initializer_list<double> hits) {
                return total([&](const Return& r) {
                    for (double h : hits)
                        if (r.values[f] == h)
                            return 1.0;
                    return 0.0;
                });
            };
            if (kYesNo.contains(f)) {
                out.push_back(countOf({1}));
                out.push_back(countOf({2, 0}));
            } else if (kThreeWay.contains(f) || kFourWay.contains(f)) {
                out.push_back(countOf({1}));
                out.push_back(countOf({2}));
                out.push_back(countOf({3}));
                if (kFourWay.contains(f))
                    out.push_back(countOf({4}));
            } else {
                out.push_back(total([&](const Return& r) { return r.values[f]; }));
            }
        }
        return out;
    }

    void compare(const SheetCase& s, const SumRow& row, const std::vector<Cell>& want, const QString& what)
    {
        ASSERT_EQ(row.values.size(), int(want.size())) << what.toStdString() << " sheet " << s.sheet;
        for (size_t c = 0; c < want.size(); ++c) {
            const QVariant got = row.values[int(c)];
            if (!want[c]) {
                EXPECT_TRUE(got.isNull()) << what.toStdString() << " sheet " << s.sheet << " column " << c;
            } else {
                ASSERT_FALSE(got.isNull()) << what.toStdString() << " sheet " << s.sheet << " column " << c;
                EXPECT_DOUBLE_EQ(got.toDouble(), *want[c]) << what.toStdString() << " sheet " << s.sheet << " column " << c;
            }
        }
    }

    std::vector<const Return*> where(const std::function<bool(const Return&)>& test) const
    {
        std::vector<const Return*> out;
        for (const Return& r : returns)
            if (test(r))
                out.push_back(&r);
        return out;
    }
};

TEST_F(SumStatementsTest, StatementTextsFollowTheRule)
{
    EXPECT_EQ(SumStatement(5), "sum(p001) as sum_p001,sum(p002) as sum_p002,sum(p003) as sum_p003,sum(p004) as "
                               "sum_p004,sum(p005) as sum_p005,sum(p006) as sum_p006,sum(p007) as sum_p007,sum(p008) "
                               "as sum_p008 from dt_data where c901>0");
    EXPECT_EQ(SumStatement(9), "sum(b036) as sum_b036,sum(b037) as sum_b037,sum(b038) as sum_b038,sum(b039) as "
                               "sum_b039,sum(b040) as sum_b040,sum(b041) as sum_b041,sum(b042) as sum_b042 from "
                               "dt_data where c904>0");
    EXPECT_EQ(SumStatement(25), "sum(c016) as sum_c016,sum(c017) as sum_c017,sum(c018) as sum_c018,sum(c019) as "
                                "sum_c019,sum(c020) as sum_c020,sum(c021) as sum_c021 from dt_data where c901>0");
    EXPECT_TRUE(SumStatement(3).startsWith("sum(z010*(2-z010)) as sum_z010_1,sum(int(z010/2) + (2-z010)*(1-z010)/2) "
                                           "as sum_z010_2,sum(int((5-z011)/4)*z011) as sum_z011_1,sum((z011-1)*(3-"
                                           "z011)*(4-z011)*z011/4) as sum_z011_2,sum((z011-1)*(z011-2)*(4-z011)*z011/"
                                           "6) as sum_z011_3,"));
    EXPECT_TRUE(SumStatement(23).contains("sum((c002-1)*(c002-2)*(4-c002)*c002/6) as sum_c002_3,sum(int(c002/4)) as "
                                          "sum_c002_4,sum(int((5-c003)/4)*c003)"));
    EXPECT_TRUE(SumStatement(2).startsWith("count(*) as cnt,sum(z001) as sum_z001,"));
    for (int sheet : {-1, 0, 1, 26, 27, 100}) {
        EXPECT_EQ(SumStatement(sheet), "") << sheet;
        EXPECT_TRUE(ComputeSumSheet(SysConnection(), sheet, SumKind::Level, 0).rows.isEmpty());
    }
    for (const SheetCase& s : kSheetCases) {
        EXPECT_TRUE(SumStatement(s.sheet).endsWith(QString(" from dt_data where ") + s.condition)) << s.sheet;
        EXPECT_FALSE(SumStatement(s.sheet).contains(", ")) << s.sheet;
    }
    EXPECT_EQ(SumByCodeSql(5, SumKind::Level),
              "select code.name,sum_table.*  from CT_LevelCode code left join (select c904," + SumStatement(5) +
                  " group by c904) sum_table on code.id = sum_table.c904 order by code.sequence desc");
}

TEST_F(SumStatementsTest, ByLevelEveryLevelInAscendingSequenceWithIndependentSums)
{
    const TMenuItemDataArray levels = LoadCodeTable(SysConnection(), "CT_LevelCode");
    for (const SheetCase& s : kSheetCases) {
        const SumSheetRows got = ComputeSumSheet(SysConnection(), s.sheet, SumKind::Level, 0);
        ASSERT_EQ(got.rows.size(), levels.size());
        for (int i = 0; i < levels.size(); ++i) {
            EXPECT_EQ(got.rows[i].label, levels[i].name);
            const int id = levels[i].code;
            compare(s, got.rows[i], expected(s, where([id](const Return& r) { return r.level == id; }), false),
                    "level " + QString::number(id));
        }
    }
}

TEST_F(SumStatementsTest, ByStateEveryStateWithIndependentSums)
{
    const TMenuItemDataArray states = LoadCodeTable(SysConnection(), "CT_state");
    for (const SheetCase& s : kSheetCases) {
        const SumSheetRows got = ComputeSumSheet(SysConnection(), s.sheet, SumKind::State, 0);
        ASSERT_EQ(got.rows.size(), states.size());
        for (int i = 0; i < states.size(); ++i) {
            EXPECT_EQ(got.rows[i].label, states[i].name);
            const int id = states[i].code;
            compare(s, got.rows[i], expected(s, where([id](const Return& r) { return r.state == id; }), false),
                    "state " + QString::number(id));
        }
    }
}

TEST_F(SumStatementsTest, ByAGroupingOfThreeItemsInTheStoredOrder)
{
    Connection& db = SysConnection();
    const qint64 g = CreateGrouping(db, "三段");
    struct Item {
        const char* title;
        qint64 low, high;
        const char* ls;
        const char* hs;
    } items[] = {
        {"前段'甲'", 110000000000, 110000003000, ">=", "<"}, // returns 0 to 2: the bound 3000 left out
        {"中段", 110000003000, 110000006000, ">", "<="},    // returns 4 to 6: 3000 left out, 6000 in
        {"空段", 120000000000, 130000000000, ">=", "<"},    // no returns
    };
    for (const Item& it : items) {
        GroupItem gi;
        gi.groupId = g;
        gi.title = it.title;
        gi.low = it.low;
        gi.high = it.high;
        gi.lowSymbol = it.ls;
        gi.highSymbol = it.hs;
        SaveGroupItem(db, gi);
    }
    auto inItem = [](const Item& it) {
        return [&it](const Return& r) {
            const bool lowOk = QString(it.ls) == ">=" ? r.code >= it.low : r.code > it.low;
            const bool highOk = QString(it.hs) == "<" ? r.code < it.high : r.code <= it.high;
            return lowOk && highOk;
        };
    };
    for (const char* order : {"id ASC", "Title DESC"}) {
        StoreGroupOrder(db, g, order);
        // Sheet order: ids ascending, or titles descending as the item dialog sorts them (the
        // Chinese collation: 中段, 前段, 空段).
        std::vector<int> placeOf{0, 1, 2};
        if (QString(order) == "Title DESC") {
            const QCollator collator(QLocale(QLocale::Chinese, QLocale::China));
            std::sort(placeOf.begin(), placeOf.end(), [&](int a, int b) {
                return collator.compare(QString(items[a].title), QString(items[b].title)) > 0;
            });
        }
        for (const SheetCase& s : kSheetCases) {
            const SumSheetRows got = ComputeSumSheet(db, s.sheet, SumKind::Group, g);
            ASSERT_EQ(got.rows.size(), 3);
            for (int i = 0; i < 3; ++i) {
                const Item& it = items[placeOf[i]];
                EXPECT_EQ(got.rows[i].label, it.title);
                compare(s, got.rows[i], expected(s, where(inItem(it)), true), it.title);
            }
        }
    }
    // The fixture reaches every item kind: a non-empty first item and an empty last one.
    EXPECT_FALSE(where(inItem(items[0])).empty());
    EXPECT_FALSE(where(inItem(items[1])).empty());
}

TEST_F(SumStatementsTest, AGroupingWithoutItemsGivesNoRows)
{
    const qint64 g = CreateGrouping(SysConnection(), "空");
    EXPECT_TRUE(ComputeSumSheet(SysConnection(), 2, SumKind::Group, g).rows.isEmpty());
}

TEST_F(SumStatementsTest, WithNoReturnsEveryLevelStillHasARow)
{
    SysConnection().execute("delete from dt_data");
    const SumSheetRows got = ComputeSumSheet(SysConnection(), 2, SumKind::Level, 0);
    ASSERT_EQ(got.rows.size(), 10);
    EXPECT_EQ(got.columns.first(), "cnt");
    for (const SumRow& row : got.rows)
        for (const QVariant& v : row.values)
            EXPECT_TRUE(v.isNull());
}
} // namespace
