#include "app/Startup.h"
#include "summary/GroupExchange.h"
#include "db/DatabaseFile.h"
#include "db/WorkingDatabase.h"
#include "summary/GroupExchangeUi.h"
#include "summary/Grouping.h"
#include "widgets/SaveFileDialog.h"
#include "widgets/ScriptedPrompter.h"
#include "support/FolderLimits.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>
#include <optional>
#include <sqlite3.h>

namespace {
// Reads a file with the engine's own C interface, apart from the program's layer.
QStringList readAll(const QString& file, const QString& sql)
{
    sqlite3* db = nullptr;
    QStringList out;
    if (sqlite3_open_v2(file.toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
        sqlite3_close(db);
        return {"cannot open"};
    }
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db, sql.toUtf8().constData(), -1, &st, nullptr) != SQLITE_OK) {
        out << QString("error: ") + sqlite3_errmsg(db);
    } else {
        while (sqlite3_step(st) == SQLITE_ROW) {
            QStringList row;
            for (int c = 0; c < sqlite3_column_count(st); ++c)
                row << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, c)));
            out << row.join('|');
        }
    }
    sqlite3_finalize(st);
    sqlite3_close(db);
    return out;
}

void run(const QString& file, const QString& sql)
{
    sqlite3* db = nullptr;
    sqlite3_open(file.toUtf8().constData(), &db);
    char* error = nullptr;
    const int rc = sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, &error);
    ASSERT_EQ(rc, SQLITE_OK) << (error ? error : "");
    sqlite3_close(db);
}

class GroupExchangeTest : public ::testing::Test {
protected:
    TestEnvironment env;
    ScriptedPrompter prompter;
    qint64 a = 0, b = 0;
    void SetUp() override
    {
        ASSERT_EQ(OpenWorkingDatabase().status, OpenDatabaseResult::Opened);
        a = CreateGrouping(SysConnection(), "按'层'");
        b = CreateGrouping(SysConnection(), "乙");
        for (auto [group, title, low, high] : {std::tuple{a, "一", 110000000000LL, 120000000000LL},
                                               std::tuple{a, "二", 120000000000LL, 130000000000LL},
                                               std::tuple{b, "三", 1LL, 2LL}}) {
            GroupItem item;
            item.groupId = group;
            item.title = title;
            item.low = low;
            item.high = high;
            SaveGroupItem(SysConnection(), item);
        }
    }
    QStringList working(const QString& sql) { return readAll(CurrentDatabasePath, sql); }
    QString groups() { return working("select ID, Name, orderstr from ct_group order by ID").join(';'); }
    QString items()
    {
        return working("select id, GroupID, Title, LowBoundary, HighBoundary from DT_GroupItem order by id").join(';');
    }
    void exportTo(const QString& file)
    {
        prompter.answer(file);
        ExportGroupingTablesUi(CurrentDatabasePath, GroupingTableNames());
    }
    void importFrom(const QString& file)
    {
        prompter.answer(file);
        ImportGroupingTablesUi(SysConnection(), GroupingTableNames());
    }
};

TEST_F(GroupExchangeTest, ExportToANewFileHoldsExactlyTheTwoTables)
{
    const QString file = env.path("groups");
    exportTo(file);
    const QString written = file + ".mdb";
    EXPECT_EQ(prompter.shown, QStringList({"数据已经被正确导出到：'" + written + "'！"}));
    ASSERT_EQ(prompter.fileDialogs.size(), 1);
    EXPECT_EQ(prompter.fileDialogs[0].title, "导出文件存放为");
    EXPECT_EQ(prompter.fileDialogs[0].filter, "Access文件(*.mdb)|*.mdb");
    EXPECT_EQ(readAll(written, "select name from sqlite_master where type='table' and name not like 'sqlite%' order by name"),
              QStringList({"CT_Group", "DT_GroupItem"}));
    EXPECT_EQ(readAll(written, "select ID, Name, orderstr from CT_Group order by ID").join(';'), groups());
    EXPECT_EQ(readAll(written, "select id, GroupID, Title, LowBoundary, HighBoundary from DT_GroupItem order by id")
                  .join(';'),
              items());
    EXPECT_TRUE(items().contains("110000000000|120000000000"));
}

TEST_F(GroupExchangeTest, ExportOntoAFileReplacesTheTablesAndKeepsTheOthers)
{
    const QString file = env.path("other.mdb");
    run(file, "create table keepme (x); insert into keepme values (42); create table CT_Group (old); "
              "insert into CT_Group values ('stale');");
    prompter.answer(file);
    prompter.answer(AnswerYes); // replace it, asked about the name written
    ExportGroupingTablesUi(CurrentDatabasePath, GroupingTableNames());
    EXPECT_EQ(prompter.questions, QStringList({ReplaceFileQuestion(file)}));
    EXPECT_EQ(readAll(file, "select x from keepme"), QStringList({"42"}));
    EXPECT_EQ(readAll(file, "select ID, Name, orderstr from CT_Group order by ID").join(';'), groups());
    EXPECT_EQ(readAll(file, "select count(*) from DT_GroupItem"), QStringList({"3"}));
}

// The copy an export writes beside its target and renames over it: what a killed export left
// there goes at the next export into that folder.
TEST_F(GroupExchangeTest, WhatAKilledExportLeftBesideItsTargetIsRemovedByTheNext)
{
    const QString stale = QString("~SM%1-abcdef.tmp").arg(EndedProcessId());
    for (const QString& name : {stale, stale + "-journal", QString("keep.tmp")}) {
        QFile f(env.path(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("x");
    }
    exportTo(env.path("groups.mdb"));
    QStringList left = QDir(env.path("")).entryList(QDir::Files | QDir::Hidden);
    left.sort();
    EXPECT_EQ(left, QStringList({"groups.mdb", "keep.tmp"}));
}

TEST_F(GroupExchangeTest, ImportReplacesBothTablesAndKeepsTheIds)
{
    const QString file = env.path("in.mdb");
    exportTo(file);
    const QString before = groups() + "/" + items();
    SysConnection().execute("delete from ct_group where id=?1", {a});
    CreateGrouping(SysConnection(), "new");
    prompter.shown.clear();
    importFrom(file);
    EXPECT_EQ(prompter.shown, QStringList({"数据分组导入操作完成！"}));
    EXPECT_EQ(groups() + "/" + items(), before);
}

TEST_F(GroupExchangeTest, ImportOfAFileHoldingOnlyTheGroupingsNamesTheItemTable)
{
    const QString file = env.path("only.mdb");
    run(file, "create table CT_Group (ID integer primary key, Name text, orderstr text, GroupList text, "
              "AutoLowest numeric, AutoHighest numeric); insert into CT_Group (ID, Name, orderstr) values (7, '外来', 'id ASC');");
    importFrom(file);
    // The user learns that the items of the replaced groupings went with them.
    EXPECT_EQ(prompter.shown, QStringList({"您选择的文件中不存在名字为\"DT_GroupItem\"的数据表",
                                           "所选文件中只有分组，没有分组项：原有分组的分组项已随原有分组一起删除，"
                                           "导入的分组还没有分组项。",
                                           "数据分组导入操作完成！"}));
    EXPECT_EQ(groups(), "7|外来|id ASC");
    // The items of the groupings that were replaced went with them.
    EXPECT_EQ(items(), "");
}

TEST_F(GroupExchangeTest, ImportOfAFileWithoutEitherTableChangesNothing)
{
    const QString file = env.path("none.mdb");
    run(file, "create table other (x);");
    const QString before = groups() + "/" + items();
    importFrom(file);
    EXPECT_EQ(prompter.shown, QStringList({"您选择的文件中不存在名字为\"CT_Group\"的数据表",
                                           "您选择的文件中不存在名字为\"DT_GroupItem\"的数据表", "数据分组导入操作完成！"}));
    EXPECT_EQ(groups() + "/" + items(), before);
}

// A grouping file goes through the checks of every received file: whatever it holds, a file
// that fails is named with its reason and changes nothing.
TEST_F(GroupExchangeTest, FilesThatFailChangeNothing)
{
    const TempFolderAt temp(env.path("temp"));
    const QString before = groups() + "/" + items();
    const QString notDb = env.path("text.mdb");
    {
        QFile f(notDb);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("this is not a database file at all, just some text padding it out a bit");
    }
    const QString fewColumns = env.path("few.mdb");
    run(fewColumns, "create table CT_Group (ID integer primary key, Name text); insert into CT_Group values (9, 'x');");
    // The second insert fails: an item without its grouping id breaks a NOT NULL column.
    const QString badItems = env.path("bad.mdb");
    const QString tables = "create table CT_Group (ID integer primary key, Name text, orderstr text, GroupList text, "
                           "AutoLowest numeric, AutoHighest numeric%1); insert into CT_Group (ID, Name) values (5, 'x');"
                           "create table DT_GroupItem (id integer primary key, GroupID, Title, LowBoundary, HighBoundary, "
                           "LowSymbol, HighSymbol);";
    run(badItems, tables.arg("") + "insert into DT_GroupItem values (1, null, 't', 1, 2, '>=', '<');");
    const QString checked = env.path("check.mdb");
    run(checked, tables.arg(", check (ID < 100)"));
    const QString indexed = env.path("index.mdb");
    run(indexed, tables.arg("") + "create index i on DT_GroupItem (lower(Title));");
    const QString good = env.path("good.mdb");
    exportTo(good);
    QFile g(good);
    const QByteArray goodBytes = [&] {
        g.open(QIODevice::ReadOnly);
        return g.readAll();
    }();
    g.close();
    const QString cut = env.path("cut.mdb");
    {
        QFile f(cut);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(goodBytes.left(goodBytes.size() - 1));
    }
    const struct {
        QString file;
        QString reason;
        bool fullTemp;
    } cases[] = {
        {notDb, "不是有效的数据文件", false},
        {fewColumns, "缺少字段", false},
        {badItems, "NOT NULL", false},
        {cut, "不完整", false},
        {checked, "检查约束", false},
        {indexed, "按表达式或条件建立的索引\"i\"", false},
        {good, "复制到临时文件夹", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file.toStdString());
        prompter.shown.clear();
        {
            std::optional<FullFolder> full;
            if (c.fullTemp)
                full.emplace(env.path("temp"), 8 << 10);
            importFrom(c.file);
        }
        ASSERT_EQ(prompter.shown.size(), 1);
        EXPECT_TRUE(prompter.shown[0].startsWith("运行中发生错误：")) << prompter.shown[0].toStdString();
        EXPECT_TRUE(prompter.shown[0].contains(c.reason)) << prompter.shown[0].toStdString();
        EXPECT_FALSE(prompter.shown[0].contains("~SM")) << prompter.shown[0].toStdString();
        EXPECT_TRUE(prompter.shown[0].endsWith(",请与软件发行者联系。"));
        EXPECT_EQ(groups() + "/" + items(), before);
        EXPECT_EQ(QDir(env.path("temp")).entryList(QDir::Files | QDir::Hidden), QStringList());
    }
    EXPECT_FALSE(SysConnection().inTransaction());
}

// A valid grouping file in WAL mode, in a folder nobody may write, with 600 views building on
// each other, is imported from a private copy: nothing is made beside it, nothing stays behind.
TEST_F(GroupExchangeTest, AValidFileInAnUnusualShapeIsImportedFromAPrivateCopy)
{
    const TempFolderAt temp(env.path("temp"));
    const QString folder = env.path("ro");
    ReadOnlyFolder readOnly(folder);
    const QString file = QDir(folder).filePath("groups.mdb");
    exportTo(file);
    QString views = "PRAGMA journal_mode=WAL; begin; create view v0 as select * from CT_Group;";
    for (int i = 1; i < 600; ++i)
        views += QString("create view v%1 as select * from v%2;").arg(i).arg(i - 1);
    run(file, views + "commit;");
    readOnly.seal();
    const QString before = groups() + "/" + items();
    const QStringList beside = QDir(folder).entryList(QDir::Files | QDir::Hidden);
    SysConnection().execute("delete from ct_group");
    prompter.shown.clear();
    importFrom(file);
    EXPECT_EQ(prompter.shown, QStringList({"数据分组导入操作完成！"}));
    EXPECT_EQ(groups() + "/" + items(), before);
    EXPECT_EQ(QDir(folder).entryList(QDir::Files | QDir::Hidden), beside);
    EXPECT_EQ(QDir(env.path("temp")).entryList(QDir::Files | QDir::Hidden), QStringList());
}

TEST_F(GroupExchangeTest, AMissingFileAndACancelledDialog)
{
    importFrom(env.path("nowhere"));
    EXPECT_EQ(prompter.shown, QStringList({"您选择的文件并不存在，请选择其它文件。"}));
    prompter.shown.clear();
    importFrom(QString());
    exportTo(QString());
    EXPECT_TRUE(prompter.shown.isEmpty());
    ASSERT_EQ(prompter.fileDialogs.size(), 3);
    EXPECT_EQ(prompter.fileDialogs[0].title, "选择导入文件");
}
} // namespace
