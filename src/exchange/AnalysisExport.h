#pragma once

#include <QString>
#include <QVariantList>

// "导出分析数据": the returns a condition on dt_data chooses (empty: all) written into an SPSS or
// a Stata file the user chooses; the file type follows the save dialog's filter. The title
// begins the proposed file name. Shows the progress window (nothing else can be touched while
// it runs) and how the export ended; the writing is the core's (exchange/AnalysisFile.h).
void SaveReturnsForAnalysis(const QString& condition, const QVariantList& params, const QString& title);
