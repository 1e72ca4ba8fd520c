#include "cli/ReceiptsCommands.h"

#include "cli/BatchDatabase.h"
#include "cli/BatchOutput.h"
#include "db/DbError.h"
#include "db/WorkingDatabase.h"
#include "db/WorkingSchema.h"
#include "exchange/ExpectedUnits.h"
#include "exchange/ReportingPicture.h"

#include <QFileInfo>
#include <QJsonArray>

#include <cmath>

namespace {
int runExpected(const CommandArgs& args, BatchOutput& out)
{
    if (!args.has(QStringLiteral("from")) || args.value(QStringLiteral("from")).isEmpty())
        return out.fail(QStringLiteral("要用 --from FILE 给出应报单位的来源文件"));
    const QString file = QFileInfo(args.value(QStringLiteral("from"))).absoluteFilePath();
    const QString opened = OpenBatchDatabase(args.positional.first(), args);
    if (!opened.isEmpty())
        return out.fail(opened);
    const ExpectedReading reading = ReadExpectedFile(SysConnection(), file);
    for (const QString& problem : reading.problems)
        out.error(problem);
    if (reading.problemCount > reading.problems.size())
        out.error(QStringLiteral("……还有%1行（条）没有读入").arg(reading.problemCount - reading.problems.size()));
    QJsonObject& json = out.result();
    json.insert(QStringLiteral("database"), CurrentDatabasePath);
    json.insert(QStringLiteral("file"), file);
    json.insert(QStringLiteral("source"), reading.source);
    json.insert(QStringLiteral("skipped"), reading.problemCount);
    json.insert(QStringLiteral("problems"), QJsonArray::fromStringList(reading.problems));
    if (!reading.ok())
        return out.fail(reading.error);
    const bool replace = args.has(QStringLiteral("replace"));
    const ExpectedStoreResult stored =
        StoreExpectedUnits(SysConnection(), reading, replace ? ExpectedStoreMode::Replace : ExpectedStoreMode::Add);
    if (!stored.error.isEmpty())
        return out.fail(RunErrorText(stored.error));
    json.insert(QStringLiteral("read"), qint64(reading.units.size()));
    json.insert(QStringLiteral("added"), stored.added);
    json.insert(QStringLiteral("total"), stored.total);
    json.insert(QStringLiteral("replaced"), replace);
    out.line(ExpectedStoredSummary(reading, stored));
    if (reading.problemCount > 0)
        out.line(QStringLiteral("有%1行（条）没有读入").arg(reading.problemCount));
    return out.finish(reading.problemCount > 0 ? 1 : 0);
}

// A code as JSON: a whole number as an integer, anything else as it is.
QJsonValue codeValue(double code)
{
    if (code == std::floor(code) && std::fabs(code) < 9e15)
        return QJsonValue(qint64(code));
    return QJsonValue(code);
}

QJsonObject pictureJson(const ReportingPicture& p)
{
    QJsonObject json;
    json.insert(QStringLiteral("expected"), p.expected);
    json.insert(QStringLiteral("received"), p.received);
    json.insert(QStringLiteral("missing"), p.missing);
    json.insert(QStringLiteral("unexpected"), p.unexpected);
    json.insert(QStringLiteral("clean"), p.clean);
    json.insert(QStringLiteral("withErrors"), p.withErrors);
    json.insert(QStringLiteral("held"), p.held);
    QJsonArray missing, unexpected, divisions, receipts;
    for (const MissingUnit& m : p.missingUnits)
        missing.append(m.code);
    for (const double code : p.unexpectedCodes)
        unexpected.append(codeValue(code));
    for (const int r : UnitDivisionRows(p)) {
        const DivisionFigures& d = p.divisions[r];
        QJsonObject row;
        row.insert(QStringLiteral("division"), d.code == 0 ? QString() : QString::number(d.code));
        row.insert(QStringLiteral("name"), d.name);
        row.insert(QStringLiteral("expected"), d.expected);
        row.insert(QStringLiteral("received"), d.received);
        row.insert(QStringLiteral("missing"), d.missing);
        row.insert(QStringLiteral("withErrors"), d.withErrors);
        divisions.append(row);
    }
    for (const ReceiptEntry& e : p.receipts) {
        QJsonObject row;
        row.insert(QStringLiteral("receivedAt"), e.receivedAt);
        row.insert(QStringLiteral("file"), e.fileName);
        row.insert(QStringLiteral("label"), e.label);
        row.insert(QStringLiteral("digest"), e.fileDigest);
        row.insert(QStringLiteral("returns"), e.returns);
        row.insert(QStringLiteral("added"), e.added);
        row.insert(QStringLiteral("result"), e.result);
        receipts.append(row);
    }
    json.insert(QStringLiteral("missingCodes"), missing);
    json.insert(QStringLiteral("unexpectedCodes"), unexpected);
    json.insert(QStringLiteral("byDivision"), divisions);
    json.insert(QStringLiteral("receipts"), receipts);
    return json;
}

int runReceipts(const CommandArgs& args, BatchOutput& out)
{
    // Only read: the picture changes nothing, not even an older file's schema.
    const QString opened = OpenBatchDatabase(args.positional.first(), args, true);
    if (!opened.isEmpty())
        return out.fail(opened);
    ReportingPicture p;
    try {
        const int version = SchemaVersionOf(SysConnection());
        if (version > kWorkingSchemaVersion)
            out.error(NewerSchemaText(version));
        p = ComputeReportingPicture(SysConnection());
    } catch (const DbError& e) {
        return out.fail(RunErrorText(e.message()));
    }
    const std::pair<const char*, qint64> figures[] = {
        {"应报", p.expected},           {"已报", p.received},         {"未报", p.missing},
        {"不在名单中", p.unexpected},   {"已报中无逻辑错误", p.clean}, {"已报中有逻辑错误", p.withErrors},
        {"已报中临时保存", p.held},
    };
    for (const auto& [caption, value] : figures)
        out.line(QString::fromUtf8(caption) + QLatin1Char('\t') + QString::number(value));
    out.line(QString());
    out.line(QStringLiteral("行政区划代码\t地区\t应报\t已报\t未报\t有错误"));
    for (const int r : UnitDivisionRows(p)) {
        const DivisionFigures& d = p.divisions[r];
        out.line(QStringList{d.code == 0 ? QString() : QString::number(d.code),
                             d.code == 0 ? DivisionCaption(d) : d.name, QString::number(d.expected),
                             QString::number(d.received), QString::number(d.missing), QString::number(d.withErrors)}
                     .join(QLatin1Char('\t')));
    }
    return out.finishWith(pictureJson(p), 0);
}
} // namespace

CommandSpec ExpectedCommand()
{
    CommandSpec c;
    c.name = QStringLiteral("expected");
    c.arguments = QStringLiteral("DB --from FILE");
    c.minArguments = c.maxArguments = 1;
    c.summary = QStringLiteral("应报单位名单：从数据库文件、数据加密文件或文本文件读入应报的单位");
    c.description = QStringLiteral(
        "把应报的单位读入数据库 DB 的应报单位名单，与“应报单位名单”相同。FILE 为数据库文件或数据加密\n"
        "文件时读入其中各单位的编码、名称和行政区划（按接收的文件检查）；否则按文本文件读入：每行\n"
        "一个12位的工会统计编码，其后可以是制表符或逗号和单位名称，GBK 或 UTF-8。读入的单位加到\n"
        "名单中；给出 --replace 时替换整个名单。有行没有读入时（原因写在标准错误上），退出状态为 1。");
    c.options = {
        {QStringLiteral("from"), QStringLiteral("FILE"), QStringLiteral("应报单位的来源文件")},
        {QStringLiteral("replace"), QString(), QStringLiteral("用读入的单位替换整个名单")},
    };
    c.run = runExpected;
    return c;
}

CommandSpec ReceiptsCommand()
{
    CommandSpec c;
    c.name = QStringLiteral("receipts");
    c.arguments = QStringLiteral("DB");
    c.minArguments = c.maxArguments = 1;
    c.summary = QStringLiteral("收报情况：应报、已报、未报的单位数和分地区的表");
    c.description = QStringLiteral(
        "列出数据库 DB 的收报情况，与“收报情况”相同：应报、已报（名单中有数据的单位）、未报、不在名单中\n"
        "的单位数，已报单位中无逻辑错误、有逻辑错误和临时保存的单位数，以及按行政区划的表。单位的\n"
        "行政区划取名单中的，名单中没有时取数据中的。--json 另给出未报和不在名单中的编码以及收件登记\n"
        "（最新的在前）。数据库文件只被读取。");
    c.run = runReceipts;
    return c;
}
