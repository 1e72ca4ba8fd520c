#include "cli/SummaryCommand.h"

#include "base/Paths.h"
#include "cli/BatchDatabase.h"
#include "cli/BatchOutput.h"
#include "cli/OutputFile.h"
#include "db/DbError.h"
#include "db/WorkingDatabase.h"
#include "summary/Grouping.h"
#include "summary/SumWorkbook.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QRegularExpression>

namespace {
// "2-25", "1,3,5-7": sheet numbers of the summary list, in ascending order without repeats.
bool readSheets(const QString& text, int last, QVector<int>* sheets)
{
    static const QRegularExpression part(QStringLiteral("^([0-9]{1,3})(?:-([0-9]{1,3}))?$"));
    sheets->clear();
    for (const QString& piece : text.split(QLatin1Char(','))) {
        const QRegularExpressionMatch m = part.match(piece.trimmed());
        if (!m.hasMatch())
            return false;
        const int from = m.captured(1).toInt();
        const int to = m.captured(2).isEmpty() ? from : m.captured(2).toInt();
        if (from < 1 || to > last || to < from)
            return false;
        for (int s = from; s <= to; ++s)
            if (!sheets->contains(s))
                sheets->append(s);
    }
    std::sort(sheets->begin(), sheets->end());
    return true;
}

// "level", "state" or "group=ID".
bool readBreakdown(const QString& text, SumKind* kind, qint64* groupId)
{
    if (text == QLatin1String("level"))
        *kind = SumKind::Level;
    else if (text == QLatin1String("state"))
        *kind = SumKind::State;
    else {
        static const QRegularExpression group(QStringLiteral("^group=([0-9]{1,18})$"));
        const QRegularExpressionMatch m = group.match(text);
        if (!m.hasMatch())
            return false;
        *kind = SumKind::Group;
        *groupId = m.captured(1).toLongLong();
    }
    return true;
}

// A grouping is chosen as the summary window offers it: one that exists and has items.
QString groupingProblem(qint64 groupId)
{
    Connection& db = SysConnection();
    if (db.scalar(QStringLiteral("select count(*) from ct_group where id=?1"), {groupId}).toLongLong() == 0)
        return QStringLiteral("没有编号为 %1 的自定义分组").arg(groupId);
    if (GroupItemCount(db, groupId) == 0)
        return QStringLiteral("自定义分组 %1 没有分组项").arg(groupId);
    return QString();
}

int runSummary(const CommandArgs& args, BatchOutput& out)
{
    SumKind kind = SumKind::Level;
    qint64 groupId = 0;
    if (!args.has(QStringLiteral("by")))
        return out.fail(QStringLiteral("请用 --by 选择汇总方式：level、state 或 group=ID"));
    if (!readBreakdown(args.value(QStringLiteral("by")), &kind, &groupId))
        return out.fail(QStringLiteral("汇总方式只能是 level、state 或 group=ID：%1")
                            .arg(args.value(QStringLiteral("by"))));
    const int last = SelectableCount(DesignedSumTableList());
    QVector<int> sheets;
    const QString sheetText = args.has(QStringLiteral("sheets"))
                                  ? args.value(QStringLiteral("sheets"))
                                  : QStringLiteral("%1-%2").arg(kFirstSumSheet).arg(kLastSumSheet);
    if (!readSheets(sheetText, last, &sheets))
        return out.fail(QStringLiteral("--sheets 要的是 1 到 %1 之间的表号，如 2-25 或 1,3,5-7：%2")
                            .arg(last)
                            .arg(sheetText));

    const QString opened = OpenBatchDatabase(args.positional[0], args);
    if (!opened.isEmpty())
        return out.fail(opened);
    const QString templatePath = QDir(ProgramFolder()).filePath(QString::fromUtf8(SumTemplateFileName()));
    const QString target = OutputFilePath(args.positional[1], QStringLiteral(".xlsx"));
    const QString refused = RefuseOutputFile(target, args, {templatePath});
    if (!refused.isEmpty())
        return out.fail(refused);
    if (kind == SumKind::Group) {
        const QString problem = groupingProblem(groupId);
        if (!problem.isEmpty())
            return out.fail(problem);
    }

    SummaryRequest request;
    request.kind = kind;
    request.groupId = groupId;
    request.list = SumListTicking(sheets);
    SummaryHooks hooks;
    hooks.sheetsStarted = [&out](int count) { out.startProgress(QStringLiteral("汇总进度"), count); };
    hooks.sheetDone = [&out] { out.stepProgress(); };
    if (!QFileInfo(templatePath).isFile())
        return out.fail(QStringLiteral("打开汇总模版文件时发生错误，可能是没有安装MS Office中的Excel"));
    try {
        WriteSummaryWorkbook(SysConnection(), templatePath, request, target, hooks);
    } catch (const DbError& e) {
        return out.fail(RunErrorText(e.message()));
    } catch (const WorkbookError& e) {
        return out.fail(RunErrorText(QString::fromUtf8(e.what())));
    }
    out.endProgress();

    QJsonArray sheetList;
    for (int s : sheets)
        sheetList.append(s);
    QJsonObject& json = out.result();
    json.insert(QStringLiteral("database"), CurrentDatabasePath);
    json.insert(QStringLiteral("workbook"), target);
    json.insert(QStringLiteral("by"), args.value(QStringLiteral("by")));
    json.insert(QStringLiteral("sheets"), sheetList);
    out.line(QStringLiteral("按%1汇总了%2张表")
                 .arg(BreakdownName(kind).remove(QLatin1Char(' ')))
                 .arg(sheets.size()));
    out.line(QStringLiteral("汇总结果已经保存到：") + target);
    return out.finish(0);
}
} // namespace

CommandSpec SummaryCommand()
{
    CommandSpec c;
    c.name = QStringLiteral("summary");
    c.arguments = QStringLiteral("DB OUT.xlsx");
    c.minArguments = c.maxArguments = 2;
    c.summary = QStringLiteral("汇总：按工会层次、填报状态或自定义分组写出汇总表");
    c.description =
        QStringLiteral("把数据库 DB 的数据汇总到由汇总模版做成的工作簿 OUT.xlsx，与“汇总”窗口相同：\n"
                       "按工会层次（level）、填报状态（state）或编号为 ID 的自定义分组（group=ID）分行，\n"
                       "只留下 --sheets 选中的表（汇总表清单中的序号，1 为封面，默认 2-25）。\n"
                       "文件名不以 .xlsx 结尾时加上 .xlsx；已有的文件只在给出 --yes 时被替换。");
    c.options = {
        {QStringLiteral("by"), QStringLiteral("KIND"), QStringLiteral("汇总方式：level、state 或 group=ID")},
        {QStringLiteral("sheets"), QStringLiteral("LIST"),
         QStringLiteral("要汇总的表，如 2-25 或 1,3,5-7（默认 2-25）")},
        {QStringLiteral("yes"), QString(), QStringLiteral("替换已有的输出文件")},
    };
    c.run = runSummary;
    return c;
}
