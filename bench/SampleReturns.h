#pragma once

class Connection;
class QString;

// A fresh copy of a file that the benchmark may write: an old one is replaced.
void CopyFresh(const QString& from, const QString& to);

// Fills dt_data with generated returns: 12-digit codes, names, divisions, levels and
// indicator values, some of them with decimals.
void FillSampleReturns(Connection& db, int rows);
// Fills dt_data with county unions' returns that pass every check, except that every tenth
// breaks z003<=z001, every thirtieth also x002<=x001, and every fortieth reports no data
// (c907=3), so a batch check finds a plausible share of errors.
void FillPlausibleReturns(Connection& db, int rows);
// Turns the returns into those of the year after: every indicator moves by -15 to +15 per cent
// (rounded), one value in a hundred is typed ten times too large and one in a hundred a tenth;
// one unit in a hundred has gone and as many are new. Answer fields keep their values.
void AdvanceSampleReturnsOneYear(Connection& db);
