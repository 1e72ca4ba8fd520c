#include "base/Gbk.h"
#include "app/Main.h"
#include "app/Startup.h"
#include "db/WorkingDatabase.h"
#include "logic/BatchCheck.h"
#include "logic/BatchRuleSet.h"
#include "logic/RuleText.h"
#include "logic/ProgressBar.h"
#include "logic/dlgCheck.h"
#include "widgets/ScriptedPrompter.h"
#include "support/FileSizeLimit.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QTimer>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QTest>
#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>

namespace {
class BatchCheckTest : public ::testing::Test {
protected:
    TestEnvironment env;
    ScriptedPrompter prompter;
    QString report;
    const QDateTime start{QDate(2026, 12, 9), QTime(8, 5)};

    void SetUp() override
    {
        ASSERT_EQ(OpenWorkingDatabase().status, OpenDatabaseResult::Opened);
        report = BatchReportPath(env.documentsFolder(), DatabaseLabel);
    }
    // A county union's return that passes every check; `set` breaks what a test needs.
    void add(qint64 code, const QString& set = QString(), int state = 1)
    {
        SysConnection().execute(
            "insert into dt_data (c901, c902, c903, c904, c905, c906, c907, RecordState, z001, z004, x001, x003) "
            "values (?1, ?2, 110101, 3, '张伟', '010-1', ?3, 0, 1, 1, 1, 1)",
            {code, QStringLiteral("工会%1").arg(code % 1000), state});
        if (!set.isEmpty())
            SysConnection().execute("update dt_data set " + set + " where c901=?1", {code});
    }
    int stateOf(qint64 code)
    {
        return SysConnection().scalar("select RecordState from dt_data where c901=?1", {code}).toInt();
    }
    QByteArray reportBytes()
    {
        QFile f(report);
        f.open(QIODevice::ReadOnly);
        return f.readAll();
    }
    QByteArray lines(const QStringList& text)
    {
        QByteArray out;
        for (const QString& line : text)
            out += GbkEncode(line) + "\r\n";
        return out;
    }
    QStringList head()
    {
        return {"#2012基层以上调查表逻辑检查结果", "#检查时间：2026年12月09日 08:05", "", ""};
    }
};
} // namespace

TEST_F(BatchCheckTest, ReportForAReturnWithTwoFailures)
{
    add(110101000001, "z003=5, x002=3, x003=3, x001=3, z008=2"); // z003<=z001 and x002<=z002+z009 fail
    const BatchCheckResult r = RunBatchCheck(SysConnection(), AllRecordsCheckSql(), report, start, true);
    EXPECT_EQ(r.failedRecords, 1);
    EXPECT_EQ(r.failedChecks, 2);
    QStringList expected = head();
    expected << "110101000001  工会1的数据有错误" << QString(80, '-');
    expected << "  判断规则：z003<=z001" << "  规则说明：" + RenderRuleText("z003[<=]z001") << "";
    expected << "  判断规则：x002<=z002+z009" << "  规则说明：" + RenderRuleText("x002[<=]z002+z009") << "";
    expected << QString(49, '=') << "共有1个单位的数据存在逻辑错误！" << "共有2个逻辑错误项！";
    EXPECT_EQ(reportBytes(), lines(expected));
    EXPECT_TRUE(RenderRuleText("z003[<=]z001").startsWith("["));
    EXPECT_EQ(stateOf(110101000001), 2);
}

TEST_F(BatchCheckTest, TotalsCountRecordsAndChecks)
{
    add(110101000001, "z003=5, z002=5, p005=1"); // three failures in one return
    add(110101000002);
    add(110101000003, "z008=1, z009=2");
    const BatchCheckResult r = RunBatchCheck(SysConnection(), AllRecordsCheckSql(), report, start, true);
    EXPECT_EQ(r.checkedRecords, 3);
    EXPECT_EQ(r.failedRecords, 2);
    EXPECT_EQ(r.failedChecks, 4);
    EXPECT_TRUE(reportBytes().endsWith(lines({QString(49, '='), "共有2个单位的数据存在逻辑错误！", "共有4个逻辑错误项！"})));
    EXPECT_EQ(stateOf(110101000001), 2);
    EXPECT_EQ(stateOf(110101000002), 1);
    EXPECT_EQ(stateOf(110101000003), 2);
}

TEST_F(BatchCheckTest, ReturnsThatReportNoDataAreNotChecked)
{
    add(110101000001, "z003=5", 3);
    add(110101000002, "z003=5", 4);
    RunBatchCheckAndReport(SelectedRecordsCheckSql({"110101000001", "110101000002"}), nullptr);
    EXPECT_EQ(prompter.shown.last(), "恭喜你，所检查的数据没有逻辑错误");
    EXPECT_EQ(reportBytes(), lines({"#2012基层以上调查表逻辑检查结果",
                                    "#检查时间：" + QDateTime::currentDateTime().toString("yyyy年MM月dd日 HH:mm"), "", ""}));
    EXPECT_EQ(stateOf(110101000001), 0);
    EXPECT_TRUE(prompter.opened.isEmpty());
}

TEST_F(BatchCheckTest, AFailingRunOpensTheReport)
{
    add(110101000001, "z003=5");
    RunBatchCheckAndReport(AllRecordsCheckSql(), nullptr);
    EXPECT_EQ(prompter.opened, QStringList{report});
    EXPECT_TRUE(prompter.shown.isEmpty());
}

TEST_F(BatchCheckTest, AStopKeepsTheStatesAndEntriesSoFar)
{
    for (int i = 1; i <= 6; ++i)
        add(110101000000 + i, i % 2 ? "z003=5" : QString());
    BatchCheckHooks hooks;
    int steps = 0;
    hooks.stepped = [&] { ++steps; };
    hooks.stopped = [&] { return steps >= 3; };
    const BatchCheckResult r = RunBatchCheck(SysConnection(), "select * from dt_data where c907<=2 order by c901",
                                             report, start, true, hooks);
    EXPECT_TRUE(r.stopped);
    EXPECT_EQ(r.checkedRecords, 3);
    EXPECT_EQ(stateOf(110101000001), 2);
    EXPECT_EQ(stateOf(110101000002), 1);
    EXPECT_EQ(stateOf(110101000003), 2);
    EXPECT_EQ(stateOf(110101000004), 0);
    const QByteArray bytes = reportBytes();
    EXPECT_TRUE(bytes.contains(GbkEncode("110101000003  工会3的数据有错误")));
    EXPECT_FALSE(bytes.contains(GbkEncode("110101000005")));
    EXPECT_FALSE(bytes.contains("====="));
}

TEST_F(BatchCheckTest, NothingAdvancesWhilePaused)
{
    for (int i = 1; i <= 3; ++i)
        add(110101000000 + i);
    BatchCheckHooks hooks;
    int polls = 0, steps = 0, stepsWhilePaused = 0;
    bool paused = false;
    hooks.paused = [&] {
        ++polls;
        paused = polls >= 2 && polls < 6; // paused for four turns after the first record
        return paused;
    };
    hooks.stepped = [&] {
        ++steps;
        if (paused)
            ++stepsWhilePaused;
    };
    hooks.processEvents = [] {};
    const BatchCheckResult r = RunBatchCheck(SysConnection(), AllRecordsCheckSql(), report, start, true, hooks);
    EXPECT_EQ(r.checkedRecords, 3);
    EXPECT_EQ(steps, 3);
    EXPECT_EQ(stepsWhilePaused, 0);
    EXPECT_GE(polls, 7);
}

TEST_F(BatchCheckTest, AnUnwritableReportEndsTheRunAndSaysWhy)
{
    add(110101000001, "z003=5");
    EXPECT_THROW(RunBatchCheck(SysConnection(), AllRecordsCheckSql(), env.path("no/such/folder/r.txt"), start, true),
                 ReportFileError);
    EXPECT_EQ(stateOf(110101000001), 0);
}

TEST_F(BatchCheckTest, ReportNamesKeepToWhatAFileNameHolds)
{
    EXPECT_TRUE(BatchReportPath("/d", "默认数据库").endsWith("/2012基层以上-默认数据库-逻辑检查结果.txt"));
    EXPECT_TRUE(BatchReportPath("/d", "a/b:c").endsWith("/2012基层以上-a_b_c-逻辑检查结果.txt"));
    EXPECT_EQ(RangeCheckSql(110101000001.0, 110101000002.0),
              "select * from dt_data where c907<=2 and c901>=110101000001.00 and c901<=110101000002.00");
}

TEST_F(BatchCheckTest, RangeWithToBelowFromChecksOneCode)
{
    for (int i = 1; i <= 3; ++i)
        add(110101000000 + i);
    TdlgCheckForm dialog;
    dialog.show();
    dialog.choice(2)->setChecked(true);
    dialog.fromBox()->setText("110101000002");
    dialog.toBox()->setText("110101000001");
    dialog.tbCheckClick();
    EXPECT_EQ(dialog.toBox()->text(), "110101000002");
    EXPECT_EQ(stateOf(110101000001), 0);
    EXPECT_EQ(stateOf(110101000002), 1);
    EXPECT_EQ(stateOf(110101000003), 0);
    EXPECT_EQ(prompter.shown.last(), "恭喜你，所检查的数据没有逻辑错误");
    EXPECT_TRUE(dialog.button("检  查")->isEnabled());
    EXPECT_EQ(dialog.height(), 172);
}

TEST_F(BatchCheckTest, AnEmptyRangeIsRefused)
{
    add(110101000001);
    TdlgCheckForm dialog;
    dialog.show();
    dialog.choice(2)->setChecked(true);
    dialog.fromBox()->setText("110101000001");
    dialog.tbCheckClick();
    EXPECT_EQ(prompter.shown, QStringList{"请输入逻辑检查的范围"});
    EXPECT_EQ(dialog.toBox()->text(), "0");
    EXPECT_EQ(stateOf(110101000001), 0);
    EXPECT_TRUE(dialog.choice(0)->isEnabled());
}

TEST_F(BatchCheckTest, TheDialogShowsProgressAndReturnsStopTheRun)
{
    for (int i = 1; i <= 4; ++i)
        add(110101000000 + i, "z003=5");
    TdlgCheckForm dialog;
    dialog.show();
    dialog.choice(1)->setChecked(true);
    // The first step presses "返  回": the run ends at its next turn.
    bool pressed = false;
    QObject::connect(dialog.bar(), &QProgressBar::valueChanged, &dialog, [&](int value) {
        if (value > 0 && !pressed) {
            pressed = true;
            EXPECT_TRUE(dialog.button("暂  停")->isEnabled());
            EXPECT_EQ(dialog.doneLabel()->text(), "已完成 0");
            dialog.tbReturnClick();
        }
    });
    dialog.tbCheckClick();
    EXPECT_TRUE(pressed);
    EXPECT_EQ(SysConnection().scalar("select count(*) from dt_data where RecordState=2").toInt(), 1);
    EXPECT_TRUE(prompter.opened.isEmpty());
    EXPECT_FALSE(reportBytes().contains("====="));
}

TEST_F(BatchCheckTest, PauseAndResumeSwitchTheButtons)
{
    TdlgCheckForm dialog;
    dialog.StartCheckProgress(10, 0);
    EXPECT_TRUE(dialog.timer()->isActive());
    dialog.tbPauseClick();
    EXPECT_TRUE(dialog.isPaused());
    EXPECT_FALSE(dialog.timer()->isActive());
    EXPECT_TRUE(dialog.button("继  续")->isEnabled());
    EXPECT_FALSE(dialog.button("暂  停")->isEnabled());
    dialog.tbResumeClick();
    EXPECT_FALSE(dialog.isPaused());
    EXPECT_TRUE(dialog.timer()->isActive());
    for (int i = 0; i < 10; ++i)
        dialog.StepCheckProgress();
    EXPECT_FALSE(dialog.timer()->isActive());
}

TEST_F(BatchCheckTest, CheckingTheSelectedRowsOfTheList)
{
    for (int i = 1; i <= 4; ++i)
        add(110101000000 + i, i == 3 ? "z003=5" : QString());
    TMainForm form;
    ASSERT_TRUE(RunStartup(form, {false}));
    QTableView* grid = form.recordGrid();
    grid->clearSelection(); // the clerk's click replaces the selection of the current row
    for (int row : {1, 2})
        grid->selectionModel()->select(grid->model()->index(row, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    form.CheckSelectedRecords();
    EXPECT_EQ(stateOf(110101000001), 0);
    EXPECT_EQ(stateOf(110101000002), 1);
    EXPECT_EQ(stateOf(110101000003), 2);
    EXPECT_EQ(stateOf(110101000004), 0);
    EXPECT_EQ(prompter.opened, QStringList{report});
    EXPECT_EQ(form.reportQuery().position(), 2); // the list ends on the last selected row
}

TEST_F(BatchCheckTest, EscapeDuringARunStopsIt)
{
    for (int i = 1; i <= 4; ++i)
        add(110101000000 + i, "z003=5");
    TdlgCheckForm dialog;
    dialog.show();
    dialog.choice(1)->setChecked(true);
    bool pressed = false;
    QObject::connect(dialog.bar(), &QProgressBar::valueChanged, &dialog, [&](int value) {
        if (value > 0 && !pressed) {
            pressed = true;
            dialog.tbPauseClick();
            QTest::keyClick(&dialog, Qt::Key_Escape);
        }
    });
    dialog.tbCheckClick();
    EXPECT_TRUE(pressed);
    EXPECT_TRUE(dialog.isStopRequested());
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(SysConnection().scalar("select count(*) from dt_data where RecordState=2").toInt(), 1);
    EXPECT_FALSE(SysConnection().inTransaction());
}

TEST_F(BatchCheckTest, AReportNoViewerTakesIsNamed)
{
    add(110101000001, "z003=5");
    prompter.openSucceeds = false;
    RunBatchCheckAndReport(AllRecordsCheckSql(), nullptr);
    EXPECT_EQ(prompter.shown, QStringList{"逻辑检查结果已经保存到：" + report});
}

TEST_F(BatchCheckTest, ADiskFullAtTheSummaryFailsTheRunAndKeepsTheLastReport)
{
    add(110101000001, "z003=5");
    add(110101000002);
    RunBatchCheck(SysConnection(), AllRecordsCheckSql(), report, start, true);
    const QByteArray complete = reportBytes();
    const QByteArray summary = lines({QString(49, '='), "共有1个单位的数据存在逻辑错误！", "共有1个逻辑错误项！"});
    ASSERT_TRUE(complete.endsWith(summary));
    {
        // The second run writes the same report; the disk fills where its summary begins.
        FileSizeLimit full(complete.size() - summary.size());
        EXPECT_THROW(RunBatchCheck(SysConnection(), AllRecordsCheckSql(), report, start, true), ReportFileError);
    }
    EXPECT_EQ(reportBytes(), complete);
    EXPECT_EQ(QDir(env.documentsFolder()).entryList(QDir::Files), QStringList{QFileInfo(report).fileName()});
    EXPECT_EQ(stateOf(110101000001), 2);
    EXPECT_EQ(stateOf(110101000002), 1);
}

TEST_F(BatchCheckTest, AFullReportFolderFailsARunWhereEveryReturnPasses)
{
    add(110101000001, "RecordState=1");
    {
        FileSizeLimit full(10);
        EXPECT_THROW(RunBatchCheck(SysConnection(), AllRecordsCheckSql(), report, start, true), ReportFileError);
    }
    EXPECT_FALSE(QFile::exists(report));
    EXPECT_TRUE(QDir(env.documentsFolder()).entryList(QDir::Files).isEmpty());
    EXPECT_EQ(stateOf(110101000001), 1);
    // Through the check action the clerk hears of it instead of the congratulation.
    {
        FileSizeLimit full(10);
        RunBatchCheckAndReport(AllRecordsCheckSql(), nullptr);
    }
    ASSERT_EQ(prompter.shown.size(), 1);
    EXPECT_TRUE(prompter.shown.first().startsWith("运行中发生错误：")) << prompter.shown.first().toStdString();
    EXPECT_FALSE(QFile::exists(report));
}

TEST_F(BatchCheckTest, StatesAreSetOnTheCheckedRowWhateverItsCodeHolds)
{
    SysConnection().execute(
        "insert into dt_data (c901, c902, c903, c904, c905, c906, c907, RecordState, z001, z004, x001, x003) "
        "values (null, '无编号', 110101, 3, '张伟', '010-1', 1, 0, 1, 1, 1, 1)");
    SysConnection().execute(
        "insert into dt_data (c901, c902, c903, c904, c905, c906, c907, RecordState, z001, z003, z004, x001, x003) "
        "values ('0 or 1=1', '文字编号', 110101, 3, '张伟', '010-1', 1, 0, 1, 5, 1, 1, 1)");
    add(110101000001);
    const BatchCheckResult r = RunBatchCheck(SysConnection(), AllRecordsCheckSql(), report, start, true);
    EXPECT_EQ(r.checkedRecords, 3);
    EXPECT_EQ(r.failedRecords, 1);
    EXPECT_EQ(SysConnection().scalar("select RecordState from dt_data where c901 is null").toInt(), 1);
    EXPECT_EQ(SysConnection().scalar("select RecordState from dt_data where c902='文字编号'").toInt(), 2);
    EXPECT_EQ(stateOf(110101000001), 1);
}

TEST_F(BatchCheckTest, CheckingTheSelectedRowsShowsTheProgressWindowAndTakesCodesAsNumbers)
{
    add(110101000001);
    add(110101000002);
    // a code stored as text by a file from elsewhere
    SysConnection().execute("insert into dt_data (c901, c902, c907, RecordState) values ('0 or 1=1', 'x', 1, 0)");
    TMainForm form;
    ASSERT_TRUE(RunStartup(form, {false}));
    QTableView* grid = form.recordGrid();
    QStringList statements;
    SysConnection().setStatementObserver([&](const QString& sql) { statements << sql; });
    TProgressBarForm& progress = ProgressBarForm();
    bool shownDuringTheRun = false;
    QObject::connect(progress.bar(), &QProgressBar::valueChanged, &progress,
                     [&] { shownDuringTheRun = shownDuringTheRun || progress.isVisible(); });
    int textRow = -1;
    for (int r = 0; r < grid->model()->rowCount(); ++r)
        if (form.reportQuery().textAt(r, form.reportQuery().columnIndex("c901")) == "0 or 1=1")
            textRow = r;
    ASSERT_GE(textRow, 0);
    struct Case {
        QList<int> rows;
        int checked; // returns whose state was set
    } cases[] = {{{textRow}, 0}, {{0, textRow}, 1}};
    for (const Case& c : cases) {
        SysConnection().execute("update dt_data set RecordState=0");
        grid->clearSelection();
        for (int row : c.rows)
            grid->selectionModel()->select(grid->model()->index(row, 0),
                                           QItemSelectionModel::Select | QItemSelectionModel::Rows);
        statements.clear();
        form.CheckSelectedRecords();
        for (const QString& sql : statements)
            EXPECT_FALSE(sql.contains("1=1")) << sql.toStdString();
        EXPECT_EQ(SysConnection().scalar("select count(*) from dt_data where RecordState<>0").toInt(), c.checked);
    }
    SysConnection().setStatementObserver({});
    EXPECT_TRUE(shownDuringTheRun);
    EXPECT_FALSE(progress.isVisible());
    EXPECT_EQ(progress.doneText()->text(), "已完成 1");
    EXPECT_EQ(progress.toDoText()->text(), "待完成 0");
}

TEST_F(BatchCheckTest, TheEndOfARunShowsTheFinalCountsAndTheRangeStaysWhileItRuns)
{
    for (int i = 1; i <= 3; ++i)
        add(110101000000 + i);
    TdlgCheckForm dialog;
    dialog.show();
    dialog.choice(2)->setChecked(true);
    dialog.fromBox()->setText("110101000001");
    dialog.toBox()->setText("110101000003");
    bool rangeOpenDuringTheRun = false;
    QObject::connect(dialog.bar(), &QProgressBar::valueChanged, &dialog, [&] {
        rangeOpenDuringTheRun = rangeOpenDuringTheRun || dialog.fromBox()->isEnabled() || dialog.toBox()->isEnabled();
    });
    dialog.tbCheckClick();
    EXPECT_FALSE(rangeOpenDuringTheRun);
    EXPECT_EQ(dialog.doneLabel()->text(), "已完成 3");
    EXPECT_EQ(dialog.toDoLabel()->text(), "待完成 0");
    EXPECT_TRUE(dialog.fromBox()->isEnabled());
    EXPECT_TRUE(dialog.toBox()->isEnabled());
    EXPECT_EQ(prompter.shown.last(), "恭喜你，所检查的数据没有逻辑错误");
}
