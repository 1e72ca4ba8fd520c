#include "db/WorkingDatabase.h"
#include "widgets/SaveFileDialog.h"
#include "widgets/ScriptedPrompter.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>

namespace {
void touch(const QString& path)
{
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write("older");
}
} // namespace

// The dialog gives a name; the procedure applies the extension rule and then asks, or refuses,
// about the file that will be written, opening the dialog again after "否" or a refusal.
TEST(ChooseSaveFile, AsksAboutTheFinalNameAndRefusesTheWorkingDatabase)
{
    TestEnvironment env;
    ASSERT_EQ(OpenWorkingDatabase().status, OpenDatabaseResult::Opened);
    const QString folder = QFileInfo(env.path("x")).absolutePath();
    const QString source = env.path("view.dll");
    touch(env.path("typed"));       // the name as typed: never written, never asked about
    touch(env.path("kept.xlsx"));
    ASSERT_TRUE(QFile::link(source, env.path("tpl.xlsx")));
    touch(source);
    const QString working = CurrentDatabasePath;
    const QString workingTyped = working.left(working.size() - 4); // "…/2012NB_zul"

    const struct {
        const char* name;
        QVariantList answers;
        FileNameRule rule;
        QString result;
        QStringList shown; // messages and questions, in order
        int dialogs;
    } cases[] = {
        {"a new name gets the extension", {env.path("new")}, KeepShortNames(".xlsx"), env.path("new.xlsx"), {}, 1},
        {"the typed name exists, the final one not", {env.path("typed")}, KeepShortNames(".xlsx"),
         env.path("typed.xlsx"), {}, 1},
        {"replacing the final name, yes", {env.path("kept"), AnswerYes}, KeepShortNames(".xlsx"),
         env.path("kept.xlsx"), {ReplaceFileQuestion(env.path("kept.xlsx"))}, 1},
        {"replacing the final name, no, then cancelled", {env.path("kept"), AnswerNo}, KeepShortNames(".xlsx"),
         QString(), {ReplaceFileQuestion(env.path("kept.xlsx"))}, 2},
        {"the working database, then another name", {workingTyped, env.path("other")}, KeepShortNames(".mdb"),
         env.path("other.mdb"),
         {QStringLiteral("不能把数据导出到正在使用的数据库文件“%1”，请选择其它文件").arg(working)}, 2},
        {"the export's own source under another name", {env.path("tpl")}, ExtendShortNames(".xlsx"), QString(),
         {QStringLiteral("不能把数据导出到正在读取的文件“%1”，请选择其它文件").arg(env.path("tpl.xlsx"))}, 2},
        {"blanks only", {QString("   ")}, KeepShortNames(".xlsx"), QString(), {}, 1},
        {"cancelled", {QVariant()}, KeepShortNames(".xlsx"), QString(), {}, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedPrompter prompter;
        for (const QVariant& a : c.answers)
            prompter.answer(a);
        FileDialogOptions dialog;
        dialog.title = "导出文件存放为";
        dialog.folder = folder;
        dialog.fileName = "proposed";
        EXPECT_EQ(ChooseSaveFile(dialog, c.rule, {source}), c.result);
        EXPECT_EQ(prompter.shown, c.shown);
        for (const QString& caption : prompter.captions)
            EXPECT_EQ(caption, ReplaceFileCaption());
        ASSERT_EQ(prompter.fileDialogs.size(), c.dialogs);
        EXPECT_EQ(prompter.fileDialogs[0].fileName, "proposed");
        if (c.dialogs > 1) {
            // the dialog opens again on the name that was refused or not replaced
            const QFileInfo again(ApplyFileNameRule(c.answers[0].toString(), c.rule));
            EXPECT_EQ(prompter.fileDialogs[1].folder, again.absolutePath());
            EXPECT_EQ(prompter.fileDialogs[1].fileName, again.fileName());
        }
    }
    EXPECT_EQ(ReplaceFileQuestion("/d/结果.xlsx"), "“/d/结果.xlsx”已经存在。\n要替换它吗？");
}
