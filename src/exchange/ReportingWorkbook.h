#pragma once

#include <QDateTime>
#include <QString>

struct ReportingPicture;

// The reporting picture as one workbook of three sheets, written row by row (the workbook
// layer's StreamingWorkbook), complete or not at all:
//   "收报情况"  the title, the database's label and the time, the figures, then the table by
//              division in tree order (code, name indented by level, expected, received,
//              missing, with errors, the share received);
//   "未报单位"  the missing units by code: code, name, division code and full name;
//   "收件登记"  the register, newest first.
// Empty text on success, the reason otherwise.
QString WriteReportingWorkbook(const ReportingPicture& picture, const QString& path, const QString& label,
                               const QDateTime& at);
