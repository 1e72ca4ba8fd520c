#pragma once

#include "entry/workbook/Workbook.h"

#include <QString>

#include <functional>

class Connection;

// Printing a return: the print template is filled with the return's values at the places the
// catalogue's print map names (printPageID: worksheet, printplace: cell).

// The template could not be opened (missing, unreadable, not a workbook): the caller shows its
// fixed message with this cause on a second line.
class PrintTemplateError : public std::runtime_error {
public:
    explicit PrintTemplateError(const QString& cause) : std::runtime_error(cause.toStdString()), m_cause(cause) {}
    const QString& cause() const { return m_cause; }

private:
    QString m_cause;
};

struct PrintHooks {
    std::function<void(int pages)> started; // the number of worksheets to fill
    std::function<void()> stepped;          // one worksheet filled
};

// Opens the template (a path) as a new workbook and fills it with the return whose code is `key`
// (c901 as text). The worksheets filled are the printPageID values of catalogue rows with a
// PageID >= 0, in ascending order; on each, every catalogue row with that printPageID puts the
// return's value of its FieldName, as text, into its printplace as if typed. The columns 1 to 4
// of the last filled sheet are fitted to their contents; the last filled sheet is the active one,
// or sheet 1 when `showFirstSheet` is set.
// Raises PrintTemplateError when the template cannot be opened, DbError or WorkbookError for a
// later failure (no such return, a FieldName the return lacks, a bad cell address, a
// printPageID beyond the template's sheets).
Workbook FillPrintWorkbook(Connection& db, const QString& templatePath, const QString& key, bool showFirstSheet,
                           const PrintHooks& hooks = {});
