#include "summary/ChoiceFile.h"

#include "base/Gbk.h"
#include "base/PublicProcedure.h"

#include <QFile>

namespace {
CheckListEntry heading(const QString& caption)
{
    return {caption, false, 0};
}
CheckListEntry entry(const QString& caption)
{
    return {caption, true, 0};
}
} // namespace

CheckListEntries DesignedSumTableList()
{
    // The designed captions carry seven trailing blanks up to the last survey table's sheets.
    const QString pad(7, QLatin1Char(' '));
    CheckListEntries list;
    auto add = [&](const QString& caption) {
        list << (caption.startsWith(QLatin1String("//")) ? heading(caption + pad) : entry(caption + pad));
    };
    add(QStringLiteral("封面"));
    add(QStringLiteral("//表一 工会组织建设状况"));
    add(QStringLiteral("工会组织建设状况统计表1"));
    add(QStringLiteral("工会组织建设状况统计表2"));
    add(QStringLiteral("//表二 工会干部协管工作"));
    add(QStringLiteral("工会干部协管工作统计表"));
    add(QStringLiteral("//表三 工会干部教育培训工作"));
    add(QStringLiteral("工会干部教育培训工作统计表"));
    add(QStringLiteral("//表四 工会保障工作"));
    for (int i = 1; i <= 5; ++i)
        add(QStringLiteral("工会保障工作统计表%1").arg(i));
    add(QStringLiteral("//表五 工会法律工作"));
    for (int i = 1; i <= 4; ++i)
        add(QStringLiteral("工会法律工作统计表%1").arg(i));
    add(QStringLiteral("//表六 工会劳动保护工作"));
    add(QStringLiteral("工会劳动保护工作统计表"));
    add(QStringLiteral("//表七 工会劳动合同、集体合同和民主参与工作"));
    add(QStringLiteral("工会劳动合同、集体合同和民主参与工作统计表"));
    add(QStringLiteral("//表八 工会经济技术工作"));
    add(QStringLiteral("工会经济技术工作统计表1"));
    add(QStringLiteral("工会经济技术工作统计表2"));
    add(QStringLiteral("//表九 工会经费审查和财务工作1"));
    add(QStringLiteral("工会经费审查和财务工作统计表1"));
    add(QStringLiteral("工会经费审查和财务工作统计表2"));
    add(QStringLiteral("//表十 工会宣传教育和职工文化体育工作"));
    add(QStringLiteral("工会宣传教育和职工文化体育工作统计表"));
    add(QStringLiteral("//表十一 工会国际工作和对外经济技术交流工作"));
    add(QStringLiteral("工会国际工作和对外经济技术交流工作统计表"));
    add(QStringLiteral("//表十二 开展创建劳动关系和谐企业与工业园区活动"));
    for (int i = 1; i <= 3; ++i)
        add(QStringLiteral("开展创建劳动关系和谐企业与工业园区活动统计表%1").arg(i));
    list << heading(QStringLiteral("//补充资料")) << entry(QStringLiteral("补充资料统计表1"))
         << entry(QStringLiteral("补充资料统计表2"));
    return list;
}

CheckListEntries DesignedExportTableList()
{
    CheckListEntries list;
    for (const char* caption :
         {"表一 工会组织建设状况", "表二 工会干部协管工作", "表三 工会干部教育培训工作", "表四 工会保障工作",
          "表五 工会法律工作", "表六 工会劳动保护工作", "表七 工会劳动合同、集体合同和民主参与工作",
          "表八 工会经济技术工作", "表九 工会经费审查和财务工作1", "表十 工会宣传教育和职工文化体育工作",
          "表十一 工会国际工作和对外经济技术交流工作", "表十二 开展创建劳动关系和谐企业与工业园区活动"})
        list << entry(QString::fromUtf8(caption));
    return list;
}

QByteArray ChoiceFileBytes(const CheckListEntries& entries)
{
    QByteArray bytes;
    for (const CheckListEntry& e : entries)
        bytes += "&" + QByteArray::number(e.selectable ? 1 : 0) + " " + QByteArray::number(e.tick) + " "
                 + GbkEncode(e.caption) + " \r\n";
    return bytes;
}

CheckListEntries ParseChoiceFile(const QByteArray& bytes)
{
    CheckListEntries entries;
    QList<QByteArray> lines = bytes.split('\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast(); // the end of the last line
    for (QByteArray line : lines) {
        if (line.endsWith('\r'))
            line.chop(1);
        const QString text = GbkDecode(line);
        if (!text.startsWith(QLatin1Char('&'))) {
            entries << CheckListEntry{text, true, 0};
            continue;
        }
        CheckListEntry e;
        e.selectable = text.size() > 1 && text[1] == QLatin1Char('1');
        const QChar tick = text.size() > 3 ? text[3] : QChar();
        e.tick = (tick == QLatin1Char('1') || tick == QLatin1Char('2')) ? tick.digitValue() : 0;
        e.caption = text.mid(5);
        if (e.caption.endsWith(QLatin1Char(' ')))
            e.caption.chop(1);
        entries << e;
    }
    return entries;
}

bool ReadChoiceFile(const QString& path, CheckListEntries* entries)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return false;
    *entries = ParseChoiceFile(bytes);
    return true;
}

bool WriteChoiceFile(const QString& path, const CheckListEntries& entries, QString* error)
{
    return WriteFileWhole(path, ChoiceFileBytes(entries), error);
}

bool IsSheetTicked(const CheckListEntries& entries, int sheet)
{
    int n = 0;
    for (const CheckListEntry& e : entries)
        if (e.selectable && ++n == sheet)
            return e.tick == 1;
    return false;
}

int SelectableCount(const CheckListEntries& entries)
{
    int n = 0;
    for (const CheckListEntry& e : entries)
        n += e.selectable ? 1 : 0;
    return n;
}

int TickedSelectableCount(const CheckListEntries& entries)
{
    int n = 0;
    for (const CheckListEntry& e : entries)
        n += (e.selectable && e.tick == 1) ? 1 : 0;
    return n;
}
