#include "widgets/CodePicker.h"

#include <QAction>
#include <QLineEdit>
#include <QMenu>
#include <QWidget>
#include <gtest/gtest.h>

TEST(CodePicker, ChecksTheCurrentCodeAndChoosingReplacesTextAndTag)
{
    QWidget parent;
    auto* box = new QLineEdit(&parent);
    box->setGeometry(20, 40, 100, 24);
    SetEditTag(box, 2);
    parent.show();
    const TMenuItemDataArray states = {{1, "正常填报"}, {2, "新建工会"}, {3, "已撤销"}};
    QList<std::pair<QVariant, int>> calls;
    ShowCodePicker(box, states, [&](const QVariant& context, int code) { calls.append({context, code}); }, 42);
    QMenu* menu = CodePopupMenu();
    ASSERT_EQ(menu->actions().size(), 3);
    EXPECT_FALSE(menu->actions()[0]->isChecked());
    EXPECT_TRUE(menu->actions()[1]->isChecked());
    EXPECT_EQ(CodePickerPoint(box), parent.mapToGlobal(QPoint(20 + 100 - 10, 40 + 24 - 30)));
    menu->actions()[2]->trigger();
    EXPECT_EQ(box->text(), "已撤销");
    EXPECT_EQ(EditTag(box), 3);
    ASSERT_EQ(calls.size(), 1);
    EXPECT_EQ(calls[0].first.toInt(), 42);
    EXPECT_EQ(calls[0].second, 3);
    menu->hide();
}

TEST(CodePicker, ClosingWithoutChoosingChangesNothing)
{
    QWidget parent;
    auto* box = new QLineEdit(&parent);
    box->setText("x");
    parent.show();
    int calls = 0;
    ShowCodePicker(box, {{1, " 省级地方工会 "}}, [&](const QVariant&, int) { ++calls; });
    CodePopupMenu()->hide();
    EXPECT_EQ(box->text(), "x");
    EXPECT_EQ(EditTag(box), 0);
    EXPECT_EQ(calls, 0);
    // a later choice trims the caption
    ShowCodePicker(box, {{1, " 省级地方工会 "}});
    CodePopupMenu()->actions()[0]->trigger();
    EXPECT_EQ(box->text(), "省级地方工会");
    CodePopupMenu()->hide();
}
