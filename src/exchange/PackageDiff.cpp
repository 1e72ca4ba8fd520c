#include "exchange/PackageDiff.h"

#include "db/Connection.h"
#include "exchange/PackageImport.h"

#include <QJsonArray>

#include <cmath>

namespace {
// A code as a number: whole codes in plain digits.
QJsonValue codeJson(double code)
{
    if (code == std::trunc(code) && std::fabs(code) < 9e15)
        return QJsonValue(qint64(code));
    return QJsonValue(code);
}

QJsonValue valueJson(const QVariant& value)
{
    if (!value.isValid() || value.isNull())
        return QJsonValue(QJsonValue::Null);
    switch (value.typeId()) {
    case QMetaType::LongLong:
        return QJsonValue(value.toLongLong());
    case QMetaType::Double:
        return QJsonValue(value.toDouble());
    case QMetaType::QByteArray:
        return QJsonValue(StoredValueText(value));
    default:
        return QJsonValue(value.toString());
    }
}

QJsonArray codesJson(const QVector<double>& codes)
{
    QJsonArray list;
    for (double c : codes)
        list.append(codeJson(c));
    return list;
}

// A value in one cell of the table: what the file holds cannot break the line.
QString cell(const QVariant& value)
{
    return ShownLabel(StoredValueText(value));
}
} // namespace

ReturnComparison DiffPackages(Connection& reference, const ReceivedFile& a, const ReceivedFile& b,
                              const ExchangeHooks& hooks)
{
    Connection fileA, fileB;
    fileA.open(a.readPath(), Connection::Mode::ReadOnly);
    fileB.open(b.readPath(), Connection::Mode::ReadOnly);
    return CompareReturns(ComparedFields(reference), {&fileA, QStringLiteral("main")}, {&fileB, QStringLiteral("main")},
                          hooks);
}

QJsonObject PackageDiffJson(const ReturnComparison& diff)
{
    QVector<double> equal;
    QJsonArray differing;
    for (const ReturnPair& p : diff.both) {
        if (p.equal()) {
            equal.push_back(p.code);
            continue;
        }
        QJsonArray fields;
        for (const FieldDifference& d : p.differences)
            fields.append(QJsonObject{{QStringLiteral("field"), diff.fields[d.field].name},
                                      {QStringLiteral("a"), valueJson(d.a)},
                                      {QStringLiteral("b"), valueJson(d.b)}});
        differing.append(QJsonObject{{QStringLiteral("code"), codeJson(p.code)}, {QStringLiteral("fields"), fields}});
    }
    return {{QStringLiteral("onlyA"), codesJson(diff.onlyA)},
            {QStringLiteral("onlyB"), codesJson(diff.onlyB)},
            {QStringLiteral("equal"), codesJson(equal)},
            {QStringLiteral("differing"), differing}};
}

QStringList PackageDiffLines(const ReturnComparison& diff)
{
    QStringList lines = {QStringLiteral("类别\t编号\t字段\t项目\tA\tB")};
    for (double c : diff.onlyA)
        lines << QStringLiteral("只在A中\t") + StoredValueText(c);
    for (double c : diff.onlyB)
        lines << QStringLiteral("只在B中\t") + StoredValueText(c);
    qint64 equal = 0;
    for (const ReturnPair& p : diff.both)
        if (p.equal()) {
            lines << QStringLiteral("相同\t") + StoredValueText(p.code);
            ++equal;
        }
    for (const ReturnPair& p : diff.both)
        for (const FieldDifference& d : p.differences) {
            const ComparedField& f = diff.fields[d.field];
            lines << QStringList{QStringLiteral("不同"), StoredValueText(p.code), f.name, ShownLabel(f.caption), cell(d.a),
                                 cell(d.b)}
                         .join(QLatin1Char('\t'));
        }
    lines << QStringLiteral("只在A中：%1个单位；只在B中：%2个单位；相同：%3个单位；不同：%4个单位")
                 .arg(diff.onlyA.size())
                 .arg(diff.onlyB.size())
                 .arg(equal)
                 .arg(diff.both.size() - equal);
    return lines;
}

bool SameReturns(const ReturnComparison& diff)
{
    return diff.onlyA.isEmpty() && diff.onlyB.isEmpty() && diff.differingCount() == 0;
}
