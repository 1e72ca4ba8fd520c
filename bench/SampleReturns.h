#pragma once

class Connection;

// Fills dt_data with generated returns: 12-digit codes, names, divisions, levels and
// indicator values, some of them with decimals.
void FillSampleReturns(Connection& db, int rows);
