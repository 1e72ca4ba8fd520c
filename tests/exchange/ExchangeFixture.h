#pragma once

#include "db/Connection.h"
#include "db/WorkingDatabase.h"
#include "exchange/PackageExport.h"
#include "support/TestEnvironment.h"
#include "widgets/ScriptedPrompter.h"

#include <QFile>
#include <QStringList>
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <csignal>
#include <functional>
#include <sys/wait.h>
#include <unistd.h>

// A working database opened from the delivered data, with a scripted prompter.
class ExchangeTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(OpenWorkingDatabase().status, OpenDatabaseResult::Opened); }

    TestEnvironment env;
    ScriptedPrompter prompter;
};

// Adds returns with the codes first, first+1, ...: names, cover values, a decimal in b014 and
// whole numbers elsewhere, all in the given state.
inline void AddReturns(Connection& db, qint64 first, int count, int state = 1)
{
    QStringList columns = db.columnNames("dt_data");
    QStringList values;
    for (const QString& c : columns) {
        if (c == "c901")
            values << QString::number(first) + " + i";
        else if (c == "c902")
            values << "'某区工会' || i";
        else if (c == "c903")
            values << "110101";
        else if (c == "c904")
            values << "10";
        else if (c == "c905")
            values << "'张伟'";
        else if (c == "c906")
            values << "'010-1234'";
        else if (c == "c907")
            values << "1";
        else if (c == "RecordState")
            values << QString::number(state);
        else if (c == "b014")
            values << "i / 4.0";
        else
            values << "i % 500";
    }
    db.execute(QStringLiteral("with recursive n(i) as (select 0 union all select i+1 from n where i<%1) "
                              "insert into dt_data (%2) select %3 from n")
                   .arg(count - 1)
                   .arg(columns.join(','), values.join(',')));
}

// Runs statements on a file through the engine's own interface, without this program's guards
// (writable_schema is how hostile files are made).
inline void RunRawScript(const QString& path, const QString& sql)
{
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(QFile::encodeName(path).constData(), &db), SQLITE_OK);
    char* error = nullptr;
    const int rc = sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, &error);
    EXPECT_EQ(rc, SQLITE_OK) << (error ? error : "");
    sqlite3_free(error);
    sqlite3_close(db);
}

inline QByteArray ReadAll(const QString& path)
{
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    return f.readAll();
}

inline void WriteAll(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    f.open(QIODevice::WriteOnly | QIODevice::Truncate);
    f.write(bytes);
}

// Every value of every return, ordered by code and column name, for comparing two databases.
inline QList<QVariantList> AllReturns(Connection& db)
{
    QList<QVariantList> rows;
    QStringList columns = db.columnNames("dt_data");
    columns.sort(Qt::CaseInsensitive); // by name: files may hold the columns in any order
    RowSet set = db.query("select * from dt_data order by c901");
    for (set.first(); !set.eof(); set.next()) {
        QVariantList row;
        for (const QString& c : columns)
            row << set.value(c);
        rows << row;
    }
    return rows;
}

// Makes the returns AddReturns writes pass every batch check: the indicators empty but for a
// plausible few.
inline QString PassingReturnsScript()
{
    QStringList empty;
    for (const QString& c : SysConnection().columnNames("dt_data"))
        if (!c.startsWith("c90") && c != "RecordState")
            empty << c + " = NULL";
    return "update dt_data set " + empty.join(",")
           + "; update dt_data set z001 = 20, z002 = 5, z003 = 4, z004 = 12, z005 = 8, x001 = 6, x002 = 2, x003 = 3;";
}

// A county office's database with returns first.. (changed by the script, when given), and
// its package written from it.
inline QString MakePackage(const TestEnvironment& env, const QString& name, qint64 first, int count,
                           const QString& label = QStringLiteral("某县总工会"), const QString& script = QString())
{
    const QString county = env.path(name + ".mdb");
    CopyDeliveredDatabase(county);
    Connection db;
    db.open(county);
    AddReturns(db, first, count);
    if (!script.isEmpty())
        db.executeScript(script);
    const QString package = env.path(name + ".dat");
    const PackageExportResult result = WritePackage(db, PackageTemplatePath(), package, label);
    EXPECT_EQ(result.error, "");
    return package;
}

// The working database holds 1..5 of AddReturns' returns; the package holds 3..8 of the same
// returns, with 4 and 5 changed: 4 in z001 (999), 5 in its name (新名称) and z002 (7).
inline QString MakeConflictingPackage(const TestEnvironment& env, qint64 base, const QString& label)
{
    AddReturns(SysConnection(), base + 1, 5);
    return MakePackage(env, "conflicting", base + 1, 8, label,
                       QString("delete from dt_data where c901 < %1;"
                               "update dt_data set z001 = 999 where c901 = %2;"
                               "update dt_data set c902 = '新名称', z002 = 7 where c901 = %3;")
                           .arg(base + 3)
                           .arg(base + 4)
                           .arg(base + 5));
}

// Runs the work in a child process and kills it (SIGKILL) there: when the work calls halfWay,
// which waits to be killed, or when the work has ended. Returns 'h' for half-way, 'd' when the
// work answered true, 'f' when false.
inline char RunUntilKilled(const std::function<bool(const std::function<void()>& halfWay)>& work)
{
    int fds[2];
    if (pipe(fds) != 0)
        return 0;
    const pid_t child = fork();
    if (child < 0)
        return 0;
    if (child == 0) {
        close(fds[0]);
        const auto halfWay = [&fds] {
            (void)!write(fds[1], "h", 1);
            pause();
        };
        const bool done = work(halfWay);
        (void)!write(fds[1], done ? "d" : "f", 1);
        pause();
        _exit(0);
    }
    close(fds[1]);
    char signal = 0;
    if (read(fds[0], &signal, 1) != 1)
        signal = 0;
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    close(fds[0]);
    return signal;
}
