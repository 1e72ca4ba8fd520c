#include "summary/GroupExchange.h"

#include "db/Connection.h"
#include "db/DatabaseFile.h"
#include "db/DbError.h"
#include "db/ExportTarget.h"
#include "db/OutsideFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstdio>

namespace {
void step(const GroupExchangeHooks& hooks)
{
    if (hooks.stepped)
        hooks.stepped();
    if (hooks.processEvents)
        hooks.processEvents();
}

// A name beside the file for the copy that is written and then renamed over it; what a killed
// export left there is removed first.
QString workName(const QString& target)
{
    const QString folder = QFileInfo(target).absolutePath();
    RemoveStaleTempFiles(folder);
    const QString name = MakeTempFileNameIn(folder);
    if (name.isEmpty())
        throw DbError(QStringLiteral("无法在“%1”中建立文件").arg(folder));
    return name;
}

// Removes a file on every way out unless released.
struct FileGuard {
    QString path;
    ~FileGuard()
    {
        if (!path.isEmpty()) {
            QFile::remove(path);
            QFile::remove(path + QStringLiteral("-journal"));
        }
    }
};
} // namespace

void ExportGroupingTables(const QString& source, const QString& target, const QStringList& tables,
                          const GroupExchangeHooks& hooks)
{
    const QString refusal = RefuseExportTarget(target, {source});
    if (!refusal.isEmpty())
        throw DbError(refusal);
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
                                 const GroupExchangeHooks& hooks)
{
    QList<OutsideTable> wanted;
    for (const QString& table : tables)
        wanted << OutsideTableOf(db, table);
    // The file is read from a private copy, so what was checked is what is read.
    OutsideCopy copy;
    QString error;
    if (!copy.make(file, &error))
        throw DbError(error);
    const OutsideFileCheck check = CheckOutsideFile(copy.path(), wanted);
    if (!check.error.isEmpty())
        throw DbError(copy.named(check.error));

    const QString alias = QStringLiteral("groupfile");
    db.attachOutside(copy.path(), alias);
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

    if (hooks.started)
        hooks.started(tables.size());
    Transaction transaction(db);
    for (const OutsideTable& table : wanted) {
        if (check.missingTables.contains(table.name, Qt::CaseInsensitive))
            continue;
        QStringList columns;
        for (const QString& name : table.columns)
            columns << QuoteIdentifier(name);
        const QString list = columns.join(QLatin1Char(','));
        try {
            db.execute(QStringLiteral("delete from main.%1").arg(QuoteIdentifier(table.name)));
            db.execute(QStringLiteral("insert into main.%1 (%2) select %2 from %3.%1 not indexed")
                           .arg(QuoteIdentifier(table.name), list, alias));
        } catch (const DbError& e) {
            throw DbError(copy.named(e.message()));
        }
        step(hooks);
    }
    transaction.commit();
    return check.missingTables;
}

const QStringList& GroupingTableNames()
{
    static const QStringList names = {QStringLiteral("CT_Group"), QStringLiteral("DT_GroupItem")};
    return names;
}
