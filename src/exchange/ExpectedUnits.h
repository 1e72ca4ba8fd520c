#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVector>

class Connection;

// The list of units expected to report (ct_expected): filled from a database file (its returns'
// codes, names and divisions), from a text file of codes, or from the returns present now.

struct ExpectedUnit {
    qint64 code = 0;    // a 12-digit union statistics code
    QString name;       // may be empty
    QVariant division;  // the six-digit division code, or null when the source gives none
};

// Units read from a source, not yet stored. Lines or records that cannot be taken are skipped,
// each with a message; a source refused as a whole has error set and no units.
struct ExpectedReading {
    QString source;       // how the list names where the units came from
    QVector<ExpectedUnit> units;
    QStringList problems; // "第3行：..." per skipped line or record, the first kProblemsListed of them
    qint64 problemCount = 0;
    QString error;
    bool ok() const { return error.isEmpty(); }
};

// How many skipped lines a reading lists; the rest are only counted.
constexpr int kProblemsListed = 200;
// The largest text file of units read, the longest line and the longest name (GBK bytes, as c902).
constexpr qint64 kExpectedTextLimit = 64 * 1024 * 1024;
constexpr int kExpectedLineLimit = 512;
constexpr int kExpectedNameLimit = 60;

// A text file: one unit a line, the code, then optionally a tab or a comma and the name; blank
// lines are skipped. UTF-8 (with or without its byte-order mark) when the whole file is valid
// UTF-8, GBK otherwise. Files from elsewhere: a file too large, holding NUL bytes or no unit is
// refused; a line too long, with bytes of neither encoding, with a code that is not 12 digits,
// a name too long, with control characters or characters GBK cannot hold, or a code already
// read is skipped with its message.
ExpectedReading ReadExpectedText(const QByteArray& bytes, const QString& source);
ExpectedReading ReadExpectedTextFile(const QString& path);

// A database file or package, read as a received file (checked first, read from its copy): the
// codes, names and divisions of its returns.
ExpectedReading ReadExpectedDatabaseFile(Connection& working, const QString& path);

// The returns present in the working database now.
ExpectedReading ReadExpectedFromReturns(Connection& working);

// Whether a file is a database file or a package by its first bytes (else it is read as text).
bool IsDatabaseOrPackageFile(const QString& path);
// Either kind of file, told by its first bytes.
ExpectedReading ReadExpectedFile(Connection& working, const QString& path);

enum class ExpectedStoreMode {
    Add,     // new codes are added; a code already listed keeps its row, gaining a missing name or division
    Replace, // the list becomes the units read
};

struct ExpectedStoreResult {
    qint64 added = 0; // codes new to the list
    qint64 total = 0; // units in the list afterwards
    QString error;    // the engine's message; the list is then unchanged
};

// Stores the units read, in one transaction, each row with the reading's source and the time.
ExpectedStoreResult StoreExpectedUnits(Connection& working, const ExpectedReading& reading, ExpectedStoreMode mode,
                                       const QDateTime& addedAt = QDateTime::currentDateTime());

// Removes the units with these codes, in one transaction. Raises DbError.
qint64 RemoveExpectedUnits(Connection& working, const QVector<qint64>& codes);

// How many units the list holds, and where they came from: per source its units and the last time
// it added one, most recent first.
struct ExpectedSourceCount {
    QString source;
    qint64 units = 0;
    QString addedAt;
};
struct ExpectedListSummary {
    qint64 units = 0;
    QVector<ExpectedSourceCount> sources;
};
ExpectedListSummary ReadExpectedSummary(Connection& working);

// The list as the window shows it, by code: c901, c902, c903, the division's full name
// (DivisionName), Source and AddedAt.
QString ExpectedListSql();

// The skipped lines, the first linesShown of them: "有3行（条）没有读入：" and one per line; empty
// when none was skipped.
QString ExpectedProblemsText(const ExpectedReading& reading, int linesShown);
// What a stored reading did: "从…读入了N个单位，新加入名单M个，名单中现有K个应报单位。"
QString ExpectedStoredSummary(const ExpectedReading& reading, const ExpectedStoreResult& stored);
// The message after a reading was stored: the summary and the skipped lines.
QString ExpectedStoredText(const ExpectedReading& reading, const ExpectedStoreResult& stored, int linesShown);
