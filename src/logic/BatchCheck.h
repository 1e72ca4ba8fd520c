#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QVariantList>
#include <functional>

class Connection;

// What a batch check run came to.
struct BatchCheckResult {
    qint64 checkedRecords = 0;
    qint64 failedRecords = 0;
    qint64 failedChecks = 0;
    bool stopped = false; // ended by the user before the last record
    bool anyError() const { return failedRecords > 0; }
};

// The hooks a run calls while it goes; all may stay empty.
struct BatchCheckHooks {
    std::function<void(qint64 total, qint64 done)> started;
    std::function<void()> stepped;
    std::function<bool()> paused;  // nothing advances while true
    std::function<bool()> stopped; // ends the run at once
    std::function<void()> processEvents;
};

// The report's full name: "2012基层以上-" + label + "-逻辑检查结果.txt" in the folder. Characters a
// file name cannot hold are replaced by "_".
QString BatchReportPath(const QString& folder, const QString& label);

// The report's closing lines when some return failed: 49 "=" and the two counts.
QStringList BatchSummaryLines(const BatchCheckResult& result);
// What a run is announced with: no return failed, or where the report lies.
QString BatchCleanMessage();
QString BatchReportSavedMessage(const QString& reportPath);

// The statements of the run's selections.
QString AllRecordsCheckSql();
QString SelectedRecordsCheckSql(const QStringList& codes);
QString RangeCheckSql(double from, double to);

// Runs the built-in checks over the returns the statement selects ("select * from dt_data ..."):
// writes the report (head, one block per failing return, and the summary when any failed) and
// sets RecordState, on the very row checked, to 2 for failing returns and, with markPassed, to 1
// for passing ones. States are committed in batches, so a stop or an error keeps what was
// decided. The report is written beside its place and replaces the old one only when all of it
// reached the disk (after a stop, or an engine error, with the entries so far); a report that
// could not be written whole leaves the old one and raises ReportFileError. Raises DbError too.
BatchCheckResult RunBatchCheck(Connection& db, const QString& selectSql, const QString& reportPath,
                               const QDateTime& startTime, bool markPassed, const BatchCheckHooks& hooks = {});
