#pragma once

#include <QString>

// Creates a new, empty database file; an existing file of that name is an error.
void CreateEmptyDatabase(const QString& path);

// A unique name in the temporary folder, "~SM" + this process's id + "-" + six characters +
// ".tmp"; no file of that name exists. The process id tells a later run which of these a killed
// run left behind (RemoveStaleTempFiles).
QString MakeTempFileName();
// The same in another folder: for files that are renamed into place there when complete.
QString MakeTempFileNameIn(const QString& folder);
// A new, empty file in the temporary folder, named as MakeTempFileName names, readable and
// writable by this user alone (mode 600): for what other offices sent. Empty text, with the
// reason in *error, when none can be made.
QString MakePrivateTempFile(QString* error = nullptr);
// Removes from the folder the files named by MakeTempFileName(In), and the engine's journals
// beside them, that belong to this user and to a process that has ended. Nothing else is touched.
void RemoveStaleTempFiles(const QString& folder);

struct CompactResult {
    bool replaced = false; // the compacted file took the place of the old one
    QString error;         // the engine's or the file system's message when it did not
};

// Writes a compacted copy beside the file, checks it and renames it over the file, so an
// interrupted compaction leaves the old file as it was. The file keeps its permissions and
// owner; a link is followed and the file it names is compacted in that file's folder; a
// read-only file is refused. Temporaries an earlier, killed compaction left beside the file are
// removed first. Every connection must be closed.
CompactResult CompactDatabaseFile(const QString& path);

// Checks a database file received from elsewhere before anything is read from it: the
// header, then the engine's quick check on a read-only opening (CheckOutsideFile without
// required tables), read in place without a memory map. Empty text when it passes.
QString CheckReceivedDatabase(const QString& path);
