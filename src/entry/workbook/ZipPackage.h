#pragma once

#include <QByteArray>
#include <QString>
#include <QVector>

// The entries of a zip file, in the order the file holds them.
struct ZipEntry {
    QString name;
    QByteArray data;
};

// Reads every file entry of a zip. Returns false with a reason in *error when the file cannot be
// read, is not a zip, or holds an entry larger than the limit a workbook can sensibly have.
bool ReadZipEntries(const QString& path, QVector<ZipEntry>* entries, QString* error);

// Writes the entries into a new zip at a temporary name beside `path` and renames it over `path`;
// on failure the target is untouched and false is returned with the reason.
bool WriteZipEntries(const QString& path, const QVector<ZipEntry>& entries, QString* error);

// Whether the file is a whole zip: its central directory and end record, written last, are there,
// every part unpacks to its stated size, and every XML part ends with the closing tag of its root
// element. A writer that lost a block to a full disk leaves a file that is not.
bool IsWholeZip(const QString& path, QString* error);

// Renames a finished temporary file over the target in one step. The file keeps the target's
// permissions when the target existed, and gets the usual ones (rw-r--r--) otherwise; on
// failure the temporary file is removed and the target is untouched.
bool MoveIntoPlace(const QString& temp, const QString& target);
