#include "app/Main.h"
#include "app/Startup.h"
#include "summary/GroupExchange.h"
#include "db/DatabaseFile.h"
#include "db/WorkingDatabase.h"
#include "exchange/ExchangeActions.h"
#include "query/SaveQuery.h"
#include "summary/DataList.h"
#include "summary/GroupExchangeUi.h"
#include "summary/dlgSaveList.h"
#include "widgets/SaveFileDialog.h"
#include "widgets/ScriptedPrompter.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPushButton>
#include <gtest/gtest.h>

#include <functional>

namespace {
QByteArray bytesOf(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The main window on a working database of finished returns, as a clerk has it before an export.
class SaveTargetsTest : public ::testing::Test {
protected:
    TestEnvironment env;
    ScriptedPrompter prompter;
    std::unique_ptr<TMainForm> form;

    void SetUp() override
    {
        Connection db;
        db.open(env.systemDataFile());
        for (int i = 1; i <= 3; ++i)
            db.execute("insert into dt_data (c901, c902, c903, c904, c905, c906, c907, RecordState) "
                       "values (?1, ?2, 110101, 3, '张伟', '010-1', 1, 1)",
                       {qlonglong(110101000000LL + i), QStringLiteral("工会%1").arg(i)});
        db.close();
        form = std::make_unique<TMainForm>();
        ASSERT_TRUE(RunStartup(*form, {false}));
    }

    // Every save dialog of the program, with the answers its action asks for before the file.
    struct SaveDialog {
        const char* name;
        QString extension;
        QStringList before;
        std::function<void()> run;
        QString written; // the start of the message after the file was written
    };
    QList<SaveDialog> saveDialogs()
    {
        const auto result = [] { return SysConnection().query("select c901, c902 from dt_data order by c901"); };
        return {
            {"result workbook", ".xlsx", {},
             [result] {
                 RowSet rows = result();
                 SaveQueryAsExcel(rows, "Tallyra查询结果", DataListColumns(rows));
             },
             "Excel文件已经正确导出到：'"},
            {"result database", ".mdb", {},
             [result] {
                 RowSet rows = result();
                 SaveQueryAsAccess(rows, "Tallyra查询结果");
             },
             "Access文件已经正确导出到：'"},
            {"data list", ".xlsx", {},
             [] {
                 TdlgSaveListForm list;
                 list.show();
                 list.button("tbSave")->click();
             },
             "Excel文件已经正确导出到：'"},
            {"grouping export", ".mdb", {}, [] { ExportGroupingTablesUi(CurrentDatabasePath, GroupingTableNames()); },
             "数据已经被正确导出到：'"},
            {"upload CSV", ".csv", {}, [] { ExportUploadCsv(); }, "导出上报数据成功"},
            {"package", ".dat", {"东城区总工会"}, [] { ExportReturns(); }, "数据已经被正确导出到：'"},
            {"backup", ".mdb", {}, [this] { form->actBackupExecute(); }, "备份成功"},
        };
    }
    void answer(const QStringList& before, const QVariantList& then)
    {
        prompter.shown.clear();
        prompter.questions.clear();
        prompter.fileDialogs.clear();
        for (const QString& a : before)
            prompter.answer(a);
        for (const QVariant& a : then)
            prompter.answer(a);
    }
};
} // namespace

// Typed without its extension, the name of an existing file is asked about as the dialog will
// write it: "否" keeps the file and opens the dialog again on that name, "是" replaces it.
TEST_F(SaveTargetsTest, EverySaveDialogAsksAboutTheFileItWillWrite)
{
    const QList<SaveDialog> dialogs = saveDialogs();
    for (int i = 0; i < dialogs.size(); ++i) {
        const SaveDialog& d = dialogs[i];
        SCOPED_TRACE(d.name);
        const QString typed = QDir(env.documentsFolder()).filePath(QString("export%1").arg(i));
        const QString written = typed + d.extension;
        if (d.extension == ".mdb")
            CreateEmptyDatabase(written); // an earlier export the writer may open
        else
            QFile(written).open(QIODevice::WriteOnly);
        const QByteArray older = bytesOf(written);

        answer(d.before, {typed, AnswerNo});
        d.run();
        EXPECT_EQ(prompter.questions, QStringList({ReplaceFileQuestion(written)}));
        EXPECT_TRUE(prompter.captions.endsWith(ReplaceFileCaption()));
        EXPECT_EQ(bytesOf(written), older);
        ASSERT_EQ(prompter.fileDialogs.size(), 2) << "the dialog opens again";
        EXPECT_EQ(prompter.fileDialogs[1].fileName, QFileInfo(written).fileName());

        answer(d.before, {typed, AnswerYes});
        d.run();
        EXPECT_EQ(prompter.questions, QStringList({ReplaceFileQuestion(written)}));
        ASSERT_FALSE(prompter.shown.isEmpty());
        EXPECT_TRUE(prompter.shown.last().startsWith(d.written)) << prompter.shown.last().toStdString();
        EXPECT_NE(bytesOf(written), older);
    }
}

// The working database under any name (here a link with the dialog's extension, typed without
// it) is refused with a plain message before any question; it stays as it was and the session
// goes on writing. The package's template, which it reads, is refused the same way.
TEST_F(SaveTargetsTest, EverySaveDialogRefusesTheWorkingDatabase)
{
    const QList<SaveDialog> dialogs = saveDialogs();
    for (int i = 0; i < dialogs.size(); ++i) {
        const SaveDialog& d = dialogs[i];
        SCOPED_TRACE(d.name);
        const QString typed = QDir(env.documentsFolder()).filePath(QString("work%1").arg(i));
        const QString link = typed + d.extension;
        ASSERT_TRUE(QFile::link(CurrentDatabasePath, link));
        const QByteArray before = bytesOf(CurrentDatabasePath);

        answer(d.before, {typed});
        d.run();
        EXPECT_TRUE(prompter.shown.contains(QStringLiteral("不能把数据导出到正在使用的数据库文件“%1”，请选择其它文件").arg(link)))
            << prompter.shown.join(" | ").toStdString();
        EXPECT_TRUE(prompter.questions.isEmpty());
        EXPECT_EQ(prompter.fileDialogs.size(), 2) << "the dialog opens again";
        EXPECT_EQ(bytesOf(CurrentDatabasePath), before);
        EXPECT_TRUE(QFileInfo(link).isSymLink());
        EXPECT_NO_THROW(SysConnection().execute("update dt_data set c905='李四' where c901=110101000001"));
        EXPECT_TRUE(SysConnection().hasTable("DT_GroupItem"));
    }

    const QString typed = QDir(env.documentsFolder()).filePath("template");
    ASSERT_TRUE(QFile::link(QDir(env.programFolder()).filePath("view.dll"), typed + ".dat"));
    answer({"东城区总工会"}, {typed});
    ExportReturns();
    EXPECT_TRUE(prompter.shown.contains(QStringLiteral("不能把数据导出到正在读取的文件“%1”，请选择其它文件").arg(typed + ".dat")))
        << prompter.shown.join(" | ").toStdString();
}
