#include "base/ValueText.h"

#include <cmath>

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
