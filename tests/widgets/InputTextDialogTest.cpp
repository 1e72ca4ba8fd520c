#include "widgets/InputTextDialog.h"
#include "widgets/Prompter.h"

#include <QApplication>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>

namespace {
// Runs the work on the box once it is shown modally.
void whenShown(const std::function<void(TInputTextForm&)>& work)
{
    QTimer::singleShot(0, [work] {
        auto* box = qobject_cast<TInputTextForm*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        work(*box);
    });
}
} // namespace

TEST(InputTextDialog, LaysItsControlsOutInUnitsOfItsFont)
{
    TInputTextForm box("设置数据库标识", "请输入提供数据的单位的名称，长度不要超过200个汉字", "默认数据库", 255);
    const QFontMetrics m(box.font());
    const int x = qRound(m.horizontalAdvance("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz") / 52.0);
    const int y = m.height();
    EXPECT_EQ(box.unitX(), x);
    EXPECT_EQ(box.unitY(), y);
    EXPECT_EQ(box.width(), 180 * x / 4);
    const QRect prompt = box.prompt()->geometry();
    EXPECT_EQ(prompt.topLeft(), QPoint(8 * x / 4, 8 * y / 8));
    EXPECT_EQ(prompt.width(), 164 * x / 4);
    EXPECT_TRUE(box.prompt()->wordWrap());
    const QRect edit = box.edit()->geometry();
    EXPECT_EQ(edit.left(), prompt.left());
    EXPECT_EQ(edit.width(), prompt.width());
    EXPECT_EQ(edit.top(), prompt.bottom() + 1 + 5);
    const QRect ok = box.okButton()->geometry();
    const QRect cancel = box.cancelButton()->geometry();
    EXPECT_EQ(ok.size(), QSize(50 * x / 4, 14 * y / 8));
    EXPECT_EQ(cancel.size(), ok.size());
    EXPECT_EQ(ok.top(), edit.bottom() + 1 + 15);
    EXPECT_EQ(cancel.top(), ok.top());
    EXPECT_EQ(ok.left(), 38 * x / 4);
    EXPECT_EQ(cancel.left(), 92 * x / 4);
    EXPECT_EQ(box.height(), ok.bottom() + 1 + 13);
    EXPECT_EQ(box.okButton()->text(), "确定");
    EXPECT_EQ(box.cancelButton()->text(), "取消");
    EXPECT_TRUE(box.okButton()->isDefault());
    EXPECT_EQ(box.windowTitle(), "设置数据库标识");
    // the prompt is text, never markup
    EXPECT_EQ(box.prompt()->textFormat(), Qt::PlainText);
}

TEST(InputTextDialog, StartsSelectedAndCentredAndAcceptingReplacesTheText)
{
    QString text = "默认数据库";
    whenShown([](TInputTextForm& box) {
        EXPECT_EQ(box.edit()->selectedText(), "默认数据库");
        const QRect screen = box.screen()->availableGeometry();
        EXPECT_LE(qAbs(box.frameGeometry().center().x() - screen.center().x()), 1);
        EXPECT_LE(qAbs(box.frameGeometry().center().y() - screen.center().y()), 1);
        box.edit()->insert("某市总工会"); // typing replaces the selection
        QTest::keyClick(box.edit(), Qt::Key_Return);
    });
    EXPECT_TRUE(InputTextDialog("设置数据库标识", "请输入", &text));
    EXPECT_EQ(text, "某市总工会");
}

TEST(InputTextDialog, CancelOrEscapeLeavesTheCallersTextAlone)
{
    for (const bool escape : {true, false}) {
        QString text = "原来的";
        whenShown([escape](TInputTextForm& box) {
            QTest::keyClicks(box.edit(), "typed");
            if (escape)
                QTest::keyClick(box.edit(), Qt::Key_Escape);
            else
                box.cancelButton()->click();
        });
        EXPECT_FALSE(InputTextDialog("c", "p", &text));
        EXPECT_EQ(text, "原来的");
    }
}

// The program's prompter asks through this box and keeps to the length it is given.
TEST(InputTextDialog, ThePrompterAsksThroughItWithItsLimit)
{
    SetPrompter(nullptr);
    QString text;
    whenShown([](TInputTextForm& box) {
        EXPECT_EQ(box.windowTitle(), "自定义分组");
        EXPECT_EQ(box.prompt()->text(), "输入本种分组方式的名称");
        box.edit()->insert(QString(300, QChar(u'工')));
        box.okButton()->click();
    });
    EXPECT_TRUE(CurrentPrompter().inputText("自定义分组", "输入本种分组方式的名称", &text, 255));
    EXPECT_EQ(text, QString(255, QChar(u'工')));
}
