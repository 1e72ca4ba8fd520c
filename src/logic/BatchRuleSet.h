#pragma once

#include <QString>
#include <QtGlobal>

#include <functional>
#include <stdexcept>
#include <vector>

class QIODevice;
class RowSet;
class Statement;

// The fields the batch checks read as whole numbers: every field of pages 1 to 13 except the
// seven real ones below, and the union level c904. One list serves the record's members and
// the column lookup, so the two cannot drift apart.
// clang-format off
#define TALLYRA_BATCH_WHOLE_FIELDS(X) \
    X(z001) X(z002) X(z003) X(z004) X(z005) X(z006) X(z007) X(z008) X(z009) X(z010) X(z011) X(z012) \
    X(z013) X(z014) X(z015) X(z016) X(z017) X(z018) \
    X(x001) X(x002) X(x003) X(x004) X(x005) X(x006) X(x007) X(x008) X(x009) X(x010) X(x011) X(x012) \
    X(p001) X(p002) X(p003) X(p004) X(p005) X(p006) X(p007) X(p008) \
    X(b001) X(b002) X(b003) X(b004) X(b005) X(b006) X(b007) X(b008) X(b009) X(b010) X(b011) X(b012) \
    X(b013) X(b015) X(b016) X(b017) X(b018) X(b019) X(b020) X(b021) X(b022) X(b023) X(b024) X(b025) \
    X(b026) X(b027) X(b028) X(b029) X(b030) X(b031) X(b032) X(b033) X(b034) X(b036) X(b037) X(b038) \
    X(b040) X(b041) X(b042) X(b043) X(b044) X(b045) X(b046) X(b047) \
    X(f001) X(f002) X(f003) X(f004) X(f005) X(f006) X(f007) X(f008) X(f009) X(f010) X(f011) X(f012) \
    X(f013) X(f014) X(f015) X(f016) X(f017) X(f018) X(f019) X(f020) X(f021) X(f022) X(f023) X(f024) \
    X(f025) X(f026) X(f027) X(f028) X(f029) X(f030) X(f031) X(f032) X(f033) X(f034) \
    X(l001) X(l002) X(l003) X(l004) X(l005) X(l006) X(l007) \
    X(h001) X(h002) X(h003) X(h004) X(h005) \
    X(j001) X(j002) X(j003) X(j004) X(j005) X(j006) X(j007) X(j008) X(j009) X(j010) X(j011) X(j012) \
    X(j013) X(j014) X(j015) X(j016) X(j017) X(j019) X(j020) \
    X(s001) X(s002) X(s003) X(s004) X(s005) X(s006) X(s007) X(s008) X(s009) X(s010) X(s011) X(s012) \
    X(s013) \
    X(w001) X(w002) X(w003) X(w004) X(w005) X(w006) X(w007) X(w008) X(w009) X(w010) X(w011) \
    X(g001) X(g002) X(g003) X(g004) X(g005) X(g006) X(g007) X(g008) \
    X(c001) X(c002) X(c003) X(c004) X(c005) X(c006) X(c007) X(c008) X(c009) X(c010) X(c011) X(c012) \
    X(c013) X(c014) X(c015) X(c016) X(c017) X(c018) X(c019) X(c020) X(c021) \
    X(c904)

// The fields that hold amounts with fractions and are compared as reals.
#define TALLYRA_BATCH_REAL_FIELDS(X) X(b014) X(b035) X(b039) X(b048) X(b049) X(j018) X(j021)
// clang-format on

// The values of one return as the batch checks compare them. An empty field reads 0; a whole
// field holding a fraction reads the nearest whole number, halves going to the even one. Where
// a real field meets a whole one in a test, C++ compares both as reals.
struct RecordValues {
#define TALLYRA_DECLARE_WHOLE(name) qint64 name = 0;
#define TALLYRA_DECLARE_REAL(name) double name = 0.0;
    TALLYRA_BATCH_WHOLE_FIELDS(TALLYRA_DECLARE_WHOLE)
    TALLYRA_BATCH_REAL_FIELDS(TALLYRA_DECLARE_REAL)
#undef TALLYRA_DECLARE_WHOLE
#undef TALLYRA_DECLARE_REAL
};

// Reads the values of returns from the rows of one row set. The columns are looked up once,
// when the reader is made: a missing column raises DbError, which ends the batch run.
class BatchRecordReader {
public:
    explicit BatchRecordReader(const RowSet& rows);
    explicit BatchRecordReader(const Statement& statement);
    // The values of the current row of a row set with the columns the reader was made for.
    RecordValues read(const RowSet& rows) const;
    // The values of the row a statement stands on.
    void read(const Statement& statement, RecordValues& values) const;

private:
    std::vector<int> m_wholeColumns; // in the order of TALLYRA_BATCH_WHOLE_FIELDS
    std::vector<int> m_realColumns;  // in the order of TALLYRA_BATCH_REAL_FIELDS
};

// One check of the batch set. The expression text goes into the report; the description is a
// template for the caption renderer.
struct BatchCheck {
    int number;
    int page; // the editor page the check concerns; it only groups the set
    QString expression;
    bool (*fails)(const RecordValues&);
    QString description;
};

// The 140 checks in the order the batch check runs them.
const std::vector<BatchCheck>& BatchChecks();

// Raised when the report file cannot be opened or written.
class ReportFileError : public std::runtime_error {
public:
    explicit ReportFileError(const QString& message)
        : std::runtime_error(message.toStdString()), m_message(message) {}
    const QString& message() const { return m_message; }

private:
    QString m_message;
};

// Appends the entries of failed checks to the batch check report. Made with a file name, it
// opens and closes the file for every entry; made with an open device (the batch run's report,
// written whole or not at all), it writes there and the owner of the device checks it at close.
class RuleReport {
public:
    explicit RuleReport(const QString& fileName) : m_fileName(fileName) {}
    RuleReport(QIODevice* device, const QString& fileName) : m_fileName(fileName), m_device(device) {}
    const QString& fileName() const { return m_fileName; }

    // The return the next entries belong to: its code (c901 as a real) and its name (c902).
    void setRecord(double code, const QString& name);
    // Starts a return's checks: its header goes before its first entry.
    void startRecord() { m_firstFailure = true; }
    // Whether an entry has been written since startRecord.
    bool recordFailed() const { return !m_firstFailure; }

    void WriteRuleFailure(const QString& expression, const QString& description);
    // Entries written over the whole run.
    qint64 failureCount() const { return m_failureCount; }

private:
    QString m_fileName;
    QIODevice* m_device = nullptr;
    double m_code = 0.0;
    QString m_name;
    bool m_firstFailure = true;
    qint64 m_failureCount = 0;
};

// Runs every check on one return in order and writes one report entry per failed check, its
// description made by render from the template. True when no check failed.
bool CheckRecordRules(const RecordValues& values, RuleReport& report,
                      const std::function<QString(const QString&)>& render);

// Whether any check fails on the return; writes nothing.
bool AnyRuleFails(const RecordValues& values);
