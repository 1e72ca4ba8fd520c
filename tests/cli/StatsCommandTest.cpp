#include "cli/BatchRun.h"
#include "db/WorkingDatabase.h"
#include "exchange/AnalysisFile.h"
#include "support/AnalysisReaders.h"
#include "support/TestEnvironment.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>

namespace {
constexpr qint64 kBase = 110101000000;

class StatsCommandTest : public ::testing::Test {
protected:
    TestEnvironment env;
    QString db;

    void SetUp() override
    {
        db = env.systemDataFile();
        Connection c;
        c.open(db);
        for (int code = 1; code <= 6; ++code)
            c.execute("insert into dt_data (c901, c902, c903, c904, c905, c906, c907, RecordState, z001, "
                      "z010, b014) "
                      "values (?1, ?2, 110101, 3, '张伟', '010-1', 1, ?3, ?4, 1, 2.5)",
                      {kBase + code, QStringLiteral("工会%1").arg(code), code % 3,
                       code == 4 ? QVariant() : code * 10});
    }
    // The values of the window's core run on the same database and condition, as readstat reads them.
    QList<QStringList> coreRun(AnalysisFormat format, const QString& condition)
    {
        const QString out = env.path(format == AnalysisFormat::Spss ? "core.sav" : "core.dta");
        QFile::remove(out);
        EXPECT_EQ(OpenWorkingDatabase(db).status, OpenDatabaseResult::Opened);
        AnalysisFileRequest request;
        request.format = format;
        request.condition = condition;
        request.databaseLabel = DatabaseLabel;
        request.exportTime = QDateTime::currentDateTime();
        EXPECT_TRUE(WriteAnalysisFile(SysConnection(), out, request).ok());
        SysConnection().close();
        return ReadWithReadstat(out);
    }
};
} // namespace

TEST_F(StatsCommandTest, WritesWhatTheWindowWrites)
{
    const QByteArray before = FileBytes(db);
    struct Case {
        const char* name;
        const char* file;
        QStringList options;
        AnalysisFormat format;
        QString condition;
        int rows;
    };
    const QList<Case> cases = {
        {"all returns, SPSS", "all.sav", {}, AnalysisFormat::Spss, "", 6},
        {"a range, Stata",
         "range.dta",
         {"--from", "110101000002", "--to", "110101000004"},
         AnalysisFormat::Stata,
         "where c901>=110101000002.00 and c901<=110101000004.00",
         3},
        {"an end below the start: the start alone",
         "one.DTA",
         {"--from", "110101000005", "--to", "110101000001"},
         AnalysisFormat::Stata,
         "where c901=110101000005",
         1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString out = env.path(c.file);
        const BatchRun run = RunBatch(QStringList({"stats", db, out}) + c.options);
        ASSERT_EQ(run.status, 0) << run.err.toStdString();
        EXPECT_EQ(run.err, "");
        EXPECT_EQ(run.out, QStringLiteral("导出分析数据成功：%1个单位的数据写到 %2\n").arg(c.rows).arg(out));
        const QList<QStringList> values = ReadWithReadstat(out);
        EXPECT_EQ(values.size(), c.rows + 1);
        EXPECT_EQ(values, coreRun(c.format, c.condition));
        EXPECT_TRUE(ReadstatSummary(out)["Table label"].startsWith("默认数据库 导出于 "));
    }
    EXPECT_EQ(FileBytes(db), before) << "the database is only read";

    const BatchRun json = RunBatch({"stats", db, env.path("all.sav"), "--yes", "--json"});
    ASSERT_EQ(json.status, 0);
    const QJsonObject result = QJsonDocument::fromJson(json.out.toUtf8()).object();
    EXPECT_EQ(result["command"].toString(), "stats");
    EXPECT_EQ(result["format"].toString(), "sav");
    EXPECT_EQ(result["returns"].toInt(), 6);
    EXPECT_EQ(result["file"].toString(), env.path("all.sav"));
    EXPECT_EQ(result["label"].toString(), "默认数据库");
    EXPECT_EQ(result["exitStatus"].toInt(), 0);
}

TEST_F(StatsCommandTest, Refusals)
{
    const QString existing = env.path("old.sav");
    QFile f(existing);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("older");
    f.close();
    // a database file named like an analysis file, given as its own target
    const QString named = env.path("work.sav");
    ASSERT_TRUE(QFile::copy(db, named));
    const QByteArray database = FileBytes(named);
    struct Case {
        const char* name;
        QStringList arguments;
        QString err;
    };
    const QList<Case> cases = {
        {"another extension",
         {"stats", db, env.path("x.csv")},
         "输出文件名要以 .sav（SPSS）或 .dta（Stata）结尾"},
        {"no extension", {"stats", db, env.path("x")}, "输出文件名要以 .sav（SPSS）或 .dta（Stata）结尾"},
        {"an existing file without --yes", {"stats", db, existing}, "已经存在；要替换它请加 --yes"},
        {"a code that is no number",
         {"stats", db, env.path("x.sav"), "--from", "12a", "--to", "5"},
         "单位编号只能是 12 位以内的数字：--from 12a"},
        {"a range without its end",
         {"stats", db, env.path("x.sav"), "--from", "110101000001"},
         "请输入单位编号的范围"},
        {"the database itself", {"stats", named, named, "--yes"}, "不能把数据导出到正在使用的数据库文件"},
        {"no database", {"stats", env.path("none.mdb"), env.path("x.sav")}, "找不到数据库文件"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const BatchRun run = RunBatch(c.arguments);
        EXPECT_EQ(run.status, 2);
        EXPECT_TRUE(run.err.contains(c.err)) << run.err.toStdString();
        EXPECT_EQ(run.out, "");
    }
    EXPECT_FALSE(QFile::exists(env.path("x.sav")));
    EXPECT_EQ(FileBytes(existing), "older");
    EXPECT_EQ(FileBytes(named), database);
}
