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
