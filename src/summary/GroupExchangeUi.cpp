#include "summary/GroupExchangeUi.h"

#include "base/SettingsStore.h"
#include "db/Connection.h"
#include "db/DbError.h"
#include "logic/ProgressBar.h"
#include "summary/GroupExchange.h"
#include "widgets/Prompter.h"
#include "widgets/SaveFileDialog.h"

#include <QApplication>
#include <QDir>
#include <QFile>

namespace {
const char* kTail = ",请与软件发行者联系。";

// The first folder of both file dialogs: the "Tallyra" shell folder value, created when it
// names a folder that does not exist yet; otherwise the current folder.
QString exchangeFolder()
{
    QString folder;
    try {
        folder = RegReadString(QStringLiteral("Tallyra"), QString(), SettingsRoot::CurrentUser, ShellFoldersKey());
    } catch (const SettingsError&) {
        folder.clear();
    }
    if (folder.isEmpty())
        return QDir::currentPath();
    QDir().mkpath(folder);
    return folder;
}

GroupExchangeHooks progressHooks()
{
    GroupExchangeHooks hooks;
    hooks.started = [](int total) {
        ProgressBarForm().StartProgress(total, 0);
        ProgressBarForm().StepProgress();
        ProgressBarForm().show();
    };
    hooks.stepped = [] { ProgressBarForm().StepProgress(); };
    hooks.processEvents = [] { QApplication::processEvents(); };
    return hooks;
}
} // namespace

void ExportGroupingTablesUi(const QString& source, const QStringList& tables)
{
    try {
        Connection check;
        check.open(source, Connection::Mode::ReadWrite);
    } catch (const DbError& e) {
        ShowRunError(e.message(), QString::fromUtf8(kTail));
        return;
    }
    FileDialogOptions options;
    options.title = QStringLiteral("导出文件存放为");
    options.filter = QStringLiteral("Access文件(*.mdb)|*.mdb");
    options.folder = exchangeFolder();
    const QString target = ChooseSaveFile(options, KeepShortNames(QStringLiteral(".mdb")), {source});
    if (target.isEmpty())
        return;
    try {
        ExportGroupingTables(source, target, tables, progressHooks());
        ProgressBarForm().hide();
        CurrentPrompter().message(QStringLiteral("数据已经被正确导出到：'") + target + QStringLiteral("'！"));
    } catch (const DbError& e) {
        ProgressBarForm().hide();
        ShowRunError(e.message(), QString::fromUtf8(kTail));
    }
}

void ImportGroupingTablesUi(Connection& db, const QStringList& tables)
{
    FileDialogOptions options;
    options.title = QStringLiteral("选择导入文件");
    options.filter = QStringLiteral("Access文件(*.mdb)|*.mdb");
    options.folder = exchangeFolder();
    const QString file =
        ApplyFileNameRule(CurrentPrompter().openFileName(options), KeepShortNames(QStringLiteral(".mdb")));
    if (file.isEmpty())
        return;
    if (!QFile::exists(file)) {
        CurrentPrompter().message(QStringLiteral("您选择的文件并不存在，请选择其它文件。"));
        return;
    }
    try {
        const QStringList missing = ImportGroupingTables(db, file, tables, progressHooks());
        ProgressBarForm().hide();
        for (const QString& table : missing)
            CurrentPrompter().message(QStringLiteral("您选择的文件中不存在名字为\"") + table + QStringLiteral("\"的数据表"));
        // Replacing the groupings removes their items (the schema's trigger): a file without items
        // leaves the imported groupings without any.
        if (tables.size() == 2 && !missing.contains(tables[0]) && missing.contains(tables[1]))
            CurrentPrompter().message(QStringLiteral("所选文件中只有分组，没有分组项：原有分组的分组项已随原有分组一起删除，"
                                                     "导入的分组还没有分组项。"));
        CurrentPrompter().message(QStringLiteral("数据分组导入操作完成！"));
    } catch (const DbError& e) {
        ProgressBarForm().hide();
        ShowRunError(e.message(), QString::fromUtf8(kTail));
    }
}
