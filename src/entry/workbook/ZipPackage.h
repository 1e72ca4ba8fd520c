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

// Whether a workbook another library wrote is whole: its directory, which ends the file, is there
// and every XML part ends by closing the element it opens. (The workbook writer reports neither
// a failed last block of the file nor a failed write of the temporary files its parts pass
// through, so a full disk leaves a file cut short or parts cut short inside a sound file.)
bool IsWholeZip(const QString& path);

// Renames a finished temporary file over the target in one step. The file keeps the target's
// permissions when the target existed, and gets the usual ones (rw-r--r--) otherwise; on
// failure the temporary file is removed and the target is untouched.
bool MoveIntoPlace(const QString& temp, const QString& target);
