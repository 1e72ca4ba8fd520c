#include "app/Startup.h"

#include "base/Environment.h"
#include "app/Main.h"
#include "base/Paths.h"
#include "base/ProductVersion.h"
#include "base/WorkingFiles.h"
#include "summary/ChoiceFile.h"
#include "widgets/Prompter.h"
#include "base/SettingsStore.h"
#include "app/dlgAbout.h"
#include "db/WorkingDatabase.h"
#include "db/WorkingSchema.h"

#include <future>

QString StatusBarVersionText(int buildNumber)
{
    return QStringLiteral("开发单位：Morvane\u3000软件版本：1.0 (Build %1)").arg(buildNumber);
}

namespace {
// What the program writes "beside the program": installed, these live in the user's data
// folder, seeded from the delivered files.
QStringList workingFileNames()
{
    return {QString::fromLatin1(SystemDataFileName()), QString::fromUtf8(SumTableFileName()),
            QString::fromUtf8(ExportTableFileName())};
}

// The record list read on a thread of its own, over a connection of its own, while the splash
// shows; the main thread meanwhile keeps the splash moving.
std::future<RowSet> readRecordListAsync(const QString& path)
{
    return std::async(std::launch::async, [path] {
        Connection connection;
        connection.open(path);
        return connection.query(ReportQuerySql());
    });
}

// Hands the list read on the worker to the main window, which re-queries it on the shared
// connection from then on. A read that failed is left to BuildRecordList, which reads again and
// shows why.
void adoptRecordList(TMainForm& mainForm, std::future<RowSet>& reading)
{
    if (!reading.valid())
        return;
    try {
        RowSet rows = reading.get();
        rows.setSource(&SysConnection(), ReportQuerySql());
        rows.setKeyColumn(QStringLiteral("c901"));
        mainForm.reportQuery() = std::move(rows);
    } catch (...) {
    }
}
} // namespace

bool RunStartup(TMainForm& mainForm, const StartupOptions& options)
{
    LoadEnvironmentSettings(QStringLiteral("Tallyra"));

    QString seedError;
    if (!SeedWorkingFiles(ProgramFolder(), WorkingFolder(), workingFileNames(), &seedError)) {
        CurrentPrompter().message(QStringLiteral("运行中发生错误：") + seedError);
        return false;
    }
    OpenDatabaseResult opened = OpenWorkingDatabase();
    if ((opened.status == OpenDatabaseResult::Opened || opened.status == OpenDatabaseResult::LabelUnreadable)
        && !MissingSchemaObject(SysConnection()).isEmpty()) {
        SysConnection().close();
        opened.status = OpenDatabaseResult::InstallBroken;
    }
    switch (opened.status) {
    case OpenDatabaseResult::FileMissing:
        CurrentPrompter().message(QStringLiteral("没有找到系统数据文件，请重新安装。"));
        return false;
    case OpenDatabaseResult::InstallBroken:
        CurrentPrompter().message(QStringLiteral("软件安装不正确，请与软件提供者联系！"));
        return false;
    case OpenDatabaseResult::LabelUnreadable:
        // The file opened but is damaged: say why and go on with the window as far as it is.
        CurrentPrompter().message(opened.error);
        mainForm.setWindowTitle(QStringLiteral("Tallyra - ") + DatabaseLabel);
        return true;
    case OpenDatabaseResult::Opened:
        break;
    }
    // Either way the program goes on with what the file holds.
    if (opened.readOnly)
        CurrentPrompter().message(NewerSchemaText(opened.schemaVersion));
    if (!opened.upgradeError.isEmpty())
        CurrentPrompter().message(UpgradeFailedText(opened.upgradeError));
    mainForm.setWindowTitle(QStringLiteral("Tallyra - ") + DatabaseLabel);
    mainForm.setShowGrid(RegReadInteger(QStringLiteral("ShowGrid"), 1, SettingsRoot::LocalMachine, ProductKey()) == 1);
    // With a splash the list is read while it shows, so the window is ready when it ends.
    std::future<RowSet> reading;
    if (options.splash && mainForm.showGrid())
        reading = readRecordListAsync(CurrentDatabasePath);
    auto buildRecordList = [&] {
        adoptRecordList(mainForm, reading);
        mainForm.BuildRecordList();
    };

    QString error;
    if (!ReadProductVersion(ProductVersion(), &error)) {
        buildRecordList();
        CurrentPrompter().message(error);
        return true;
    }
    mainForm.setVersionText(StatusBarVersionText(ProductVersion().buildNumber));
    if (options.splash) {
        TdlgAboutForm splash(ProductVersion().buildNumber, {});
        splash.StartSplash();
        splash.exec();
    }
    buildRecordList();
    return true;
}
