#include "exchange/DecisionRecord.h"

#include "base/Gbk.h"
#include "base/PublicProcedure.h"
#include "exchange/PackageImport.h"
#include "exchange/ReturnComparison.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>

namespace {
void addLine(QByteArray& bytes, const QString& line)
{
    bytes += GbkEncode(line);
    bytes += "\r\n";
}

QByteArray headBytes()
{
    QByteArray bytes;
    addLine(bytes, QStringLiteral("数据导入冲突处理记录"));
    return bytes;
}

// A value from a received file as one line of text: control characters cannot break the line.
QString shown(const QVariant& value)
{
    return ShownLabel(StoredValueText(value));
}
} // namespace

QString DecisionRecordName(const QDateTime& runStart)
{
    return QStringLiteral("数据导入冲突处理记录-") + runStart.toString(QStringLiteral("yyyyMMdd-HHmmss"))
           + QStringLiteral(".txt");
}

DecisionRecord::DecisionRecord(const QString& folder, const QDateTime& runStart) : m_folder(folder), m_start(runStart)
{
}

bool DecisionRecord::add(const QByteArray& section, QString* error)
{
    if (m_path.isEmpty()) {
        // Another run started in the same second keeps its record: this one is numbered.
        const QDir folder(m_folder);
        const QString name = DecisionRecordName(m_start);
        m_path = folder.filePath(name);
        for (int n = 2; QFile::exists(m_path); ++n)
            m_path = folder.filePath(name.chopped(4) + QStringLiteral("-%1.txt").arg(n));
    }
    m_sections.append(section);
    if (write(error))
        return true;
    m_sections.removeLast();
    return false;
}

void DecisionRecord::takeBackLast()
{
    if (m_sections.isEmpty())
        return;
    m_sections.removeLast();
    if (m_sections.isEmpty())
        QFile::remove(m_path);
    else
        write(nullptr);
}

bool DecisionRecord::write(QString* error)
{
    QSaveFile file(m_path);
    QByteArray bytes = headBytes();
    for (const QByteArray& s : m_sections)
        bytes += s;
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) {
        if (error)
            *error = QStringLiteral("无法写入文件“%1”：%2").arg(m_path, file.errorString());
        file.cancelWriting();
        return false;
    }
    QString why;
    if (!CommitWhole(file, &why)) {
        if (error)
            *error = QStringLiteral("无法写入文件“%1”：%2").arg(m_path, why);
        return false;
    }
    return true;
}

QByteArray DecisionRecordSection(const QDateTime& time, const QString& file, const QString& label,
                                 const DecidedImportCounts& counts, const ReturnComparison& comparison,
                                 const ConflictDecisions& decisions)
{
    QByteArray bytes;
    addLine(bytes, QString(80, QLatin1Char('=')));
    addLine(bytes, QStringLiteral("时间：") + time.toString(QStringLiteral("yyyy年MM月dd日 HH:mm:ss")));
    addLine(bytes, QStringLiteral("文件：") + ShownLabel(file));
    addLine(bytes, QStringLiteral("标识：") + ShownLabel(label));
    addLine(bytes, QStringLiteral("新增：%1  替换：%2  保留：%3  相同：%4")
                       .arg(counts.added)
                       .arg(counts.replaced)
                       .arg(counts.kept)
                       .arg(counts.equal));
    addLine(bytes, QString(80, QLatin1Char('-')));
    for (const ReturnPair& pair : comparison.both) {
        addLine(bytes, QStringLiteral("编号：") + StoredValueText(pair.code));
        addLine(bytes, QStringLiteral("现有名称：") + ShownLabel(pair.nameA));
        addLine(bytes, QStringLiteral("导入名称：") + ShownLabel(pair.nameB));
        addLine(bytes, QStringLiteral("处理：")
                           + (pair.equal() ? EqualReturnText() : ConflictChoiceText(decisions.choiceFor(pair.code))));
        for (const FieldDifference& d : pair.differences)
            addLine(bytes, QStringLiteral("  %1：现有 %2，导入 %3")
                               .arg(ShownLabel(comparison.fields[d.field].caption), shown(d.a), shown(d.b)));
        addLine(bytes, QString());
    }
    return bytes;
}
