#include "cli/CompareCommand.h"

#include "base/ValueText.h"
#include "cli/BatchDatabase.h"
#include "cli/BatchOutput.h"
#include "db/DbError.h"
#include "db/WorkingDatabase.h"
#include "logic/ComparisonWorkbook.h"
#include "logic/LastYearComparison.h"

#include <QFileInfo>
#include <QJsonArray>

namespace {
// The parameters the options give; the method's defaults for those not given.
bool readParameters(const CommandArgs& args, CompareParameters* parameters, QString* error)
{
    const QString names[3] = {QStringLiteral("u"), QStringLiteral("a"), QStringLiteral("c")};
    double* values[3] = {&parameters->u, &parameters->a, &parameters->c};
    for (int i = 0; i < 3; ++i) {
        if (!args.has(names[i]))
            continue;
        bool ok = false;
        *values[i] = args.value(names[i]).trimmed().toDouble(&ok);
        if (!ok) {
            *error = QStringLiteral("参数 --%1 应是一个数：%2").arg(names[i], args.value(names[i]));
            return false;
        }
    }
    *error = CheckCompareParameters(*parameters);
    return error->isEmpty();
}

QJsonArray codeArray(const QVector<CompareUnit>& units)
{
    QJsonArray codes;
    for (const CompareUnit& u : units)
        codes.append(u.code);
    return codes;
}

int runCompare(const CommandArgs& args, BatchOutput& out)
{
    CompareParameters parameters;
    QString error;
    if (!readParameters(args, &parameters, &error))
        return out.fail(error);
    const QString opened = OpenBatchDatabase(args.positional.first(), args, true);
    if (!opened.isEmpty())
        return out.fail(opened);
    const QString lastYear = QFileInfo(args.positional.at(1)).absoluteFilePath();

    BatchCheckHooks hooks;
    hooks.started = [&out](qint64 total, qint64) { out.startProgress(QStringLiteral("比对进度"), total); };
    hooks.stepped = [&out] { out.stepProgress(); };
    hooks.stopped = [] { return InterruptRequested(); };
    CompareResult result;
    try {
        result = CompareWithLastYear(SysConnection(), lastYear, parameters, hooks);
    } catch (const DbError& e) {
        return out.fail(RunErrorText(e.message()));
    }
    out.endProgress();
    if (!result.refused.isEmpty())
        return out.fail(QStringLiteral("上年的数据文件不能使用：") + result.refused);
    if (result.stopped) {
        out.error(QStringLiteral("比对已中止"));
        return out.finish(2);
    }
    const int status = result.flagged.isEmpty() ? 0 : 1;

    if (out.json()) {
        QJsonArray flagged;
        for (const CompareFlag& f : result.flagged)
            flagged.append(QJsonObject{{QStringLiteral("code"), f.code},
                                       {QStringLiteral("field"), result.indicators[f.indicator].field},
                                       {QStringLiteral("last"), f.last},
                                       {QStringLiteral("current"), f.current},
                                       {QStringLiteral("ratio"), f.ratio},
                                       {QStringLiteral("score"), f.score},
                                       {QStringLiteral("direction"), DirectionWord(f.rise)}});
        out.setBareResult(
            QJsonObject{{QStringLiteral("flagged"), flagged},
                        {QStringLiteral("absentNow"), codeArray(result.absentNow)},
                        {QStringLiteral("newNow"), codeArray(result.newNow)},
                        {QStringLiteral("skipped"), QJsonArray::fromStringList(result.skipped)}});
        return out.finish(status);
    }
    out.line(QStringLiteral("单位编号\t单位名称\t指标\t页\t上年\t本年\t比值\t增/减\t得分"));
    for (const CompareFlag& f : result.flagged) {
        const CompareIndicator& i = result.indicators[f.indicator];
        out.line(QStringList{FormatNumberText(f.code), f.name, i.field, ComparisonPageText(i.page),
                             FormatNumberText(f.last), FormatNumberText(f.current),
                             QString::number(f.ratio, 'f', 2), DirectionText(f.rise),
                             QString::number(f.score, 'f', 2)}
                     .join(QLatin1Char('\t')));
    }
    out.line(QStringLiteral("比对了%1个两年都填报数据的单位，变动较大的数据%2项")
                 .arg(result.matched)
                 .arg(result.flagged.size()));
    out.line(QStringLiteral("上年填报数据、本年没有填报的单位：%1个；本年新填报数据的单位：%2个")
                 .arg(result.absentNow.size())
                 .arg(result.newNow.size()));
    if (!result.skipped.isEmpty())
        out.line(QStringLiteral("可比的单位少于%1个、未比对的指标：%2")
                     .arg(kComparePairsNeeded)
                     .arg(result.skipped.join(QLatin1Char(' '))));
    return out.finish(status);
}
} // namespace

CommandSpec CompareCommand()
{
    CommandSpec c;
    c.name = QStringLiteral("compare");
    c.arguments = QStringLiteral("DB LAST");
    c.minArguments = c.maxArguments = 2;
    c.summary = QStringLiteral("与上年数据比对：列出与上年相比变动较大的数据");
    c.description = QStringLiteral(
        "把数据库 DB 与上年的数据文件 LAST 按单位编号逐项比对，与“与上年数据比对”窗口相同：\n"
        "对两年都填报数据的单位，每个指标按其他单位的变动衡量本单位的变动，列出得分超出界限的数据，\n"
        "得分高的在前。两个文件都只读取，记录状态不变。参数缺省为 U=0.5、A=0.05、C=4。\n"
        "--json 给出 flagged（变动较大的数据）、absentNow（上年填报、本年未填报的单位编号）、\n"
        "newNow（本年新填报的单位编号）和 skipped（可比的单位少于10个的指标）。\n"
        "退出状态 0：没有变动较大的数据；1：有变动较大的数据。");
    c.options = {
        {QStringLiteral("u"), QStringLiteral("U"), QStringLiteral("规模的权重，0 到 1（缺省 0.5）")},
        {QStringLiteral("a"), QStringLiteral("A"),
         QStringLiteral("最小距离占中位数的比例，0 到 100（缺省 0.05）")},
        {QStringLiteral("c"), QStringLiteral("C"), QStringLiteral("界限是距离的几倍，大于 0（缺省 4）")},
    };
    c.run = runCompare;
    return c;
}
