#pragma once

#include <QString>
#include <QStringList>

// Gives the working folder the named files it lacks, copied from the delivered folder: each
// copy is complete or absent, and a file the working folder already has is never touched (not
// even by a second program seeding at the same moment). A name the delivered folder lacks is
// skipped. The working folder is made when missing; nothing happens when both folders are one.
// Returns false with the reason in *error when a file cannot be made; the files seeded before
// it stay.
bool SeedWorkingFiles(const QString& deliveredFolder, const QString& workingFolder, const QStringList& names,
                      QString* error);
