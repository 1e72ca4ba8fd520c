#pragma once

#include <QString>

class QFileDevice;
class QSaveFile;

// Copies a file whole, replacing the target; returns false with the reason in *error. The
// copy is written beside the target and renamed over it, so the target is complete or untouched.
bool CopyFileContents(const QString& source, const QString& target, QString* error = nullptr);

// Writes the bytes as the whole content of the file, replacing it: written beside it, checked
// to the last byte (CommitWhole) and renamed over it, so the file is the new one or, on failure,
// the old one untouched. False with "无法写入文件“path”：" + the reason in *error.
bool WriteFileWhole(const QString& path, const QByteArray& bytes, QString* error = nullptr);

// Writes all the bytes to an open file. False with the system's reason in *error when a full
// disk or another failure stops it ("磁盘空间不足" for a full disk).
bool WriteAllBytes(QFileDevice& file, const char* data, qint64 size, QString* error = nullptr);

// Ends a QSaveFile's writing: its buffer is flushed and the file takes its place only when every
// byte reached it; otherwise it is discarded, the result is false and *error says why.
// (QSaveFile::commit alone does not notice a failed final flush.)
bool CommitWhole(QSaveFile& file, QString* error = nullptr);
