#include "app/Main.h"
#include "app/NavigationBar.h"
#include "widgets/QuestionDialog.h"
#include "base/SettingsStore.h"
#include "app/Startup.h"
#include "app/dlgAbout.h"
#include "app/dlgOptionSetup.h"
#include "app/dlgShow.h"
#include "base/Environment.h"
#include "base/FileNameRule.h"
#include "db/WorkingDatabase.h"
#include "entry/NumericEdit.h"
#include "entry/dlgSurveyData.h"
#include "query/dlgDelete.h"
#include "query/dlgLocate.h"
#include "widgets/ScriptedPrompter.h"
#include "widgets/Application.h"
#include "widgets/RecordGrid.h"
#include "support/TestEnvironment.h"

#include <QAction>
#include <QCheckBox>
#include <QFile>
#include <QFileInfo>
#include <QProgressBar>
#include <QTimer>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QScrollArea>
#include <QPushButton>
#include <QStackedWidget>
#include <QTableView>
#include <QTest>
#include <QToolButton>
#include <QWheelEvent>
#include <gtest/gtest.h>

namespace {
// Returns with codes 110101000001.. and names 工会1.., levels and states for the list's words.
void addReturns(const QString& file, int count)
{
    Connection db;
    db.open(file);
    for (int i = 1; i <= count; ++i)
        db.execute("insert into dt_data (c901, c902, c903, c904, c905, c906, c907, RecordState) "
                   "values (?1, ?2, 110101, ?3, '张伟', '010-1', 1, 1)",
                   {qlonglong(110101000000LL + i), QStringLiteral("工会%1").arg(i), 1 + i % 10});
}

class MainFormTest : public ::testing::Test {
protected:
    TestEnvironment env;
    ScriptedPrompter prompter;
    std::unique_ptr<TMainForm> form;

    void start(int returns)
    {
        addReturns(env.systemDataFile(), returns);
        form = std::make_unique<TMainForm>();
        ASSERT_TRUE(RunStartup(*form, {false}));
    }
    QTableView& grid() { return *form->recordGrid(); }
    RowSet& rows() { return form->reportQuery(); }
    int columnOf(const QString& field)
    {
        const TFieldDataArray& f = form->fieldData();
        for (int i = 0; i < f.size(); ++i)
            if (f[i].FieldName == field)
                return i;
        return -1;
    }
    QString title(int column) { return form->recordModel()->headerData(column, Qt::Horizontal, Qt::DisplayRole).toString(); }
    void selectRows(std::initializer_list<int> positions)
    {
        grid().clearSelection();
        for (int p : positions)
            grid().selectionModel()->select(grid().model()->index(p, 0),
                                            QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
    qint64 count() { return SysConnection().scalar("select count(*) from dt_data").toLongLong(); }
};

const char* kNeedRows[] = {"修改选中的记录", "删除记录", "打印选中记录的年报表", "按条件查找定位数据", "按编号范围查找数据"};
const char* kAlways[] = {"添加新记录", "检查数据的逻辑", "指标查询", "数据汇总", "数据分组", "导出数据列表", "数据导入",
                         "数据备份", "上报到离线版", "上报到网络版", "压缩数据库文件", "参数设置", "检查选中数据的逻辑"};
} // namespace

TEST_F(MainFormTest, ActionsFollowTheList)
{
    start(0);
    for (const char* c : kNeedRows)
        EXPECT_FALSE(form->action(QString::fromUtf8(c))->isEnabled()) << c;
    for (const char* c : kAlways)
        EXPECT_TRUE(form->action(QString::fromUtf8(c))->isEnabled()) << c;
    EXPECT_TRUE(form->action("自定义列表显示")->isEnabled());
    // Enter on an empty list does nothing; Ctrl+L does nothing either
    QTest::keyClick(&grid(), Qt::Key_Return);
    QTest::keyClick(form.get(), Qt::Key_L, Qt::ControlModifier);
    EXPECT_TRUE(prompter.shown.isEmpty());

    addReturns(env.systemDataFile(), 2);
    form->keepPosition();
    for (const char* c : kNeedRows)
        EXPECT_TRUE(form->action(QString::fromUtf8(c))->isEnabled()) << c;
}

TEST_F(MainFormTest, ListShowsTheCatalogueColumns)
{
    start(3);
    EXPECT_EQ(grid().model()->rowCount(), 3);
    const int name = columnOf("c902");
    EXPECT_EQ(title(name), "本级工会名称");
    EXPECT_EQ(grid().model()->index(0, name).data().toString(), "工会1");
    EXPECT_EQ(grid().model()->index(0, columnOf("c903")).data().toString(), "北京市东城区");
    const int state = columnOf("RecordState");
    EXPECT_EQ(grid().model()->index(0, state).data(Qt::TextAlignmentRole).toInt() & Qt::AlignHCenter, Qt::AlignHCenter);
    EXPECT_FALSE(grid().model()->index(0, name).data(Qt::TextAlignmentRole).toInt() & Qt::AlignHCenter);
    EXPECT_FALSE(grid().isColumnHidden(name));
    EXPECT_TRUE(grid().isColumnHidden(columnOf("z001")));
    EXPECT_EQ(grid().columnWidth(name), 220);
}

TEST_F(MainFormTest, TitleClicksSortAndMarkTheColumn)
{
    start(3);
    const int code = columnOf("c901");
    const int name = columnOf("c902");
    grid().horizontalHeader()->sectionClicked(code);
    EXPECT_EQ(rows().text("c901"), "110101000003");
    EXPECT_EQ(title(code), "本级工会统计编码▼");
    EXPECT_EQ(form->recordModel()->headerData(code, Qt::Horizontal, Qt::BackgroundRole).value<QColor>(), QColor(0, 255, 0));
    grid().horizontalHeader()->sectionClicked(name);
    EXPECT_EQ(title(name), "本级工会名称▲");
    EXPECT_EQ(title(code), "本级工会统计编码");
    EXPECT_FALSE(form->recordModel()->headerData(code, Qt::Horizontal, Qt::BackgroundRole).isValid());
    EXPECT_EQ(grid().model()->index(0, name).data().toString(), "工会1");
    grid().horizontalHeader()->sectionClicked(name);
    EXPECT_EQ(title(name), "本级工会名称▼");
    EXPECT_EQ(grid().model()->index(0, name).data().toString(), "工会3");
    EXPECT_EQ(form->lastSortedColumn(), name);
}

TEST_F(MainFormTest, YesToAllDeletesEverySelectedRowInOneStatement)
{
    start(4);
    QStringList statements;
    SysConnection().setStatementObserver([&](const QString& sql) { statements << sql; });
    selectRows({1, 3});
    prompter.answer(AnswerYesToAll);
    DeleteSelectedRecords(grid(), *form->recordModel(), SysConnection(), "dt_data", "c901");
    SysConnection().setStatementObserver({});
    ASSERT_EQ(statements.size(), 1);
    EXPECT_TRUE(statements[0].contains(" in (")) << statements[0].toStdString();
    EXPECT_EQ(prompter.questionButtons, QList<int>{ButtonYesToAll | ButtonNo});
    EXPECT_EQ(count(), 2);
    EXPECT_EQ(rows().recordCount(), 2);
    EXPECT_FALSE(rows().locate("c901", qlonglong(110101000002)));
}

TEST_F(MainFormTest, YesThenNoDeletesOneRow)
{
    start(4);
    QStringList statements;
    SysConnection().setStatementObserver([&](const QString& sql) { statements << sql; });
    selectRows({0, 2});
    prompter.answer(AnswerYes);
    prompter.answer(AnswerNo);
    DeleteSelectedRecords(grid(), *form->recordModel(), SysConnection(), "dt_data", "c901");
    SysConnection().setStatementObserver({});
    EXPECT_EQ(statements.size(), 1);
    EXPECT_EQ(prompter.questions.size(), 2);
    EXPECT_EQ(count(), 3);
    EXPECT_FALSE(rows().locate("c901", qlonglong(110101000001)));
    EXPECT_TRUE(rows().locate("c901", qlonglong(110101000003)));
}

TEST_F(MainFormTest, OneSelectedRowOrNoneIsAskedWithYesAndNo)
{
    start(3);
    selectRows({1});
    prompter.answer(AnswerNo);
    DeleteSelectedRecords(grid(), *form->recordModel(), SysConnection(), "dt_data", "c901");
    EXPECT_EQ(prompter.questionButtons.last(), ButtonYes | ButtonNo);
    EXPECT_EQ(count(), 3);
    // no selection: the current row is asked for and deleted
    grid().clearSelection();
    rows().moveTo(2);
    prompter.answer(AnswerYes);
    DeleteSelectedRecords(grid(), *form->recordModel(), SysConnection(), "dt_data", "c901");
    EXPECT_EQ(prompter.questions.last(), "您确定要删除当前所选择的记录吗?");
    EXPECT_EQ(count(), 2);
    EXPECT_FALSE(SysConnection().scalar("select 1 from dt_data where c901=110101000003").isValid());
    // the list stands on the last row once its row is gone
    EXPECT_EQ(rows().position(), 1);
}

TEST_F(MainFormTest, ColumnChooserShowsAHiddenColumnAfterSaving)
{
    start(1);
    const int z001 = columnOf("z001");
    ASSERT_TRUE(grid().isColumnHidden(z001));
    TdlgShowForm chooser(form.get());
    QObject::connect(&chooser, &TdlgShowForm::saved, form.get(), [&] { form->BuildRecordList(); });
    QCheckBox* box = chooser.findChild<QCheckBox*>("z001");
    ASSERT_NE(box, nullptr);
    EXPECT_FALSE(box->isChecked());
    box->setChecked(true);
    chooser.findChild<QCheckBox*>("c902")->setChecked(false);
    QTest::mouseClick(chooser.saveButton(), Qt::LeftButton);
    EXPECT_EQ(prompter.shown.last(), "保存成功");
    EXPECT_FALSE(chooser.saveButton()->isEnabled());
    EXPECT_FALSE(grid().isColumnHidden(z001));
    EXPECT_TRUE(grid().isColumnHidden(columnOf("c902")));
}

TEST_F(MainFormTest, ColumnChooserLaysOutTwoColumnsPerPage)
{
    start(0);
    EXPECT_EQ(ColumnChooserBoxGeometry(0), QRect(4, 6, 438, 35));
    EXPECT_EQ(ColumnChooserBoxGeometry(1), QRect(442, 6, 438, 35));
    EXPECT_EQ(ColumnChooserBoxGeometry(2), QRect(4, 36, 438, 35));
    TdlgShowForm chooser(form.get());
    EXPECT_EQ(chooser.pages()->count(), 14);
    EXPECT_EQ(chooser.pages()->tabText(0), "封面");
    EXPECT_EQ(chooser.pages()->tabText(5), "表4续 工会保障工作续");
    // the first three boxes of page 1 stand in two columns
    QCheckBox* z003 = chooser.findChild<QCheckBox*>("z003");
    EXPECT_EQ(chooser.findChild<QCheckBox*>("z001")->geometry(), QRect(4, 6, 438, 35));
    EXPECT_EQ(chooser.findChild<QCheckBox*>("z002")->geometry(), QRect(442, 6, 438, 35));
    EXPECT_EQ(z003->geometry(), QRect(4, 36, 438, 35));
    EXPECT_TRUE(z003->text().startsWith("z003--"));
}

TEST_F(MainFormTest, UncheckingEveryBoxHidesEveryColumn)
{
    start(1);
    TdlgShowForm chooser(form.get());
    QObject::connect(&chooser, &TdlgShowForm::saved, form.get(), [&] { form->BuildRecordList(); });
    for (QCheckBox* box : chooser.boxes())
        box->setChecked(false);
    chooser.tbSaveClick();
    for (int c = 0; c < grid().model()->columnCount(); ++c)
        EXPECT_TRUE(grid().isColumnHidden(c)) << c;
}

TEST_F(MainFormTest, HiddenListIsDetachedButItsQueryOpensAndTheActionsKeepTheirRules)
{
    RegWriteInteger("ShowGrid", 0, SettingsRoot::LocalMachine, ProductKey());
    start(2);
    EXPECT_FALSE(form->showGrid());
    // the query opens all the same: the actions work on its rows
    EXPECT_TRUE(rows().isOpen());
    EXPECT_EQ(rows().recordCount(), 2);
    for (const char* c : kNeedRows)
        EXPECT_TRUE(form->action(QString::fromUtf8(c))->isEnabled()) << c;
    EXPECT_EQ(grid().model()->rowCount(), 0);
    EXPECT_FALSE(form->action("自定义列表显示")->isEnabled());
    EXPECT_EQ(form->findChild<QStackedWidget*>()->currentIndex(), 1);
}

TEST_F(MainFormTest, NavigationGroupsStartAsDesigned)
{
    start(0);
    EXPECT_FALSE(form->navigation()->isGroupOpen(0));
    EXPECT_FALSE(form->navigation()->isGroupOpen(1));
    EXPECT_TRUE(form->navigation()->isGroupOpen(2));
    EXPECT_EQ(form->navigation()->groupHeader(1)->text(), "备份与上报");
    form->navigation()->groupHeader(0)->click();
    EXPECT_TRUE(form->navigation()->isGroupOpen(0));
}

TEST_F(MainFormTest, WheelMovesTheListOneRowPerStep)
{
    start(5);
    form->show();
    grid().setFocus();
    QApplication::setActiveWindow(form.get());
    grid().selectionModel()->setCurrentIndex(grid().model()->index(1, 1), QItemSelectionModel::NoUpdate);
    ASSERT_EQ(QApplication::focusWidget(), &grid());
    QWheelEvent down(QPointF(5, 5), QPointF(5, 5), QPoint(), QPoint(0, -120), Qt::NoButton, Qt::NoModifier,
                     Qt::NoScrollPhase, false);
    QApplication::sendEvent(grid().viewport(), &down);
    EXPECT_EQ(grid().currentIndex().row(), 2);
    QWheelEvent up(QPointF(5, 5), QPointF(5, 5), QPoint(), QPoint(0, 120), Qt::NoButton, Qt::NoModifier,
                   Qt::NoScrollPhase, false);
    QApplication::sendEvent(grid().viewport(), &up);
    QApplication::sendEvent(grid().viewport(), &up);
    EXPECT_EQ(grid().currentIndex().row(), 0);
    EXPECT_EQ(rows().position(), 0);
}

TEST(BackupFileName, AppendsTheExtensionToLongerNames)
{
    struct Case {
        const char* chosen;
        const char* expected;
    } cases[] = {{"backup", "backup.mdb"}, {"a.MDB", "a.MDB.mdb"}, {"x.db", "x.db"}, {"b.mdb", "b.mdb"},
                 {"abcd", "abcd"}, {"/tmp/年报.mdb", "/tmp/年报.mdb"}};
    for (const Case& c : cases)
        EXPECT_EQ(ApplyFileNameRule(QString::fromUtf8(c.chosen), KeepShortNames(".mdb")), QString::fromUtf8(c.expected))
            << c.chosen;
}

TEST_F(MainFormTest, BackupWritesAnExactCopyAndKeepsTheRow)
{
    start(4);
    rows().moveTo(2);
    SelectCurrentRow(grid(), rows());
    const QString target = env.path("backup");
    prompter.answer(target);
    form->actBackupExecute();
    ASSERT_EQ(prompter.fileDialogs.size(), 1);
    EXPECT_EQ(prompter.fileDialogs[0].title, "备份文件存放为");
    EXPECT_EQ(prompter.fileDialogs[0].filter, "Access文件(*.mdb)|*.mdb");
    EXPECT_EQ(prompter.fileDialogs[0].folder, env.documentsFolder());
    EXPECT_EQ(prompter.shown, QStringList{"备份成功"});
    QFile a(env.systemDataFile()), b(target + ".mdb");
    ASSERT_TRUE(a.open(QIODevice::ReadOnly));
    ASSERT_TRUE(b.open(QIODevice::ReadOnly));
    EXPECT_EQ(a.readAll(), b.readAll());
    EXPECT_TRUE(SysConnection().isOpen());
    EXPECT_EQ(rows().position(), 2);
    EXPECT_EQ(grid().currentIndex().row(), 2);
}

TEST_F(MainFormTest, CancelledBackupDoesNothing)
{
    start(1);
    prompter.answer(QString("   "));
    form->actBackupExecute();
    EXPECT_TRUE(prompter.shown.isEmpty());
    EXPECT_TRUE(SysConnection().isOpen());
}

TEST_F(MainFormTest, CompactionShrinksTheFileAndListsFromTheFirstRow)
{
    start(300);
    SysConnection().execute("delete from dt_data where c901 > 110101000010");
    form->keepPosition();
    rows().last();
    const qint64 before = QFileInfo(env.systemDataFile()).size();
    form->actCompactExecute();
    EXPECT_EQ(prompter.shown, QStringList{"压缩操作成功"});
    EXPECT_LT(QFileInfo(env.systemDataFile()).size(), before);
    EXPECT_EQ(rows().recordCount(), 10);
    EXPECT_EQ(rows().position(), 0);
    EXPECT_EQ(SysConnection().scalar("select count(*) from dt_data").toInt(), 10);
}

TEST(QuestionDialog, ToolBarWidthFollowsTheShownButtons)
{
    struct Case {
        int buttons;
        int width;
        QStringList shown;
    } cases[] = {{3, 297 - 70 - 70, {"是", "否"}}, {6, 297 - 60 - 70, {"全都是", "否"}}, {15, 297, {"是", "全都是", "否", "全都否"}}};
    for (const Case& c : cases) {
        TQuestionDlg dialog("您确定要删除当前所选择的记录吗?", c.buttons);
        dialog.show();
        EXPECT_EQ(dialog.toolBarWidth(), c.width) << c.buttons;
        QStringList shown;
        for (QToolButton* b : dialog.findChildren<QToolButton*>())
            if (b->isVisibleTo(&dialog))
                shown << b->text();
        EXPECT_EQ(shown, c.shown);
        EXPECT_GE(dialog.width(), int(1.5 * c.width));
    }
}

TEST(QuestionDialog, AnswersByTheButtonOrTwoWhenClosed)
{
    QTimer::singleShot(0, [] { CurrentQuestionDialog()->button(AnswerYesToAll)->click(); });
    EXPECT_EQ(AskQuestion("q", 6), AnswerYesToAll);
    QTimer::singleShot(0, [] { CurrentQuestionDialog()->reject(); });
    EXPECT_EQ(AskQuestion("q", 3), AnswerClosed);
}

TEST_F(MainFormTest, MaintenanceGestureNeedsCtrlAndAltWithoutShift)
{
    start(3);
    SysConnection().execute("update dt_data set RecordState=2");
    bool called = false;
    auto markAll = [&] {
        called = true;
        SysConnection().execute("update dt_data set RecordState=1");
        form->keepPosition();
    };
    {
        TdlgAboutForm about(7, markAll, form.get());
        about.show();
        QTest::mouseDClick(about.nameLabel(), Qt::LeftButton, Qt::ControlModifier | Qt::AltModifier | Qt::ShiftModifier);
        EXPECT_FALSE(called);
        EXPECT_TRUE(about.isVisible());
        EXPECT_EQ(about.versionLabel()->text(), "版本：1.0 (Build 7)");
        QTest::mouseDClick(about.nameLabel(), Qt::LeftButton, Qt::ControlModifier | Qt::AltModifier);
        EXPECT_TRUE(called);
        EXPECT_FALSE(about.isVisible());
    }
    EXPECT_EQ(SysConnection().scalar("select count(*) from dt_data where RecordState<>1").toInt(), 0);
}

TEST(AboutBox, SplashClosesItselfAndAClickClosesIt)
{
    TdlgAboutForm splash(1, {});
    EXPECT_FALSE(splash.progressBar()->isVisibleTo(&splash));
    splash.StartSplash();
    EXPECT_EQ(splash.timer()->interval(), 40);
    splash.show();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !splash.isVisible(); }, 4000));
    EXPECT_EQ(splash.progressBar()->value(), 100);

    TdlgAboutForm about(1, {});
    about.show();
    QTest::mouseClick(&about, Qt::LeftButton, Qt::NoModifier, QPoint(500, 20));
    EXPECT_FALSE(about.isVisible());
    EXPECT_FALSE(about.timer()->isActive());
}

TEST(OptionsDialog, OkWritesThePreferenceAndCancelChangesNothing)
{
    TestEnvironment env(TestEnvironment::Empty);
    Environment().preferredInputMethod = "pinyin";
    {
        TdlgOptionSetupForm dialog;
        EXPECT_EQ(dialog.inputMethods()->currentText(), "pinyin");
        dialog.OKBtnClick();
    }
    EXPECT_EQ(RegReadString("ImePrefer", "", SettingsRoot::LocalMachine, EnvSettingKey()), "pinyin");
    EXPECT_EQ(RegReadInteger("ImportPrinciple", 9, SettingsRoot::LocalMachine, EnvSettingKey()), 0);
    {
        TdlgOptionSetupForm dialog;
        dialog.inputMethods()->items = [] { return QStringList{"wubi", "pinyin"}; };
        dialog.inputMethods()->showPopup();
        dialog.inputMethods()->hidePopup();
        dialog.inputMethods()->setCurrentIndex(0);
        dialog.reject();
    }
    EXPECT_EQ(Environment().preferredInputMethod, "pinyin");
    EXPECT_EQ(RegReadString("ImePrefer", "", SettingsRoot::LocalMachine, EnvSettingKey()), "pinyin");
    {
        TdlgOptionSetupForm dialog;
        dialog.inputMethods()->items = [] { return QStringList{}; };
        dialog.inputMethods()->showPopup();
        dialog.inputMethods()->hidePopup();
        dialog.OKBtnClick();
    }
    EXPECT_EQ(Environment().preferredInputMethod, "");
    EXPECT_EQ(RegReadString("ImePrefer", "none", SettingsRoot::LocalMachine, EnvSettingKey()), "none");
}

TEST_F(MainFormTest, AddingAReturnKeepsTheListOnItsRow)
{
    start(3);
    rows().moveTo(1);
    SelectCurrentRow(grid(), rows());
    ASSERT_EQ(rows().text("c901"), "110101000002");
    QTimer::singleShot(0, [&] {
        TdlgSurveyDataForm& editor = form->surveyDataForm();
        editor.numeric("c901")->setValue(110100000001); // sorts before every listed return
        qobject_cast<QLineEdit*>(editor.control("c902"))->setText("新工会");
        editor.numeric("c903")->setValue(110101);
        editor.numeric("c907")->setValue(1);
        qobject_cast<QLineEdit*>(editor.control("c905"))->setText("李娜");
        qobject_cast<QLineEdit*>(editor.control("c906"))->setText("010-2");
        editor.tbHoldClick();
        editor.tbReturnClick();
    });
    form->actAddExecute();
    EXPECT_EQ(rows().recordCount(), 4);
    EXPECT_EQ(rows().text("c901"), "110101000002");
    EXPECT_EQ(grid().currentIndex().row(), rows().position());
}

TEST_F(MainFormTest, AnEnterReleasedWithoutItsPressOpensNothing)
{
    start(2);
    grid().setFocus();
    // the release of an Enter whose press closed a message box
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(&grid(), &release);
    QKeyEvent insertRelease(QEvent::KeyRelease, Qt::Key_Delete, Qt::NoModifier);
    QApplication::sendEvent(&grid(), &insertRelease);
    EXPECT_TRUE(prompter.shown.isEmpty());
    // a whole key stroke still acts: the delete dialog opens
    int opened = 0;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (auto* dialog = qobject_cast<TdlgDeleteForm*>(QApplication::activeModalWidget())) {
            ++opened;
            dialog->reject();
        }
    });
    watch.start(10);
    QTest::keyClick(&grid(), Qt::Key_Delete);
    EXPECT_EQ(opened, 1);
    EXPECT_TRUE(prompter.shown.isEmpty());
}

TEST_F(MainFormTest, FindActionsOpenTheirDialogs)
{
    start(4);
    QStringList opened;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (auto* locate = qobject_cast<TdlgLocateForm*>(modal)) {
            opened << locate->windowTitle();
            locate->c901->setText("110101000003");
            locate->LocateByCodeOrName(); // found: the dialog closes
        } else if (auto* dialog = qobject_cast<QDialog*>(modal)) {
            opened << dialog->windowTitle();
            dialog->reject();
        }
    });
    watch.start(10);
    form->show();
    QApplication::setActiveWindow(form.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    QTest::keyClick(form.get(), Qt::Key_L, Qt::ControlModifier);
    EXPECT_EQ(rows().text("c901"), "110101000003");
    EXPECT_EQ(grid().currentIndex().row(), 2);
    QApplication::setActiveWindow(form.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    QTest::keyClick(form.get(), Qt::Key_F, Qt::ControlModifier);
    form->action("按编号范围查找数据")->trigger();
    form->action("指标查询")->trigger();
    form->action("删除记录")->trigger();
    EXPECT_EQ(opened, QStringList({"定位数据记录", "指标查询", "查询数据", "指标查询", "选择删除的方式"}));
    EXPECT_TRUE(prompter.shown.isEmpty());
}

TEST_F(MainFormTest, AnErrorNoOperationCatchesIsShownAndTheProgramGoesOn)
{
    start(3);
    // a delete the engine refuses, run from a button as an action runs
    SysConnection().execute("create trigger refuse_delete before delete on dt_data "
                            "begin select raise(abort, 'delete refused by the engine'); end");
    const auto removeSelected = [&] {
        DeleteSelectedRecords(grid(), *form->recordModel(), SysConnection(), "dt_data", "c901");
    };
    QPushButton remove(QStringLiteral("删除记录"));
    QObject::connect(&remove, &QPushButton::clicked, [&] { RunHandler(removeSelected); });
    remove.show();
    for (int attempt = 1; attempt <= 2; ++attempt) {
        prompter.answer(AnswerYes);
        QTest::mouseClick(&remove, Qt::LeftButton);
        ASSERT_EQ(prompter.shown.size(), 2 * attempt); // the question, then the error
        EXPECT_TRUE(prompter.shown.last().contains("delete refused by the engine"))
            << prompter.shown.last().toStdString();
    }
    // the same from a handler that does not catch it: the application object does, last
    prompter.answer(AnswerYes);
    QTimer::singleShot(0, form.get(), removeSelected);
    ASSERT_TRUE(QTest::qWaitFor([&] { return prompter.shown.size() == 6; }, 4000)) << prompter.shown.size();
    EXPECT_TRUE(prompter.shown.last().contains("delete refused by the engine")) << prompter.shown.last().toStdString();
    EXPECT_EQ(count(), 3);
    EXPECT_EQ(rows().recordCount(), 3);
    EXPECT_FALSE(SysConnection().inTransaction());
}

TEST_F(MainFormTest, TheCurrentRowIsSelectedAndMarkedAfterEveryReRead)
{
    start(4);
    auto marked = [&] {
        QList<int> rowsMarked;
        for (int r = 0; r < grid().model()->rowCount(); ++r)
            if (grid().model()->headerData(r, Qt::Vertical).toString() == CurrentRowMarker())
                rowsMarked << r;
        return rowsMarked;
    };
    auto selected = [&] {
        QList<int> rowsSelected;
        for (const QModelIndex& index : grid().selectionModel()->selectedRows())
            rowsSelected << index.row();
        return rowsSelected;
    };
    // after start-up
    EXPECT_EQ(selected(), QList<int>{rows().position()});
    EXPECT_EQ(marked(), QList<int>{rows().position()});
    // after a re-query keeping the position
    rows().moveTo(2);
    form->keepPosition();
    EXPECT_EQ(selected(), QList<int>{2});
    EXPECT_EQ(marked(), QList<int>{2});
    // a click moves both
    grid().selectionModel()->setCurrentIndex(grid().model()->index(3, 0),
                                             QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    EXPECT_EQ(marked(), QList<int>{3});
    EXPECT_EQ(rows().position(), 3);
    // after the column chooser rebuilds the list
    form->BuildRecordList();
    EXPECT_EQ(selected(), QList<int>{rows().position()});
    EXPECT_EQ(marked(), QList<int>{rows().position()});
}

TEST_F(MainFormTest, TheSortedColumnsTitleIsDrawnLime)
{
    start(3);
    form->show();
    const int code = columnOf("c901");
    QHeaderView* titles = grid().horizontalHeader();
    titles->sectionClicked(code);
    QApplication::processEvents();
    const QImage drawn = titles->grab().toImage();
    auto colourAt = [&](int column) {
        const int x = titles->sectionViewportPosition(column) + 3;
        return QColor(drawn.pixel(x, titles->height() / 2));
    };
    const QColor sorted = colourAt(code);
    EXPECT_GT(sorted.green(), sorted.red() + 60) << sorted.name().toStdString();
    EXPECT_GT(sorted.green(), sorted.blue() + 60) << sorted.name().toStdString();
    // the other titles keep the list's blue
    const QColor other = colourAt(columnOf("c902"));
    EXPECT_GT(other.blue(), other.red()) << other.name().toStdString();
}

TEST_F(MainFormTest, NavigationCaptionsShowWholeWithIconsOfOneSize)
{
    start(0);
    form->resize(1024, 720);
    form->show();
    for (int g = 0; g < 3; ++g)
        form->navigation()->setGroupOpen(g, true);
    QApplication::processEvents();
    const QList<QToolButton*> items = form->navigation()->findChildren<QToolButton*>("navItem");
    ASSERT_EQ(items.size(), 19);
    // the pane shows the whole bar: nothing is cut at its right edge
    auto* pane = qobject_cast<QScrollArea*>(form->navigation()->parentWidget()->parentWidget());
    ASSERT_NE(pane, nullptr);
    EXPECT_LE(form->navigation()->width(), pane->viewport()->width());
    for (QToolButton* item : items) {
        SCOPED_TRACE(item->text().toStdString());
        EXPECT_GE(item->width(), item->sizeHint().width());
        EXPECT_GE(item->width(), item->fontMetrics().horizontalAdvance(item->text()));
        EXPECT_EQ(item->iconSize(), QSize(32, 32));
        EXPECT_EQ(item->icon().pixmap(32, 32).size(), QSize(32, 32));
    }
}

TEST(QtTexts, MessageBoxesAndFileDialogsSpeakChineseAndShowTheirCaption)
{
    ASSERT_TRUE(InstallChineseQtTexts());
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "OK"), "确定");
    EXPECT_NE(QCoreApplication::translate("QFileDialog", "Look in:"), "Look in:");
    EXPECT_NE(QCoreApplication::translate("QFileDialog", "File &name:"), "File &name:");
    EXPECT_NE(QCoreApplication::translate("QFileDialog", "%1 already exists.\nDo you want to replace it?"),
              "%1 already exists.\nDo you want to replace it?");
    // a short message through the real prompter: Chinese button, the whole caption in view
    QString button;
    int width = 0;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        button = box->buttons().value(0)->text();
        width = box->width();
        box->accept();
    });
    CurrentPrompter().message(QStringLiteral("好"));
    EXPECT_EQ(button, "确定");
    const QFontMetrics title(QApplication::font("QMdiSubWindowTitleBar"));
    EXPECT_GE(width, title.horizontalAdvance(QStringLiteral("Tallyra")) + kTitleBarExtras);
}
