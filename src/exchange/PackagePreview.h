#pragma once

#include <QString>
#include <QStringList>
#include <QVector>

#include <functional>
#include <memory>

class Connection;
class ReceivedFile;

// Why a received file cannot be imported, in the import window's words ("您选择的文件并不存在，
// 请选择其它文件。", the table messages, the check's reason); empty when it can.
QString ReceivedFileRefusal(const ReceivedFile& source);

// Whether the chosen file is the working database's own file (importing it into itself is refused).
bool IsWorkingDatabaseFile(Connection& working, const QString& file);
// "所选的文件就是正在使用的数据库文件"
QString WorkingDatabaseFileRefusal();

// How many of the file's returns fail the batch checks. The check runs on a database of its own,
// private to the user: the reference's table of returns (our definition, nothing of the file's
// schema) filled with the file's rows. Neither the file nor any database changes, and nothing the
// file holds besides its rows takes part. Raises DbError and ReportFileError.
qint64 FailingReturnCount(Connection& reference, const ReceivedFile& source);
// How many of the file's codes the working database already holds. Raises DbError.
qint64 ExistingCodeCount(Connection& working, const ReceivedFile& source);

// One chosen file looked into before it is imported.
struct PackagePreview {
    QString file;                         // as chosen
    std::shared_ptr<ReceivedFile> source; // the file made ready: what is imported is what was looked at
    QString refusal;                      // why it cannot be imported; empty when it can
    QString label;
    qint64 returns = 0;
    qint64 existingCodes = 0;     // codes the working database already holds
    qint64 codesInOtherFiles = 0; // codes another chosen file holds too
    qint64 failingReturns = 0;    // returns failing the batch checks
    bool importable() const { return refusal.isEmpty(); }
};

// The verdict of the check on a received file: "可以导入", or "不能导入：" and why.
QString PreviewVerdict(const PackagePreview& preview);

// Looks into each file as the import would read it, changing nothing. stepped is called after
// each file with the number done. A file whose looking fails is refused with the reason.
QVector<PackagePreview> PreviewPackages(Connection& working, const QStringList& files,
                                        const std::function<void(int done)>& stepped = {});
