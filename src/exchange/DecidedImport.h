#pragma once

#include "exchange/ConflictDecisions.h"
#include "exchange/ExchangeRules.h"

#include <QString>
#include <QVector>

#include <functional>

class Connection;
class DecisionRecord;
class ReceivedFile;

// What an import with decisions did to the working database's returns.
struct DecidedImportCounts {
    qint64 added = 0;    // new codes
    qint64 replaced = 0; // conflicting codes decided "采用导入"
    qint64 kept = 0;     // conflicting codes decided "保留现有"
    qint64 equal = 0;    // conflicting codes whose returns are equal in every field
    qint64 conflicts() const { return replaced + kept + equal; }
};

struct DecidedImportOptions {
    ConflictDecisions decisions;
    int chunkRows = 5000; // how many rows are written between two looks at the hooks
    ExchangeHooks hooks;
    // Receives the package's section before the commit when the package settled conflicts; a
    // record that cannot be written stops the import. May stay empty.
    DecisionRecord* record = nullptr;
    QString shownFile; // the file as the user named it, for the record (made absolute); the chosen file when empty
    // Called inside the import's transaction just before the commit, with what it did: a caller
    // adds its own rows there (raising DbError undoes the whole import).
    std::function<void(Connection& working, const DecidedImportCounts& counts)> beforeCommit;
};

struct DecidedImportResult {
    enum Status {
        Imported,
        Undecided, // returns differ whose codes have no decision: nothing was imported
        Failed,    // error holds why; nothing was imported
        Stopped,   // the hooks stopped it; nothing was imported
    };
    Status status = Failed;
    DecidedImportCounts counts; // what was done, when imported
    QVector<double> undecided;  // the codes without a decision, when Undecided
    QString error;
};

// Imports a received package in one transaction: its new codes are added; of the codes the
// working database already holds, the returns decided "采用导入" are replaced whole (every
// column by name), those decided "保留现有" stay, and equal ones need no decision. The returns
// are compared inside the transaction, so the decisions meet the data as it is. While a
// differing code is undecided nothing is imported. A stop, a failure or the end of the program
// before the commit leave the working database as it was.
DecidedImportResult ImportWithDecisions(Connection& working, const ReceivedFile& source,
                                        const DecidedImportOptions& options);

// How the closing tables word a result: "已导入：新增3，替换1，保留2，相同0" and the reasons.
QString DecidedImportOutcome(const DecidedImportResult& result);
