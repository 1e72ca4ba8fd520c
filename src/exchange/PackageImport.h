#pragma once

#include "db/OutsideFile.h"
#include "exchange/ExchangeRules.h"

#include <QList>
#include <QString>
#include <QVariant>

#include <functional>

class Connection;

// The conflict report: "数据导入编号冲突.txt" in the documents folder, GBK, CR LF.
QString ConflictReportPath();

// One received record whose code the working database already holds.
struct ConflictRecord {
    QVariant code; // c901
    QString name;  // c902
};

// Writes the report: its head, 80 hyphens, then "(" + code + "," + name + ")" per record.
// Complete or not at all. False with the reason on failure.
bool WriteConflictReport(const QString& path, const QList<ConflictRecord>& records, QString* error = nullptr);

// A package or database file made ready to be read: the chosen file is copied into a private
// copy in the temporary folder (OutsideCopy) and a package is restored there, so the chosen file
// is never changed, never locked and nothing is made beside it; then the copy is checked
// (CheckOutsideFile) for the table, its columns and the label table, and its codes are looked
// at. Every message names the chosen file. The copy goes with this object (at once when the file
// is refused).
class ReceivedFile {
public:
    enum Status {
        Ready,
        NotFound,          // the chosen file does not exist
        MissingTable,      // the file lacks the table: message() is the program's text for it
        MissingWorkingTable, // the working database lacks it
        Refused,           // message() is a plain reason
    };

    ReceivedFile(Connection& working, const QString& chosen, const QString& table);
    ~ReceivedFile();
    ReceivedFile(const ReceivedFile&) = delete;
    ReceivedFile& operator=(const ReceivedFile&) = delete;

    Status status() const { return m_status; }
    QString message() const { return m_message; }
    const QString& chosen() const { return m_chosen; }
    // The file read: the private copy, read as a received file (Connection::attachOutside).
    const QString& readPath() const { return m_readPath; }
    bool hasWorkingCopy() const { return m_copy.exists(); }
    const QString& table() const { return m_table; }
    // db_name of the file's ct_label (first row; empty without one).
    const QString& label() const { return m_label; }
    qint64 recordCount() const { return m_records; }
    // A message about the file read as the user should see it: naming the chosen file.
    QString named(const QString& text) const { return m_copy.named(text); }

private:
    void prepare(Connection& working);
    void checkCopy(Connection& working, QuickCheckRun& quickCheck);
    void readCopy(Connection& working);
    Status m_status = Refused;
    QString m_message;
    QString m_chosen;
    QString m_table;
    QString m_readPath;
    OutsideCopy m_copy;
    QString m_label;
    qint64 m_records = 0;
};

// The label as a message shows it: control characters become "?", so it reads as plain text.
QString ShownLabel(const QString& label);

struct ImportResult {
    enum Status { Imported, Conflicts, Failed, Stopped };
    Status status = Failed;
    qint64 rows = 0;                  // copied, when imported
    QList<ConflictRecord> conflicts; // when the copy failed on codes already present
    QString error;                   // why it failed or stopped, naming the chosen file
};

// Options of one table import; chunkRows is how many records are copied between two hooks.
struct ImportOptions {
    QString condition; // a condition on the source rows written by the program, never by a user
    int chunkRows = 5000;
    ExchangeHooks hooks;
    // Called inside the import's transaction just before the commit, with the records copied: a
    // caller adds its own rows there (the register's); raising DbError undoes the whole import.
    std::function<void(Connection& working, qint64 rows)> beforeCommit;
};

// Copies the rows of the file's table into the working database's, by column names, in one
// transaction: all of them or, on any failure, none. Before the commit the records added are
// counted against those the file holds; when they differ nothing is kept (Failed). When the copy
// fails the staging table T_T finds the records whose c901 is already present
// (ImportResult::Conflicts); without any the result is Failed with the engine's text. A stop
// keeps nothing and says so (Stopped).
ImportResult ImportReceivedTable(Connection& working, const ReceivedFile& source, const ImportOptions& options = {});
