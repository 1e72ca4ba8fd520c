#pragma once

#include <QString>

class QSaveFile;

// Copies a file whole, replacing the target; returns false with the reason in *error. The
// copy is written beside the target and renamed over it, so the target is complete or untouched.
bool CopyFileContents(const QString& source, const QString& target, QString* error = nullptr);

// Ends a QSaveFile's writing: its buffer is flushed and the file takes its place only when every
// byte reached it; otherwise it is discarded, the result is false and *error says why.
// (QSaveFile::commit alone does not notice a failed final flush.)
bool CommitWhole(QSaveFile& file, QString* error = nullptr);
