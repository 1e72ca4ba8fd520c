#include "exchange/ReportingWorkbook.h"

#include "entry/workbook/StreamingWorkbook.h"
#include "exchange/ReportingPicture.h"

#include <QFileInfo>

namespace {
StreamCell number(double value)
{
    return StreamCell::fromNumber(value);
}

StreamCell text(const QString& value)
{
    return StreamCell::fromText(value);
}

const QString kWholeNumber = QStringLiteral("0");
const RowFont kBold{true, 0};

void writeSummarySheet(StreamingWorkbook& book, const ReportingPicture& p, const QString& label, const QDateTime& at)
{
    book.addSheet(QStringLiteral("收报情况"));
    book.setAutoFit(true);
    book.setFitToPageWidth();
    book.writeRow({text(QStringLiteral("收报情况"))}, RowFont{true, 14});
    book.writeRow({text(QStringLiteral("数据库标识：")), text(label)});
    book.writeRow({text(QStringLiteral("统计时间：")), text(at.toString(QStringLiteral("yyyy-MM-dd HH:mm")))});
    book.writeRow({});
    book.setColumnFormat(1, kWholeNumber);
    book.setColumnFormat(2, kWholeNumber);
    const std::pair<const char*, qint64> figures[] = {
        {"应报单位", p.expected},       {"已报", p.received},          {"未报", p.missing},
        {"不在名单中的单位", p.unexpected}, {"已报中无逻辑错误", p.clean}, {"已报中有逻辑错误", p.withErrors},
        {"已报中临时保存", p.held},
    };
    for (const auto& [caption, value] : figures)
        book.writeRow({text(QString::fromUtf8(caption)), number(double(value))});
    book.writeRow({});
    book.writeRow({text(QStringLiteral("行政区划代码")), text(QStringLiteral("地区")), text(QStringLiteral("应报")),
                   text(QStringLiteral("已报")), text(QStringLiteral("未报")), text(QStringLiteral("有错误")),
                   text(QStringLiteral("已报比例"))},
                  kBold);
    for (int c = 3; c <= 6; ++c)
        book.setColumnFormat(c, kWholeNumber);
    book.setColumnFormat(7, QStringLiteral("0.0%"));
    book.setColumnWidth(7, 10); // fitted, the shares' full digits would widen it
    for (const DivisionFigures& row : p.divisions) {
        QString name = row.code == 0 ? QStringLiteral("未填行政区划")
                       : row.name.isEmpty() ? QStringLiteral("（代码表中没有）")
                                            : row.name;
        int depth = 0; // indented by its place in the tree
        for (int up = row.parent; up >= 0; up = p.divisions[up].parent)
            ++depth;
        name = QString(depth * 2, QChar(0x3000)) + name;
        book.writeRow({row.code == 0 ? StreamCell() : number(row.code), text(name), number(double(row.expected)),
                       number(double(row.received)), number(double(row.missing)), number(double(row.withErrors)),
                       number(ReceivedShare(row.received, row.expected))},
                      row.level == DivisionFigures::Province ? kBold : RowFont{});
    }
}

void writeMissingSheet(StreamingWorkbook& book, const ReportingPicture& p)
{
    book.addSheet(QStringLiteral("未报单位"));
    book.setAutoFit(true);
    book.writeRow({text(QStringLiteral("工会统计编码")), text(QStringLiteral("工会名称")),
                   text(QStringLiteral("行政区划代码")), text(QStringLiteral("地区"))},
                  kBold);
    book.setColumnFormat(1, kWholeNumber);
    book.setColumnFormat(3, kWholeNumber);
    for (const MissingUnit& m : p.missingUnits)
        book.writeRow({number(double(m.code)), text(m.name), m.division ? number(m.division) : StreamCell(),
                       text(m.divisionName)});
}

void writeRegisterSheet(StreamingWorkbook& book, const ReportingPicture& p)
{
    book.addSheet(QStringLiteral("收件登记"));
    book.setAutoFit(true);
    // What a supervisor reads fills the first page across; the full path, size, digest and
    // version follow on the next pages, nothing cut.
    book.setLandscape();
    QVector<StreamCell> titles;
    for (const char* t : {"接收时间", "文件名", "数据库标识", "单位数", "新增", "结果", "替换", "保留", "文件", "文件大小（字节）",
                          "SHA-256", "程序版本"})
        titles << text(QString::fromUtf8(t));
    book.writeRow(titles, kBold);
    for (int c : {4, 5, 7, 8, 10})
        book.setColumnFormat(c, kWholeNumber);
    for (const ReceiptEntry& r : p.receipts)
        book.writeRow({text(r.receivedAt), text(QFileInfo(r.fileName).fileName()), text(r.label),
                       number(double(r.returns)), number(double(r.added)), text(r.result),
                       number(double(r.replaced)), number(double(r.kept)), text(r.fileName), number(double(r.fileSize)),
                       text(r.fileDigest), text(r.programVersion)});
}
} // namespace

QString WriteReportingWorkbook(const ReportingPicture& picture, const QString& path, const QString& label,
                               const QDateTime& at)
{
    StreamingWorkbook book(path);
    writeSummarySheet(book, picture, label, at);
    writeMissingSheet(book, picture);
    writeRegisterSheet(book, picture);
    return book.close();
}
