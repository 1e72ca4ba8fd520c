#include "exchange/PackagePreview.h"

#include "base/PublicProcedure.h"
#include "db/Connection.h"
#include "db/DatabaseFile.h"
#include "db/DbError.h"
#include "db/ExportTarget.h"
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
    return IsSameFile(file, working.path());
}

QString WorkingDatabaseFileRefusal()
{
    return QStringLiteral("所选的文件就是正在使用的数据库文件");
}

qint64 FailingReturnCount(Connection& reference, const ReceivedFile& source)
{
    const QString table = QStringLiteral("dt_data");
    QString error;
    struct Scratch {
        QString path;
        ~Scratch()
        {
            if (!path.isEmpty()) {
                QFile::remove(path);
                QFile::remove(path + QStringLiteral("-journal"));
            }
        }
    } check{MakePrivateTempFile(&error)}, report{check.path.isEmpty() ? QString() : MakePrivateTempFile(&error)};
    if (check.path.isEmpty() || report.path.isEmpty())
        throw DbError(error);
    const QVariant create = reference.scalar(
        QStringLiteral("select sql from main.sqlite_master where type='table' and name=?1 collate nocase"), {table});
    if (!create.isValid())
        throw DbError(QStringLiteral("系统中不存在名字为\"%1\"的数据表").arg(table));
    Connection db;
    db.open(check.path, Connection::Mode::ReadWrite);
    db.execute(create.toString());
    QStringList columns;
    for (const QString& name : db.columnNames(table))
        columns << QuoteIdentifier(name);
    {
        const AttachGuard attached(db, source.readPath(), QStringLiteral("pkg"), AttachGuard::As::Outside);
        db.execute(QStringLiteral("insert into main.dt_data (%1) select %1 from pkg.dt_data not indexed")
                       .arg(columns.join(',')));
    }
    return RunBatchCheck(db, AllRecordsCheckSql(), report.path, QDateTime::currentDateTime(), false).failedRecords;
}

qint64 ExistingCodeCount(Connection& working, const ReceivedFile& source)
{
    const AttachGuard attached(working, source.readPath(), QStringLiteral("looked"), AttachGuard::As::Outside);
    return working
        .scalar(QStringLiteral("select count(*) from looked.dt_data not indexed "
                               "where c901 in (select c901 from main.dt_data)"))
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
                p.failingReturns = FailingReturnCount(working, *p.source);
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
