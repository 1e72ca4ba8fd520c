// "tallyra-batch expected" and "tallyra-batch receipts" through the executable, and the register
// of "tallyra-batch import".
#include "base/Gbk.h"
#include "cli/BatchRun.h"
#include "db/Connection.h"
#include "db/WorkingSchema.h"
#include "exchange/PackageExport.h"
#include "exchange/PackageFile.h"
#include "support/TestEnvironment.h"

#include <QCryptographicHash>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>

namespace {
class ReceiptsCommandsTest : public ::testing::Test {
protected:
    TestEnvironment env;
    QString db;
    void SetUp() override { db = env.systemDataFile(); }

    void execute(const QString& sql)
    {
        Connection c;
        c.open(db);
        c.executeScript(sql);
    }
    int count(const QString& sql)
    {
        Connection c;
        c.open(db, Connection::Mode::ReadOnly);
        return c.scalar(sql).toInt();
    }
    QString package(const QString& name, qint64 first, int count)
    {
        const QString county = env.path(name + ".mdb");
        CopyDeliveredDatabase(county);
        Connection c;
        c.open(county);
        for (int i = 0; i < count; ++i)
            c.execute("insert into dt_data (c901, c902, c903, c904, c905, c906, c907, RecordState) "
                      "values (?1, ?2, 110101, 10, '张伟', '010-1', 1, 1)",
                      {first + i, QStringLiteral("工会%1").arg(i)});
        const QString path = env.path(name + ".dat");
        EXPECT_EQ(WritePackage(c, PackageTemplatePath(), path, "东城区总工会").error, "");
        return path;
    }
    QJsonObject json(const BatchRun& run)
    {
        QJsonParseError error;
        const QJsonDocument doc = QJsonDocument::fromJson(run.out.toUtf8(), &error);
        EXPECT_EQ(error.error, QJsonParseError::NoError) << run.out.toStdString();
        return doc.object();
    }
};

QByteArray hashOf(const QString& path)
{
    return QCryptographicHash::hash(FileBytes(path), QCryptographicHash::Sha256);
}
} // namespace

TEST_F(ReceiptsCommandsTest, ExpectedFillsTheListFromATextFileAndSaysWhatItSkipped)
{
    const QString list = env.path("units.txt");
    QFile f(list);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(GbkEncode("110101000001\t东城区总工会\r\n110101000002,西城区总工会\r\n12345\r\n"));
    f.close();
    BatchRun run = RunBatch({"expected", db, "--from", list});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "从文本文件：units.txt读入了2个单位，新加入名单2个，名单中现有2个应报单位。\n有1行（条）没有读入\n");
    EXPECT_EQ(run.err, "tallyra-batch: 第3行：“12345”不是12位的工会统计编码\n");
    EXPECT_EQ(count("select count(*) from ct_expected"), 2);

    const QString more = env.path("more.txt");
    QFile g(more);
    ASSERT_TRUE(g.open(QIODevice::WriteOnly));
    g.write("120101000001\n");
    g.close();
    run = RunBatch({"expected", db, "--from", more, "--json"});
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    QJsonObject result = json(run);
    EXPECT_EQ(result["added"].toInt(), 1);
    EXPECT_EQ(result["total"].toInt(), 3);
    run = RunBatch({"expected", db, "--from", more, "--replace", "--json"});
    result = json(run);
    EXPECT_EQ(result["total"].toInt(), 1);
    EXPECT_TRUE(result["replaced"].toBool());
    EXPECT_EQ(count("select count(*) from ct_expected"), 1);
}

TEST_F(ReceiptsCommandsTest, ExpectedReadsAPackageAndRefusesWhatItCannotRead)
{
    const QString pkg = package("county", 110101000001, 3);
    BatchRun run = RunBatch({"expected", db, "--from", pkg});
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_EQ(count("select count(*) from ct_expected where c903 = 110101 and c902 like '工会%'"), 3);

    const QString binary = env.path("x.txt");
    QFile f(binary);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(QByteArray("\x89PNG\0\0\0", 7));
    f.close();
    run = RunBatch({"expected", db, "--from", binary});
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.err, "tallyra-batch: 所选的文件不是文本文件\n");
    run = RunBatch({"expected", db});
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(count("select count(*) from ct_expected"), 3);
}

TEST_F(ReceiptsCommandsTest, ReceiptsGivesExactlyTheKeysOfItsJson)
{
    const QString pkg = package("county", 110101000001, 3);
    ASSERT_EQ(RunBatch({"import", db, pkg, "--yes"}).status, 0);
    ASSERT_EQ(RunBatch({"import", db, pkg, "--yes"}).status, 1);                  // conflicts
    ASSERT_EQ(RunBatch({"import", db, pkg}).status, 1);                           // not confirmed
    ASSERT_EQ(RunBatch({"import", db, env.path("nowhere.dat"), "--yes"}).status, 1); // nothing received
    execute("insert into ct_expected (c901, c902, c903) values "
            "(110101000001, '甲', 110101), (110101000002, '乙', NULL), (110102000004, '丁', 110102);"
            "update dt_data set RecordState = 2 where c901 = 110101000002;");
    const BatchRun run = RunBatch({"receipts", db, "--json"});
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    const QJsonObject j = json(run);
    QStringList keys = j.keys();
    keys.sort();
    EXPECT_EQ(keys, QStringList({"byDivision", "clean", "expected", "held", "missing", "missingCodes", "receipts",
                                 "received", "unexpected", "unexpectedCodes", "withErrors"}));
    EXPECT_EQ(j["expected"].toInt(), 3);
    EXPECT_EQ(j["received"].toInt(), 2);
    EXPECT_EQ(j["missing"].toInt(), 1);
    EXPECT_EQ(j["unexpected"].toInt(), 1);
    EXPECT_EQ(j["clean"].toInt(), 1);
    EXPECT_EQ(j["withErrors"].toInt(), 1);
    EXPECT_EQ(j["held"].toInt(), 0);
    EXPECT_EQ(j["missingCodes"].toArray(), QJsonArray({110102000004LL}));
    EXPECT_EQ(j["unexpectedCodes"].toArray(), QJsonArray({110101000003LL}));
    EXPECT_TRUE(run.out.contains("110102000004")); // written as the digits, not in exponent form
    const QJsonArray divisions = j["byDivision"].toArray();
    ASSERT_EQ(divisions.size(), 2);
    const QJsonObject dongcheng = divisions[0].toObject();
    QStringList rowKeys = dongcheng.keys();
    rowKeys.sort();
    EXPECT_EQ(rowKeys, QStringList({"division", "expected", "missing", "name", "received", "withErrors"}));
    EXPECT_EQ(dongcheng["division"].toString(), "110101"); // the return's division where the list has none
    EXPECT_EQ(dongcheng["name"].toString(), "东城区");
    EXPECT_EQ(dongcheng["expected"].toInt(), 2);
    EXPECT_EQ(dongcheng["received"].toInt(), 2);
    EXPECT_EQ(dongcheng["withErrors"].toInt(), 1);
    EXPECT_EQ(divisions[1].toObject()["division"].toString(), "110102");
    EXPECT_EQ(divisions[1].toObject()["missing"].toInt(), 1);

    const QJsonArray receipts = j["receipts"].toArray();
    ASSERT_EQ(receipts.size(), 3);
    QStringList receiptKeys = receipts[0].toObject().keys();
    receiptKeys.sort();
    EXPECT_EQ(receiptKeys, QStringList({"added", "digest", "file", "label", "receivedAt", "result", "returns"}));
    EXPECT_EQ(receipts[0].toObject()["result"].toString(), "未导入：未确认标记声明为【东城区总工会】的数据");
    EXPECT_EQ(receipts[1].toObject()["result"].toString(), "未导入：3个单位的编号已经存在");
    const QJsonObject imported = receipts[2].toObject();
    EXPECT_EQ(imported["result"].toString(), "已导入");
    EXPECT_EQ(imported["added"].toInt(), 3);
    EXPECT_EQ(imported["returns"].toInt(), 3);
    EXPECT_EQ(imported["label"].toString(), "东城区总工会");
    EXPECT_EQ(imported["file"].toString(), QFileInfo(pkg).absoluteFilePath());
    EXPECT_EQ(imported["digest"].toString(),
              QString::fromLatin1(QCryptographicHash::hash(FileBytes(pkg), QCryptographicHash::Sha256).toHex()));
}

TEST_F(ReceiptsCommandsTest, ReceiptsPrintsTheFiguresAndTheTableByDivision)
{
    execute("insert into ct_expected (c901, c902, c903) values (110101000001, '甲', 110101), (130000000001, '无', NULL);"
            "insert into dt_data (c901, c902, c903, RecordState) values (110101000001, '甲', 110101, NULL);");
    const BatchRun run = RunBatch({"receipts", db});
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_EQ(run.out, "应报\t2\n已报\t1\n未报\t1\n不在名单中\t0\n已报中无逻辑错误\t0\n已报中有逻辑错误\t0\n"
                       "已报中临时保存\t1\n\n行政区划代码\t地区\t应报\t已报\t未报\t有错误\n"
                       "110101\t东城区\t1\t1\t0\t0\n\t未填行政区划\t1\t0\t1\t0\n");
}

// The picture only reads: an older file stays as it is, a newer one is read and said to be newer.
TEST_F(ReceiptsCommandsTest, ReceiptsOnlyReadsOlderAndNewerFiles)
{
    execute("DROP TABLE ct_expected; DROP TABLE dt_receipt; PRAGMA user_version = 0;"
            "insert into dt_data (c901, c902, c903, RecordState) values (110101000001, '甲', 110101, 1);");
    const QByteArray older = hashOf(db);
    BatchRun run = RunBatch({"receipts", db, "--json"});
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_EQ(json(run)["unexpected"].toInt(), 1);
    EXPECT_EQ(hashOf(db), older);

    // A command that writes upgrades it.
    const QString list = env.path("units.txt");
    QFile f(list);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("110101000001\n");
    f.close();
    ASSERT_EQ(RunBatch({"expected", db, "--from", list}).status, 0);
    EXPECT_EQ(count("PRAGMA user_version"), kWorkingSchemaVersion);
    EXPECT_EQ(count("select count(*) from sqlite_master where name in ('ct_expected', 'dt_receipt')"), 2);

    execute("PRAGMA user_version = 9;");
    const QByteArray newer = hashOf(db);
    run = RunBatch({"receipts", db});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.err, "tallyra-batch: " + NewerSchemaText(9) + "\n");
    run = RunBatch({"import", db, package("county", 120101000001, 2), "--yes"});
    EXPECT_EQ(run.status, 2);
    EXPECT_TRUE(run.err.contains(NewerSchemaText(9))) << run.err.toStdString();
    EXPECT_EQ(hashOf(db), newer);
}
