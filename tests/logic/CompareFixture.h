#pragma once

#include "db/Connection.h"

#include <QString>
#include <vector>

// Two years of returns for the comparison with last year, small enough to work by hand.
namespace compare_fixture {
constexpr qint64 kBase = 110101000000;

// The hand-worked "even" table: this year's values against 10 last year.
inline const std::vector<double> kEven{1, 9, 9.5, 9.8, 10.2, 10.5, 11, 11.2, 11.5, 50};

inline void AddReturn(Connection& db, qint64 code, int state, const QString& set = QString())
{
    db.execute("insert into dt_data (c901, c902, c903, c904, c905, c906, c907, RecordState) "
               "values (?1, ?2, 110101, 3, '张伟', '010-1', ?3, 1)",
               {code, QStringLiteral("工会%1").arg(code % 1000), state});
    if (!set.isEmpty())
        db.execute("update dt_data set " + set + " where c901=?1", {code});
}

// Units 1 to 12 report in both years. z001 is the "even" table for units 1 to 10 (y = 10), so
// with U = 0 unit 1 falls (score 115.389) and unit 10 rises (49.496); unit 11 has NULL this
// year, unit 12 a zero last year. z002 has 9 pairs, z003 10 mild ones. 13 no longer reports
// (c907 3), 16 has no return now; 14 is new, 15 reported no data last year (c907 4). 17 reports
// in neither year.
inline void FillBothYears(Connection& now, Connection& before)
{
    now.begin();
    before.begin();
    for (int i = 1; i <= 12; ++i) {
        AddReturn(now, kBase + i, 1 + i % 2);
        AddReturn(before, kBase + i, 1);
    }
    for (int i = 1; i <= 10; ++i) {
        now.execute("update dt_data set z001=?1 where c901=?2", {kEven[i - 1], kBase + i});
        before.execute("update dt_data set z001=10 where c901=?1", {kBase + i});
    }
    now.execute("update dt_data set z001=NULL where c901=?1", {kBase + 11});
    before.execute("update dt_data set z001=400 where c901=?1", {kBase + 11});
    now.execute("update dt_data set z001=900 where c901=?1", {kBase + 12});
    before.execute("update dt_data set z001=0 where c901=?1", {kBase + 12});
    now.execute(
        "update dt_data set z002=c901-110101000000+5, z003=c901-110101000000+20 where c901<=110101000010");
    before.execute(
        "update dt_data set z002=c901-110101000000+4, z003=c901-110101000000+21 where c901<=110101000010");
    now.execute("update dt_data set z002=z002+1 where c901=110101000010"); // unchanged: 9 pairs are left
    before.execute("update dt_data set z002=z002+2 where c901=110101000010");
    AddReturn(now, kBase + 13, 3);
    AddReturn(before, kBase + 13, 1);
    AddReturn(before, kBase + 16, 2);
    AddReturn(now, kBase + 14, 1);
    AddReturn(now, kBase + 15, 2);
    AddReturn(before, kBase + 15, 4);
    AddReturn(now, kBase + 17, 5);
    AddReturn(before, kBase + 17, 3);
    now.commit();
    before.commit();
}
} // namespace compare_fixture
