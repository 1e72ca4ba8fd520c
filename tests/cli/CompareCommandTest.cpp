#include "cli/BatchRun.h"
#include "db/Connection.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSet>
#include <gtest/gtest.h>

#include <cmath>
#include <random>

namespace {
constexpr qint64 kBase = 110101000000;

class CompareCommandTest : public ::testing::Test {
protected:
    TestEnvironment env;
    QString db, last;

    void SetUp() override
    {
        db = env.systemDataFile();
        last = env.path("2011.mdb");
        CopyDeliveredDatabase(last);
    }
    // Returns of both years drawn from a fixed seed: about 400 units, most reporting in both
    // years, some in one; the values of 20 indicators move by a few per cent, some by a factor
    // of ten either way, some stay, some are zero or NULL in one year; decimals in b014.
    void fillDrawn()
    {
        std::mt19937 draw(24);
        auto chance = [&draw](int percent) { return int(draw() % 100) < percent; };
        const QStringList fields{"z001", "z002", "z003", "z004", "z005", "x001", "x002",
                                 "p001", "p002", "b002", "b014", "f001", "l002", "h003",
                                 "j001", "j018", "s007", "w001", "g001", "c005"};
        Connection now, before;
        now.open(db);
        before.open(last);
        now.begin();
        before.begin();
        for (int i = 1; i <= 400; ++i) {
            const qint64 code = kBase + i;
            const bool inBefore = !chance(4), inNow = !chance(4);
            auto insert = [&](Connection& c, int state) {
                c.execute("insert into dt_data (c901, c902, c903, c904, c905, c906, c907, RecordState) "
                          "values (?1, ?2, 110101, 3, '张伟', '010-1', ?3, 1)",
                          {code, QStringLiteral("工会%1").arg(i), state});
            };
            if (inBefore)
                insert(before, chance(8) ? 3 : 1 + int(draw() % 2));
            if (inNow)
                insert(now, chance(8) ? 4 : 1 + int(draw() % 2));
            for (const QString& f : fields) {
                const double size = 1 + draw() % 2000;
                double y = f == "b014" || f == "j018" ? size / 4 : size;
                double x = y;
                if (chance(70))
                    x = std::round(y * (0.9 + (draw() % 200) / 1000.0));
                if (chance(3))
                    x = y * 10;
                if (chance(3))
                    x = std::round(y / 10);
                QVariant last = y, current = x;
                if (chance(5))
                    last = chance(50) ? QVariant(0) : QVariant();
                if (chance(5))
                    current = chance(50) ? QVariant(0) : QVariant();
                if (inBefore)
                    before.execute(QStringLiteral("update dt_data set %1=?1 where c901=?2").arg(f),
                                   {last, code});
                if (inNow)
                    now.execute(QStringLiteral("update dt_data set %1=?1 where c901=?2").arg(f),
                                {current, code});
            }
        }
        // An indicator with exactly 9 and one with exactly 10 pairs, all changed.
        for (int i = 1; i <= 10; ++i) {
            if (i <= 9) {
                now.execute("update dt_data set s008=?1 where c901=?2", {i + 100, kBase + i});
                before.execute("update dt_data set s008=?1 where c901=?2", {i + 50, kBase + i});
            }
            now.execute("update dt_data set s013=?1 where c901=?2", {i * 3, kBase + i});
            before.execute("update dt_data set s013=?1 where c901=?2", {i * 2, kBase + i});
            for (Connection* c : {&now, &before})
                c->execute("update dt_data set c907=1 where c901=?1", {kBase + i});
        }
        now.commit();
        before.commit();
    }
    static QJsonObject json(const QString& text) { return QJsonDocument::fromJson(text.toUtf8()).object(); }
    QJsonObject recompute(const QStringList& parameters)
    {
        QProcess python;
        python.start("/usr/bin/python3",
                     QStringList{QStringLiteral(TALLYRA_FIXTURES_DIR "/recompute_comparison.py"), db, last} +
                         parameters);
        python.waitForFinished(120000);
        EXPECT_EQ(python.exitCode(), 0) << python.readAllStandardError().toStdString();
        return json(QString::fromUtf8(python.readAllStandardOutput()));
    }
};

TEST_F(CompareCommandTest, TheJsonMatchesAnIndependentRecomputation)
{
    fillDrawn();
    for (const QStringList& parameters :
         {QStringList{"0.5", "0.05", "4"}, QStringList{"0", "2", "3"}, QStringList{"1", "0.05", "6"}}) {
        SCOPED_TRACE(parameters.join(' ').toStdString());
        const bool defaults = parameters.first() == "0.5";
        QStringList arguments{"compare", db, last, "--json"};
        if (!defaults)
            arguments << "--u" << parameters[0] << "--a" << parameters[1] << "--c=" + parameters[2];
        const BatchRun run = RunBatch(arguments);
        const QJsonObject got = json(run.out);
        const QJsonObject expected = recompute(parameters);
        ASSERT_FALSE(expected.isEmpty());
        EXPECT_EQ(run.status, expected["flagged"].toArray().isEmpty() ? 0 : 1) << run.err.toStdString();
        EXPECT_EQ(got["absentNow"], expected["absentNow"]);
        EXPECT_EQ(got["newNow"], expected["newNow"]);
        EXPECT_EQ(got["skipped"], expected["skipped"]);
        EXPECT_TRUE(got["skipped"].toArray().contains("s008"));
        EXPECT_FALSE(got["skipped"].toArray().contains("s013"));
        const QJsonArray a = got["flagged"].toArray(), b = expected["flagged"].toArray();
        ASSERT_EQ(a.size(), b.size());
        EXPECT_GT(a.size(), 10);
        QSet<QString> directions;
        for (int i = 0; i < a.size(); ++i) {
            const QJsonObject x = a[i].toObject(), y = b[i].toObject();
            SCOPED_TRACE(i);
            EXPECT_EQ(x["code"], y["code"]);
            EXPECT_EQ(x["field"], y["field"]);
            EXPECT_EQ(x["direction"], y["direction"]);
            EXPECT_EQ(x["last"].toDouble(), y["last"].toDouble());
            EXPECT_EQ(x["current"].toDouble(), y["current"].toDouble());
            EXPECT_EQ(x["ratio"].toDouble(), y["ratio"].toDouble());
            EXPECT_NEAR(x["score"].toDouble(), y["score"].toDouble(),
                        1e-12 * std::abs(y["score"].toDouble()));
            directions << x["direction"].toString();
        }
        EXPECT_EQ(directions, QSet<QString>({"rise", "fall"}));
    }
}

TEST_F(CompareCommandTest, TheJsonHasExactlyItsKeysAndFullNumbers)
{
    fillDrawn();
    const BatchRun run = RunBatch({"compare", db, last, "--json"});
    EXPECT_EQ(run.status, 1);
    const QJsonObject got = json(run.out);
    EXPECT_EQ(got.keys(), QStringList({"absentNow", "flagged", "newNow", "skipped"}));
    const QJsonObject first = got["flagged"].toArray().first().toObject();
    EXPECT_EQ(first.keys(), QStringList({"code", "current", "direction", "field", "last", "ratio", "score"}));
    // Codes are plain 12-digit numbers, ratios and scores carry every digit.
    const qint64 code = qint64(first["code"].toDouble());
    EXPECT_TRUE(run.out.contains(QStringLiteral("\"code\": %1").arg(code)))
        << run.out.left(400).toStdString();
    EXPECT_GE(code, kBase);
    const double ratio = first["ratio"].toDouble();
    EXPECT_EQ(ratio, first["current"].toDouble() / first["last"].toDouble());
    // Scores descend.
    double previous = INFINITY;
    for (const QJsonValue& f : got["flagged"].toArray()) {
        EXPECT_LE(f["score"].toDouble(), previous);
        previous = f["score"].toDouble();
    }
}

TEST_F(CompareCommandTest, TheTableListsTheFlaggedValuesAndNothingFlaggedExitsZero)
{
    fillDrawn();
    const QByteArray working = FileBytes(db), reference = FileBytes(last);
    const BatchRun run = RunBatch({"compare", db, last});
    EXPECT_EQ(run.status, 1);
    const QStringList lines = run.out.split('\n', Qt::SkipEmptyParts);
    EXPECT_EQ(lines.first(), "单位编号\t单位名称\t指标\t页\t上年\t本年\t比值\t增/减\t得分");
    const QStringList row = lines[1].split('\t');
    ASSERT_EQ(row.size(), 9);
    EXPECT_TRUE(row[0].startsWith("110101000"));
    EXPECT_TRUE(row[3].startsWith("表"));
    for (int c : {6, 8})
        EXPECT_EQ(row[c].section('.', 1).size(), 2) << row[c].toStdString(); // ratio and score, two decimals
    EXPECT_TRUE(row[7] == "增" || row[7] == "减");
    EXPECT_TRUE(lines.filter("比对了").size() == 1);
    EXPECT_TRUE(lines.filter("未比对的指标").size() == 1);
    EXPECT_EQ(FileBytes(db), working);
    EXPECT_EQ(FileBytes(last), reference);

    // The same values both years: nothing changed, nothing is flagged.
    QFile::remove(last);
    QFile::copy(db, last);
    const BatchRun same = RunBatch({"compare", db, last, "--json"});
    EXPECT_EQ(same.status, 0) << same.err.toStdString();
    EXPECT_TRUE(json(same.out)["flagged"].toArray().isEmpty());
    EXPECT_TRUE(json(same.out)["absentNow"].toArray().isEmpty());
}

TEST_F(CompareCommandTest, RefusalsAndUsageErrorsExitTwo)
{
    fillDrawn();
    const QByteArray working = FileBytes(db);
    struct Case {
        QStringList arguments;
        QString says;
    };
    const QList<Case> cases{
        {{"compare", db, db}, "正在使用的数据库"},
        {{"compare", db, env.path("missing.mdb")}, "找不到上年数据文件"},
        {{"compare", db, last, "--u", "2"}, "参数U应在0到1之间"},
        {{"compare", db, last, "--c", "x"}, "参数 --c 应是一个数：x"},
        {{"compare", db}, "用法"},
        {{"compare", env.path("none.mdb"), last}, "none.mdb"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments.join(' ').toStdString());
        const BatchRun run = RunBatch(c.arguments);
        EXPECT_EQ(run.status, 2);
        EXPECT_TRUE(run.err.contains(c.says)) << run.err.toStdString();
    }
    const BatchRun json = RunBatch({"compare", db, db, "--json"});
    EXPECT_EQ(json.status, 2);
    EXPECT_TRUE(CompareCommandTest::json(json.out)["error"].toString().contains("正在使用的数据库"));
    EXPECT_EQ(FileBytes(db), working);
    EXPECT_TRUE(RunBatch({"--help"}).out.contains("compare"));
    EXPECT_TRUE(RunBatch({"compare", "--help"}).out.contains("--u U"));
}
} // namespace
