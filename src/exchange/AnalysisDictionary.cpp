#include "exchange/AnalysisDictionary.h"

#include "db/Connection.h"
#include "model/FieldCatalogue.h"

#include <QRegularExpression>

namespace {
AnalysisKind kindOf(const TFieldData& field)
{
    if (field.FieldName.compare(QLatin1String("c901"), Qt::CaseInsensitive) == 0)
        return AnalysisKind::Code;
    switch (field.QueryType) {
    case TextValue:
        return AnalysisKind::Text;
    case DecimalNumber:
        return AnalysisKind::Decimal;
    default:
        return AnalysisKind::Whole;
    }
}

// Adds the set unless it is empty; returns its index or -1.
int addSet(AnalysisDictionary& dictionary, const QString& name, const TMenuItemDataArray& labels)
{
    if (labels.isEmpty())
        return -1;
    dictionary.labelSets.push_back({name, labels});
    return int(dictionary.labelSets.size()) - 1;
}
} // namespace

TMenuItemDataArray CaptionCodes(const QString& caption)
{
    static const QRegularExpression tail(QStringLiteral("[(（]([^()（）]*)[)）]\\s*$"));
    static const QRegularExpression item(QStringLiteral("^\\s*([0-9]{1,9})\\s*[=＝]\\s*(\\S.*?)\\s*$"));
    const QRegularExpressionMatch list = tail.match(caption);
    if (!list.hasMatch())
        return {};
    TMenuItemDataArray codes;
    for (const QString& piece : list.captured(1).split(QRegularExpression(QStringLiteral("[；;]")))) {
        const QRegularExpressionMatch m = item.match(piece);
        if (!m.hasMatch())
            return {};
        codes.push_back({m.captured(1).toInt(), m.captured(2)});
    }
    return codes;
}

QByteArray Utf8Prefix(const QString& text, int maxBytes)
{
    QByteArray bytes = text.toUtf8();
    if (bytes.size() <= maxBytes)
        return bytes;
    int cut = qMax(0, maxBytes);
    // Never end inside a character: back off the continuation bytes (10xxxxxx).
    while (cut > 0 && (uchar(bytes[cut]) & 0xC0) == 0x80)
        --cut;
    bytes.truncate(cut);
    return bytes;
}

AnalysisDictionary LoadAnalysisDictionary(Connection& db)
{
    AnalysisDictionary dictionary;
    const TFieldDataArray catalogue = LoadFieldCatalogue(db);
    int yesNo = -1;
    for (const TFieldData& field : catalogue) {
        AnalysisVariable variable;
        variable.name = field.FieldName;
        variable.caption = field.Hint;
        variable.kind = kindOf(field);
        const QString name = field.FieldName.toLower();
        if (variable.kind == AnalysisKind::Text || variable.kind == AnalysisKind::Code) {
            // no value labels
        } else if (name == QLatin1String("c904")) {
            variable.labelSet = addSet(dictionary, QStringLiteral("level"),
                                       LoadCodeTable(db, QStringLiteral("CT_LevelCode")));
        } else if (name == QLatin1String("c907")) {
            variable.labelSet =
                addSet(dictionary, QStringLiteral("state"), LoadCodeTable(db, QStringLiteral("CT_state")));
        } else if (name == QLatin1String("recordstate")) {
            variable.labelSet = addSet(dictionary, QStringLiteral("recstate"), RecordStateList());
        } else if (field.QueryType == AnswerCode) {
            if (yesNo < 0)
                yesNo = addSet(dictionary, QStringLiteral("yesno"),
                               {{1, QStringLiteral("是")}, {2, QStringLiteral("否")}});
            variable.labelSet = yesNo;
        } else {
            variable.labelSet = addSet(dictionary, field.FieldName, CaptionCodes(field.Hint));
        }
        dictionary.variables.push_back(variable);
    }
    return dictionary;
}
