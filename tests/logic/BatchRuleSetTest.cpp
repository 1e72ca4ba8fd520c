#include "base/Gbk.h"
#include "db/Connection.h"
#include "db/DbError.h"
#include "db/SqlFunctions.h"
#include "db/Statement.h"
#include "logic/BatchRuleSet.h"
#include "support/TestEnvironment.h"

#include <QFile>
#include <QHash>
#include <QRegularExpression>
#include <gtest/gtest.h>

#include <random>
#include <set>

namespace {
using Values = QHash<QString, QVariant>;
using CheckNumbers = std::set<int>;

// "z010=1 z011=5" -> the values table.
Values parseValues(const QString& text)
{
    Values values;
    for (const QString& pair : text.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        const QStringList kv = pair.split(QLatin1Char('='));
        values.insert(kv[0].toLower(), QVariant(kv[1].toDouble()));
    }
    return values;
}

CheckNumbers failingChecks(const RecordValues& values)
{
    CheckNumbers out;
    for (const BatchCheck& check : BatchChecks())
        if (check.fails(values))
            out.insert(check.number);
    return out;
}

// Stands in for the caption renderer: marks the template so a test sees it was rendered.
QString markTemplate(const QString& text)
{
    return QStringLiteral("说明<") + text + QStringLiteral(">");
}

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Puts each field's value in place of its name in a stored rule's expression.
QString substitute(const QString& expression, const QHash<QString, int>& values)
{
    static const QRegularExpression field(QStringLiteral("\\b[a-z][0-9]{3}\\b"),
                                          QRegularExpression::CaseInsensitiveOption);
    QString out;
    qsizetype at = 0;
    for (auto it = field.globalMatch(expression); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        out += expression.mid(at, m.capturedStart() - at);
        out += QString::number(values.value(m.captured().toLower()));
        at = m.capturedEnd();
    }
    return out + expression.mid(at);
}

class BatchRuleSet : public ::testing::Test {
protected:
    TestEnvironment env;
    Connection db;
    QStringList indicators; // the fields of pages 1 to 13

    void SetUp() override
    {
        db.open(env.systemDataFile());
        static const QRegularExpression cover(QStringLiteral("^c90[1-7]$|^RecordState$"));
        for (const QString& column : db.columnNames("dt_data"))
            if (!cover.match(column).hasMatch())
                indicators << column;
    }

    // Stores a return: every indicator and c904 are 0 unless given, or, with zeroFill off,
    // only the given fields are set and the others stay empty.
    void storeReturn(double code, const Values& values, bool zeroFill = true)
    {
        Values row;
        if (zeroFill) {
            for (const QString& name : indicators)
                row.insert(name, 0);
            row.insert("c904", 0);
        }
        for (auto it = values.begin(); it != values.end(); ++it)
            row.insert(it.key(), it.value());
        row.insert("c901", code);
        QStringList columns, marks;
        QVariantList params;
        for (auto it = row.begin(); it != row.end(); ++it) {
            columns << it.key();
            marks << "?";
            params << it.value();
        }
        db.execute("insert into dt_data (" + columns.join(',') + ") values (" + marks.join(',') + ")", params);
    }

    // Stores one return alone and reads it back as the batch check does.
    RecordValues readReturn(const Values& values, bool zeroFill = true)
    {
        db.execute("delete from dt_data");
        storeReturn(110101000001.0, values, zeroFill);
        RowSet rows = db.query("select * from dt_data");
        rows.first();
        return BatchRecordReader(rows).read(rows);
    }

    // The same, read from the engine's statement as a batch run reads it.
    RecordValues readReturnFromStatement(const Values& values, bool zeroFill = true)
    {
        db.execute("delete from dt_data");
        storeReturn(110101000001.0, values, zeroFill);
        Statement statement(db.handle(), "select * from dt_data");
        EXPECT_TRUE(statement.step());
        RecordValues read;
        BatchRecordReader(statement).read(statement, read);
        return read;
    }
};
} // namespace

TEST_F(BatchRuleSet, TableHoldsTheTextsOfTheDeliveredRules)
{
    RowSet rules = db.query("select * from dt_logic order by ID");
    const std::vector<BatchCheck>& checks = BatchChecks();
    ASSERT_EQ(rules.recordCount(), 140);
    ASSERT_EQ(checks.size(), 140u);
    int previousPage = 1;
    for (size_t i = 0; i < checks.size(); ++i, rules.next()) {
        const BatchCheck& check = checks[i];
        EXPECT_EQ(check.number, int(i) + 1);
        EXPECT_EQ(check.page, rules.toInt("page_id")) << check.number;
        EXPECT_GE(check.page, previousPage) << check.number;
        EXPECT_EQ(check.expression, rules.text("rule")) << check.number;
        EXPECT_EQ(check.description, rules.text("explain")) << check.number;
        previousPage = check.page;
    }
    EXPECT_EQ(previousPage, 13);
}

TEST_F(BatchRuleSet, EveryCheckFailsAndPassesOnItsCase)
{
    QFile file(QStringLiteral(TALLYRA_FIXTURES_DIR) + "/rule_cases.tsv");
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    QStringList lines = QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts);
    lines.removeFirst();
    ASSERT_EQ(lines.size(), 140);
    Transaction scratch(db); // never committed: saves a disk sync per stored case
    for (const QString& line : lines) {
        const QStringList cells = line.split('\t');
        const int no = cells[0].toInt();
        ASSERT_TRUE(no >= 1 && no <= 140);
        const BatchCheck& check = BatchChecks()[no - 1];
        EXPECT_TRUE(check.fails(readReturn(parseValues(cells[1])))) << no << " fails with " << cells[1].toStdString();
        EXPECT_FALSE(check.fails(readReturn(parseValues(cells[2]))))
            << no << " passes with " << cells[2].toStdString();
    }
}

TEST_F(BatchRuleSet, EmptyReturnFailsOnlyTheSumAndTheLevelCheck)
{
    const RecordValues empty = readReturn({}, false);
    EXPECT_EQ(failingChecks(empty), (CheckNumbers{6, 16}));
}

TEST_F(BatchRuleSet, WholeFieldsRoundHalvesToEvenAndRealsKeepTheirFraction)
{
    struct WholeCase {
        const char* field;
        QVariant stored;
        qint64 RecordValues::*member;
        qint64 expected;
    } wholeCases[] = {
        {"z001", 2.5, &RecordValues::z001, 2},
        {"z001", 3.5, &RecordValues::z001, 4},
        {"z001", -2.5, &RecordValues::z001, -2},
        {"z001", 2.6, &RecordValues::z001, 3},
        {"b012", 0.4, &RecordValues::b012, 0},
        {"c904", 0.5, &RecordValues::c904, 0},
        {"c904", 1.5, &RecordValues::c904, 2},
        {"c021", 123456789012LL, &RecordValues::c021, 123456789012LL},
        {"x001", QVariant(), &RecordValues::x001, 0},
    };
    for (const WholeCase& c : wholeCases)
        EXPECT_EQ(readReturn({{c.field, c.stored}}, false).*c.member, c.expected)
            << c.field << " " << c.stored.toString().toStdString();

    struct RealCase {
        const char* field;
        QVariant stored;
        double RecordValues::*member;
        double expected;
    } realCases[] = {
        {"b014", 0.4, &RecordValues::b014, 0.4},
        {"j018", 2.5, &RecordValues::j018, 2.5},
        {"b049", 7, &RecordValues::b049, 7.0},
        {"j021", QVariant(), &RecordValues::j021, 0.0},
    };
    for (const RealCase& c : realCases)
        EXPECT_EQ(readReturn({{c.field, c.stored}}, false).*c.member, c.expected) << c.field;
}

TEST_F(BatchRuleSet, ChecksFollowTheirFailureTestsNotTheRuleText)
{
    struct Case {
        const char* values;
        int check;
        bool fails;
    } cases[] = {
        {"b013=2 b014=0.4", 25, true},         // b014 is read as a real
        {"b011=2 b012=0.4", 36, false},        // b012 is read as a whole number: 0
        {"b011=2 b012=0.6", 36, true},         // ... and 0.6 becomes 1
        {"j016=1 j017=2 j018=2.5", 90, false}, // 2.5 > 2 compared as reals
        {"j016=1 j017=2 j018=2.4", 90, false},
        {"j016=1 j017=3 j018=2.5", 90, true},
        {"z010=1 z013=0 z014=0", 9, true},
        {"z010=1 z013=0 z014=0", 10, false},
        {"z010=2 z013=3", 10, true},
        {"z010=2 z013=3", 9, false},
        {"f023=2 f024=-1", 79, false},         // only a value above 0 trips the check
        {"f023=2 f024=1", 79, true},
        {"x001=-1 x003=-1", 17, false},        // x001+x003 is not 0, yet only x003 > 0 counts
        {"x001=-1 x003=-1", 18, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(BatchChecks()[c.check - 1].fails(readReturn(parseValues(c.values))), c.fails)
            << c.check << " with " << c.values;
    // Checks 9 and 10 halve one rule and report its one text.
    EXPECT_EQ(BatchChecks()[8].expression, BatchChecks()[9].expression);
    // The rule text of No. 79 is broken by a negative f024, the check is not.
    const QString rule = BatchChecks()[78].expression;
    EXPECT_EQ(ToJetTruth(db.scalar("select " + substitute(rule, {{"f023", 2}, {"f024", -1}}) + " as rt")), 0);
}

TEST_F(BatchRuleSet, MissingColumnEndsTheRead)
{
    storeReturn(110101000001.0, {});
    RowSet rows = db.query("select c901, c902, z001 from dt_data");
    rows.first();
    EXPECT_THROW(BatchRecordReader{rows}, DbError);
}

TEST_F(BatchRuleSet, ReportEntriesOfOneRecordFollowOneHeader)
{
    // z003 > z001 and x002 > x001 break; everything else holds.
    const RecordValues values =
        readReturn(parseValues("z001=1 z003=2 z004=1 z008=2 z009=2 x001=1 x002=2 x003=1"));
    ASSERT_EQ(failingChecks(values), (CheckNumbers{1, 12}));

    RuleReport report(env.path("report.txt"));
    report.setRecord(110101000001.0, QStringLiteral("北京市东城区总工会"));
    EXPECT_FALSE(CheckRecordRules(values, report, markTemplate));

    const QString expected = QStringLiteral("110101000001  北京市东城区总工会的数据有错误\r\n")
                             + QString(80, '-') + QStringLiteral("\r\n"
                                                                 "  判断规则：z003<=z001\r\n"
                                                                 "  规则说明：说明<z003[<=]z001>\r\n"
                                                                 "\r\n"
                                                                 "  判断规则：x002<=x001\r\n"
                                                                 "  规则说明：说明<x002[<=]x001>\r\n"
                                                                 "\r\n");
    EXPECT_EQ(readFile(report.fileName()), GbkEncode(expected));
    EXPECT_EQ(report.failureCount(), 2);
}

TEST_F(BatchRuleSet, PassingRecordWritesNothingAndEachFailingRecordGetsItsHeader)
{
    const RecordValues passing = readReturn(parseValues("z001=1 z004=1 x001=1 x003=1"));
    const RecordValues failing = readReturn(parseValues("z001=1 z003=2 z004=1 x001=1 x003=1"));
    ASSERT_TRUE(failingChecks(passing).empty());
    ASSERT_EQ(failingChecks(failing), (CheckNumbers{1}));

    RuleReport report(env.path("report.txt"));
    report.setRecord(1, QStringLiteral("甲"));
    EXPECT_TRUE(CheckRecordRules(passing, report, markTemplate));
    EXPECT_FALSE(QFile::exists(report.fileName()));

    const QString header2 = QStringLiteral("2  乙的数据有错误\r\n") + QString(80, '-') + QStringLiteral("\r\n");
    const QString header3 = QStringLiteral("3  丙的数据有错误\r\n") + QString(80, '-') + QStringLiteral("\r\n");
    const QString entry = QStringLiteral("  判断规则：z003<=z001\r\n  规则说明：说明<z003[<=]z001>\r\n\r\n");
    report.setRecord(2, QStringLiteral("乙"));
    EXPECT_FALSE(CheckRecordRules(failing, report, markTemplate));
    report.setRecord(3, QStringLiteral("丙"));
    EXPECT_FALSE(CheckRecordRules(failing, report, markTemplate));
    report.WriteRuleFailure(QStringLiteral("甲<=乙"), QStringLiteral("又一项"));
    EXPECT_TRUE(report.recordFailed());
    report.setRecord(4, QStringLiteral("丁"));
    EXPECT_TRUE(CheckRecordRules(passing, report, markTemplate));

    EXPECT_EQ(readFile(report.fileName()),
              GbkEncode(header2 + entry + header3 + entry
                        + QStringLiteral("  判断规则：甲<=乙\r\n  规则说明：又一项\r\n\r\n")));
    EXPECT_EQ(report.failureCount(), 3);
}

TEST_F(BatchRuleSet, ReportThatCannotBeWrittenRaisesAnError)
{
    RuleReport report(env.path("no such folder/report.txt"));
    report.setRecord(1, QStringLiteral("甲"));
    EXPECT_THROW(report.WriteRuleFailure("a<=b", "a[<=]b"), ReportFileError);
    EXPECT_EQ(report.failureCount(), 0);
}

TEST_F(BatchRuleSet, RandomReturnsBreakTheSameChecksAsTheDeliveredRules)
{
    QStringList expressions;
    RowSet rules = db.query("select expression from dt_logic order by ID");
    for (rules.first(); !rules.eof(); rules.next())
        expressions << rules.text("expression");
    ASSERT_EQ(expressions.size(), 140);

    const int returnCount = 2000;
    std::mt19937 random(20120401);
    std::uniform_int_distribution<int> small(0, 5), level(0, 10);
    std::vector<QHash<QString, int>> stored;
    {
        Transaction transaction(db);
        for (int i = 0; i < returnCount; ++i) {
            QHash<QString, int> values;
            Values row;
            for (const QString& name : indicators)
                values.insert(name, small(random));
            values.insert("c904", level(random));
            for (auto it = values.begin(); it != values.end(); ++it)
                row.insert(it.key(), it.value());
            storeReturn(110101000000.0 + i, row, false);
            stored.push_back(values);
        }
        transaction.commit();
    }

    RowSet rows = db.query("select * from dt_data order by c901");
    ASSERT_EQ(rows.recordCount(), returnCount);
    const BatchRecordReader reader(rows);
    std::vector<int> failures(140, 0);
    int i = 0;
    for (rows.first(); !rows.eof(); rows.next(), ++i) {
        const CheckNumbers batch = failingChecks(reader.read(rows));
        CheckNumbers delivered;
        for (int r = 0; r < expressions.size(); ++r) {
            const QVariant rt = db.scalar("select " + substitute(expressions[r], stored[i]) + " as rt");
            if (ToJetTruth(rt) == -1)
                delivered.insert(r + 1);
        }
        ASSERT_EQ(batch, delivered) << "return " << i;
        for (int no : batch)
            ++failures[no - 1];
    }
    // The sample is only telling when every check both broke and held somewhere in it.
    for (int no = 1; no <= 140; ++no) {
        EXPECT_GT(failures[no - 1], 0) << no;
        EXPECT_LT(failures[no - 1], returnCount) << no;
    }
}

TEST(BatchRuleSetProducts, LargeValuesDoNotOverflowTheProductTests)
{
    // Increasing positive counts whose product exceeds 64 bits hold check 85.
    RecordValues r;
    r.h003 = 60000;
    r.h004 = 2500000;
    r.h005 = 90000000;
    r.c904 = 10;
    r.z001 = 1;
    EXPECT_FALSE(failingChecks(r).contains(85));
    r.h004 = 0;
    EXPECT_TRUE(failingChecks(r).contains(85));
    // z015 × z016 > 0 with large values: check 11 holds when z010 is yes and z016 > z015.
    RecordValues z;
    z.z001 = 1;
    z.c904 = 10;
    z.z010 = 1;
    z.z013 = 1;
    z.z015 = 4000000000;
    z.z016 = 5000000000;
    EXPECT_FALSE(failingChecks(z).contains(11));
}

TEST_F(BatchRuleSet, ValuesBeyondSixtyFourBitsCompareAsTheNumbersTheyAre)
{
    const QString base = "z001=1 z004=1 x001=1 x003=1 ";
    struct Case {
        QString values;
        int check;
        bool fails;
    } cases[] = {
        {base + "x002=1e19", 12, true},    // x002<=x001 with x002 beyond 64 bits
        {base + "x001=-1e19", 17, false},  // x001 = 0 and x003 > 0 does not hold
        {base + "x001=-1e19", 18, false},
        {base + "x002=-1e19", 12, false},
        {"z001=5e18 z004=5e18 z008=5e18 x001=1 x003=1", 6, false},  // z001+z008 = 1e19 > 0
        {"z001=5e18 z004=5e18 z008=5e18 x001=1 x003=1", 60, false}, // f021 <= 1e19
        {"z001=5e18 z004=5e18 z008=5e18 x001=1 x003=1 f021=9e18", 60, false},
        {"z001=5e18 z004=5e18 z008=5e18 x001=1 x003=1", 5, false},
        {"z001=9e18 z004=5e18 z005=4e18 x001=1 x003=1", 5, false},  // 5e18 + 4e18 = 9e18
        {"z001=-5e18 z008=-5e18 z004=-5e18 x001=1 x003=1", 6, true}, // the sum is -1e19
    };
    for (const Case& c : cases) {
        const Values values = parseValues(c.values);
        EXPECT_EQ(failingChecks(readReturn(values)).count(c.check) == 1, c.fails)
            << c.values.toStdString() << " check " << c.check << " (row set)";
        EXPECT_EQ(failingChecks(readReturnFromStatement(values)).count(c.check) == 1, c.fails)
            << c.values.toStdString() << " check " << c.check << " (statement)";
    }
}

TEST_F(BatchRuleSet, TheStatementReaderReadsWhatTheRowSetReaderReads)
{
    const Values values = parseValues("z001=2.5 z003=3.5 b014=0.4 j018=2.5 x001=-2.5 c904=1.5 c021=123456789012");
    const RecordValues a = readReturn(values, false);
    const RecordValues b = readReturnFromStatement(values, false);
    EXPECT_EQ(failingChecks(a), failingChecks(b));
    EXPECT_EQ(a.z001, b.z001);
    EXPECT_EQ(a.z003, b.z003);
    EXPECT_EQ(a.x001, b.x001);
    EXPECT_EQ(a.c904, b.c904);
    EXPECT_EQ(a.c021, b.c021);
    EXPECT_EQ(a.b014, b.b014);
    EXPECT_EQ(a.j018, b.j018);
    EXPECT_EQ(b.c021, 123456789012LL);
    EXPECT_EQ(b.x001, -2);
}
