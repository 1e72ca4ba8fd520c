#pragma once

#include <QString>

// Counts, elapsed time and remaining-time estimate of a progress display whose texts a 100 ms
// timer refreshes. Time is counted in timer ticks: a caller that keeps the thread busy gets no
// ticks, so its busy time is not counted.

constexpr int ProgressTickMilliseconds = 100;
// The times show only after this many ticks (five seconds).
constexpr int ProgressTicksBeforeTimes = 50;

struct ProgressTexts {
    QString done; // "已完成 ..."
    QString toDo; // "待完成 ..."
};

// The counts alone: "已完成 d" and "待完成 n-d".
ProgressTexts ProgressCountTexts(int done, int total);

// Remaining ticks, assuming each remaining item takes as long as the items done so far took on
// average: ceiling(ticks / done * (total - done)). -1 while nothing is done.
int RemainingTicksEstimate(int ticks, int done, int total);

// The counts with the elapsed and the remaining whole seconds:
// "已完成 d 用时s秒" (s = ticks / 10 rounded down) and "待完成 n-d 尚需r秒" (r = estimate / 10
// rounded up).
ProgressTexts ProgressTimeTexts(int ticks, int done, int total, int estimate);

// What one timer tick makes of the display.
struct ProgressTick {
    int estimate; // remaining ticks; unchanged while the times do not show
    ProgressTexts texts;
};

// The display after the tick that brought the count to ticks. The times show once more than
// five seconds have passed and something is done; before that only the counts show.
ProgressTick ProgressAfterTick(int ticks, int done, int total, int estimate);

// How full a bar of 100 segments is: done as whole percent of total, at most 100; 0 while
// there is no total.
int ProgressPercent(int done, int total);
