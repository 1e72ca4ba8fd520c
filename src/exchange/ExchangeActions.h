#pragma once

#include <QString>

struct FileDialogOptions;

// The main window's exchange actions. Each asks and answers through the prompter and works on
// the shared connection; the formats and statements are the core's (UploadCsv, PackageExport,
// PackageImport).

// "上报到网络版": the upload CSV of every return, refused while any is held or has errors.
void ExportUploadCsv();
// "上报到离线版": refused while any return is held or has errors, otherwise ExportPackage.
void ExportReturns();
// Asks for the label and the file and writes the package.
void ExportPackage();
// The open dialog of the imports: "选择导入文件" in the documents folder, packages or database
// files; *filter receives the filter chosen (0 packages, 1 database files).
FileDialogOptions ImportFileDialog(int* filter);
// "数据导入": asks for a package or database file and adds the table's rows to the working
// database after the user confirmed the file's label. Answers whether the list must be re-read.
bool ImportPackage(const QString& table, const QString& condition = QString());
