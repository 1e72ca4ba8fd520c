#pragma once

#include <QString>

// The name a backup (or any ".mdb" export) is written under: a name longer than four
// characters whose last four are not exactly ".mdb" gets ".mdb" appended; shorter names stay.
QString BackupFileName(const QString& chosen);
