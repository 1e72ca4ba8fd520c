#pragma once

#include <QString>
#include <QVariant>

// The text form of a value wherever the program writes one "as text": whole numbers in plain
// digits, other numbers in the shortest form with up to 15 significant digits, NULL as "".
QString FormatValueText(const QVariant& value);
QString FormatNumberText(double value);

// "%f": fixed notation with two decimals, as range statements write codes.
QString FormatFixed2(double value);

// Wherever a fraction becomes a whole number (the batch checks, the upload file, the editor's
// whole fields) it goes to the nearest one, halves to the even neighbour: 40.5 gives 40, 41.5
// gives 42, -40.5 gives -40. Infinities and NaN stay as they are.
double NearestWhole(double value);
// The same as a 64-bit number: beyond the range the nearest bound, NaN 0.
qint64 NearestWhole64(double value);
// The whole number's own digits at any size ("10000000000000000000" for 1e19, no exponent and
// no separators); NaN and infinities give "0".
QString WholeNumberText(double value);
