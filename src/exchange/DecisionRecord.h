#pragma once

#include "exchange/ConflictDecisions.h"
#include "exchange/DecidedImport.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>

struct ReturnComparison;

// The record of an import run that settled conflicts: "数据导入冲突处理记录-" + yyyyMMdd-HHmmss
// + ".txt" in a folder (the documents folder), GBK with CR LF. Its head line, then one section
// per package that settled conflicts: the time, the file, its label, the counts (added,
// replaced, kept, equal), then a block per conflicting code with both names, the decision and
// each differing field as caption, old value and new value.
class DecisionRecord {
public:
    DecisionRecord(const QString& folder, const QDateTime& runStart);

    // Writes the file anew, whole, with this section after the ones before; the file is complete
    // or, on failure, as it was (false and *error says why).
    bool add(const QByteArray& section, QString* error = nullptr);
    // The last section's import did not happen after all: the file is written without it, or
    // removed when it was the only one.
    void takeBackLast();
    // Where the record is (or will be) written; empty until a section is added.
    QString path() const { return m_path; }
    bool isEmpty() const { return m_sections.isEmpty(); }

private:
    bool write(QString* error);
    QString m_folder;
    QDateTime m_start;
    QString m_path;
    QList<QByteArray> m_sections;
};

// The record's name for a run started then: "数据导入冲突处理记录-20261210-055512.txt".
QString DecisionRecordName(const QDateTime& runStart);

// One package's section of the record, GBK with CR LF: the comparison of the working database's
// returns (side A) with the package's (side B) and what was decided for each differing code.
QByteArray DecisionRecordSection(const QDateTime& time, const QString& file, const QString& label,
                                 const DecidedImportCounts& counts, const ReturnComparison& comparison,
                                 const ConflictDecisions& decisions);
