#include "logic/ComparisonWorkbook.h"

#include "base/ValueText.h"
#include "db/ExportTarget.h"
#include "entry/SurveyPages.h"
#include "entry/workbook/StreamingWorkbook.h"

#include <functional>

namespace {
constexpr int kSheetRows = 1048576;

// Writes one list: the head rows, then the column titles and the rows, going on in a further
// sheet of the same name with "(2)", "(3)" when a sheet is full. Each sheet repeats the titles.
// The columns of rightColumns (counted from 1: the numbers and the direction beside its ratio)
// sit at the right, their titles too.
void writeList(StreamingWorkbook& book, const QString& name, const QVector<QVector<StreamCell>>& head,
               const QVector<StreamCell>& titles, const QVector<double>& widths, const QStringList& formats,
               const QVector<int>& rightColumns, qint64 rows,
               const std::function<QVector<StreamCell>(qint64)>& rowAt)
{
    int part = 1;
    auto start = [&] {
        book.addSheet(part == 1 ? name : QStringLiteral("%1(%2)").arg(name).arg(part));
        for (int c = 0; c < widths.size(); ++c)
            book.setColumnWidth(c + 1, widths[c]);
        for (int c = 0; c < formats.size(); ++c)
            if (!formats[c].isEmpty())
                book.setColumnFormat(c + 1, formats[c]);
        for (int c : rightColumns)
            book.setColumnRightAligned(c);
        // The column titles come again at the top of every printed page.
        book.setPrintLandscapeOnePageWide(int(head.size()) + 1);
        for (int r = 0; r < head.size(); ++r)
            book.writeRow(head[r], r == 0 ? RowFont{true, 14} : RowFont{});
        book.writeRow(titles, RowFont{true, 0});
    };
    start();
    for (qint64 r = 0; r < rows && book.error().isEmpty(); ++r) {
        if (book.rowCount() >= kSheetRows) {
            ++part;
            start();
        }
        book.writeRow(rowAt(r));
    }
}

StreamCell text(const QString& value)
{
    return StreamCell::fromText(value);
}
StreamCell number(double value)
{
    return StreamCell::fromNumber(value);
}
} // namespace

QString ComparisonPageText(int page)
{
    for (const SurveyPage& p : SurveyPages())
        if (p.number == page)
            return p.tabCaption;
    return QString::number(page);
}

QString OtherYearText(int state, const TMenuItemDataArray& states)
{
    if (state < 0)
        return QStringLiteral("没有这个单位的记录");
    const QString name = FindCodeName(states, state);
    return name.isEmpty() ? QStringLiteral("填报状态%1").arg(state)
                          : QStringLiteral("%1 %2").arg(state).arg(name);
}

QString ComparisonProposedName(const QDate& date)
{
    return QStringLiteral("与上年数据比对-") + date.toString(QStringLiteral("yyyy-MM-dd"));
}

QString RefuseComparisonTarget(const QString& path, const ComparisonRun& run)
{
    if (IsSameFile(path, run.workingFile))
        return QStringLiteral("不能把比对结果写到正在使用的数据库文件中");
    if (IsSameFile(path, run.lastYearFile))
        return QStringLiteral("不能把比对结果写到上年数据文件中");
    return QString();
}

QString WriteComparisonWorkbook(const CompareResult& result, const ComparisonRun& run, const QString& path)
{
    const QString refused = RefuseComparisonTarget(path, run);
    if (!refused.isEmpty())
        return refused;

    StreamingWorkbook book(path);
    const CompareParameters& p = run.parameters;
    const QString parameters = QStringLiteral("参数：U=%1，A=%2，C=%3    比对日期：%4")
                                   .arg(FormatNumberText(p.u), FormatNumberText(p.a), FormatNumberText(p.c),
                                        run.date.toString(QStringLiteral("yyyy-MM-dd")));
    const QString source = QStringLiteral("上年数据：") + run.lastYearFile;

    const QVector<QVector<StreamCell>> flaggedHead{
        {text(QStringLiteral("与上年数据比对：变动较大的数据"))},
        {text(source)},
        {text(parameters)},
        {text(QStringLiteral("比对的单位：%1个；变动较大的数据：%2项")
                  .arg(result.matched)
                  .arg(result.flagged.size()))},
        {text(QStringLiteral("可比的单位少于%1个、未比对的指标：%2个（见工作表“未比对的指标”）")
                  .arg(kComparePairsNeeded)
                  .arg(result.skipped.size()))},
        {}};
    const QVector<StreamCell> flaggedTitles{
        text(QStringLiteral("单位编号")), text(QStringLiteral("单位名称")), text(QStringLiteral("指标")),
        text(QStringLiteral("指标名称")), text(QStringLiteral("页")),       text(QStringLiteral("上年")),
        text(QStringLiteral("本年")),     text(QStringLiteral("比值")),     text(QStringLiteral("增/减")),
        text(QStringLiteral("得分"))};
    writeList(book, QStringLiteral("变动较大的数据"), flaggedHead, flaggedTitles,
              {15, 30, 7, 44, 7, 14, 14, 10, 7, 10},
              {QStringLiteral("0"), QString(), QString(), QString(), QString(), QString(), QString(),
               QStringLiteral("0.00"), QString(), QStringLiteral("0.00")},
              {6, 7, 8, 9, 10}, result.flagged.size(), [&result](qint64 r) {
                  const CompareFlag& f = result.flagged[r];
                  const CompareIndicator& i = result.indicators[f.indicator];
                  return QVector<StreamCell>{number(f.code),
                                             text(f.name),
                                             text(i.field),
                                             text(i.caption),
                                             text(ComparisonPageText(i.page)),
                                             number(f.last),
                                             number(f.current),
                                             number(f.ratio),
                                             text(DirectionText(f.rise)),
                                             number(f.score)};
              });

    auto unitList = [&](const QString& name, const QString& title, const QString& other,
                        const QVector<CompareUnit>& units) {
        writeList(book, name,
                  {{text(title)}, {text(source)}, {text(QStringLiteral("单位数：%1").arg(units.size()))}, {}},
                  {text(QStringLiteral("单位编号")), text(QStringLiteral("单位名称")), text(other)},
                  {15, 30, 18}, {QStringLiteral("0")}, {}, units.size(), [&units, &run](qint64 r) {
                      const CompareUnit& u = units[r];
                      return QVector<StreamCell>{number(u.code), text(u.name),
                                                 text(OtherYearText(u.otherState, run.states))};
                  });
    };
    unitList(QStringLiteral("本年未填报的单位"), QStringLiteral("上年填报数据、本年没有填报数据的单位"),
             QStringLiteral("本年情况"), result.absentNow);
    unitList(QStringLiteral("本年新填报的单位"), QStringLiteral("本年填报数据、上年没有填报数据的单位"),
             QStringLiteral("上年情况"), result.newNow);

    QVector<int> skipped;
    for (int i = 0; i < result.indicators.size(); ++i)
        if (result.skipped.contains(result.indicators[i].field))
            skipped << i;
    writeList(book, QStringLiteral("未比对的指标"),
              {{text(QStringLiteral("可比的单位少于%1个、未比对的指标").arg(kComparePairsNeeded))},
               {text(QStringLiteral("指标数：%1").arg(skipped.size()))},
               {}},
              {text(QStringLiteral("指标")), text(QStringLiteral("指标名称")), text(QStringLiteral("页")),
               text(QStringLiteral("可比的单位"))},
              {7, 44, 7, 11}, {}, {4}, skipped.size(), [&result, &skipped](qint64 r) {
                  const int i = skipped[r];
                  const CompareIndicator& indicator = result.indicators[i];
                  return QVector<StreamCell>{text(indicator.field), text(indicator.caption),
                                             text(ComparisonPageText(indicator.page)),
                                             number(i < result.pairs.size() ? result.pairs[i] : 0)};
              });
    return book.close();
}
