#include "SampleReturns.h"

#include "db/Connection.h"

#include <QFile>
#include <QStringList>

void CopyFresh(const QString& from, const QString& to)
{
    QFile::remove(to);
    QFile::copy(from, to);
    QFile::setPermissions(to, QFile::ReadOwner | QFile::WriteOwner);
}

void FillSampleReturns(Connection& db, int rows)
{
    QStringList columns = db.columnNames("dt_data");
    QStringList answers; // yes/no fields hold 1 or 2
    RowSet kinds = db.query("select FieldName from dt_fieldlist where QueryType=3");
    for (kinds.first(); !kinds.eof(); kinds.next())
        answers << kinds.text("FieldName");
    QStringList values;
    for (const QString& c : columns) {
        if (c == "c901")
            values << "110101000000 + i * 17";
        else if (c == "c902")
            values << "case i % 4 when 0 then '东城区总工会' when 1 then '朝阳区建筑业工会联合会' "
                      "when 2 then '石家庄市长安区总工会' else '天河区教育工会' end || i";
        else if (c == "c903")
            values << "case i % 4 when 0 then 110101 when 1 then 110105 when 2 then 130102 else 440106 end";
        else if (c == "c904")
            values << "1 + i % 10";
        else if (c == "c905")
            values << "case i % 3 when 0 then '张伟' when 1 then '李娜' else '王芳' end";
        else if (c == "c906")
            values << "'010-' || (60000000 + i)";
        else if (c == "c907")
            values << "1 + i % 5";
        else if (c == "RecordState")
            values << "i % 3";
        else if (answers.contains(c))
            values << "1 + abs(random()) % 2";
        else if (c == "b014" || c == "j018")
            values << "(abs(random()) % 100000) / 100.0";
        else
            values << "abs(random()) % 500";
    }
    db.begin();
    db.execute(QStringLiteral("with recursive n(i) as (select 1 union all select i+1 from n where i<%1) "
                              "insert into dt_data (%2) select %3 from n")
                   .arg(rows)
                   .arg(columns.join(','), values.join(',')));
    db.commit();
}

void FillPlausibleReturns(Connection& db, int rows)
{
    db.begin();
    db.execute(QStringLiteral(
                   "with recursive n(i) as (select 1 union all select i+1 from n where i<%1) "
                   "insert into dt_data (c901, c902, c903, c904, c905, c906, c907, RecordState, z001, z002, z003, "
                   "z004, z005, x001, x002, x003, p004, p005) "
                   "select 110101000000 + i, '工会' || i, 110101, 3, '张伟', '010-1', 1 + (i % 40 = 0) * 2, 0, "
                   "20, 5, case when i % 10 = 0 then 25 else 4 end, 12, 8, 6, case when i % 30 = 0 then 9 else 2 end, "
                   "3, 10, 4 from n")
                   .arg(rows));
    db.commit();
}

void AdvanceSampleReturnsOneYear(Connection& db)
{
    QStringList moves;
    RowSet fields = db.query("select FieldName, QueryType from dt_fieldlist where PageID between 1 and 13 "
                             "and QueryType in (0, 2)");
    for (fields.first(); !fields.eof(); fields.next()) {
        const QString f = fields.text("FieldName");
        const QString moved = fields.toInt("QueryType") == 2 ? "%1 * (0.85 + (abs(random()) % 301) / 1000.0)"
                                                              : "round(%1 * (0.85 + (abs(random()) % 301) / 1000.0))";
        moves << QStringLiteral("%1 = case abs(random()) % 100 when 0 then %1 * 10 when 1 then round(%1 / 10) else %2 end")
                     .arg(f, moved.arg(f));
    }
    db.begin();
    db.execute("update dt_data set " + moves.join(','));
    db.execute("delete from dt_data where c901 % 100 = 3");
    db.execute("create temp table new_units as select * from dt_data where c901 % 100 = 5");
    db.execute("update new_units set c901 = c901 + 1"); // no other code: codes step by 17
    db.execute("insert into dt_data select * from new_units");
    db.execute("drop table new_units");
    db.commit();
}
