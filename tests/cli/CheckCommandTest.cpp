#include "base/Gbk.h"
#include "cli/BatchRun.h"
#include "db/Connection.h"
#include "db/WorkingDatabase.h"
#include "logic/BatchCheck.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>
#include <QProcess>
#include <QThread>
#include <gtest/gtest.h>

namespace {
constexpr qint64 kBase = 110101000000;

class CheckCommandTest : public ::testing::Test {
protected:
    TestEnvironment env;
    QString db;

    void SetUp() override { db = env.systemDataFile(); }

    // County unions' returns; 2 and 5 break two checks each (z003<=z001, x002<=z002+z009),
    // 4 breaks them too but reports no data (c907=3), so it is never checked.
    void fill(bool failing)
    {
        Connection c;
        c.open(db);
        auto add = [&c](qint64 code, const QString& set, int state) {
            c.execute("insert into dt_data (c901, c902, c903, c904, c905, c906, c907, RecordState, z001, "
                      "z004, x001, "
                      "x003) values (?1, ?2, 110101, 3, '张伟', '010-1', ?3, 0, 1, 1, 1, 1)",
                      {code, QStringLiteral("工会%1").arg(code % 1000), state});
            if (!set.isEmpty())
                c.execute("update dt_data set " + set + " where c901=?1", {code});
        };
        const QString broken = "z003=5, x002=3, x003=3, x001=3, z008=2";
        add(kBase + 1, "", 1);
        add(kBase + 3, "", 1);
        add(kBase + 4, broken, 3);
        if (failing) {
            add(kBase + 2, broken, 1);
            add(kBase + 5, broken, 1);
        }
    }
    static QMap<qint64, int> states(const QString& path)
    {
        Connection c;
        c.open(path, Connection::Mode::ReadOnly);
        QMap<qint64, int> result;
        RowSet rows = c.query("select c901, RecordState from dt_data order by c901");
        for (rows.first(); !rows.eof(); rows.next())
            result.insert(qint64(rows.toDouble("c901")), int(rows.toInt("RecordState")));
        return result;
    }
    QString defaultReport() const { return BatchReportPath(env.documentsFolder(), "默认数据库"); }
    // The check time the report's second line names.
    static QDateTime reportTime(const QByteArray& report)
    {
        const QString second = GbkDecode(report).split("\r\n").value(1);
        return QDateTime::fromString(second.mid(QString("#检查时间：").size()), "yyyy年MM月dd日 HH:mm");
    }
};

struct CheckCase {
    const char* name;
    bool failing;
    QStringList options; // "REPORT" stands for a report file in the scratch folder
    QString windowSql;   // the window's statement for the same run; empty: nothing is checked
    int status;
    QStringList out; // lines of standard output; "REPORT" stands for the report's path
    QString err;     // a part of standard error; empty: nothing on standard error
};
} // namespace

// Each run is compared with the window's run (RunBatchCheck on a copy of the same database,
// with the time the program wrote): same report bytes, same record states.
TEST_F(CheckCommandTest, RunsTheWindowsCheck)
{
    const QString saved = "逻辑检查结果已经保存到：REPORT";
    const std::vector<CheckCase> cases = {
        {"all returns, clean",
         false,
         {},
         AllRecordsCheckSql(),
         0,
         {"检查了2个单位的数据", "恭喜你，所检查的数据没有逻辑错误"},
         ""},
        {"all returns, two failing",
         true,
         {},
         AllRecordsCheckSql(),
         1,
         {"检查了4个单位的数据", "共有2个单位的数据存在逻辑错误！", "共有4个逻辑错误项！", saved},
         ""},
        {"a range",
         true,
         {"--from", "110101000002", "--to", "110101000004", "--report", "REPORT"},
         RangeCheckSql(kBase + 2, kBase + 4),
         1,
         {"检查了2个单位的数据", "共有1个单位的数据存在逻辑错误！", "共有2个逻辑错误项！", saved},
         ""},
        {"a range ending below its start checks the start alone",
         true,
         {"--from=110101000003", "--to=110101000001", "--report", "REPORT"},
         RangeCheckSql(kBase + 3, kBase + 3),
         0,
         {"检查了1个单位的数据", "恭喜你，所检查的数据没有逻辑错误"},
         ""},
        {"a range with one bound", true, {"--from", "110101000002"}, "", 2, {}, "请输入逻辑检查的范围"},
        {"a range with a zero bound",
         true,
         {"--from", "0", "--to", "110101000002"},
         "",
         2,
         {},
         "请输入逻辑检查的范围"},
        {"a bound that is no code",
         true,
         {"--from", "1101x", "--to", "2"},
         "",
         2,
         {},
         "单位编号只能是 12 位以内的数字：--from 1101x"},
        {"a report in a missing folder", true, {"--report", "missing/REPORT"}, "", 2, {}, "运行中发生错误："},
    };
    for (const CheckCase& c : cases) {
        SCOPED_TRACE(c.name);
        CopyDeliveredDatabase(db);
        fill(c.failing);
        const QString window = env.path("window.mdb");
        QFile::remove(window);
        ASSERT_TRUE(QFile::copy(db, window));
        const QMap<qint64, int> before = states(db);
        const QString scratchReport = env.path("report.txt");
        QFile::remove(scratchReport);
        QFile::remove(defaultReport());

        QStringList arguments = {"check", db};
        for (QString option : c.options)
            arguments << option.replace("REPORT", scratchReport);
        const BatchRun run = RunBatch(arguments);
        EXPECT_EQ(run.status, c.status);
        const QString report = c.options.contains("REPORT") ? scratchReport : defaultReport();
        EXPECT_EQ(run.out, c.out.isEmpty() ? QString() : c.out.join("\n").replace("REPORT", report) + "\n");
        if (c.err.isEmpty())
            EXPECT_EQ(run.err, "") << "no progress bar when standard error is no terminal";
        else
            EXPECT_TRUE(run.err.contains(c.err)) << run.err.toStdString();

        if (c.windowSql.isEmpty()) {
            EXPECT_EQ(states(db), before) << "nothing is checked";
            EXPECT_FALSE(QFile::exists(defaultReport()));
            continue;
        }
        const QByteArray written = FileBytes(report);
        ASSERT_FALSE(written.isEmpty());
        ASSERT_EQ(OpenWorkingDatabase(window).status, OpenDatabaseResult::Opened);
        const QString windowReport = env.path("window.txt");
        const BatchCheckResult r =
            RunBatchCheck(SysConnection(), c.windowSql, windowReport, reportTime(written), true);
        SysConnection().close();
        EXPECT_EQ(written, FileBytes(windowReport)) << "the window's report, byte for byte";
        EXPECT_EQ(states(db), states(window)) << "the window's record states";
        EXPECT_NE(states(db), before) << "the run marked returns";
        EXPECT_EQ(c.status, r.anyError() ? 1 : 0);
    }
}

TEST_F(CheckCommandTest, RangeLeavesOtherReturnsAlone)
{
    fill(true);
    const BatchRun run = RunBatch({"check", db, "--from", "110101000002", "--to", "110101000003"});
    EXPECT_EQ(run.status, 1);
    const QMap<qint64, int> after = states(db);
    EXPECT_EQ(after.value(kBase + 1), 0);
    EXPECT_EQ(after.value(kBase + 2), 2);
    EXPECT_EQ(after.value(kBase + 3), 1);
    EXPECT_EQ(after.value(kBase + 4), 0) << "reports no data";
    EXPECT_EQ(after.value(kBase + 5), 0);
}

// The report is GBK text with CR LF line ends, as another program reads it.
TEST_F(CheckCommandTest, ReportReadsAsGbkElsewhere)
{
    fill(true);
    ASSERT_EQ(RunBatch({"check", db}).status, 1);
    QProcess iconv;
    iconv.start("iconv", {"-f", "GBK", "-t", "UTF-8", defaultReport()});
    ASSERT_TRUE(iconv.waitForFinished());
    ASSERT_EQ(iconv.exitCode(), 0);
    const QString text = QString::fromUtf8(iconv.readAllStandardOutput());
    EXPECT_TRUE(text.startsWith("#2012基层以上调查表逻辑检查结果\r\n#检查时间："));
    EXPECT_TRUE(text.contains("\r\n110101000002  工会2的数据有错误\r\n"));
    EXPECT_TRUE(text.endsWith("共有2个单位的数据存在逻辑错误！\r\n共有4个逻辑错误项！\r\n"));
}

TEST_F(CheckCommandTest, JsonResult)
{
    fill(true);
    const QString report = env.path("r.txt");
    const BatchRun run = RunBatch({"check", "--json", db, "--report", report});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "");
    QJsonParseError error;
    const QJsonObject json = QJsonDocument::fromJson(run.out.toUtf8(), &error).object();
    ASSERT_EQ(error.error, QJsonParseError::NoError) << run.out.toStdString();
    EXPECT_EQ(json["command"].toString(), "check");
    EXPECT_EQ(json["exitStatus"].toInt(), 1);
    EXPECT_EQ(json["database"].toString(), QFileInfo(db).absoluteFilePath());
    EXPECT_EQ(json["label"].toString(), "默认数据库");
    EXPECT_EQ(json["report"].toString(), report);
    EXPECT_EQ(json["checkedRecords"].toInt(), 4);
    EXPECT_EQ(json["failedRecords"].toInt(), 2);
    EXPECT_EQ(json["failedChecks"].toInt(), 4);
    EXPECT_FALSE(json["stopped"].toBool());

    const BatchRun missing = RunBatch({"check", env.path("none.mdb"), "--json"});
    EXPECT_EQ(missing.status, 2);
    const QJsonObject failed = QJsonDocument::fromJson(missing.out.toUtf8()).object();
    EXPECT_EQ(failed["exitStatus"].toInt(), 2);
    EXPECT_TRUE(failed["error"].toString().contains("找不到数据库文件")) << missing.out.toStdString();
}

// A file that is no working database gets a clear message and stays as it was.
TEST_F(CheckCommandTest, FilesThatAreNoWorkingDatabase)
{
    const QString text = env.path("notes.mdb");
    QFile f(text);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(QByteArray(4096, 'x'));
    f.close();
    const QString foreign = env.path("foreign.mdb");
    {
        Connection c;
        c.open(foreign, Connection::Mode::Create);
        c.execute("create table t (a)");
    }
    struct Case {
        const char* name;
        QString path;
        QString err;
    };
    const std::vector<Case> cases = {
        {"missing file", env.path("none.mdb"), "找不到数据库文件“" + env.path("none.mdb") + "”"},
        {"a folder", env.path(""), "找不到数据库文件"},
        {"not a database", text, "运行中发生错误：file is not a database"},
        {"a database of something else", foreign, "不是本系统的数据库文件：no such table: ct_label"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QByteArray bytes = FileBytes(c.path);
        const BatchRun run = RunBatch({"check", c.path});
        EXPECT_EQ(run.status, 2);
        EXPECT_EQ(run.out, "");
        EXPECT_TRUE(run.err.contains(c.err)) << run.err.toStdString();
        EXPECT_EQ(FileBytes(c.path), bytes);
    }
    EXPECT_FALSE(QFile::exists(defaultReport()));
}

// The window may hold the database's write lock meanwhile: the program waits for it.
TEST_F(CheckCommandTest, WaitsForTheWriteLock)
{
    fill(true);
    Connection window;
    window.open(db);
    window.begin();
    window.execute("update dt_data set c905='李娜' where c901=?1", {kBase + 1});
    QProcess waiting;
    StartBatch(waiting, {"check", db, "--wait", "60"});
    QThread::msleep(3000); // longer than the engine's own 2 seconds
    EXPECT_EQ(waiting.state(), QProcess::Running) << "still waiting for the lock";
    window.commit();
    const BatchRun run = FinishBatch(waiting);
    EXPECT_EQ(run.status, 1) << run.err.toStdString();
    EXPECT_EQ(states(db).value(kBase + 2), 2);

    window.begin();
    window.execute("update dt_data set c905='王芳' where c901=?1", {kBase + 1});
    const BatchRun impatient = RunBatch({"check", db, "--wait", "0.2"});
    window.rollback();
    EXPECT_EQ(impatient.status, 2);
    EXPECT_TRUE(impatient.err.contains("运行中发生错误：database is locked")) << impatient.err.toStdString();
}

// On a terminal, standard error shows a progress bar.
TEST_F(CheckCommandTest, ProgressBarOnATerminal)
{
    fill(true);
    QProcess script;
    const QString command = QString("'%1' check '%2' 2>&1 >/dev/null").arg(TALLYRA_BATCH_EXE, db);
    script.start("script", {"-qec", command, "/dev/null"});
    ASSERT_TRUE(script.waitForFinished(60000));
    const QString seen = QString::fromUtf8(script.readAllStandardOutput());
    EXPECT_TRUE(seen.contains("检查进度 [")) << seen.toStdString();
    EXPECT_TRUE(seen.contains("待完成 4")) << seen.toStdString();
}
