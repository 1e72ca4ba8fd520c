#pragma once

#include <QString>
#include <functional>

class Connection;

// The hooks a long exchange run calls while it goes; all may stay empty.
struct ExchangeHooks {
    std::function<void(qint64 total)> started;
    std::function<void(qint64 done)> stepped;
    std::function<bool()> stopped; // ends the run; what it wrote is taken back
};

// The name an export is written under: a name of fewer than five characters gets the extension
// appended, a longer one when its last four characters are not exactly the extension.
QString ExchangeExportFileName(const QString& chosen, const QString& extension);
// The name an import reads: a name longer than four characters that does not end in exactly
// the extension gets it appended; shorter names stay as typed.
QString ImportFileName(const QString& chosen, const QString& extension);

// Returns held or with logic errors ("RecordState<>1"); both exports refuse while there are any.
qint64 UnfinishedReturnCount(Connection& db);
