#include "summary/GroupExchange.h"

#include "db/Connection.h"
#include "db/DatabaseFile.h"
#include "db/DbError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstdio>

namespace {
void step(const ExchangeHooks& hooks)
{
    if (hooks.stepped)
        hooks.stepped();
    if (hooks.processEvents)
        hooks.processEvents();
}

// A name beside the file for the copy that is written and then renamed over it.
QString workName(const QString& target)
{
    const QFileInfo info(target);
    for (int n = 0;; ++n) {
        const QString name = info.dir().filePath(QStringLiteral("~%1.%2.tmp").arg(info.fileName()).arg(n));
        if (!QFile::exists(name))
            return name;
    }
}

// Removes a file on every way out unless released.
struct FileGuard {
    QString path;
    ~FileGuard()
    {
        if (!path.isEmpty())
            QFile::remove(path);
    }
};
} // namespace

void ExportGroupingTables(const QString& source, const QString& target, const QStringList& tables,
                          const ExchangeHooks& hooks)
{
    Connection from;
    from.open(source, Connection::Mode::ReadWrite);
    const QString work = workName(target);
    FileGuard guard{work};
    if (QFile::exists(target)) {
        if (!QFile::copy(target, work))
            throw DbError(QStringLiteral("无法复制文件“%1”").arg(target));
    } else {
        CreateEmptyDatabase(work);
    }
    if (hooks.started)
        hooks.started(tables.size());
    for (const QString& table : tables) {
        {
            Connection to;
            to.open(work, Connection::Mode::ReadWrite);
            if (to.hasTable(table)) {
                try {
                    to.execute(QStringLiteral("drop table ") + QuoteIdentifier(table));
                } catch (const DbError&) {
                    // The copy below reports what is wrong with the file.
                }
            }
        }
        from.selectIntoFile(table, work);
        step(hooks);
    }
    from.close();
    if (std::rename(QFile::encodeName(work).constData(), QFile::encodeName(target).constData()) != 0)
        throw DbError(QStringLiteral("无法写入文件“%1”").arg(target));
    guard.path.clear();
}

QStringList ImportGroupingTables(Connection& db, const QString& file, const QStringList& tables,
                                 const ExchangeHooks& hooks)
{
    // The file is read from a private copy, so what was checked is what is read.
    const QString copy = MakeTempFileName();
    FileGuard guard{copy};
    if (!QFile::copy(file, copy))
        throw DbError(QStringLiteral("无法读取文件“%1”").arg(file));
    QString problem = CheckReceivedDatabase(copy);
    if (!problem.isEmpty())
        throw DbError(problem.replace(copy, file));

    const QString alias = QStringLiteral("groupfile");
    db.attach(copy, alias);
    struct Detach {
        Connection& db;
        QString alias;
        ~Detach()
        {
            try {
                db.detach(alias);
            } catch (...) {
            }
        }
    } detach{db, alias};

    // Every check comes before the first change.
    QStringList missing;
    QStringList statements;
    for (const QString& table : tables) {
        const QStringList target = db.columnNames(table);
        if (target.isEmpty())
            throw DbError(QStringLiteral("没有数据表 %1").arg(table));
        const QStringList source = db.columnNames(table, alias);
        if (source.isEmpty()) {
            missing << table;
            continue;
        }
        QStringList columns;
        for (const QString& name : target) {
            if (!source.contains(name, Qt::CaseInsensitive))
                throw DbError(QStringLiteral("文件“%1”的数据表 %2 缺少字段 %3").arg(file, table, name));
            columns << QuoteIdentifier(name);
        }
        const QString list = columns.join(QLatin1Char(','));
        statements << QStringLiteral("delete from main.%1").arg(QuoteIdentifier(table))
                   << QStringLiteral("insert into main.%1 (%2) select %2 from %3.%1")
                          .arg(QuoteIdentifier(table), list, alias);
    }

    if (hooks.started)
        hooks.started(tables.size());
    Transaction transaction(db);
    for (int i = 0; i < statements.size(); i += 2) {
        db.execute(statements[i]);
        db.execute(statements[i + 1]);
        step(hooks);
    }
    transaction.commit();
    return missing;
}
