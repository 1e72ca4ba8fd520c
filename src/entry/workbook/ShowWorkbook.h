#pragma once

#include <QString>

class Workbook;

// "Make the application visible": the workbook is saved as a new file in the documents folder
// (SaveToDocuments) and opened with the desktop's default application through the prompter.
// When nothing opens it, the prompter says where it was saved; when it cannot be saved, the
// prompter shows why. Returns the saved path, empty when nothing was saved.
QString MakeWorkbookVisible(const Workbook& book, const QString& stem);

// Opens a saved workbook file the same way: the default application, or the message naming
// where it lies.
void ShowSavedWorkbook(const QString& path);
