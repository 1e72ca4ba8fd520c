#pragma once

#include "db/Connection.h"
#include "db/WorkingDatabase.h"
#include "exchange/PackageExport.h"
#include "support/TestEnvironment.h"
#include "widgets/ScriptedPrompter.h"

#include <QFile>
#include <QStringList>
#include <gtest/gtest.h>

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
