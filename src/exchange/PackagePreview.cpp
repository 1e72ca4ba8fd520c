#include "exchange/PackagePreview.h"

#include "base/PublicProcedure.h"
#include "db/Connection.h"
#include "db/DatabaseFile.h"
#include "db/DbError.h"
#include "db/Statement.h"
#include "exchange/PackageImport.h"
#include "logic/BatchCheck.h"
#include "logic/BatchRuleSet.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QHash>

#include <sqlite3.h>

namespace {
const QString kTable = QStringLiteral("dt_data");

// The numeric codes of a received file.
QVector<double> codesOf(const ReceivedFile& source)
{
    Connection db;
    db.open(source.readPath(), Connection::Mode::ReadOnly);
    Statement rows(db.handle(), QStringLiteral("select c901 from dt_data where typeof(c901) in ('integer','real')"));
    QVector<double> codes;
    while (rows.step())
        codes.push_back(sqlite3_column_double(rows.handle(), 0));
    return codes;
}
} // namespace

QString ReceivedFileRefusal(const ReceivedFile& source)
{
    switch (source.status()) {
    case ReceivedFile::Ready:
        return QString();
    case ReceivedFile::NotFound:
        return QStringLiteral("您选择的文件并不存在，请选择其它文件。");
    case ReceivedFile::MissingTable:
    case ReceivedFile::MissingWorkingTable:
    case ReceivedFile::Refused:
        break;
    }
    return source.message();
}

bool IsWorkingDatabaseFile(Connection& working, const QString& file)
{
    const QString own = QFileInfo(working.path()).canonicalFilePath();
    return !own.isEmpty() && QFileInfo(file).canonicalFilePath() == own;
}

QString WorkingDatabaseFileRefusal()
{
    return QStringLiteral("所选的文件就是正在使用的数据库文件");
}

qint64 FailingReturnCount(const ReceivedFile& source)
{
    const QString copy = MakeTempFileName();
    const QString report = MakeTempFileName();
    QString error;
    if (copy.isEmpty() || report.isEmpty() || !CopyFileContents(source.readPath(), copy, &error))
        throw DbError(error.isEmpty() ? QStringLiteral("无法在临时文件夹中建立文件") : error);
    qint64 failed = 0;
    try {
        Connection db;
        db.open(copy);
        // The copy's own triggers must not act on the states the check writes.
        RowSet triggers = db.query(QStringLiteral("select name from sqlite_master where type='trigger'"));
        for (triggers.first(); !triggers.eof(); triggers.next())
            db.execute(QStringLiteral("drop trigger ") + QuoteIdentifier(triggers.text(QStringLiteral("name"))));
        failed = RunBatchCheck(db, AllRecordsCheckSql(), report, QDateTime::currentDateTime(), false).failedRecords;
    } catch (...) {
        QFile::remove(copy);
        QFile::remove(report);
        throw;
    }
    QFile::remove(copy);
    QFile::remove(report);
    return failed;
}

qint64 ExistingCodeCount(Connection& working, const ReceivedFile& source)
{
    const AttachGuard attached(working, source.readPath(), QStringLiteral("looked"), true);
    return working
        .scalar(QStringLiteral("select count(*) from looked.dt_data where c901 in (select c901 from main.dt_data)"))
        .toLongLong();
}

QString PreviewVerdict(const PackagePreview& preview)
{
    return preview.importable() ? QStringLiteral("可以导入") : QStringLiteral("不能导入：") + preview.refusal;
}

QVector<PackagePreview> PreviewPackages(Connection& working, const QStringList& files,
                                        const std::function<void(int done)>& stepped)
{
    QVector<PackagePreview> previews;
    QVector<QVector<double>> codes;
    for (const QString& file : files) {
        PackagePreview p;
        p.file = file;
        p.source = std::make_shared<ReceivedFile>(working, file, kTable);
        p.refusal = IsWorkingDatabaseFile(working, file) ? WorkingDatabaseFileRefusal() : ReceivedFileRefusal(*p.source);
        QVector<double> own;
        if (p.importable()) {
            try {
                p.label = p.source->label();
                p.returns = p.source->recordCount();
                p.existingCodes = ExistingCodeCount(working, *p.source);
                p.failingReturns = FailingReturnCount(*p.source);
                own = codesOf(*p.source);
            } catch (const DbError& e) {
                p.refusal = e.message();
            } catch (const ReportFileError& e) {
                p.refusal = QString::fromUtf8(e.what());
            }
        }
        previews.push_back(p);
        codes.push_back(own);
        if (stepped)
            stepped(int(previews.size()));
    }
    // A code in two chosen files: whichever is imported second finds it present.
    QHash<double, int> filesHolding;
    for (const QVector<double>& own : codes)
        for (double c : own)
            ++filesHolding[c];
    for (qsizetype i = 0; i < previews.size(); ++i)
        for (double c : codes[i])
            if (filesHolding.value(c) > 1)
                ++previews[i].codesInOtherFiles;
    return previews;
}
