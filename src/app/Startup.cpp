#include "app/Startup.h"

#include "base/Environment.h"
#include "app/Main.h"
#include "base/ProductVersion.h"
#include "widgets/Prompter.h"
#include "base/SettingsStore.h"
#include "app/dlgAbout.h"
#include "db/WorkingDatabase.h"

QString StatusBarVersionText(int buildNumber)
{
    return QStringLiteral("开发单位：Morvane\u3000软件版本：1.0 (Build %1)").arg(buildNumber);
}

bool RunStartup(TMainForm& mainForm, const StartupOptions& options)
{
    LoadEnvironmentSettings(QStringLiteral("Tallyra"));

    const OpenDatabaseResult opened = OpenWorkingDatabase();
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
    mainForm.setWindowTitle(QStringLiteral("Tallyra - ") + DatabaseLabel);
    mainForm.setShowGrid(RegReadInteger(QStringLiteral("ShowGrid"), 1, SettingsRoot::LocalMachine, ProductKey()) == 1);
    mainForm.BuildRecordList();

    QString error;
    if (!ReadProductVersion(ProductVersion(), &error)) {
        CurrentPrompter().message(error);
        return true;
    }
    mainForm.setVersionText(StatusBarVersionText(ProductVersion().buildNumber));
    if (options.splash) {
        TdlgAboutForm splash(ProductVersion().buildNumber, {});
        splash.StartSplash();
        splash.exec();
    }
    GroupingTableNames();
    return true;
}

const QStringList& GroupingTableNames()
{
    static const QStringList names = {QStringLiteral("CT_Group"), QStringLiteral("DT_GroupItem")};
    return names;
}
