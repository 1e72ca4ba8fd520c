#include "logic/ProgressEstimate.h"

#include <QtGlobal>

namespace {

// Division rounded towards plus infinity, for a positive divisor.
qint64 CeilingDivide(qint64 numerator, qint64 divisor)
{
    if (numerator >= 0)
        return (numerator + divisor - 1) / divisor;
    return -((-numerator) / divisor);
}

} // namespace

ProgressTexts ProgressCountTexts(int done, int total)
{
    return {QString::asprintf("已完成 %d", done), QString::asprintf("待完成 %d", total - done)};
}

int RemainingTicksEstimate(int ticks, int done, int total)
{
    if (done <= 0)
        return -1;
    // ticks / done * (total - done) in whole numbers, so that 60 / 10 * 30 is exactly 180.
    return int(CeilingDivide(qint64(ticks) * (total - done), done));
}

ProgressTexts ProgressTimeTexts(int ticks, int done, int total, int estimate)
{
    const int elapsedSeconds = ticks / 10;
    const int remainingSeconds = int(CeilingDivide(estimate, 10));
    return {QString::asprintf("已完成 %d 用时%d秒", done, elapsedSeconds),
            QString::asprintf("待完成 %d 尚需%d秒", total - done, remainingSeconds)};
}

ProgressTick ProgressAfterTick(int ticks, int done, int total, int estimate)
{
    if (ticks > ProgressTicksBeforeTimes && done > 0) {
        const int remaining = RemainingTicksEstimate(ticks, done, total);
        return {remaining, ProgressTimeTexts(ticks, done, total, remaining)};
    }
    return {estimate, ProgressCountTexts(done, total)};
}

int ProgressPercent(int done, int total)
{
    if (total <= 0 || done <= 0)
        return 0;
    return int(qMin<qint64>(100, qint64(done) * 100 / total));
}
