#include "db/DbError.h"
#include "db/WorkingDatabase.h"
#include "summary/Grouping.h"
#include "summary/SumReading.h"
#include "summary/SumWorkbook.h"
#include "support/TestEnvironment.h"

#include <QStringList>
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <cstring>
#include <functional>

namespace {
// Every field a sheet sums.
QStringList summedFields()
{
    QStringList fields;
    for (int sheet = kFirstSumSheet; sheet <= kLastSumSheet; ++sheet)
        for (const SumTerm& t : SumSheetTerms(sheet))
            if (!t.field.isEmpty() && !fields.contains(t.field))
                fields << t.field;
    return fields;
}

bool isAnswer(const QString& field, int sheet = 0)
{
    for (int s = kFirstSumSheet; s <= kLastSumSheet; ++s)
        if (sheet == 0 || s == sheet)
            for (const SumTerm& t : SumSheetTerms(s))
                if (t.field == field && t.kind != SumTermKind::Plain)
                    return true;
    return false;
}

// The returns of one case: the cover codes and a value for every summed field (row, field).
struct Case {
    const char* name;
    // The returns are inserted in this order (so the file's order is not the code order).
    std::vector<QVariant> codes;
    std::vector<QVariant> levels;
    std::vector<QVariant> states;
    std::function<QVariant(int row, const QString& field)> value;
    bool fails = false; // the statements stop with an error; the reading must stop with the same
    bool texts = false; // values the reading leaves to the statements
};

std::vector<QVariant> codeList(std::initializer_list<qint64> offsets)
{
    std::vector<QVariant> out;
    for (qint64 o : offsets)
        out.push_back(110000000000LL + o);
    return out;
}

const std::vector<Case>& cases()
{
    static const std::vector<Case> all = {
        {"whole numbers in their ranges",
         codeList({1000, 2000, 3000, 4000, 5000, 6000, 7000, 8000}),
         {1, 3, 3, 10, 1, 3, 2, 10},
         {1, 2, 1, 3, 1, 2, 5, 1},
         [](int row, const QString& f) -> QVariant {
             const int n = row * 7 + int(qHash(f) % 13);
             if (isAnswer(f))
                 return n % 5;
             return n * 37 % 1000;
         }},
        {"amounts with decimals, entered out of code order",
         codeList({9000, 1000, 5000, 3000, 7000, 2000, 8000, 4000, 6000}),
         {3, 3, 3, 1, 3, 1, 3, 3, 1},
         {1, 1, 2, 1, 1, 2, 1, 1, 2},
         [](int row, const QString& f) -> QVariant {
             // Large and small amounts mixed, so the order of the additions shows in the total.
             const double amounts[] = {0.5, 1e16, -1e16, 0.25, 3.75, 0.125, 1e16, -1e16, 2.5};
             if (isAnswer(f))
                 return (row + f.size()) % 3;
             return amounts[row];
         }},
        {"values outside the ranges, NULLs and codes that match nothing",
         {110000001000LL, QVariant(), 0, -5, 110000002500LL, 110000004000LL, 110000006000LL, 110000008500LL},
         {3, 3, 1, 3, QVariant(), 0, -1, 99},
         {1, QVariant(), 2, 1, 9, 1, 2, 1},
         [](int row, const QString& f) -> QVariant {
             const QVariant odd[] = {-3, 5, 2.5, 7, -1, QVariant(), 6, 4.5, 0, 3};
             const int n = row + int(qHash(f) % 10);
             if (isAnswer(f))
                 return odd[n % 10];
             return n % 4 == 0 ? QVariant() : QVariant(n % 3 == 0 ? -n * 11.25 : n * 13.0);
         }},
        {"whole numbers whose terms leave 64 bits",
         codeList({1000, 2000, 3000, 4000}),
         {3, 3, 1, 3},
         {1, 1, 1, 2},
         [](int row, const QString& f) -> QVariant {
             const qint64 big[] = {3037000500LL, -3037000500LL, 4611686018427387904LL, -9223372036854775807LL - 1};
             if (isAnswer(f))
                 return big[(row + f.size()) % 4];
             return row;
         }},
        {"texts in number columns",
         codeList({1000, 2000, 3000}),
         {3, 3, 1},
         {1, 1, 1},
         [](int row, const QString& f) -> QVariant {
             if (f == "z003" && row == 1)
                 return "abc";
             if (f == "b039" && row == 0)
                 return "";
             return row + 1;
         },
         false,
         true},
        {"a total beyond 64 bits",
         codeList({1000, 2000, 3000}),
         {3, 3, 3},
         {1, 1, 1},
         [](int, const QString& f) -> QVariant { return f == "p002" ? QVariant(9223372036854775000LL) : QVariant(1); },
         true},
    };
    return all;
}

// Counts the statements that read dt_data while `work` runs.
int readingsOfTheReturns(Connection& db, const std::function<void()>& work)
{
    int count = 0;
    sqlite3_trace_v2(
        db.handle(), SQLITE_TRACE_STMT,
        [](unsigned, void* context, void* statement, void*) {
            const char* sql = sqlite3_sql(static_cast<sqlite3_stmt*>(statement));
            if (sql && QString::fromUtf8(sql).contains("dt_data", Qt::CaseInsensitive))
                ++*static_cast<int*>(context);
            return 0;
        },
        &count);
    work();
    sqlite3_trace_v2(db.handle(), 0, nullptr, nullptr);
    return count;
}

class SumReadingTest : public ::testing::Test {
protected:
    TestEnvironment env;
    qint64 grouping = 0;     // overlapping items, a real bound, a NULL bound, an empty item
    qint64 textBound = 0;    // an item whose bound is a text
    Connection& db() { return SysConnection(); }

    void SetUp() override
    {
        ASSERT_EQ(OpenWorkingDatabase().status, OpenDatabaseResult::Opened);
        grouping = CreateGrouping(db(), "交叠");
        const char* items =
            "insert into DT_GroupItem (GroupID, Title, LowBoundary, HighBoundary, LowSymbol, HighSymbol) values "
            "(?1, '前', 110000000000, 110000005000, '>=', '<'), (?1, '后', 110000002000, 110000009000, '>', '<='), "
            "(?1, '半', 110000003000.5, 120000000000, '>=', '<'), (?1, '无下限', NULL, 120000000000, '>=', '<'), "
            "(?1, '空', 130000000000, 140000000000, '>=', '<'), (?1, '全', -10, 999999999999, '>', '<')";
        db().execute(items, {grouping});
        textBound = CreateGrouping(db(), "文字");
        db().execute("insert into DT_GroupItem (GroupID, Title, LowBoundary, HighBoundary, LowSymbol, HighSymbol) "
                     "values (?1, '字', 'abc', 120000000000, '>=', '<'), (?1, '数', 1, 120000000000, '>=', '<')",
                     {textBound});
    }

    void fill(const Case& c)
    {
        db().execute("delete from dt_data");
        const QStringList fields = summedFields();
        QStringList marks;
        for (int i = 1; i <= 8 + fields.size(); ++i)
            marks << QString("?%1").arg(i);
        const QString sql = "insert into dt_data (c901, c902, c903, c904, c905, c906, c907, RecordState, " +
                            fields.join(',') + ") values (" + marks.join(',') + ")";
        for (size_t row = 0; row < c.codes.size(); ++row) {
            QVariantList values{c.codes[row], "工会", 110101, c.levels[row], "张", "1", c.states[row], 1};
            for (const QString& f : fields)
                values << c.value(int(row), f);
            db().execute(sql, values);
        }
    }

    static QString show(const QVariant& v)
    {
        if (!v.isValid() || v.isNull())
            return "NULL";
        return QString("%1:%2").arg(v.typeName()).arg(v.toString());
    }
    // The same value: the same type, and for reals the same bits.
    static bool same(const QVariant& a, const QVariant& b)
    {
        if (a.isNull() || b.isNull())
            return a.isNull() == b.isNull();
        if (a.typeId() != b.typeId())
            return false;
        if (a.typeId() == QMetaType::Double) {
            const double x = a.toDouble(), y = b.toDouble();
            return std::memcmp(&x, &y, sizeof x) == 0;
        }
        return a == b;
    }

    // The one reading against the statements, sheet by sheet and cell by cell.
    void compareWithStatements(const Case& c, SumKind kind, qint64 groupId, const QString& what,
                               bool numbersOnly = true)
    {
        QVector<int> sheets;
        for (int s = 1; s <= 27; ++s)
            sheets << s;
        QMap<int, SumSheetRows> read;
        QString readError;
        const int readings = readingsOfTheReturns(db(), [&] {
            try {
                read = ComputeSumSheets(db(), sheets, kind, groupId);
            } catch (const DbError& e) {
                readError = e.message();
            }
        });
        // One reading, or two when sheets summed in the file's order need it; the statements (one
        // per sheet or item) only for what the reading leaves to them.
        if (c.texts || !numbersOnly)
            EXPECT_GT(readings, 2) << what.toStdString();
        else if (!c.fails)
            EXPECT_LE(readings, 2) << what.toStdString();
        for (int sheet = kFirstSumSheet; sheet <= kLastSumSheet; ++sheet) {
            SCOPED_TRACE((what + QString(" sheet %1").arg(sheet)).toStdString());
            SumSheetRows expected;
            QString statementError;
            try {
                expected = ComputeSumSheetByStatements(db(), sheet, kind, groupId);
            } catch (const DbError& e) {
                statementError = e.message();
            }
            if (!statementError.isEmpty() || !readError.isEmpty()) {
                EXPECT_TRUE(c.fails);
                EXPECT_FALSE(readError.isEmpty());
                if (!statementError.isEmpty())
                    EXPECT_EQ(readError, statementError);
                continue;
            }
            ASSERT_TRUE(read.contains(sheet));
            const SumSheetRows& got = read[sheet];
            EXPECT_EQ(got.columns, expected.columns);
            ASSERT_EQ(got.rows.size(), expected.rows.size());
            for (int r = 0; r < expected.rows.size(); ++r) {
                EXPECT_EQ(got.rows[r].label, expected.rows[r].label);
                ASSERT_EQ(got.rows[r].values.size(), expected.rows[r].values.size());
                for (int v = 0; v < expected.rows[r].values.size(); ++v)
                    EXPECT_TRUE(same(got.rows[r].values[v], expected.rows[r].values[v]))
                        << "row " << r << " " << expected.columns.value(v).toStdString() << ": read "
                        << show(got.rows[r].values[v]).toStdString() << ", statement "
                        << show(expected.rows[r].values[v]).toStdString();
            }
        }
        EXPECT_FALSE(read.contains(1) || read.contains(26) || read.contains(27));
    }
};

TEST_F(SumReadingTest, EveryCellEqualsTheStatementsValueAndType)
{
    for (const Case& c : cases()) {
        SCOPED_TRACE(c.name);
        fill(c);
        compareWithStatements(c, SumKind::Level, 0, "by level");
        compareWithStatements(c, SumKind::State, 0, "by state");
        compareWithStatements(c, SumKind::Group, grouping, "by overlapping items");
        compareWithStatements(c, SumKind::Group, textBound, "by an item with a text bound", false);
        compareWithStatements(c, SumKind::Group, 0, "by the items of every grouping", false);
    }
}

// The case with decimals out of code order is only a test if the order of the additions shows:
// the level-3 returns' b039 (sheet 9, summed in the file's order) and b014 (sheet 7, summed in
// code order) give other totals in the other order.
TEST_F(SumReadingTest, TheDecimalCaseDependsOnTheOrderOfTheAdditions)
{
    const Case& c = cases()[1];
    for (const char* field : {"b039", "b014"}) {
        std::vector<std::pair<qint64, double>> level3; // (code, value) in the file's order
        for (size_t row = 0; row < c.codes.size(); ++row)
            if (c.levels[row].toInt() == 3)
                level3.push_back({c.codes[row].toLongLong(), c.value(int(row), field).toDouble()});
        double fileOrder = 0;
        for (const auto& [code, v] : level3)
            fileOrder += v;
        std::sort(level3.begin(), level3.end());
        double codeOrder = 0;
        for (const auto& [code, v] : level3)
            codeOrder += v;
        EXPECT_NE(fileOrder, codeOrder) << field;
    }
}

TEST_F(SumReadingTest, TheWholeSummaryReadsTheReturnsOnce)
{
    fill(cases()[0]);
    QVector<int> all;
    for (int s = 1; s <= 27; ++s)
        all << s;
    for (auto [kind, group] : {std::pair{SumKind::Level, qint64(0)}, std::pair{SumKind::State, qint64(0)},
                               std::pair{SumKind::Group, grouping}}) {
        SCOPED_TRACE(int(kind));
        SummaryRequest request{kind, group, SumListTicking(all)};
        const QString templatePath = QDir(env.programFolder()).filePath(SumTemplateFileName());
        EXPECT_EQ(readingsOfTheReturns(db(), [&] { WriteSummaryWorkbook(db(), templatePath, request, env.path("s.xlsx")); }), 1);
    }
    // Decimals out of code order: the sheets summed in the file's order are read once more.
    fill(cases()[1]);
    EXPECT_EQ(readingsOfTheReturns(db(), [&] { ComputeSumSheets(db(), all, SumKind::Level, 0); }), 2);
    EXPECT_EQ(readingsOfTheReturns(db(), [&] { ComputeSumSheets(db(), all, SumKind::Group, grouping); }), 1);
}
} // namespace
