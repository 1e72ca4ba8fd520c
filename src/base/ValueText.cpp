#include "base/ValueText.h"

#include <charconv>
#include <cmath>
#include <limits>

QString FormatNumberText(double value)
{
    if (std::isfinite(value) && value == std::trunc(value) && std::fabs(value) < 1e18)
        return QString::number(qint64(value));
    // The shortest text of at most 15 significant digits that is read back as this value.
    for (int digits = 1; digits < 15; ++digits) {
        const QString text = QString::number(value, 'g', digits);
        if (text.toDouble() == value)
            return text;
    }
    return QString::number(value, 'g', 15);
}

QString FormatValueText(const QVariant& value)
{
    if (!value.isValid() || value.isNull())
        return QString();
    switch (value.typeId()) {
    case QMetaType::Double:
    case QMetaType::Float:
        return FormatNumberText(value.toDouble());
    case QMetaType::Bool:
        return value.toBool() ? QStringLiteral("1") : QStringLiteral("0");
    default:
        return value.toString();
    }
}

QString FormatFixed2(double value)
{
    return QString::number(value, 'f', 2);
}

double NearestWhole(double value)
{
    const double nearest = std::round(value); // halves away from zero
    if (std::fabs(nearest - value) == 0.5)
        return 2.0 * std::round(value / 2.0); // a half: the even one
    return nearest;
}

qint64 NearestWhole64(double value)
{
    if (std::isnan(value))
        return 0;
    const double whole = NearestWhole(value);
    if (whole >= 9223372036854775808.0)
        return std::numeric_limits<qint64>::max();
    if (whole < -9223372036854775808.0)
        return std::numeric_limits<qint64>::min();
    return qint64(whole);
}

QString WholeNumberText(double value)
{
    if (!std::isfinite(value))
        return QStringLiteral("0");
    const double whole = NearestWhole(value);
    if (std::fabs(whole) < 9223372036854775808.0)
        return QString::number(qint64(whole));
    // Beyond 64 bits: the exact digits of the stored number.
    char buffer[400];
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, whole, std::chars_format::fixed, 0).ptr;
    return QString::fromLatin1(buffer, end - buffer);
}
