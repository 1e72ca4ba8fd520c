#pragma once

#include <QString>
#include <QVariant>

// The text form of a value wherever the program writes one "as text": whole numbers in plain
// digits, other numbers in the shortest form with up to 15 significant digits, NULL as "".
QString FormatValueText(const QVariant& value);
QString FormatNumberText(double value);

// "%f": fixed notation with two decimals, as range statements write codes.
QString FormatFixed2(double value);
