#pragma once

#include <QString>

// Reads text as a spreadsheet reads typed text: true with the number when the text is a number
// ("12", "-3.5", "1e3", blanks around allowed), false otherwise.
bool ParseTypedNumber(const QString& text, double* value);

// The width of a text in character units of a column: CJK and other wide characters count two.
int DisplayUnits(const QString& text);

// A number as a cell shows it in a number format ("0", "#,##0_ ", "￥#,##0.00;￥-#,##0.00",
// "yyyy-mm-dd"; empty, "General" and "@" show the plain decimal form), for fitting a column to
// what it shows.
QString DisplayedNumber(double value, const QString& format);
