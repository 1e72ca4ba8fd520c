#include "entry/workbook/CellText.h"

#include "base/ValueText.h"

#include <QDate>
#include <QLocale>
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

QString DisplayedNumber(double value, const QString& format)
{
    if (format.isEmpty() || format == QLatin1String("@") || format.compare(QLatin1String("General"), Qt::CaseInsensitive) == 0
        || format == QStringLiteral("G/通用格式"))
        return FormatNumberText(value);
    if (format.contains(QLatin1String("yy"), Qt::CaseInsensitive))
        return QDate(1899, 12, 30).addDays(qint64(std::floor(value))).toString(QStringLiteral("yyyy-MM-dd"));
    // The section for the sign: "positive;negative"; a negative section shows its own sign.
    const QStringList sections = format.split(QLatin1Char(';'));
    const bool ownNegative = value < 0 && sections.size() > 1;
    const QString section = ownNegative ? sections[1] : sections[0];
    int first = 0; // the first digit place, '#' or '0'
    while (first < section.size() && section[first] != QLatin1Char('#') && section[first] != QLatin1Char('0'))
        ++first;
    if (first == section.size())
        return FormatNumberText(value);
    int last = first;
    while (last + 1 < section.size() && QStringLiteral("#0,.").contains(section[last + 1]))
        ++last;
    const QString digits = section.mid(first, last - first + 1);
    const int point = int(digits.indexOf(QLatin1Char('.')));
    const int decimals = point < 0 ? 0 : int(digits.size() - point - 1);
    QString number = QString::number(std::fabs(value), 'f', decimals);
    if (digits.contains(QLatin1Char(','))) {
        const int end = int(number.indexOf(QLatin1Char('.')) < 0 ? number.size() : number.indexOf(QLatin1Char('.')));
        for (int at = end - 3; at > 0; at -= 3)
            number.insert(at, QLatin1Char(','));
    }
    // "_ " leaves the room of the character after it; other literals show as they stand.
    auto literal = [](const QString& part) {
        QString shown;
        for (int i = 0; i < part.size(); ++i) {
            if (part[i] == QLatin1Char('_') && i + 1 < part.size()) {
                shown += QLatin1Char(' ');
                ++i;
            } else if (part[i] != QLatin1Char('"') && part[i] != QLatin1Char('\\')) {
                shown += part[i];
            }
        }
        return shown;
    };
    const QString sign = value < 0 && !ownNegative ? QStringLiteral("-") : QString();
    return literal(section.left(first)) + sign + number + literal(section.mid(last + 1));
}
