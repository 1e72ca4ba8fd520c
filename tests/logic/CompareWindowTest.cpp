#include "app/Main.h"
#include "app/Startup.h"
#include "base/SettingsStore.h"
#include "db/WorkingDatabase.h"
#include "entry/NumericEdit.h"
#include "entry/dlgSurveyData.h"
#include "logic/CompareFixture.h"
#include "logic/dlgCompare.h"
#include "query/QueryWindowSupport.h"
#include "support/OpenpyxlReader.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QTest>

#include <unistd.h>

namespace {
using compare_fixture::kBase;

class CompareWindowTest : public ::testing::Test {
protected:
    TestEnvironment env;
    ScriptedPrompter prompter;
    QString last;
    std::unique_ptr<TdlgSurveyDataForm> editor;
    int refreshed = 0;

    void SetUp() override
    {
        ASSERT_EQ(OpenWorkingDatabase().status, OpenDatabaseResult::Opened);
        last = env.path("2011.mdb");
        CopyDeliveredDatabase(last);
        Connection before;
        before.open(last);
        compare_fixture::FillBothYears(SysConnection(), before);
    }
    std::unique_ptr<TdlgCompareForm> open()
    {
        auto dialog = std::make_unique<TdlgCompareForm>(
            [this]() -> TdlgSurveyDataForm& {
                if (!editor)
                    editor = std::make_unique<TdlgSurveyDataForm>();
                return *editor;
            },
            [this] { ++refreshed; });
        dialog->show();
        return dialog;
    }
    // Runs with U = 0, so the hand-worked table of the fixture holds.
    std::unique_ptr<TdlgCompareForm> run()
    {
        auto dialog = open();
        dialog->fileBox()->setText(last);
        dialog->parameterBox(0)->setText("0");
        dialog->button("比  对")->click();
        return dialog;
    }
    static QString cell(QTableView* grid, int row, int column)
    {
        return grid->model()->index(row, column).data().toString();
    }
    static QStringList row(QTableView* grid, int r)
    {
        QStringList cells;
        for (int c = 0; c < grid->model()->columnCount(); ++c)
            cells << cell(grid, r, c);
        return cells;
    }
};
} // namespace

TEST_F(CompareWindowTest, ARunListsTheFlaggedValuesByScoreAndTheUnitsOfOneYear)
{
    auto dialog = run();
    EXPECT_TRUE(prompter.shown.isEmpty()) << prompter.shown.join('\n').toStdString();
    QTableView* flagged = dialog->grid(0);
    ASSERT_EQ(flagged->model()->rowCount(), 2);
    const QString caption = dialog->result().indicators[0].caption;
    EXPECT_EQ(row(flagged, 0), QStringList({"110101000001", "工会1", caption, "z001", "表1", "10", "1",
                                            "0.10", "减", "115.39"}));
    EXPECT_EQ(row(flagged, 1), QStringList({"110101000010", "工会10", caption, "z001", "表1", "10", "50",
                                            "5.00", "增", "49.50"}));
    EXPECT_EQ(flagged->model()->headerData(7, Qt::Horizontal).toString(), "比值");
    EXPECT_EQ(dialog->tabs()->tabText(0), "变动较大的数据（2）");
    EXPECT_EQ(dialog->tabs()->tabText(1), "本年未填报的单位（2）");
    EXPECT_EQ(dialog->tabs()->tabText(2), "本年新填报的单位（2）");
    EXPECT_EQ(row(dialog->grid(1), 0), QStringList({"110101000013", "工会13", "3 已撤销"}));
    EXPECT_EQ(row(dialog->grid(1), 1), QStringList({"110101000016", "工会16", "没有这个单位的记录"}));
    EXPECT_EQ(row(dialog->grid(2), 0), QStringList({"110101000014", "工会14", "没有这个单位的记录"}));
    EXPECT_EQ(row(dialog->grid(2), 1), QStringList({"110101000015", "工会15", "4 已合并"}));
    EXPECT_EQ(dialog->grid(2)->model()->headerData(2, Qt::Horizontal).toString(), "上年情况");
    EXPECT_TRUE(dialog->summary()->text().contains("比对了12个两年都填报数据的单位"));
    const int skipped = dialog->result().indicators.size() - 2;
    EXPECT_TRUE(
        dialog->summary()->text().contains(QStringLiteral("%1个指标可比的单位少于10个").arg(skipped)));
    EXPECT_EQ(dialog->tabs()->tabText(3), QStringLiteral("未比对的指标（%1）").arg(skipped));
    ASSERT_EQ(dialog->grid(3)->model()->rowCount(), skipped);
    EXPECT_EQ(row(dialog->grid(3), 0),
              QStringList({"z002", dialog->result().indicators[1].caption, "表1", "9"}));
    EXPECT_EQ(cell(dialog->grid(3), 1, 3), "0");
    EXPECT_TRUE(dialog->button("导  出")->isEnabled());
    EXPECT_FALSE(dialog->button("停  止")->isEnabled());
    // Advisory: no state changed.
    EXPECT_EQ(SysConnection().scalar("select count(*) from dt_data where RecordState<>1").toInt(), 0);
}

TEST_F(CompareWindowTest, FiltersByPageAndByIndicator)
{
    // A second flagged indicator on page 2: x001 with the same table.
    Connection before;
    before.open(last);
    for (int i = 1; i <= 10; ++i) {
        SysConnection().execute("update dt_data set x001=?1 where c901=?2",
                                {compare_fixture::kEven[10 - i], kBase + i});
        before.execute("update dt_data set x001=10 where c901=?1", {kBase + i});
    }
    auto dialog = run();
    QTableView* flagged = dialog->grid(0);
    ASSERT_EQ(flagged->model()->rowCount(), 4);
    QComboBox* pages = dialog->pageFilter();
    ASSERT_EQ(pages->count(), 3);
    EXPECT_EQ(pages->itemText(0), "全部");
    EXPECT_EQ(pages->itemText(1), "表1");
    EXPECT_EQ(pages->itemText(2), "表2");
    EXPECT_EQ(dialog->fieldFilter()->count(), 3);
    pages->setCurrentIndex(2);
    emit pages->activated(2);
    ASSERT_EQ(flagged->model()->rowCount(), 2);
    EXPECT_EQ(cell(flagged, 0, 3), "x001");
    EXPECT_EQ(cell(flagged, 0, 0), "110101000010");
    EXPECT_EQ(dialog->fieldFilter()->count(), 2);
    EXPECT_TRUE(dialog->fieldFilter()->itemText(1).startsWith("x001 "));
    EXPECT_TRUE(dialog->fieldFilter()->itemText(1).endsWith("（2）"));

    pages->setCurrentIndex(0);
    emit pages->activated(0);
    EXPECT_EQ(flagged->model()->rowCount(), 4);
    QComboBox* fields = dialog->fieldFilter();
    const int z001 = fields->findText("z001 ", Qt::MatchStartsWith);
    ASSERT_GT(z001, 0);
    fields->setCurrentIndex(z001);
    emit fields->activated(z001);
    ASSERT_EQ(flagged->model()->rowCount(), 2);
    EXPECT_EQ(cell(flagged, 0, 3), "z001");
    EXPECT_EQ(cell(flagged, 1, 3), "z001");
}

TEST_F(CompareWindowTest, ADoubleClickOpensTheReturnInTheEditorOnTheField)
{
    auto dialog = run();
    QTableView* flagged = dialog->grid(0);
    int page = -1;
    QWidget* focus = nullptr;
    qint64 opened = 0;
    {
        const ModalWatch watch = OnModal<TdlgSurveyDataForm>([&](TdlgSurveyDataForm& form) {
            QTest::qWait(50); // the jump follows the showing
            page = form.currentPage();
            focus = form.focusWidget();
            opened = form.OpenedKey;
            EXPECT_EQ(form.numeric("z001")->plainText(), "50"); // this year's value
            form.tbReturnClick();
        });
        const QModelIndex second = flagged->model()->index(1, 0);
        flagged->doubleClicked(second);
    }
    EXPECT_EQ(opened, kBase + 10);
    EXPECT_EQ(page, 1);
    ASSERT_TRUE(editor);
    EXPECT_EQ(focus, editor->control("z001"));
    EXPECT_EQ(refreshed, 1);

    // A unit new this year opens on its cover; one without a return this year opens nothing.
    {
        const ModalWatch watch = OnModal<TdlgSurveyDataForm>([&](TdlgSurveyDataForm& form) {
            QTest::qWait(50);
            page = form.currentPage();
            opened = form.OpenedKey;
            form.tbReturnClick();
        });
        dialog->grid(2)->doubleClicked(dialog->grid(2)->model()->index(0, 0));
    }
    EXPECT_EQ(opened, kBase + 14);
    EXPECT_EQ(page, 0);
    dialog->openRow(1, 1); // unit 16: no return this year
    EXPECT_EQ(refreshed, 2);
    EXPECT_TRUE(prompter.shown.isEmpty());
    // A return deleted since the run is named.
    SysConnection().execute("delete from dt_data where c901=?1", {kBase + 1});
    dialog->openRow(0, 0);
    EXPECT_EQ(prompter.shown, QStringList{"没有找到编号为110101000001的单位的数据"});
}

TEST_F(CompareWindowTest, TheExportWritesTheThreeListsToAWorkbook)
{
    auto dialog = run();
    const QString out = env.path("比对结果");
    prompter.answer(out);
    dialog->button("导  出")->click();
    ASSERT_EQ(prompter.fileDialogs.size(), 1);
    EXPECT_EQ(prompter.fileDialogs[0].filter, "Excel 文件(*.xlsx)|*.xlsx");
    EXPECT_TRUE(prompter.fileDialogs[0].fileName.startsWith("与上年数据比对-"));
    EXPECT_EQ(prompter.shown, QStringList{"比对结果已经正确导出到：'" + out + ".xlsx'"});
    const QJsonObject book = ReadWithOpenpyxl(out + ".xlsx");
    ASSERT_FALSE(book.contains("error"));
    const QJsonArray sheets = book["sheets"].toArray();
    ASSERT_EQ(sheets.size(), 4);
    EXPECT_EQ(sheets[0]["cells"]["C8"]["value"].toString(), "z001");
    EXPECT_EQ(sheets[0]["cells"]["I9"]["value"].toString(), "增");
    EXPECT_EQ(sheets[1]["cells"]["A7"]["value"].toDouble(), double(kBase + 16));
    EXPECT_EQ(sheets[2]["cells"]["A6"]["value"].toDouble(), double(kBase + 14));
}

TEST_F(CompareWindowTest, TheExportRefusesBothDatabasesAsItsTarget)
{
    auto dialog = run();
    auto bytes = [](const QString& path) {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    };
    // Names that end in .xlsx but are the two databases: a symbolic and a hard link.
    QFile::link(CurrentDatabasePath, env.path("link.xlsx"));
    ::link(QFile::encodeName(last).constData(), QFile::encodeName(env.path("hard.xlsx")).constData());
    const QByteArray working = bytes(CurrentDatabasePath), reference = bytes(last);
    struct Target {
        QString path;
        QString says;
    };
    for (const Target& t : {Target{env.path("link.xlsx"), "不能把数据导出到正在使用的数据库文件“" +
                                                              env.path("link.xlsx") + "”，请选择其它文件"},
                            Target{env.path("hard.xlsx"),
                                   "不能把数据导出到正在读取的文件“" + env.path("hard.xlsx") + "”，请选择其它文件"}}) {
        SCOPED_TRACE(t.path.toStdString());
        prompter.shown.clear();
        prompter.answer(t.path);
        dialog->button("导  出")->click();
        // Said as the clerk's choice to correct, not as a failure of the program.
        EXPECT_EQ(prompter.shown, QStringList{t.says});
    }
    // The database's own name gets the workbook's extension, so it is written beside it.
    prompter.shown.clear();
    prompter.answer(CurrentDatabasePath);
    dialog->button("导  出")->click();
    EXPECT_EQ(prompter.shown, QStringList{"比对结果已经正确导出到：'" + CurrentDatabasePath + ".xlsx'"});
    EXPECT_EQ(bytes(CurrentDatabasePath), working);
    EXPECT_EQ(bytes(last), reference);
    EXPECT_TRUE(QDir(env.path(QString())).entryList({"*.part"}, QDir::Files).isEmpty());
}

TEST_F(CompareWindowTest, TheFileAndTheParametersAreOfferedAgain)
{
    {
        auto dialog = run();
        dialog->parameterBox(2)->setText("3.5");
        dialog->button("比  对")->click();
        EXPECT_TRUE(prompter.shown.isEmpty());
    }
    auto again = open();
    EXPECT_EQ(again->fileBox()->text(), last);
    EXPECT_EQ(again->parameterBox(0)->text(), "0");
    EXPECT_EQ(again->parameterBox(1)->text(), "0.05");
    EXPECT_EQ(again->parameterBox(2)->text(), "3.5");
    // "选择..." starts in the folder of the file offered and takes the chosen one.
    prompter.answer(env.path("other.mdb"));
    again->button("选择...")->click();
    EXPECT_EQ(prompter.fileDialogs.last().folder, QFileInfo(last).absolutePath());
    EXPECT_EQ(again->fileBox()->text(), env.path("other.mdb"));
}

TEST_F(CompareWindowTest, WhatCannotRunIsSaidAndNothingIsShown)
{
    struct Case {
        QString file;
        QString u;
        QString says;
    };
    const QList<Case> cases{
        {"", "0.5", "请选择上年的数据文件"},
        {"LAST", "2", "参数U应在0到1之间"},
        {"LAST", "", "请输入参数U"},
        {"WORKING", "0.5", "上年的数据文件不能使用：所选的文件是正在使用的数据库，不能作为上年数据"},
        {"MISSING", "0.5", "上年的数据文件不能使用：找不到上年数据文件"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.says.toStdString());
        prompter.shown.clear();
        auto dialog = open();
        dialog->fileBox()->setText(c.file == "LAST"      ? last
                                   : c.file == "WORKING" ? env.systemDataFile()
                                   : c.file == "MISSING" ? env.path("missing.mdb")
                                                         : QString());
        dialog->parameterBox(0)->setText(c.u);
        dialog->button("比  对")->click();
        ASSERT_EQ(prompter.shown.size(), 1);
        EXPECT_TRUE(prompter.shown[0].startsWith(c.says)) << prompter.shown[0].toStdString();
        EXPECT_EQ(dialog->grid(0)->model()->rowCount(), 0);
        EXPECT_FALSE(dialog->button("导  出")->isEnabled());
        EXPECT_TRUE(dialog->button("比  对")->isEnabled());
    }
    // A refused file is not remembered.
    EXPECT_TRUE(StoredReferenceFile().isEmpty());
}

TEST_F(CompareWindowTest, TheStopEndsARunAndOnlyTheStopActsWhileItRuns)
{
    // Enough returns that the run lets events through before its end.
    for (Connection* c : {&SysConnection()}) {
        c->execute("with recursive n(i) as (select 1 union all select i+1 from n where i<30000) "
                   "insert into dt_data (c901, c902, c907, RecordState, z001) select 110102000000 + i, 'u', "
                   "1, 1, i from n");
    }
    {
        Connection before;
        before.open(last);
        before.execute("with recursive n(i) as (select 1 union all select i+1 from n where i<30000) "
                       "insert into dt_data (c901, c902, c907, RecordState, z001) select 110102000000 + i, "
                       "'u', 1, 1, i+1 from n");
    }
    auto dialog = open();
    dialog->fileBox()->setText(last);
    bool pressed = false;
    QObject::connect(dialog->bar(), &QProgressBar::valueChanged, dialog.get(), [&](int value) {
        if (value > 0 && !pressed) {
            pressed = true;
            EXPECT_TRUE(dialog->isRunning());
            EXPECT_FALSE(dialog->button("比  对")->isEnabled());
            EXPECT_FALSE(dialog->button("返  回")->isEnabled());
            EXPECT_FALSE(dialog->fileBox()->isEnabled());
            EXPECT_FALSE(dialog->tabs()->isEnabled());
            EXPECT_TRUE(dialog->button("停  止")->isEnabled());
            QTimer::singleShot(0, dialog.get(), [&] { dialog->button("停  止")->click(); });
        }
    });
    dialog->button("比  对")->click();
    EXPECT_TRUE(pressed);
    EXPECT_FALSE(dialog->isRunning());
    EXPECT_TRUE(dialog->result().flagged.isEmpty());
    EXPECT_EQ(dialog->grid(0)->model()->rowCount(), 0);
    EXPECT_TRUE(dialog->button("比  对")->isEnabled());
    EXPECT_FALSE(dialog->button("导  出")->isEnabled());
    EXPECT_TRUE(prompter.shown.isEmpty());
    EXPECT_TRUE(StoredReferenceFile().isEmpty());
}

TEST_F(CompareWindowTest, TheMainWindowOffersTheComparisonInTheCheckMenu)
{
    TMainForm form;
    ASSERT_TRUE(RunStartup(form, {false}));
    QMenu* check = nullptr;
    for (QAction* a : form.menuBar()->actions())
        if (a->text() == "逻辑检查")
            check = a->menu();
    ASSERT_TRUE(check);
    QAction* compare = form.action("与上年数据比对");
    ASSERT_TRUE(compare);
    EXPECT_TRUE(check->actions().contains(compare));
    QString title;
    {
        const ModalWatch watch = OnModal<TdlgCompareForm>([&](TdlgCompareForm& dialog) {
            title = dialog.windowTitle();
            dialog.close();
        });
        compare->trigger();
    }
    EXPECT_EQ(title, "与上年数据比对");
}
