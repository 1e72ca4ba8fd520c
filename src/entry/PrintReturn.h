#pragma once

#include <QString>

// Prints one return: the template in the program folder is filled (FillPrintWorkbook) with the
// progress window showing the worksheets done, saved as a new workbook in the documents folder
// and opened with the desktop's default application (MakeWorkbookVisible). The editor's print
// button leaves the last filled sheet active (keepApplication), the main window's action sheet 1.
// A template that cannot be opened gets "打开汇总模版文件时发生错误，可能是没有安装MS Office中的Excel"
// with the cause on a second line; a later failure its error message; nothing is saved then.
// Returns the path of the saved workbook, empty when none was saved.
QString PrintReturn(const QString& templateName, const QString& key, bool keepApplication);
