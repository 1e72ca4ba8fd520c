#pragma once

#include <QString>
#include <QStringList>

// Whether two names stand for one file on disk: the same canonical path (links followed) or
// the same file under two names (a hard link). False when either does not exist.
bool IsSameFile(const QString& a, const QString& b);

// No export writes over the working database (CurrentDatabasePath) or over a file it reads
// itself (sources: a template, the database a command reads). The plain message refusing the
// target, or empty text when it may be written. Every export and every save dialog asks this
// about the name that will actually be written.
QString RefuseExportTarget(const QString& target, const QStringList& sources = {});
