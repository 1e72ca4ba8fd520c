#include "app/Main.h"
#include "base/ProductVersion.h"
#include "base/SettingsStore.h"
#include "app/Startup.h"
#include "app/dlgAbout.h"
#include "db/Connection.h"
#include "db/WorkingDatabase.h"
#include "widgets/ScriptedPrompter.h"
#include "support/TestEnvironment.h"

#include <QFile>
#include <QLabel>
#include <gtest/gtest.h>

TEST(Startup, TitlesTheWindowWithTheLabelAndShowsTheBuild)
{
    TestEnvironment env;
    ScriptedPrompter prompter;
    SetVersionSource([] {
        VersionResource r;
        r.fileVersion = "1.3.3.751";
        return r;
    });
    TMainForm form;
    EXPECT_TRUE(RunStartup(form, {false}));
    SetVersionSource(nullptr);
    EXPECT_EQ(form.windowTitle(), "Tallyra - 默认数据库");
    EXPECT_EQ(form.versionText(), QStringLiteral("开发单位：Morvane\u3000软件版本：1.0 (Build 751)"));
    EXPECT_TRUE(prompter.shown.isEmpty());
}

TEST(Startup, NoVersionResourceShowsMinusOne)
{
    EXPECT_EQ(StatusBarVersionText(-1), QStringLiteral("开发单位：Morvane\u3000软件版本：1.0 (Build -1)"));
}

TEST(Startup, EndsWhenTheSystemDataFileIsMissing)
{
    TestEnvironment env(TestEnvironment::Empty);
    ScriptedPrompter prompter;
    TMainForm form;
    EXPECT_FALSE(RunStartup(form, {false}));
    EXPECT_EQ(prompter.shown, QStringList{"没有找到系统数据文件，请重新安装。"});
}

TEST(Startup, EndsWhenTheSystemDataFileIsUnusable)
{
    TestEnvironment env(TestEnvironment::Empty);
    QFile f(env.systemDataFile());
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(QByteArray(4096, 'q'));
    f.close();
    ScriptedPrompter prompter;
    TMainForm form;
    EXPECT_FALSE(RunStartup(form, {false}));
    EXPECT_EQ(prompter.shown, QStringList{"软件安装不正确，请与软件提供者联系！"});
}

TEST(Startup, EmptyLabelLeavesTheCaptionBare)
{
    TestEnvironment env;
    {
        Connection db;
        db.open(env.systemDataFile());
        db.execute("delete from ct_label");
    }
    ScriptedPrompter prompter;
    TMainForm form;
    EXPECT_TRUE(RunStartup(form, {false}));
    EXPECT_EQ(form.windowTitle(), "Tallyra - ");
}

TEST(Startup, ShowGridSettingHidesTheList)
{
    TestEnvironment env;
    ScriptedPrompter prompter;
    {
        TMainForm form;
        RunStartup(form, {false});
        EXPECT_TRUE(form.showGrid());
    }
    RegWriteInteger("ShowGrid", 0, SettingsRoot::LocalMachine, ProductKey());
    TMainForm form;
    RunStartup(form, {false});
    EXPECT_FALSE(form.showGrid());
}

TEST(Startup, EndsWhenTheSystemDataFileLacksItsTables)
{
    struct Case {
        const char* what;
        const char* script; // run on the delivered file; empty: the file is made empty
    } cases[] = {
        {"an empty file", nullptr},
        {"no identity label", "drop table ct_label"},
        {"no survey data", "drop view view_data; drop table dt_data"},
        {"no field catalogue", "drop table dt_fieldlist"},
        {"no record list view", "drop view view_data"},
    };
    for (const Case& c : cases) {
        TestEnvironment env;
        if (c.script) {
            Connection db;
            db.open(env.systemDataFile());
            db.executeScript(c.script);
        } else {
            QFile f(env.systemDataFile());
            ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        }
        ScriptedPrompter prompter;
        TMainForm form;
        EXPECT_FALSE(RunStartup(form, {false})) << c.what;
        EXPECT_EQ(prompter.shown, QStringList{"软件安装不正确，请与软件提供者联系！"}) << c.what;
        EXPECT_FALSE(SysConnection().isOpen()) << c.what;
    }
}

TEST(Startup, TheSplashReadsTheListAndTheWindowHasItWhenItEnds)
{
    TestEnvironment env;
    {
        Connection db;
        db.open(env.systemDataFile());
        db.execute("insert into dt_data (c901, c902, c907, RecordState) values (110101000002, '乙', 1, 0), "
                   "(110101000001, '甲', 1, 1)");
    }
    ScriptedPrompter prompter;
    TMainForm form;
    ASSERT_TRUE(RunStartup(form, {true}));
    EXPECT_TRUE(prompter.shown.isEmpty());
    RowSet& list = form.reportQuery();
    ASSERT_TRUE(list.isOpen());
    ASSERT_EQ(list.recordCount(), 2);
    EXPECT_EQ(list.textAt(0, list.columnIndex("c902")), "甲");
    EXPECT_EQ(form.recordModel()->rowCount(), 2);
    // From now on the list re-reads on the shared connection.
    SysConnection().execute("delete from dt_data where c901=110101000002");
    form.keepPosition();
    EXPECT_EQ(list.recordCount(), 1);
}

TEST(Startup, TheAboutBoxNamesTheWorkingDatabase)
{
    TestEnvironment env;
    ScriptedPrompter prompter;
    TMainForm form;
    ASSERT_TRUE(RunStartup(form, {false}));
    {
        TdlgAboutForm about(1, {});
        EXPECT_EQ(about.pathLabel()->toolTip(), env.systemDataFile());
        EXPECT_TRUE(about.pathLabel()->text().startsWith("工作数据库：/"));
        EXPECT_TRUE(about.pathLabel()->text().endsWith("/program/2012NB_zul.mdb"));
    }
    // A path too long for the box loses its middle, never the file's name; the tip has it all.
    CurrentDatabasePath = "/home/" + QString(300, 'x') + "/.local/share/Tallyra/2012NB_zul.mdb";
    TdlgAboutForm about(1, {});
    const QLabel* label = about.pathLabel();
    EXPECT_TRUE(label->text().contains(QChar(0x2026)));
    EXPECT_TRUE(label->text().endsWith("2012NB_zul.mdb"));
    EXPECT_LE(label->fontMetrics().horizontalAdvance(label->text()), label->width());
    EXPECT_EQ(label->toolTip(), CurrentDatabasePath);
}
