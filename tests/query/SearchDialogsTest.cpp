#include "query/DataSearchCode.h"
#include "query/QueryConditions.h"
#include "query/dlgDataSearch.h"
#include "query/dlgDelete.h"
#include "entry/MVValidEdit.h"
#include "query/dlgLocate.h"
#include "query/dlgQueryList.h"
#include "query/dlgSearch.h"
#include "query/QueryControls.h"
#include "widgets/CodePicker.h"
#include "widgets/RecordGrid.h"
#include "QueryWindowSupport.h"

#include <QAbstractButton>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QTableWidget>
#include <QTest>

namespace {
// The codes the result list shows, read when it opens; it is then closed.
QStringList ListedCodes(const std::function<void()>& search)
{
    QStringList listed;
    const ModalWatch watch1 = OnModal<TdlgQueryListForm>([&listed](TdlgQueryListForm& list) {
        RowSet& rows = list.reportQuery();
        for (int p = 0; p < rows.recordCount(); ++p)
            listed << rows.textAt(p, rows.columnIndex("c901"));
        listed << list.countLabel()->text();
        list.reject();
    });
    search();
    return listed;
}

void Choose(QLineEdit* box, const TMenuItemDataArray& codes, int code)
{
    box->setText(FindCodeName(codes, code));
    SetEditTag(box, code);
}
} // namespace

using SearchDialogTest = QueryWindowTest;

TEST_F(SearchDialogTest, CodeRangeSearchListsTheMatchingReturns)
{
    addReturns(5);
    int refreshed = 0;
    TdlgSearchForm dialog({}, [&] { ++refreshed; });
    // starts on "=", "和", "="
    EXPECT_EQ(dialog.lc1->text(), "=");
    EXPECT_EQ(dialog.lc2->text(), "和");
    EXPECT_EQ(EditTag(dialog.lc3), 1);

    // only the second value: only its operator counts
    Choose(dialog.lc1, OperatorList(), 2);
    Choose(dialog.lc3, OperatorList(), 5);
    dialog.number2->setText("110101000002");
    EXPECT_EQ(ListedCodes([&] { dialog.SearchByCodeRange(); }),
              QStringList({"110101000001", "110101000002", "符合条件的数据总数：2"}));
    EXPECT_EQ(refreshed, 1);

    // "或" with two "=" lists both codes
    Choose(dialog.lc1, OperatorList(), 1);
    Choose(dialog.lc2, ConnectorList(), 2);
    Choose(dialog.lc3, OperatorList(), 1);
    dialog.number1->setText("110101000001");
    dialog.number2->setText("110101000004");
    EXPECT_EQ(ListedCodes([&] { dialog.SearchByCodeRange(); }),
              QStringList({"110101000001", "110101000004", "符合条件的数据总数：2"}));

    // the boxes take digits only
    QTest::keyClicks(dialog.number1, "12a'3");
    EXPECT_EQ(dialog.number1->text(), "11010100000112");
}

TEST_F(SearchDialogTest, ASearchWithoutValuesAsksForOne)
{
    addReturns(2);
    int refreshed = 0;
    TdlgSearchForm dialog({}, [&] { ++refreshed; });
    dialog.number1->setText("  ");
    dialog.SearchByCodeRange();
    EXPECT_EQ(prompter.shown, QStringList({"请至少输入一个条件"}));
    EXPECT_EQ(refreshed, 0);
}

TEST_F(SearchDialogTest, AnEmptyConditionListsEveryRow)
{
    addReturns(3);
    TdlgQueryListForm list({});
    list.ShowQueryResult(QString());
    list.show();
    EXPECT_EQ(list.grid()->model()->rowCount(), 3);
    EXPECT_EQ(list.countLabel()->text(), "符合条件的数据总数：3");
}

TEST_F(SearchDialogTest, AFailingConditionShowsTheEngineMessageAndNoList)
{
    addReturns(1);
    bool listShown = false;
    const ModalWatch watch2 = OnModal<TdlgQueryListForm>([&](TdlgQueryListForm& list) {
        listShown = true;
        list.reject();
    });
    ShowResultList("where z001>", {}, nullptr);
    QTest::qWait(30);
    EXPECT_FALSE(listShown);
    ASSERT_EQ(prompter.shown.size(), 1);
    EXPECT_TRUE(prompter.shown[0].startsWith("运行中发生错误：")) << prompter.shown[0].toStdString();
}

TEST_F(SearchDialogTest, LocateByCodeOrName)
{
    addReturns(4, "第%1区总工会");
    SysConnection().execute("update dt_data set c902='朝阳区总工会' where c901=110101000003");
    RowSet list = SysConnection().query(ResultListSql(QString()));
    int moved = 0;
    {
        TdlgLocateForm dialog(&list, [&] { ++moved; });
        EXPECT_TRUE(dialog.rad901->isChecked());
        dialog.show();
        // exact code
        QTest::keyClicks(dialog.c901, "110101000004");
        dialog.LocateByCodeOrName();
        EXPECT_EQ(list.text("c901"), "110101000004");
        EXPECT_EQ(moved, 1);
        EXPECT_EQ(dialog.result(), QDialog::Accepted);
    }
    {
        // part of a name: the first match; typing selects the name search
        TdlgLocateForm dialog(&list, [&] { ++moved; });
        dialog.show();
        dialog.c902->setFocus();
        dialog.c902->insertTyped("总工会");
        EXPECT_TRUE(dialog.rad902->isChecked());
        dialog.LocateByCodeOrName();
        EXPECT_EQ(list.text("c901"), "110101000001");
        // a quote cannot be typed
        dialog.c902->clear();
        dialog.c902->insertTyped("朝'阳");
        EXPECT_EQ(dialog.c902->text(), "朝阳");
        dialog.LocateByCodeOrName();
        EXPECT_EQ(list.text("c901"), "110101000003");
        EXPECT_TRUE(prompter.shown.isEmpty());
    }
    {
        // a blank code counts as 0 and finds nothing; a name nobody has neither
        TdlgLocateForm dialog(&list, [&] { ++moved; });
        dialog.show();
        dialog.rad901->setChecked(true);
        dialog.LocateByCodeOrName();
        dialog.rad902->setChecked(true);
        dialog.c902->setText("海淀");
        dialog.LocateByCodeOrName();
        EXPECT_EQ(prompter.shown, QStringList({"没有找到满足条件的数据", "没有找到满足条件的数据"}));
        EXPECT_NE(dialog.result(), QDialog::Accepted);
        EXPECT_EQ(list.text("c901"), "110101000003");
    }
}

TEST_F(SearchDialogTest, PickerListsPagesAndTakesADoubleClick)
{
    TDataSearchCodeForm picker;
    picker.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&picker));
    // page 0 (the cover) is offered and listed first, but it has no indicators: the picker
    // opens on the first page that has
    EXPECT_EQ(picker.pageList()->item(0)->text(), "封面");
    EXPECT_EQ(picker.pageList()->currentRow(), 1);
    ASSERT_GT(picker.indicatorList()->rowCount(), 1);
    EXPECT_EQ(picker.indicatorList()->item(0, 0)->text(), "z001");
    EXPECT_EQ(picker.currentField(), "z001");
    // an arrow key on the pages lists the indicators of the page it reaches
    picker.pageList()->setFocus();
    QTest::keyClick(picker.pageList(), Qt::Key_Up);
    EXPECT_EQ(picker.indicatorList()->rowCount(), 0);
    EXPECT_TRUE(picker.currentField().isEmpty());
    QTest::keyClick(picker.pageList(), Qt::Key_Down);
    ASSERT_GT(picker.indicatorList()->rowCount(), 1);
    EXPECT_EQ(picker.indicatorList()->item(0, 0)->text(), "z001");
    // a double click on an indicator chooses it
    const QRect cell = picker.indicatorList()->visualItemRect(picker.indicatorList()->item(1, 0));
    QTest::mouseClick(picker.indicatorList()->viewport(), Qt::LeftButton, {}, cell.center());
    QTest::mouseDClick(picker.indicatorList()->viewport(), Qt::LeftButton, {}, cell.center());
    EXPECT_EQ(picker.result(), QDialog::Accepted);
    EXPECT_EQ(picker.currentField(), "z002");
}

TEST_F(SearchDialogTest, PickIndicatorFillsTheFieldAndCancelLeavesIt)
{
    TdlgDataSearchForm dialog({}, {});
    const ModalWatch watch3 = OnModal<TDataSearchCodeForm>([](TDataSearchCodeForm& picker) {
        picker.pageList()->setCurrentRow(1);
        picker.indicatorList()->setCurrentCell(2, 0);
        QTest::mouseClick(picker.findChild<QPushButton*>("btnOk"), Qt::LeftButton);
    });
    dialog.chooseIndicator();
    EXPECT_EQ(dialog.DataField->text(), "z003");
    const ModalWatch watch4 = OnModal<TDataSearchCodeForm>([](TDataSearchCodeForm& picker) { QTest::keyClick(&picker, Qt::Key_Escape); });
    dialog.chooseIndicator();
    EXPECT_EQ(dialog.DataField->text(), "z003");
}

TEST_F(SearchDialogTest, IndicatorQuery)
{
    addReturns(4); // z001 = 10, 20, 30, 40
    int refreshed = 0;
    TdlgDataSearchForm dialog({}, [&] { ++refreshed; });
    EXPECT_TRUE(dialog.lc1->text().isEmpty());
    EXPECT_EQ(EditTag(dialog.lc1), 0);
    dialog.Number1->setText("5");
    dialog.QueryByIndicator();
    EXPECT_EQ(prompter.shown, QStringList({"请选择指标"}));

    dialog.DataField->setText("z001");
    dialog.Number1->clear();
    dialog.QueryByIndicator();
    EXPECT_EQ(prompter.shown.last(), "请至少输入一个条件");
    EXPECT_EQ(refreshed, 0);

    // only the second part
    Choose(dialog.lc3, OperatorList(), 4);
    dialog.Number2->setText("20");
    EXPECT_EQ(dialog.condition(), "where z001>=20");
    EXPECT_EQ(ListedCodes([&] { dialog.QueryByIndicator(); }),
              QStringList({"110101000002", "110101000003", "110101000004", "符合条件的数据总数：3"}));
    EXPECT_EQ(refreshed, 1) << prompter.shown.join("\n").toStdString();
    dialog.Number1->setText("35");

    Choose(dialog.lc1, OperatorList(), 3);
    EXPECT_EQ(ListedCodes([&] { dialog.QueryByIndicator(); }),
              QStringList({"110101000002", "110101000003", "符合条件的数据总数：2"}));
}

class RangeDeleteTest : public QueryWindowTest {
protected:
    RowSet list;
    QTableView grid;
    RowSetTableModel model;
    int requeried = 0;
    std::unique_ptr<TdlgDeleteForm> dialog;

    void open(int returns)
    {
        addReturns(returns);
        list = SysConnection().query(ResultListSql(QString()));
        list.setKeyColumn("c901");
        TFieldData code;
        code.ShowName = code.FieldName = "c901";
        model.setFields({code}, &list);
        grid.setModel(&model);
        grid.setSelectionBehavior(QAbstractItemView::SelectRows);
        grid.setSelectionMode(QAbstractItemView::ExtendedSelection);
        dialog = std::make_unique<TdlgDeleteForm>(&grid, &model, [this] {
            ++requeried;
            list.requery();
            model.reload();
        });
    }
};

TEST_F(RangeDeleteTest, ARangeWithToBelowFromDeletesExactlyOneCode)
{
    open(5);
    EXPECT_TRUE(dialog->Selected->isChecked());
    QTest::keyClicks(dialog->c901_1, "110101000003");
    EXPECT_TRUE(dialog->Range->isChecked());
    dialog->c901_2->setText("110101000001");
    prompter.answer(AnswerYes);
    dialog->DeleteByChoice();
    EXPECT_EQ(prompter.questions, QStringList({"删除操作将不可恢复，您确认继续么？"}));
    EXPECT_EQ(dialog->c901_2->text(), "110101000003");
    EXPECT_EQ(codes(), QStringList({"110101000001", "110101000002", "110101000004", "110101000005"}));
    EXPECT_EQ(requeried, 1);
    EXPECT_EQ(list.recordCount(), 4);
}

TEST_F(RangeDeleteTest, AnEmptyOrZeroBoundAsksForTheRange)
{
    open(2);
    dialog->Range->setChecked(true);
    dialog->c901_1->setText("110101000001");
    dialog->DeleteByChoice();
    EXPECT_EQ(dialog->c901_2->text(), "0");
    EXPECT_EQ(prompter.shown, QStringList({"请输入删除的范围"}));
    EXPECT_EQ(count(), 2);
    EXPECT_EQ(requeried, 0);
}

TEST_F(RangeDeleteTest, NoDeletesNothing)
{
    open(3);
    for (QRadioButton* way : {dialog->AllRecord, dialog->Range}) {
        way->setChecked(true);
        dialog->c901_1->setText("110101000001");
        dialog->c901_2->setText("110101000003");
        prompter.answer(AnswerNo);
        dialog->DeleteByChoice();
    }
    EXPECT_EQ(prompter.questions.size(), 2);
    EXPECT_EQ(count(), 3);
    EXPECT_EQ(requeried, 0);
}

TEST_F(RangeDeleteTest, AllRowsEmptiesTheTableOnly)
{
    open(3);
    const int before = SysConnection().scalar("select count(*) from dt_fieldlist").toInt();
    dialog->AllRecord->setChecked(true);
    prompter.answer(AnswerYes);
    dialog->DeleteByChoice();
    EXPECT_EQ(count(), 0);
    EXPECT_EQ(list.recordCount(), 0);
    EXPECT_EQ(SysConnection().scalar("select count(*) from dt_fieldlist").toInt(), before);
}

TEST_F(RangeDeleteTest, TheConfirmationIsAWarningWithTheQuestionIcon)
{
    open(3);
    dialog->AllRecord->setChecked(true);
    // the real message box, answered by its button
    SetPrompter(nullptr);
    QString caption, text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QStringList buttons;
    const ModalWatch watch = OnModal<QMessageBox>([&](QMessageBox& box) {
        caption = box.windowTitle();
        text = box.text();
        icon = box.icon();
        for (QAbstractButton* b : box.buttons())
            buttons << b->text();
        QTest::mouseClick(box.button(QMessageBox::No), Qt::LeftButton);
    });
    dialog->DeleteByChoice();
    SetPrompter(&prompter);
    EXPECT_EQ(caption, "警告信息");
    EXPECT_EQ(text, "删除操作将不可恢复，您确认继续么？");
    EXPECT_EQ(icon, QMessageBox::Question);
    buttons.sort();
    EXPECT_EQ(buttons, QStringList({"否", "是"}));
    EXPECT_EQ(count(), 3);
    EXPECT_EQ(requeried, 0);
}

TEST_F(RangeDeleteTest, SelectedRowsGoThroughTheListsQuestion)
{
    open(3);
    grid.selectionModel()->select(model.index(0, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    grid.selectionModel()->select(model.index(2, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    prompter.answer(AnswerYesToAll);
    dialog->DeleteByChoice();
    EXPECT_EQ(prompter.questions, QStringList({"您确定要删除当前所选择的记录吗?"}));
    EXPECT_EQ(codes(), QStringList({"110101000002"}));
    EXPECT_EQ(requeried, 1);
}

TEST_F(SearchDialogTest, AComparisonWithoutItsOperatorOrValueIsNamedPlainly)
{
    addReturns(4);
    struct Case {
        int op1;
        const char* value1;
        int op3;
        const char* value3;
        const char* message; // empty: the list opens
        const char* focus;
    } cases[] = {
        {4, "", 0, "20", "请输入与比较符对应的数值", "Number1"},
        {0, "15", 0, "", "请为输入的数值选择比较符", "lc1"},
        {2, "15", 0, "30", "请为输入的数值选择比较符", "lc3"},
        {2, "15", 3, "", "请输入与比较符对应的数值", "Number2"},
        {0, "", 3, "", "请至少输入一个条件", "Number1"},
        {2, "15", 0, "", "", ""},
        {0, "", 5, "30", "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.value1) + " / " + c.value3);
        TdlgDataSearchForm dialog({}, {});
        dialog.show();
        dialog.DataField->setText("z001");
        if (c.op1)
            Choose(dialog.lc1, OperatorList(), c.op1);
        if (c.op3)
            Choose(dialog.lc3, OperatorList(), c.op3);
        dialog.Number1->setText(c.value1);
        dialog.Number2->setText(c.value3);
        prompter.shown.clear();
        const QStringList listed = ListedCodes([&] { dialog.QueryByIndicator(); });
        if (*c.message) {
            EXPECT_EQ(prompter.shown, QStringList({QString::fromUtf8(c.message)}));
            EXPECT_TRUE(listed.isEmpty());
            EXPECT_EQ(dialog.focusWidget() ? dialog.focusWidget()->objectName() : QString(), c.focus);
        } else {
            EXPECT_TRUE(prompter.shown.isEmpty()) << prompter.shown.join(" | ").toStdString();
            EXPECT_FALSE(listed.isEmpty());
        }
    }
}

TEST_F(SearchDialogTest, OperatorBoxesOpenFromTheKeyboardAndGoBackToEmpty)
{
    TdlgDataSearchForm dialog({}, {});
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    QMenu* menu = CodePopupMenu();
    auto entries = [menu] {
        QStringList texts;
        for (QAction* a : menu->actions())
            texts << a->text();
        return texts;
    };
    // F4 and Alt+Down open the list; its first entry leaves the box empty
    for (int key : {int(Qt::Key_F4), int(Qt::Key_Down)}) {
        dialog.lc1->setFocus();
        QTest::keyClick(dialog.lc1, Qt::Key(key), key == Qt::Key_Down ? Qt::AltModifier : Qt::NoModifier);
        ASSERT_TRUE(QTest::qWaitFor([menu] { return menu->isVisible(); }, 2000)) << key;
        EXPECT_EQ(entries(), QStringList({EmptyPickerCaption(), "=", ">", "<", ">=", "<="}));
        menu->actions()[4]->trigger();
        menu->hide();
        EXPECT_EQ(dialog.lc1->text(), ">=");
        EXPECT_EQ(EditTag(dialog.lc1), 4);
        QTest::keyClick(dialog.lc1, Qt::Key_F4);
        ASSERT_TRUE(QTest::qWaitFor([menu] { return menu->isVisible(); }, 2000));
        menu->actions()[0]->trigger();
        menu->hide();
        EXPECT_EQ(dialog.lc1->text(), QString());
        EXPECT_EQ(EditTag(dialog.lc1), 0);
    }
    // Delete empties a chosen operator too
    Choose(dialog.lc3, OperatorList(), 2);
    dialog.lc3->setFocus();
    QTest::keyClick(dialog.lc3, Qt::Key_Delete);
    EXPECT_EQ(dialog.lc3->text(), QString());
    EXPECT_EQ(EditTag(dialog.lc3), 0);
    // the code-range search's boxes open from the keyboard as well, and never go empty
    TdlgSearchForm search({}, {});
    search.show();
    search.lc2->setFocus();
    QTest::keyClick(search.lc2, Qt::Key_F4);
    ASSERT_TRUE(QTest::qWaitFor([menu] { return menu->isVisible(); }, 2000));
    EXPECT_EQ(entries(), QStringList({"和", "或"}));
    menu->hide();
    QTest::keyClick(search.lc2, Qt::Key_Delete);
    EXPECT_EQ(search.lc2->text(), "和");
}
