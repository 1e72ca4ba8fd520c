#include "ExchangeFixture.h"

#include "exchange/ExchangeActions.h"
#include "base/FileNameRule.h"
#include "exchange/ExchangeRules.h"
#include "exchange/PackageExport.h"
#include "exchange/PackageFile.h"

#include <QDir>
#include <sqlite3.h>
#include <unistd.h>

namespace {
// Reads a restored package with the SQLite C API alone: the label and the codes.
std::pair<QString, QStringList> readPackage(const QString& path)
{
    sqlite3* db = nullptr;
    EXPECT_EQ(sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
    std::pair<QString, QStringList> result;
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db, "select db_name from ct_label", -1, &st, nullptr);
    while (sqlite3_step(st) == SQLITE_ROW)
        result.first = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
    sqlite3_finalize(st);
    sqlite3_prepare_v2(db, "select c901 from dt_data order by c901", -1, &st, nullptr);
    while (sqlite3_step(st) == SQLITE_ROW)
        result.second << QString::number(sqlite3_column_int64(st, 0));
    sqlite3_finalize(st);
    sqlite3_close(db);
    return result;
}
} // namespace

TEST_F(ExchangeTest, APackageHoldsTheFinishedReturnsAndTheLabelScrambled)
{
    Connection& db = SysConnection();
    AddReturns(db, 110101000001, 2);
    AddReturns(db, 110101000050, 1);
    db.execute("update dt_data set RecordState=NULL where c901=110101000050"); // neither blocks nor enters
    const QString label = "某市\"总工会\"'s 单位";
    prompter.answer(label);
    const QString typed = QDir(env.documentsFolder()).filePath("up");
    prompter.answer(typed);
    ExportReturns();
    const QString path = typed + ".dat";
    EXPECT_EQ(prompter.shown, QStringList({"请输入提供数据的单位的名称，长度不要超过200个汉字",
                                           "数据已经被正确导出到：'" + path + "'！"}));
    EXPECT_EQ(prompter.captions, QStringList({"设置数据库标识"}));
    EXPECT_EQ(prompter.fileDialogs[0].filter, "数据加密文件(*.dat)|*.dat");
    EXPECT_EQ(prompter.fileDialogs[0].title, "导出文件存放为");
    const QByteArray bytes = ReadAll(path);
    ASSERT_GT(bytes.size(), 1024);
    EXPECT_EQ((unsigned char)bytes[0], ScrambledFirstByte());
    // nothing but the package in the folder: no temporary file, no journal
    EXPECT_EQ(QDir(env.documentsFolder()).entryList(QDir::Files), QStringList({"up.dat"}));

    QFile::copy(path, env.path("restored.dat"));
    ASSERT_TRUE(RestorePackage(env.path("restored.dat")));
    const auto [packageLabel, codes] = readPackage(env.path("restored.dat"));
    EXPECT_EQ(packageLabel, label);
    EXPECT_EQ(codes, QStringList({"110101000001", "110101000002"}));
    // the working database keeps its own label
    EXPECT_EQ(db.scalar("select db_name from ct_label").toString(), "默认数据库");
}

TEST_F(ExchangeTest, TheDefaultLabelIsAskedAgainFromWhatWasTyped)
{
    DatabaseLabel = "默认数据库";
    AddReturns(SysConnection(), 110101000001, 1);
    prompter.answer("默认数据库"); // unchanged: refused
    prompter.answer(QVariant());  // then cancelled
    ExportPackage();
    EXPECT_EQ(prompter.shown, QStringList({"请输入提供数据的单位的名称，长度不要超过200个汉字", "必须修改默认的名称！",
                                           "请输入提供数据的单位的名称，长度不要超过200个汉字"}));
    EXPECT_EQ(prompter.inputStarts, QStringList({"默认数据库", "默认数据库"}));
    EXPECT_TRUE(prompter.fileDialogs.isEmpty());
}

TEST_F(ExchangeTest, APackageIsRefusedWhileAReturnIsUnfinished)
{
    AddReturns(SysConnection(), 110101000001, 2);
    AddReturns(SysConnection(), 110101000009, 1, 0);
    ExportReturns();
    EXPECT_EQ(prompter.shown, QStringList({"存在临时保存或逻辑错误的数据，不能上报!"}));
    EXPECT_TRUE(prompter.fileDialogs.isEmpty());
}

TEST_F(ExchangeTest, AFailedPackageLeavesNoFile)
{
    AddReturns(SysConnection(), 110101000001, 2);
    const QString target = QDir(env.documentsFolder()).filePath("p.dat");
    // a template whose dt_data lacks a column
    {
        Connection t;
        t.open(env.path("bad.dll"), Connection::Mode::Create);
        t.executeScript("create table dt_data (c901 numeric, c902 text); create table ct_label (db_name text);");
    }
    PackageExportResult result = WritePackage(SysConnection(), env.path("bad.dll"), target, "x");
    EXPECT_NE(result.error, "");
    result = WritePackage(SysConnection(), env.path("missing.dll"), target, "x");
    EXPECT_NE(result.error, "");
    EXPECT_TRUE(QDir(env.documentsFolder()).entryList(QDir::Files).isEmpty());
    // the working database itself is never the target
    const QByteArray before = ReadAll(CurrentDatabasePath);
    result = WritePackage(SysConnection(), PackageTemplatePath(), CurrentDatabasePath, "x");
    EXPECT_NE(result.error, "");
    EXPECT_EQ(ReadAll(CurrentDatabasePath), before);
}

// A killed export leaves its unfinished copy (and the engine's journal) beside the target: the
// next export into that folder removes them, and nothing of a running program or of the user's.
TEST_F(ExchangeTest, WhatAKilledExportLeftBesideItsTargetIsRemovedByTheNext)
{
    AddReturns(SysConnection(), 110101000001, 2);
    const QDir folder(env.documentsFolder());
    const QString stale = QString("~SM%1-abcdef.tmp").arg(EndedProcessId());
    const QString running = QString("~SM%1-ghijkl.tmp").arg(getppid());
    const QStringList kept = {running, "~SMmnopqr.tmp", "mine.tmp"};
    for (const QString& name : kept + QStringList{stale, stale + "-journal"})
        WriteAll(folder.filePath(name), "x");
    ASSERT_EQ(WritePackage(SysConnection(), PackageTemplatePath(), folder.filePath("p.dat"), "x").error, "");
    QStringList left = folder.entryList(QDir::Files | QDir::Hidden);
    left.sort();
    QStringList expected = kept + QStringList{"p.dat"};
    expected.sort();
    EXPECT_EQ(left, expected);
}

TEST(PackageExport, ExtensionRules)
{
    const QList<std::pair<const char*, const char*>> cases = {
        {"up", "up.dat"}, {"abcd", "abcd.dat"}, {"city.dat", "city.dat"}, {"CITY.DAT", "CITY.DAT.dat"}};
    for (const auto& [typed, saved] : cases)
        EXPECT_EQ(ApplyFileNameRule(typed, ExtendShortNames(".dat")), saved) << typed;
    const QList<std::pair<const char*, const char*>> imports = {
        {"a.db", "a.db"}, {"county", "county.dat"}, {"c.dat", "c.dat"}, {"c.DAT", "c.DAT.dat"}};
    for (const auto& [typed, read] : imports)
        EXPECT_EQ(ApplyFileNameRule(typed, KeepShortNames(".dat")), read) << typed;
}
