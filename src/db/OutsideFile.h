#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <memory>

class Connection;

// A table an import copies from a file received from elsewhere, with the columns it copies.
struct OutsideTable {
    QString name;
    QStringList columns; // the file's table must have exactly these: by name, any order, any case
};

// The same table of an open database (the working one): its name and its own column list.
OutsideTable OutsideTableOf(Connection& connection, const QString& table);

// What the check found.
struct OutsideFileCheck {
    QString error;             // a plain reason the file must not be read; empty when it may
    QStringList missingTables; // required tables the file does not hold, named as required
    bool passed() const { return error.isEmpty() && missingTables.isEmpty(); }
};

// How long the checks of a received file of this size may take before it is refused: half a
// minute, and a second more for every 4 MB.
qint64 OutsideCheckMilliseconds(qint64 fileSize);

// Checks a database file received from elsewhere before anything is read from it. The file
// must start with the database header, be as long as the header says (a whole number of pages,
// as many as it counts), open as a received file (Connection::Mode::Outside: read-only, its
// views and triggers off, its schema untrusted), pass the engine's quick check and use the text
// encoding of our files. Each required table it holds must be an ordinary table with exactly the
// required columns, no computed ones, no CHECK constraints and no index on an expression or with
// a condition; only those tables are looked at, and no view is ever resolved. A missing table is
// listed, not an error: the caller decides. The checks stop with a refusal after timeLimit
// milliseconds (OutsideCheckMilliseconds of the file's size when negative). Nothing is written.
// Readers then open or attach the same file as a received file and copy with explicit columns.
// A private copy only this program holds is read through a memory map; a file in place, which
// another program may cut short meanwhile (a bus error under a map), by plain reads.
enum class OutsideFilePlace { PrivateCopy, InPlace };
class QuickCheckRun;
// With a quick check already running (quickCheck given), the checks leave it to the caller,
// who takes its result before trusting what was read.
OutsideFileCheck CheckOutsideFile(const QString& path, const QList<OutsideTable>& tables, qint64 timeLimit = -1,
                                  OutsideFilePlace place = OutsideFilePlace::PrivateCopy,
                                  QuickCheckRun* quickCheck = nullptr);

// The engine's quick check of a received file, the longest of the checks, on a thread and a
// connection of its own: the other checks and the first readings of the same file run beside
// it. The engine reads a damaged file without harm, so only the refusal must wait for it: a
// file the quick check refuses is refused with its reason, whatever else was found.
class QuickCheckRun {
public:
    QuickCheckRun(const QString& path, qint64 timeLimit, OutsideFilePlace place = OutsideFilePlace::PrivateCopy);
    ~QuickCheckRun(); // waits for the check
    QuickCheckRun(const QuickCheckRun&) = delete;
    QuickCheckRun& operator=(const QuickCheckRun&) = delete;
    // Waits for the check: empty when the file passed, else the refusal.
    QString result();

private:
    struct State;
    std::unique_ptr<State> m_state;
};

// Opens a checked file for reading as a received file, its statements under the time bound of
// its size. Raises DbError.
void OpenOutsideFile(Connection& connection, const QString& path);

// The refusal when a received file's reading ran out of time (Connection::timeLimitPassed).
QString OutsideTimeLimitText();

// A private copy of a file received from elsewhere, the only thing the checks and copies read:
// in the temporary folder, readable by this user alone (mode 600), removed with this object.
// Making one first removes the copies a killed run left behind.
class OutsideCopy {
public:
    OutsideCopy() = default;
    ~OutsideCopy();
    OutsideCopy(const OutsideCopy&) = delete;
    OutsideCopy& operator=(const OutsideCopy&) = delete;

    // Copies the chosen file. False with a plain reason naming the chosen file (never the copy)
    // when it cannot be read, when it was left unfinished by the program that writes it (a
    // journal with changes lies beside it), or when the copy cannot be written (a full
    // temporary folder is named as such).
    bool make(const QString& chosen, QString* error);
    const QString& path() const { return m_path; }
    bool exists() const { return !m_path.isEmpty(); }
    // A message about the copy as the user should read it: the copy's name becomes the chosen file's.
    QString named(const QString& text) const;
    void remove();

private:
    QString m_path;
    QString m_chosen;
};
