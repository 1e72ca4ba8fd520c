#pragma once

#include <QDateTime>
#include <QString>

class Workbook;

// Where a workbook handed to the user is kept: a new file in the documents folder, named after
// its template or title and the time, "2012打印表-20261210-142501.xlsx". A template's extension
// is dropped from the stem; when the name is taken, "-2", "-3", ... is added.
QString VisibleWorkbookPath(const QString& folder, const QString& stem, const QDateTime& when);

// Saves the workbook under that name in the user's documents folder and returns the path.
// Raises WorkbookError when it cannot be saved; nothing is left behind then.
QString SaveToDocuments(const Workbook& book, const QString& stem, const QDateTime& when = QDateTime::currentDateTime());
