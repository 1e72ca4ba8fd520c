// The list of expected units: text files and database files from elsewhere, and storing.
#include "ExchangeFixture.h"

#include "base/Gbk.h"
#include "exchange/ExpectedUnits.h"
#include "exchange/PackageExport.h"
#include "exchange/PackageFile.h"

#include <QCryptographicHash>

namespace {
QString makeCountyDatabase(const TestEnvironment& env, const QString& name, qint64 first, int count)
{
    const QString county = env.path(name + ".mdb");
    CopyDeliveredDatabase(county);
    Connection db;
    db.open(county);
    AddReturns(db, first, count);
    return county;
}

QString names(const ExpectedReading& r)
{
    QStringList s;
    for (const ExpectedUnit& u : r.units)
        s << QString::number(u.code % 1000) + (u.name.isEmpty() ? QString() : ":" + u.name);
    return s.join(' ');
}

QByteArray hashOf(const QString& path)
{
    return QCryptographicHash::hash(ReadAll(path), QCryptographicHash::Sha256);
}

qint64 listed()
{
    return SysConnection().scalar("select count(*) from ct_expected").toLongLong();
}
} // namespace

using ExpectedUnitsTest = ExchangeTest;

// Every kind of line a text file from elsewhere can hold: units read, lines skipped with their
// message, files refused.
TEST_F(ExpectedUnitsTest, TextFilesOnATableOfCases)
{
    const QByteArray utf8 = "110101000001\t东城区总工会\n110101000002,西城区总工会\r\n110101000003\n";
    const QString longName = QString(31, QChar(0x4E00));
    const struct {
        const char* name;
        QByteArray bytes;
        const char* units;
        QStringList problems;
        bool refused;
    } cases[] = {
        {"UTF-8, tab, comma, CR LF, no name", utf8, "1:东城区总工会 2:西城区总工会 3", {}, false},
        {"GBK", GbkEncode(QString::fromUtf8(utf8)), "1:东城区总工会 2:西城区总工会 3", {}, false},
        {"UTF-8 with its byte-order mark", "\xEF\xBB\xBF" + utf8, "1:东城区总工会 2:西城区总工会 3", {}, false},
        {"quoted fields of a spreadsheet", "\"110101000001\",\"东城区, 总工会\"\n", "1:东城区, 总工会", {}, false},
        {"blank lines and blanks", "\n   \n  110101000001 ,  东城区  \n\n", "1:东城区", {}, false},
        {"wrong codes",
         "11010100000\n011010100000\n1101010000012\n编码,名称\n110101000001\n",
         "1",
         {"第1行：“11010100000”不是12位的工会统计编码", "第2行：“011010100000”不是12位的工会统计编码",
          "第3行：“1101010000012”不是12位的工会统计编码", "第4行：“编码”不是12位的工会统计编码"},
         false},
        {"bytes of neither encoding", GbkEncode("110101000001,东城区\n") + "110101000002,\xFF\xFE\xFF\n110101000003\n",
         "1:东城区 3", {"第2行：有既不是GBK也不是UTF-8的字节"}, false},
        {"a huge line", "110101000001," + QByteArray(600, 'x') + "\n110101000002\n", "2", {"第1行：一行超过512个字节"}, false},
        {"a name too long", ("110101000001," + longName + "\n110101000002\n").toUtf8(), "2",
         {"第1行：单位名称超过60个字节（30个汉字）：“" + longName.left(24) + "…”"}, false},
        {"control characters", "110101000001,东\x01城\n110101000002\n", "2", {"第1行：单位名称中有控制字符"}, false},
        {"characters GBK cannot hold", "110101000001,东城\xF0\x9F\x98\x80\n", "", {"第1行：单位名称“东城😀”中有GBK不能表示的字符"}, true},
        {"a code twice", "110101000001,甲\n110101000001,乙\n", "1:甲", {"第2行：编码110101000001与第1行重复"}, false},
        {"NUL bytes", QByteArray("110101000001\n\0\0\0", 16), "", {}, true},
        {"nothing but a heading", "编码,名称\n", "", {"第1行：“编码”不是12位的工会统计编码"}, true},
        {"an empty file", "", "", {}, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const ExpectedReading r = ReadExpectedText(c.bytes, "文本文件：units.txt");
        EXPECT_EQ(names(r), c.units);
        EXPECT_EQ(r.problems, c.problems);
        EXPECT_EQ(r.problemCount, c.problems.size());
        EXPECT_EQ(!r.ok(), c.refused) << r.error.toStdString();
        if (c.refused)
            EXPECT_TRUE(r.units.isEmpty());
    }
}

TEST_F(ExpectedUnitsTest, AFileTooLargeIsRefusedAndManyBadLinesAreCountedNotAllListed)
{
    const QString big = env.path("big.txt");
    {
        QFile f(big);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        ASSERT_TRUE(f.resize(kExpectedTextLimit + 1)); // sparse: no disk is used
    }
    const ExpectedReading tooLarge = ReadExpectedTextFile(big);
    EXPECT_EQ(tooLarge.error, "文件超过64MB，不是应报单位名单");
    EXPECT_TRUE(tooLarge.units.isEmpty());
    EXPECT_EQ(ReadExpectedTextFile(env.path("nowhere.txt")).error, "您选择的文件并不存在，请选择其它文件。");

    QByteArray bytes;
    for (int i = 0; i < 1000; ++i)
        bytes += "x\n";
    bytes += "110101000001\n";
    const ExpectedReading many = ReadExpectedText(bytes, "t");
    EXPECT_EQ(many.units.size(), 1);
    EXPECT_EQ(many.problemCount, 1000);
    EXPECT_EQ(many.problems.size(), kProblemsListed);
    const QString text = ExpectedProblemsText(many, 3);
    EXPECT_EQ(text, "有1000行（条）没有读入：\n第1行：“x”不是12位的工会统计编码\n第2行：“x”不是12位的工会统计编码\n"
                    "第3行：“x”不是12位的工会统计编码\n……");
}

TEST_F(ExpectedUnitsTest, ADatabaseFileOrAPackageGivesItsReturnsCodesNamesAndDivisions)
{
    const QString county = makeCountyDatabase(env, "county", 110101000001, 3);
    const QString package = env.path("county.dat");
    {
        Connection db;
        db.open(county);
        db.execute("update dt_data set c903 = 110102 where c901 = 110101000002");
        ASSERT_EQ(WritePackage(db, PackageTemplatePath(), package, "某县总工会").error, "");
    }
    for (const QString& file : {county, package}) {
        const QByteArray before = hashOf(file);
        const ExpectedReading r = ReadExpectedFile(SysConnection(), file);
        ASSERT_TRUE(r.ok()) << r.error.toStdString();
        EXPECT_EQ(names(r), "1:某区工会0 2:某区工会1 3:某区工会2");
        EXPECT_EQ(r.units[0].division, QVariant(110101));
        EXPECT_EQ(r.units[1].division, QVariant(110102));
        EXPECT_EQ(hashOf(file), before); // the chosen file is never changed
    }
    EXPECT_EQ(ReadExpectedFile(SysConnection(), package).source, "数据库文件：county.dat【某县总工会】");
    EXPECT_EQ(ReadExpectedFile(SysConnection(), county).source, "数据库文件：county.mdb【默认数据库】");
    // A text file named .dat is read as a database file, and refused as one.
    const QString fake = env.path("fake.dat");
    WriteAll(fake, "110101000001\n");
    EXPECT_FALSE(ReadExpectedFile(SysConnection(), fake).ok());
    // A text file that starts like nothing else is read as text.
    const QString text = env.path("list.csv");
    WriteAll(text, "\"110101000001\",\"东城区\"\n");
    EXPECT_EQ(names(ReadExpectedFile(SysConnection(), text)), "1:东城区");
}

// Database files from elsewhere that must not be trusted: each is refused with a message or read
// for what it holds; the working database and the file stay as they were and nothing of the file runs.
TEST_F(ExpectedUnitsTest, HostileDatabaseFilesAreRefusedOrReadSafely)
{
    const struct {
        const char* name;
        const char* script;
        bool mustRefuse;
    } cases[] = {
        {"dt_data is a view", "ALTER TABLE dt_data RENAME TO d2; CREATE VIEW dt_data AS SELECT * FROM d2;", true},
        {"a CHECK constraint", "", false},
        {"WAL mode", "PRAGMA journal_mode=WAL;", false},
        {"a trigger and a view over the table",
         "CREATE TABLE log (x); CREATE TRIGGER t AFTER UPDATE ON dt_data BEGIN INSERT INTO log VALUES (1); END;"
         "CREATE VIEW v AS SELECT count(*) FROM dt_data;",
         false},
        {"cut short inside its last page", "", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QString file = makeCountyDatabase(env, QString("hostile%1").arg(&c - cases), 110101000001, 200);
        {
            Connection db;
            db.open(file);
            if (QString(c.name) == "a CHECK constraint") {
                const QString create = db.scalar("select sql from sqlite_master where name='dt_data'").toString();
                db.executeScript("ALTER TABLE dt_data RENAME TO d2;" + QString(create).replace(
                                     "\"c901\" NUMERIC", "\"c901\" NUMERIC CHECK (c901 > 0)") +
                                 "; INSERT INTO dt_data SELECT * FROM d2; DROP TABLE d2;");
            }
            db.executeScript(QString::fromUtf8(c.script));
        }
        if (QString(c.name).startsWith("cut short")) {
            QFile f(file);
            ASSERT_TRUE(f.resize(f.size() - 1000));
        }
        const QByteArray before = hashOf(file);
        const ExpectedReading r = ReadExpectedDatabaseFile(SysConnection(), file);
        if (c.mustRefuse || !r.ok()) {
            EXPECT_FALSE(r.ok());
            EXPECT_FALSE(r.error.isEmpty());
            EXPECT_TRUE(r.units.isEmpty());
        } else {
            EXPECT_EQ(r.units.size(), 200);
        }
        EXPECT_EQ(hashOf(file), before);
        EXPECT_EQ(listed(), 0);
        EXPECT_EQ(SysConnection().scalar("PRAGMA quick_check").toString(), "ok");
    }
}

TEST_F(ExpectedUnitsTest, AddingKeepsListedUnitsAndFillsWhatTheyLackReplacingStartsAfresh)
{
    const QDateTime first(QDate(2024, 3, 1), QTime(9, 0));
    const ExpectedReading codes = ReadExpectedText("110101000001\n110101000002,西城区总工会\n", "文本文件：a.txt");
    ExpectedStoreResult stored = StoreExpectedUnits(SysConnection(), codes, ExpectedStoreMode::Add, first);
    EXPECT_EQ(stored.error, "");
    EXPECT_EQ(stored.added, 2);
    EXPECT_EQ(stored.total, 2);

    AddReturns(SysConnection(), 110101000001, 3); // names 某区工会0.., division 110101
    const ExpectedReading present = ReadExpectedFromReturns(SysConnection());
    EXPECT_EQ(present.source, "现有数据");
    stored = StoreExpectedUnits(SysConnection(), present, ExpectedStoreMode::Add, first.addDays(1));
    EXPECT_EQ(stored.added, 1);
    EXPECT_EQ(stored.total, 3);
    RowSet rows = SysConnection().query(ExpectedListSql());
    ASSERT_EQ(rows.recordCount(), 3);
    rows.first();
    EXPECT_EQ(rows.text("c902"), "某区工会0");      // the missing name filled in
    EXPECT_EQ(rows.text("Source"), "文本文件：a.txt"); // where it came from first
    EXPECT_EQ(rows.text("DivisionName"), "北京市东城区");
    rows.next();
    EXPECT_EQ(rows.text("c902"), "西城区总工会");    // a name it had stays
    EXPECT_EQ(rows.text("AddedAt"), "2024-03-01 09:00:00");

    const ExpectedListSummary summary = ReadExpectedSummary(SysConnection());
    EXPECT_EQ(summary.units, 3);
    ASSERT_EQ(summary.sources.size(), 2);
    EXPECT_EQ(summary.sources[0].source, "现有数据");
    EXPECT_EQ(summary.sources[0].units, 1);
    EXPECT_EQ(summary.sources[1].units, 2);

    stored = StoreExpectedUnits(SysConnection(), ReadExpectedText("120101000001\n", "t"), ExpectedStoreMode::Replace);
    EXPECT_EQ(stored.added, 1);
    EXPECT_EQ(stored.total, 1);
    EXPECT_EQ(RemoveExpectedUnits(SysConnection(), {120101000001, 999999999999}), 1);
    EXPECT_EQ(listed(), 0);
}

// Returns whose codes are no union codes are left out of the list, each said.
TEST_F(ExpectedUnitsTest, PresentReturnsWithoutAProperCodeAreSkippedWithAMessage)
{
    AddReturns(SysConnection(), 110101000001, 2);
    SysConnection().execute("insert into dt_data (c901, c902) values (123, '短编码'), (110101000009.5, '小数')");
    const ExpectedReading r = ReadExpectedFromReturns(SysConnection());
    EXPECT_EQ(names(r), "1:某区工会0 2:某区工会1");
    EXPECT_EQ(r.problems, QStringList({"编码为123的单位：不是12位的工会统计编码",
                                       "编码为110101000009.5的单位：不是12位的工会统计编码"}));
}
