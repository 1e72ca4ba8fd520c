#include "entry/workbook/CellText.h"

#include <QRegularExpression>

#include <cmath>

bool ParseTypedNumber(const QString& text, double* value)
{
    static const QRegularExpression number(QStringLiteral("^\\s*[+-]?([0-9]+\\.?[0-9]*|\\.[0-9]+)([eE][+-]?[0-9]+)?\\s*$"));
    if (!number.match(text).hasMatch())
        return false;
    bool ok = false;
    *value = text.trimmed().toDouble(&ok);
    return ok && std::isfinite(*value);
}

namespace {
bool isWide(char32_t u)
{
    return (u >= 0x1100 && u <= 0x115F) || (u >= 0x2E80 && u <= 0xA4CF) || (u >= 0xAC00 && u <= 0xD7A3) ||
           (u >= 0xF900 && u <= 0xFAFF) || (u >= 0xFE30 && u <= 0xFE4F) || (u >= 0xFF00 && u <= 0xFF60) ||
           (u >= 0xFFE0 && u <= 0xFFE6) || u >= 0x20000;
}
} // namespace

int DisplayUnits(const QString& text)
{
    int units = 0;
    for (char32_t u : text.toUcs4())
        units += isWide(u) ? 2 : 1;
    return units;
}
