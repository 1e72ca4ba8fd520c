#pragma once

#include "logic/LastYearComparison.h"
#include "model/CodeList.h"

#include <QDate>
#include <QString>

// What the comparison's workbook says about its run besides the lists.
struct ComparisonRun {
    QString lastYearFile;
    QString workingFile; // the workbook never replaces it
    CompareParameters parameters;
    QDate date;
    TMenuItemDataArray states; // CT_state, for the state of a unit in the other year
};

// "表4续": the tab caption of a page.
QString ComparisonPageText(int page);
// What a unit that reports in one year only has in the other: no return there, or its state.
QString OtherYearText(int state, const TMenuItemDataArray& states);
// The default name of the workbook: "与上年数据比对-" + the date as yyyy-mm-dd.
QString ComparisonProposedName(const QDate& date);

// Why the workbook may not be written at path: it names the working database or last year's
// file (under any name, links followed); empty text when it may.
QString RefuseComparisonTarget(const QString& path, const ComparisonRun& run);
// Writes the three lists into a new workbook at path, one sheet each: "变动较大的数据" (a title,
// last year's file, the parameters and date, the counts, then one row per flagged value by
// score: code, name, field, caption, page, last year, this year, ratio, 增/减, score),
// "本年未填报的单位" and "本年新填报的单位" (code, name, the state in the other year); a fourth,
// "未比对的指标", names the indicators with too few pairs and their pairs. A list
// longer than a sheet goes on in sheets named with "(2)", "(3)". The file is complete or not
// written; a path naming the working database or last year's file is refused. Returns empty
// text on success, the reason otherwise.
QString WriteComparisonWorkbook(const CompareResult& result, const ComparisonRun& run, const QString& path);
