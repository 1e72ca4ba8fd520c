#include "base/SettingsStore.h"
#include "app/Main.h"
#include "db/WorkingDatabase.h"
#include "entry/MVValidEdit.h"
#include "entry/NumericEdit.h"
#include "entry/SurveyPages.h"
#include "entry/dlgSurveyData.h"
#include "model/FieldCatalogue.h"
#include "widgets/ScriptedPrompter.h"
#include "widgets/CodePicker.h"
#include "widgets/QuestionDialog.h"
#include "logic/ErrorListPlace.h"
#include "logic/MessageListWin.h"
#include "support/TestEnvironment.h"

#include <QApplication>
#include <QSet>
#include <QLabel>
#include <QMenu>
#include <QScreen>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QTextBrowser>
#include <QToolButton>
#include <gtest/gtest.h>

namespace {
class SurveyDataTest : public ::testing::Test {
protected:
    TestEnvironment env;
    ScriptedPrompter prompter;
    RowSet list;
    std::unique_ptr<TdlgSurveyDataForm> form;

    void SetUp() override { ASSERT_EQ(OpenWorkingDatabase().status, OpenDatabaseResult::Opened); }
    void TearDown() override
    {
        if (form) {
            form->button("tbSave")->setEnabled(false); // leave without the close question
            form->close();
        }
    }

    // A stored return that breaks no rule; `set` changes columns afterwards ("z001=5, c002=3").
    void addStored(qint64 code, const QString& set = QString())
    {
        SysConnection().execute(
            "insert into dt_data (c901, c902, c903, c904, c905, c906, c907, RecordState, z001, z004, x001, x003) "
            "values (?1, '东城区总工会', 110101, 3, '张伟', '010-6512', 1, 1, 1, 1, 1, 1)",
            {code});
        if (!set.isEmpty())
            SysConnection().execute("update dt_data set " + set + " where c901=?1", {code});
    }
    void readList()
    {
        list = SysConnection().query(ReportQuerySql());
        list.setKeyColumn("c901");
    }
    void openNew()
    {
        readList();
        form = std::make_unique<TdlgSurveyDataForm>();
        form->openForNew(&list);
        form->show();
        QApplication::setActiveWindow(form.get());
    }
    void openExisting(qint64 code)
    {
        readList();
        ASSERT_TRUE(list.locate("c901", code));
        form = std::make_unique<TdlgSurveyDataForm>();
        form->openForModify(&list);
        form->show();
        QApplication::setActiveWindow(form.get());
    }
    NumericEdit* num(const char* name) { return form->numeric(name); }
    QLineEdit* text(const char* name) { return qobject_cast<QLineEdit*>(form->control(name)); }
    void fillCover(qint64 code)
    {
        num("c901")->setValue(double(code));
        text("c902")->setText("朝阳区总工会");
        num("c903")->setValue(110105);
        num("c904")->setValue(3);
        num("c907")->setValue(1);
        text("c905")->setText("李娜");
        text("c906")->setText("010-8888");
        // the fewest indicators a county union fills without breaking a rule
        num("z001")->setValue(1);
        num("z004")->setValue(1);
        num("x001")->setValue(1);
        num("x003")->setValue(1);
    }
    QVariant stored(qint64 code, const char* column)
    {
        return SysConnection().scalar(QStringLiteral("select %1 from dt_data where c901=?1").arg(column), {code});
    }
};
} // namespace

TEST_F(SurveyDataTest, ANewReturnInAnEmptyDatabaseIsOfferedZeroAndRefused)
{
    openNew();
    EXPECT_EQ(num("c901")->intValue(), 0);
    EXPECT_EQ(num("c904")->intValue(), 10);
    EXPECT_EQ(form->nameBox("LevelName")->text(), "其他基层以上工会");
    EXPECT_EQ(form->counter()->text(), "第1条/共1条");
    EXPECT_FALSE(form->navigationBar()->isVisible());
    EXPECT_TRUE(form->button("tbAdd")->isVisible());
    EXPECT_FALSE(form->button("tbSave")->isVisible());
    EXPECT_FALSE(form->ValidateHeader());
    EXPECT_EQ(prompter.shown.last(), "本级工会编码必须大于100000000000且必须为12位!");
    EXPECT_EQ(QApplication::focusWidget(), form->control("c901"));
}

TEST_F(SurveyDataTest, HeaderMessagesComeInOrderWithTheFocusOnTheField)
{
    openNew();
    struct Step {
        std::function<void()> fault;
        const char* message;
        const char* field;
    } steps[] = {
        {[&] { num("c901")->clearValue(); }, "必须输入工会统计编码", "c901"},
        {[&] { num("c901")->setValue(12345678901); }, "本级工会编码必须大于100000000000且必须为12位!", "c901"},
        {[&] { num("c901")->setValue(110105000001); text("c902")->setText("  "); }, "必须输入本级工会名称", "c902"},
        {[&] { text("c902")->setText("朝阳区总工会"); num("c903")->setValue(12345); },
         "输入的行政区划代码错误，请重新输入，或用对话框选择", "c903"},
        {[&] { num("c903")->setValue(110105); num("c904")->setValue(11); },
         "输入的本级工会层次代码不合法，请重新输入或通过列表选择", "c904"},
        {[&] { num("c904")->setValue(3); num("c907")->setValue(0); },
         "输入的基层以上工会本年度的填报状态代码不合法，请重新输入或通过列表选择", "c907"},
        {[&] { num("c907")->setValue(1); text("c905")->clear(); }, "必须输入填表人", "c905"},
        {[&] { text("c905")->setText("李娜"); text("c906")->clear(); }, "必须输入联系电话", "c906"},
    };
    for (const Step& step : steps) {
        step.fault();
        prompter.shown.clear();
        EXPECT_FALSE(form->ValidateHeader()) << step.message;
        ASSERT_EQ(prompter.shown.size(), 1);
        EXPECT_EQ(prompter.shown[0], QString::fromUtf8(step.message));
        EXPECT_EQ(QApplication::focusWidget(), form->control(step.field)) << step.field;
    }
    text("c906")->setText("010-1");
    EXPECT_TRUE(form->ValidateHeader());
    // 100000000000 itself has 12 digits and is valid; an empty level counts as 10
    num("c901")->setValue(100000000000);
    num("c904")->clearValue();
    EXPECT_TRUE(form->ValidateHeader());
}

TEST_F(SurveyDataTest, DuplicateCodesAreRefusedButTheOwnCodeIsNot)
{
    addStored(110101000001);
    addStored(110101000002);
    openNew();
    fillCover(110101000001);
    form->tbSaveClick();
    EXPECT_EQ(prompter.shown.last(),
              "在增加数据时，填写的本级工会编码为110101000001，该编码的数据已经存在，请改用其它编码。");
    EXPECT_FALSE(form->button("tbSave")->isEnabled());
    EXPECT_EQ(form->currentPage(), 0);
    form.reset();

    openExisting(110101000001);
    num("c901")->setValue(110101000002);
    EXPECT_FALSE(form->ValidateHeader());
    EXPECT_EQ(prompter.shown.last(),
              "在修改数据时，将本级工会编码改为110101000002，该编码的数据已经存在，请改用其它编码。");
    num("c901")->setValue(110101000001);
    text("c902")->setText("新名称");
    form->tbSaveClick();
    EXPECT_EQ(prompter.shown.last(), "数据保存成功，没有逻辑错误！");
    EXPECT_EQ(stored(110101000001, "c902").toString(), "新名称");
    EXPECT_EQ(stored(110101000001, "RecordState").toInt(), 1);
}

TEST_F(SurveyDataTest, ReportingStateThreeZeroesTheIndicatorsAndOneEnablesThemAgain)
{
    addStored(110101000001, "z001=5, z005=4, c002=3");
    openExisting(110101000001);
    EXPECT_EQ(num("z001")->intValue(), 5);
    form->ApplyState(3);
    for (const QString& name : IndicatorNames()) {
        EXPECT_FALSE(form->control(name)->isEnabled()) << name.toStdString();
        EXPECT_EQ(form->numeric(name)->intValue(), 0);
    }
    EXPECT_FALSE(form->button("tbHold")->isEnabled());
    EXPECT_FALSE(form->button("tbCheck")->isEnabled());
    form->ApplyState(1);
    EXPECT_TRUE(form->button("tbCheck")->isEnabled());
    EXPECT_TRUE(form->control("z001")->isEnabled());
    EXPECT_EQ(num("z001")->intValue(), 0);
    // level 3 (县级): z017 applies, z011 and z018 do not
    EXPECT_TRUE(form->control("z017")->isEnabled());
    EXPECT_FALSE(form->control("z011")->isEnabled());
    EXPECT_FALSE(form->control("z018")->isEnabled());
    form->tbSaveClick();
    EXPECT_EQ(stored(110101000001, "z001").toInt(), 0);
    EXPECT_EQ(stored(110101000001, "c907").toInt(), 1);
}

TEST_F(SurveyDataTest, ALevelRuleDisablesAndZeroesAField)
{
    addStored(110101000001, "z017=7, c009=1");
    openExisting(110101000001);
    EXPECT_TRUE(form->control("z017")->isEnabled());
    EXPECT_EQ(num("z017")->intValue(), 7);
    form->ApplyLevel(5); // 街道工会
    EXPECT_FALSE(form->control("z017")->isEnabled());
    EXPECT_EQ(num("z017")->intValue(), 0);
    EXPECT_TRUE(form->control("z018")->isEnabled());
    EXPECT_TRUE(form->control("c009")->isEnabled());
    EXPECT_FALSE(form->control("c001")->isEnabled());
    EXPECT_EQ(num("c904")->intValue(), 5);
}

TEST_F(SurveyDataTest, DependentFieldsFollowTheirAnswer)
{
    addStored(110101000001, "b001=1, b002=4, c904=5"); // 街道工会: c009..c021 apply
    openExisting(110101000001);
    ASSERT_TRUE(form->control("b002")->isEnabled());
    EXPECT_EQ(num("b002")->intValue(), 4);
    struct Case {
        const char* trigger;
        const char* first;
        const char* last;
    } cases[] = {{"b001", "b002", "b008"}, {"c009", "c010", "c021"}};
    for (const Case& c : cases) {
        num(c.trigger)->setValue(2);
        EXPECT_FALSE(form->control(c.first)->isEnabled()) << c.trigger;
        EXPECT_FALSE(form->control(c.last)->isEnabled()) << c.trigger;
        EXPECT_EQ(num(c.first)->intValue(), 0);
        num(c.trigger)->setValue(1);
        EXPECT_TRUE(form->control(c.first)->isEnabled()) << c.trigger;
        EXPECT_TRUE(form->control(c.last)->isEnabled()) << c.trigger;
    }
}

TEST_F(SurveyDataTest, AnAnswerLoadedAsThreeIsStoredAsTwo)
{
    addStored(110101000001, "z010=3");
    openExisting(110101000001);
    EXPECT_EQ(num("z010")->intValue(), 3);
    text("c902")->setText("改名");
    form->tbSaveClick();
    EXPECT_EQ(stored(110101000001, "z010").toInt(), 2);
    EXPECT_EQ(num("z010")->intValue(), 2);
}

TEST_F(SurveyDataTest, HoldThenSaveInAddModeUpdatesTheSameRow)
{
    openNew();
    fillCover(110105000001);
    num("z001")->setValue(12);
    form->tbHoldClick();
    EXPECT_EQ(prompter.shown.last(), "数据已经被临时保存。");
    EXPECT_EQ(stored(110105000001, "RecordState").toInt(), 0);
    EXPECT_FALSE(form->button("tbHold")->isEnabled());
    num("z001")->setValue(13);
    num("z004")->setValue(13);
    form->tbSaveClick();
    EXPECT_EQ(prompter.shown.last(), "数据保存成功，没有逻辑错误！");
    EXPECT_EQ(SysConnection().scalar("select count(*) from dt_data").toInt(), 1);
    EXPECT_EQ(stored(110105000001, "z001").toInt(), 13);
    EXPECT_EQ(stored(110105000001, "RecordState").toInt(), 1);
    EXPECT_EQ(list.recordCount(), 1);
    // a fresh return follows with the next code and the division, person and phone just saved
    EXPECT_EQ(num("c901")->intValue(), 110105000002);
    EXPECT_EQ(num("c903")->intValue(), 110105);
    EXPECT_EQ(text("c905")->text(), "李娜");
    EXPECT_EQ(form->nameBox("CityNameCtrl")->text(), "北京市朝阳区");
    EXPECT_EQ(RegReadInteger("AppLastCity", 0, SettingsRoot::LocalMachine, EnvSettingKey()), 110105);
}

TEST_F(SurveyDataTest, ReturnNeverAsksAndTheCloseBoxAsks)
{
    addStored(110101000001);
    openExisting(110101000001);
    text("c902")->setText("改名");
    ASSERT_TRUE(form->button("tbSave")->isEnabled());
    form->tbReturnClick();
    EXPECT_FALSE(form->isVisible());
    EXPECT_TRUE(prompter.questions.isEmpty());
    EXPECT_EQ(stored(110101000001, "c902").toString(), "东城区总工会");

    openExisting(110101000001);
    text("c902")->setText("改名");
    prompter.answer(AnswerYes);
    form->close();
    EXPECT_EQ(prompter.questions, QStringList{"对数据改动后尚未保存，准备保存这些改动吗？"});
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(stored(110101000001, "c902").toString(), "改名");
}

TEST_F(SurveyDataTest, AFailedSaveOnClosingKeepsTheWindowOpen)
{
    addStored(110101000001);
    openExisting(110101000001);
    text("c902")->clear();
    text("c905")->setText("x");
    prompter.answer(AnswerYes);
    form->close();
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(prompter.shown.last(), "必须输入本级工会名称");
    // answering no leaves without storing
    prompter.answer(AnswerNo);
    form->close();
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(stored(110101000001, "c902").toString(), "东城区总工会");
}

TEST_F(SurveyDataTest, ALongNameIsCutToSixtyBytesOnLeaving)
{
    openNew();
    fillCover(110105000001);
    QLineEdit* name = text("c902");
    name->setFocus();
    name->setText(QString(31, QChar(0x5de5)));
    num("c903")->setFocus(); // leave the name field
    EXPECT_EQ(name->text(), QString(30, QChar(0x5de5)));
}

TEST_F(SurveyDataTest, CounterAndNavigationMoveThroughTheList)
{
    for (int i = 1; i <= 3; ++i)
        addStored(110101000000 + i);
    openExisting(110101000002);
    EXPECT_EQ(form->counter()->text(), "第2条/共3条");
    EXPECT_TRUE(form->navigationBar()->isVisible());
    form->navigate(2);
    EXPECT_EQ(num("c901")->intValue(), 110101000003);
    EXPECT_EQ(form->counter()->text(), "第3条/共3条");
    form->navigate(0);
    EXPECT_EQ(num("c901")->intValue(), 110101000001);
}

TEST_F(SurveyDataTest, EnterOnTheLastFieldOfTheLastPageSaves)
{
    openNew();
    fillCover(110105000001);
    form->pages()->setCurrentIndex(kLastPage);
    ASSERT_EQ(form->currentPage(), kLastPage);
    QWidget* last = form->control("c008"); // level 3: c009..c021 do not apply
    last->setFocus();
    QTest::keyClick(last, Qt::Key_Return);
    EXPECT_EQ(prompter.shown.last(), "数据保存成功，没有逻辑错误！");
    EXPECT_EQ(SysConnection().scalar("select count(*) from dt_data").toInt(), 1);
}

TEST_F(SurveyDataTest, EnterMovesToTheNextFieldAndPage)
{
    openNew();
    fillCover(110105000001);
    form->pages()->setCurrentIndex(2);
    QWidget* x012 = form->control("x012");
    x012->setFocus();
    QTest::keyClick(x012, Qt::Key_Return);
    EXPECT_EQ(form->currentPage(), 3);
    EXPECT_EQ(QApplication::focusWidget(), form->control("p001"));
    QTest::keyClick(form->control("p001"), Qt::Key_Up);
    EXPECT_EQ(form->currentPage(), 2);
    EXPECT_EQ(QApplication::focusWidget(), x012);
    EXPECT_FALSE(form->notes()->toPlainText().isEmpty());
}

TEST_F(SurveyDataTest, LeavingTheCoverChecksIt)
{
    openNew();
    form->pages()->setCurrentIndex(1);
    EXPECT_EQ(form->currentPage(), 0);
    EXPECT_EQ(prompter.shown.last(), "本级工会编码必须大于100000000000且必须为12位!");
    fillCover(110105000001);
    form->pages()->setCurrentIndex(1);
    EXPECT_EQ(form->currentPage(), 1);
    // with a state of 3 or more, leaving the cover checks nothing
    form->pages()->setCurrentIndex(0);
    text("c902")->clear();
    form->ApplyState(3);
    prompter.shown.clear();
    form->pages()->setCurrentIndex(4);
    EXPECT_EQ(form->currentPage(), 4);
    EXPECT_TRUE(prompter.shown.isEmpty());
}

TEST_F(SurveyDataTest, EveryFieldComesBackAsTyped)
{
    // The level rules leave some fields out at every level; three levels between them cover all.
    const TFieldDataArray catalogue = LoadFieldCatalogue(SysConnection());
    QSet<QString> covered;
    int code = 0;
    for (int level : {1, 3, 4}) {
        openNew();
        fillCover(110105000010 + code);
        num("c904")->setValue(level);
        form->ApplyLevel(level);
        QHash<QString, double> typed;
        int n = 0;
        for (const TFieldData& f : catalogue) {
            NumericEdit* edit = form->numeric(f.FieldName);
            if (!edit || f.PageID < 1 || !edit->isEnabled())
                continue;
            ++n;
            // answers are "yes", so the fields that depend on them stay open
            const double v = f.QueryType == AnswerCode ? 1 : f.QueryType == DecimalNumber ? n + 0.25 : n * 1000 + 7;
            edit->setValue(v);
            typed.insert(f.FieldName, v);
        }
        form->tbSaveClick();
        form.reset();
        openExisting(110105000010 + code);
        for (auto it = typed.begin(); it != typed.end(); ++it) {
            EXPECT_EQ(form->numeric(it.key())->value(), it.value()) << it.key().toStdString() << " level " << level;
            covered.insert(it.key());
        }
        EXPECT_EQ(text("c902")->text(), "朝阳区总工会");
        EXPECT_EQ(text("c905")->text(), "李娜");
        EXPECT_EQ(text("c906")->text(), "010-8888");
        EXPECT_EQ(num("c901")->intValue(), 110105000010 + code);
        EXPECT_EQ(num("c903")->intValue(), 110105);
        EXPECT_EQ(num("c904")->intValue(), level);
        EXPECT_EQ(num("c907")->intValue(), 1);
        EXPECT_EQ(form->nameBox("StateName")->text(), "正常填报");
        form.reset();
        ++code;
    }
    EXPECT_EQ(covered.size(), IndicatorNames().size());
}

TEST_F(SurveyDataTest, CoverCodesKeepTheirOwnLimits)
{
    openNew();
    EXPECT_EQ(num("c907")->maxLength(), 6);
    EXPECT_EQ(num("c904")->maxLength(), 6);
    EXPECT_EQ(num("c901")->maxLength(), 12);
    EXPECT_EQ(num("c903")->text(), "000000"); // no division yet: six digits
    num("c903")->setValue(110105);
    EXPECT_EQ(num("c903")->text(), "110105");
}

TEST_F(SurveyDataTest, ChangesToAReturnWithoutDataAreAskedForOnClosing)
{
    addStored(110101000001, "c907=3, z001=0, z004=0, x001=0, x003=0");
    openExisting(110101000001);
    EXPECT_FALSE(form->button("tbHold")->isEnabled());
    text("c905")->setText("王芳");
    prompter.answer(AnswerYes);
    form->close();
    EXPECT_EQ(prompter.questions.size(), 1);
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(stored(110101000001, "c905").toString(), "王芳");
}

TEST_F(SurveyDataTest, ThePickerButtonsDoNotTakeTheFocus)
{
    openNew();
    for (const char* box : {"CityNameCtrl", "LevelName", "StateName"})
        for (QToolButton* b : form->nameBox(box)->findChildren<QToolButton*>())
            EXPECT_EQ(b->focusPolicy(), Qt::NoFocus) << box;
}

TEST_F(SurveyDataTest, ADismissedCloseQuestionKeepsTheWindowAndWhatWasTyped)
{
    addStored(110101000001);
    addStored(110101000002);
    openExisting(110101000001);
    text("c902")->setText("改名");
    // Esc or the close box: the question answers 2, which is neither 是 nor 否
    form->close();
    ASSERT_EQ(prompter.questions, QStringList{"对数据改动后尚未保存，准备保存这些改动吗？"});
    EXPECT_TRUE(prompter.questionButtons.last() & QuestionIcon);
    EXPECT_EQ(prompter.questionButtons.last() & ~QuestionIcon, ButtonYes | ButtonNo);
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(text("c902")->text(), "改名");
    // nor does a navigation happen
    form->navigate(2);
    EXPECT_EQ(num("c901")->intValue(), 110101000001);
    EXPECT_EQ(text("c902")->text(), "改名");
    EXPECT_EQ(stored(110101000001, "c902").toString(), "东城区总工会");
}

TEST_F(SurveyDataTest, TheCloseQuestionShowsTheQuestionIcon)
{
    for (int buttons : {ButtonYes | ButtonNo, ButtonYes | ButtonNo | QuestionIcon}) {
        TQuestionDlg dialog(QStringLiteral("对数据改动后尚未保存，准备保存这些改动吗？"), buttons);
        dialog.show();
        auto* icon = dialog.findChild<QLabel*>(QStringLiteral("QuestionIcon"));
        EXPECT_EQ(icon != nullptr, bool(buttons & QuestionIcon));
        if (icon) {
            EXPECT_TRUE(icon->isVisible());
            EXPECT_FALSE(icon->pixmap().isNull());
        }
        // the buttons stay as the bit set asks
        EXPECT_TRUE(dialog.button(AnswerYes)->isVisible());
        EXPECT_TRUE(dialog.button(AnswerNo)->isVisible());
        EXPECT_FALSE(dialog.button(AnswerYesToAll)->isVisible());
    }
}

TEST_F(SurveyDataTest, ClicksBesideTheFieldDoNotLeaveIt)
{
    openNew();
    num("c901")->setValue(110101000009);
    num("c907")->setFocus();
    ASSERT_EQ(QApplication::focusWidget(), num("c907"));
    // a blank part of the cover, the name box and its list button
    QWidget* page = form->pages()->currentWidget();
    QTest::mouseClick(page, Qt::LeftButton, Qt::NoModifier, QPoint(page->width() - 5, page->height() - 5));
    QLineEdit* states = form->nameBox("StateName");
    QTest::mouseClick(states, Qt::LeftButton, Qt::NoModifier, QPoint(5, states->height() / 2));
    EXPECT_TRUE(prompter.shown.isEmpty()) << prompter.shown.join(" | ").toStdString();
    EXPECT_EQ(QApplication::focusWidget(), num("c907"));
    QToolButton* drop = states->findChild<QToolButton*>();
    ASSERT_NE(drop, nullptr);
    QTest::mouseClick(drop, Qt::LeftButton);
    EXPECT_TRUE(prompter.shown.isEmpty()) << prompter.shown.join(" | ").toStdString();
    ASSERT_TRUE(CodePopupMenu()->isVisible());
    // a code chosen from the list is the field's code
    CodePopupMenu()->actions().at(0)->trigger();
    CodePopupMenu()->hide();
    EXPECT_EQ(num("c907")->intValue(), 1);
    EXPECT_EQ(states->text(), "正常填报");
}

TEST_F(SurveyDataTest, ARefusedPageChangeShowsOneMessageAndKeepsTabPageAndNotesTogether)
{
    openNew();
    fillCover(110105000001);
    num("c907")->setValue(0);
    num("c907")->setFocus();
    const QString coverNotes = form->notes()->toPlainText();
    struct Way {
        const char* name;
        const char* focused;
        std::function<void()> turn;
    } ways[] = {
        {"tab click", "c907",
         [&] {
             QTabBar* tabs = form->pages()->tabBar();
             QTest::mouseClick(tabs, Qt::LeftButton, Qt::NoModifier, tabs->tabRect(6).center());
         }},
        {"program", "c907", [&] { form->pages()->setCurrentIndex(6); }},
        {"Enter on the last cover field", "c906", [&] { QTest::keyClick(text("c906"), Qt::Key_Return); }},
    };
    for (const Way& way : ways) {
        SCOPED_TRACE(way.name);
        form->control(way.focused)->setFocus();
        prompter.shown.clear();
        way.turn();
        EXPECT_EQ(prompter.shown,
                  QStringList{"输入的基层以上工会本年度的填报状态代码不合法，请重新输入或通过列表选择"});
        EXPECT_EQ(form->currentPage(), 0);
        EXPECT_EQ(form->pages()->tabBar()->currentIndex(), 0);
        EXPECT_TRUE(form->pages()->widget(0)->isVisible());
        EXPECT_FALSE(form->pages()->widget(6)->isVisible());
        EXPECT_EQ(form->notes()->toPlainText(), coverNotes);
        EXPECT_EQ(QApplication::focusWidget(), num("c907"));
    }
    // an allowed tab click turns the page once
    num("c907")->setValue(1);
    prompter.shown.clear();
    QTabBar* tabs = form->pages()->tabBar();
    QTest::mouseClick(tabs, Qt::LeftButton, Qt::NoModifier, tabs->tabRect(6).center());
    EXPECT_EQ(form->currentPage(), 6);
    EXPECT_TRUE(form->pages()->widget(6)->isVisible());
    EXPECT_TRUE(prompter.shown.isEmpty());
}

TEST_F(SurveyDataTest, TheErrorListLeavesTabsAndFieldsVisibleAndKeepsTheClerksPlace)
{
    addStored(110101000001, "b001=1, b002=10, b003=20");
    openExisting(110101000001);
    form->pages()->setCurrentIndex(4);
    form->pages()->setCurrentIndex(5); // the rules of pages 5 and 4 are checked
    TMessageListWinForm& errors = MessageListWin();
    ASSERT_TRUE(errors.isVisible());
    const QRect list = errors.frameGeometry();
    const QRect pages(form->pages()->mapToGlobal(QPoint(0, 0)), form->pages()->size());
    EXPECT_FALSE(list.intersects(pages)) << list.y() << " " << pages.bottom();
    // moved by the clerk: the list comes back there for the rest of the run
    // (to a place wholly on the screen: the list never shows partly off it)
    errors.move(KeepOnScreen(QRect(list.topLeft() + QPoint(40, -30), list.size()), errors.screen()->availableGeometry()).topLeft());
    const QPoint dragged = errors.pos();
    form->pages()->setCurrentIndex(4);
    ASSERT_TRUE(errors.isVisible());
    EXPECT_EQ(errors.pos(), dragged);
}
