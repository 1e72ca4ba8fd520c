#pragma once

#include <QString>

// Creates a new, empty database file; an existing file of that name is an error.
void CreateEmptyDatabase(const QString& path);

// A unique name in the temporary folder beginning with "~SM"; no file of that name exists.
QString MakeTempFileName();
// The same in another folder: for files that are renamed into place there when complete.
QString MakeTempFileNameIn(const QString& folder);

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
// required tables). Empty text when it passes.
QString CheckReceivedDatabase(const QString& path);
