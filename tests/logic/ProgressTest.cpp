#include "logic/ProgressBar.h"
#include "logic/ProgressBar2Line.h"
#include "logic/ProgressEstimate.h"

#include <QApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

// One timer tick without waiting a tenth of a second for it.
void Tick(TProgressBarForm& form, int times = 1)
{
    for (int i = 0; i < times; ++i)
        QMetaObject::invokeMethod(form.timer(), "timeout");
}

QPoint ScreenCentre(const QWidget& window)
{
    return QApplication::primaryScreen()->geometry().center() - window.rect().center();
}

} // namespace

TEST(ProgressEstimate, TextsAndEstimateAfterATick)
{
    const struct {
        int ticks, done, total, estimateBefore;
        int estimate;
        const char* doneText;
        const char* toDoText;
    } cases[] = {
        {1, 0, 40, -1, -1, "已完成 0", "待完成 40"},
        {50, 10, 40, -1, -1, "已完成 10", "待完成 30"}, // five seconds: not yet more
        {51, 0, 40, -1, -1, "已完成 0", "待完成 40"},   // nothing done: no estimate
        {60, 10, 40, -1, 180, "已完成 10 用时6秒", "待完成 30 尚需18秒"},
        {51, 3, 10, -1, 119, "已完成 3 用时5秒", "待完成 7 尚需12秒"},
        {101, 30, 100, 200, 236, "已完成 30 用时10秒", "待完成 70 尚需24秒"},
        {77, 7, 7, 5, 0, "已完成 7 用时7秒", "待完成 0 尚需0秒"},
        {40, 5, 9, 77, 77, "已完成 5", "待完成 4"}, // an earlier estimate stays while times hide
    };
    for (const auto& c : cases) {
        const ProgressTick tick = ProgressAfterTick(c.ticks, c.done, c.total, c.estimateBefore);
        const QString name = QString("%1 ticks, %2 of %3").arg(c.ticks).arg(c.done).arg(c.total);
        EXPECT_EQ(tick.estimate, c.estimate) << name.toStdString();
        EXPECT_EQ(tick.texts.done, QString::fromUtf8(c.doneText)) << name.toStdString();
        EXPECT_EQ(tick.texts.toDo, QString::fromUtf8(c.toDoText)) << name.toStdString();
    }
}

TEST(ProgressEstimate, RemainingTicksAndPercent)
{
    EXPECT_EQ(RemainingTicksEstimate(60, 10, 40), 180);
    EXPECT_EQ(RemainingTicksEstimate(10, 3, 4), 4); // 3.33 rounds up
    EXPECT_EQ(RemainingTicksEstimate(10, 0, 4), -1);
    EXPECT_EQ(RemainingTicksEstimate(30000, 1000, 100000), 2970000); // 30000 x 99000 exceeds 32 bits
    const struct {
        int done, total, percent;
    } percents[] = {{0, 0, 0}, {2, 0, 0}, {0, 3, 0}, {1, 3, 33}, {2, 3, 66}, {3, 3, 100}, {5, 3, 100}};
    for (const auto& p : percents)
        EXPECT_EQ(ProgressPercent(p.done, p.total), p.percent) << p.done << "/" << p.total;
}

TEST(ProgressBar, WindowBeforeAStart)
{
    TProgressBarForm form;
    EXPECT_EQ(form.size(), QSize(463, 78));
    EXPECT_TRUE(form.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(form.windowType(), Qt::Tool);
    EXPECT_FALSE(form.windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_EQ(form.processLabel()->text(), "正在处理：");
    EXPECT_EQ(form.bar()->width(), 400);
    EXPECT_EQ(form.bar()->maximum(), 100);
    EXPECT_TRUE(form.doneText()->isHidden());
    EXPECT_TRUE(form.toDoText()->isHidden());
    EXPECT_FALSE(form.timer()->isActive());
    form.show();
    EXPECT_EQ(form.pos(), ScreenCentre(form));
}

TEST(ProgressBar, StartShowsTheCountsAndStartsTheTimer)
{
    TProgressBarForm form;
    form.show();
    form.StartProgress(40, 10);
    EXPECT_EQ(form.doneText()->text(), "已完成 10");
    EXPECT_EQ(form.toDoText()->text(), "待完成 30");
    EXPECT_FALSE(form.doneText()->isHidden());
    EXPECT_FALSE(form.toDoText()->isHidden());
    EXPECT_TRUE(form.timer()->isActive());
    EXPECT_EQ(form.timer()->interval(), 100);
    EXPECT_EQ(form.tickCount(), 0);
    EXPECT_EQ(form.estimate(), -1);
    EXPECT_EQ(form.bar()->value(), 25);
}

TEST(ProgressBar, TicksShowTheTimesAfterFiveSeconds)
{
    TProgressBarForm form;
    form.show();
    form.StartProgress(40, 0);
    for (int i = 0; i < 10; ++i)
        form.StepProgress();
    Tick(form, 50);
    EXPECT_EQ(form.tickCount(), 50);
    EXPECT_EQ(form.doneText()->text(), "已完成 10");
    EXPECT_EQ(form.toDoText()->text(), "待完成 30");
    EXPECT_EQ(form.estimate(), -1);
    Tick(form, 10);
    EXPECT_EQ(form.doneText()->text(), "已完成 10 用时6秒");
    EXPECT_EQ(form.toDoText()->text(), "待完成 30 尚需18秒");
    EXPECT_EQ(form.estimate(), 180);

    // a new start begins the count of ticks afresh
    form.StartProgress(5, 0);
    EXPECT_EQ(form.tickCount(), 0);
    EXPECT_EQ(form.estimate(), -1);
    EXPECT_EQ(form.doneText()->text(), "已完成 0");
}

TEST(ProgressBar, TheRunningTimerRefreshesTheTexts)
{
    TProgressBarForm form;
    form.show();
    form.StartProgress(3, 0);
    form.StepProgress();
    EXPECT_EQ(form.doneText()->text(), "已完成 0"); // steps leave the texts to the timer
    EXPECT_TRUE(QTest::qWaitFor([&] { return form.tickCount() >= 1; }, 2000));
    EXPECT_EQ(form.doneText()->text(), "已完成 1");
    EXPECT_EQ(form.toDoText()->text(), "待完成 2");
}

TEST(ProgressBar, StepsAdvanceTheBarAndAFullBarStopsTheTimer)
{
    TProgressBarForm form;
    form.show();
    form.StartProgress(4, 0);
    const int percents[] = {25, 50, 75, 100};
    for (int percent : percents) {
        EXPECT_TRUE(form.timer()->isActive()) << percent;
        form.StepProgress();
        EXPECT_EQ(form.bar()->value(), percent);
    }
    EXPECT_EQ(form.done(), 4);
    EXPECT_FALSE(form.timer()->isActive());
    form.StepProgress(); // one step too many keeps the bar full
    EXPECT_EQ(form.done(), 4);
    EXPECT_EQ(form.bar()->value(), 100);
}

TEST(ProgressBar, HidingHidesTheTextsAndStopsTheTimer)
{
    TProgressBarForm form;
    form.show();
    form.StartProgress(10, 2);
    QTest::keyClick(&form, Qt::Key_Escape); // no way for the user to close it
    EXPECT_TRUE(form.isVisible());
    form.hide();
    EXPECT_TRUE(form.doneText()->isHidden());
    EXPECT_TRUE(form.toDoText()->isHidden());
    EXPECT_FALSE(form.timer()->isActive());
}

TEST(ProgressBar2Line, InitAndIncAdvanceEachBar)
{
    TProgressBar2LineForm form;
    EXPECT_EQ(form.windowTitle(), "操作进度指示");
    EXPECT_EQ(form.size(), QSize(416, 110));
    EXPECT_EQ(form.windowType(), Qt::Tool);
    EXPECT_TRUE(form.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(form.firstBar()->width(), 400);
    EXPECT_EQ(form.secondBar()->width(), 400);
    form.show();
    EXPECT_EQ(form.pos(), ScreenCentre(form));

    form.InitFirst(4);
    form.InitSecond(3);
    form.IncFirst();
    EXPECT_EQ(form.firstBar()->value(), 25);
    EXPECT_EQ(form.secondBar()->value(), 0);
    const int secondPercents[] = {33, 66, 100, 100};
    for (int percent : secondPercents) {
        form.IncSecond();
        EXPECT_EQ(form.secondBar()->value(), percent);
    }
    EXPECT_EQ(form.secondDone(), 3);
    EXPECT_EQ(form.firstDone(), 1);

    // the next task starts its bar again from nothing
    form.IncFirst();
    form.InitSecond(8);
    EXPECT_EQ(form.firstBar()->value(), 50);
    EXPECT_EQ(form.secondBar()->value(), 0);
    EXPECT_EQ(form.secondTotal(), 8);
    form.InitFirst(2);
    EXPECT_EQ(form.firstDone(), 0);
    EXPECT_EQ(form.firstBar()->value(), 0);
}

TEST(ProgressWindows, EachIsMadeOnce)
{
    EXPECT_EQ(&ProgressBarForm(), &ProgressBarForm());
    EXPECT_EQ(&ProgressBar2LineForm(), &ProgressBar2LineForm());
    ProgressBarForm().StartProgress(2, 1);
    EXPECT_EQ(ProgressBarForm().bar()->value(), 50);
}

TEST(ProgressBar2Line, AStoppableRunHasAStopButtonAndIsModal)
{
    TProgressBar2LineForm form;
    EXPECT_TRUE(form.stopButton()->isHidden());
    form.ShowStoppable();
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(form.stopButton()->text(), "停  止");
    EXPECT_TRUE(form.stopButton()->isVisible());
    EXPECT_EQ(form.windowModality(), Qt::ApplicationModal);
    EXPECT_EQ(form.size(), QSize(416, 146));
    EXPECT_FALSE(form.stopRequested());
    // The close box stops the run, and the window stays until the run hides it.
    form.close();
    EXPECT_TRUE(form.stopRequested());
    EXPECT_TRUE(form.isVisible());
    EXPECT_FALSE(form.stopButton()->isEnabled());
    form.hide();
    EXPECT_TRUE(form.stopButton()->isHidden());
    EXPECT_EQ(form.windowModality(), Qt::NonModal);
    EXPECT_EQ(form.size(), QSize(416, 110));
    // A new run starts unstopped; the button stops it.
    form.ShowStoppable();
    EXPECT_FALSE(form.stopRequested());
    QTest::mouseClick(form.stopButton(), Qt::LeftButton);
    EXPECT_TRUE(form.stopRequested());
    form.hide();
}
