#include "entry/workbook/ShowWorkbook.h"
#include "entry/workbook/StreamingWorkbook.h"
#include "entry/workbook/Workbook.h"
#include "entry/workbook/WorkbookDocuments.h"
#include "support/FileSizeLimit.h"
#include "support/OpenpyxlReader.h"
#include "support/TestEnvironment.h"
#include "widgets/ScriptedPrompter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>

#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>

namespace {
QJsonObject sheetOf(const QJsonObject& book, int index)
{
    return book[QStringLiteral("sheets")].toArray().at(index).toObject();
}

QJsonObject cellOf(const QJsonObject& sheet, const QString& address)
{
    return sheet[QStringLiteral("cells")].toObject()[address].toObject();
}

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QStringList leftovers(const QString& folder)
{
    return QDir(folder).entryList({QStringLiteral("*.part")}, QDir::Files);
}
} // namespace

TEST(StreamingWorkbook, RowsFormatsFontsAndWidthsReachOtherReaders)
{
    TestEnvironment env(TestEnvironment::Empty);
    const QString path = env.path(QStringLiteral("export.xlsx"));
    StreamingWorkbook out(path);
    out.addSheet(QStringLiteral("查询结果"));
    out.setColumnFormat(1, QStringLiteral("0"));
    out.setColumnFormat(3, QStringLiteral("#,##0.00"));
    out.setColumnWidth(4, 30);
    out.setColumnRightAligned(3);
    out.setAutoFit(true);
    out.writeRow({StreamCell::fromText(QStringLiteral("2012年度查询结果"))}, RowFont{true, 16});
    out.writeRow({StreamCell::fromText(QStringLiteral("统计编码")), StreamCell::fromText(QStringLiteral("工会名称")),
                  StreamCell::fromText(QStringLiteral("金额")), StreamCell::fromText(QStringLiteral("备注"))},
                 RowFont{true, 12});
    for (int i = 0; i < 50; ++i)
        out.writeRow({StreamCell::typed(QString::number(110000000000LL + i)), StreamCell::typed(QStringLiteral("第%1工会").arg(i)),
                      StreamCell::typed(QStringLiteral("%1.5").arg(i)), StreamCell::typed(QStringLiteral("'0012"))});
    EXPECT_EQ(out.rowCount(), 52);
    out.addSheet(QStringLiteral("第二页"));
    out.writeRow({StreamCell(), StreamCell::fromNumber(-2.25)});
    ASSERT_EQ(out.close(), QString());
    EXPECT_TRUE(leftovers(env.path(QString())).isEmpty());

    const QJsonObject seen = ReadWithOpenpyxl(path);
    ASSERT_FALSE(seen.contains(QStringLiteral("error"))) << seen[QStringLiteral("error")].toString().toStdString();
    const QJsonObject s = sheetOf(seen, 0);
    EXPECT_EQ(s[QStringLiteral("name")].toString(), QStringLiteral("查询结果"));
    EXPECT_EQ(sheetOf(seen, 1)[QStringLiteral("name")].toString(), QStringLiteral("第二页"));
    EXPECT_TRUE(cellOf(s, QStringLiteral("A1"))[QStringLiteral("bold")].toBool());
    EXPECT_EQ(cellOf(s, QStringLiteral("A1"))[QStringLiteral("size")].toDouble(), 16);
    EXPECT_EQ(cellOf(s, QStringLiteral("B2"))[QStringLiteral("size")].toDouble(), 12);
    EXPECT_FALSE(cellOf(s, QStringLiteral("B3"))[QStringLiteral("bold")].toBool());
    // A right-aligned column: its bold title and its numbers; the other columns as they were.
    EXPECT_EQ(cellOf(s, QStringLiteral("C2"))[QStringLiteral("align")].toString(), QStringLiteral("right"));
    EXPECT_TRUE(cellOf(s, QStringLiteral("C2"))[QStringLiteral("bold")].toBool());
    EXPECT_EQ(cellOf(s, QStringLiteral("C52"))[QStringLiteral("align")].toString(), QStringLiteral("right"));
    EXPECT_EQ(cellOf(s, QStringLiteral("B2"))[QStringLiteral("align")].toString(), QString());
    const QJsonObject code = cellOf(s, QStringLiteral("A52"));
    EXPECT_EQ(code[QStringLiteral("type")].toString(), QStringLiteral("int"));
    EXPECT_EQ(code[QStringLiteral("value")].toVariant().toLongLong(), 110000000049LL);
    EXPECT_EQ(code[QStringLiteral("format")].toString(), QStringLiteral("0"));
    EXPECT_EQ(cellOf(s, QStringLiteral("C52"))[QStringLiteral("value")].toDouble(), 49.5);
    EXPECT_EQ(cellOf(s, QStringLiteral("C52"))[QStringLiteral("format")].toString(), QStringLiteral("#,##0.00"));
    EXPECT_EQ(cellOf(s, QStringLiteral("D52"))[QStringLiteral("value")].toString(), QStringLiteral("0012"));
    EXPECT_EQ(cellOf(s, QStringLiteral("D52"))[QStringLiteral("type")].toString(), QStringLiteral("str"));
    EXPECT_EQ(cellOf(sheetOf(seen, 1), QStringLiteral("B1"))[QStringLiteral("value")].toDouble(), -2.25);
    const QJsonObject widths = s[QStringLiteral("widths")].toObject();
    // Widths are stored with the cell padding added (30 -> 30.71).
    EXPECT_NEAR(widths[QStringLiteral("D")].toDouble(), 30.7, 0.1); // set, not fitted
    // "2012年度查询结果" in 16 points is wider than any code; the names fit their widest text.
    EXPECT_GT(widths[QStringLiteral("A")].toDouble(), 20);
    // "工会名称" in 12 points: 8 units * 12/11, plus one, plus the padding.
    EXPECT_NEAR(widths[QStringLiteral("B")].toDouble(), 8 * 12.0 / 11 + 1 + 0.71, 0.3);
}

TEST(StreamingWorkbook, FailuresLeaveTheTargetAsItWas)
{
    TestEnvironment env(TestEnvironment::Empty);
    const QString target = env.path(QStringLiteral("old.xlsx"));
    QFile f(target);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("old contents");
    f.close();
    {
        StreamingWorkbook out(target);
        out.addSheet(QStringLiteral("a/b")); // not a sheet name
        out.writeRow({StreamCell::fromNumber(1)});
        EXPECT_FALSE(out.error().isEmpty());
        EXPECT_FALSE(out.close().isEmpty());
    }
    {
        StreamingWorkbook out(target);
        out.writeRow({StreamCell::fromNumber(1)}); // no sheet yet
        EXPECT_FALSE(out.close().isEmpty());
    }
    {
        StreamingWorkbook unclosed(target);
        unclosed.addSheet(QStringLiteral("S"));
        unclosed.writeRow({StreamCell::fromNumber(1)});
    }
    EXPECT_EQ(readAll(target), QByteArray("old contents"));
    EXPECT_TRUE(leftovers(env.path(QString())).isEmpty());
    // A folder that cannot be made.
    StreamingWorkbook nowhere(target + QStringLiteral("/inside.xlsx"));
    EXPECT_FALSE(nowhere.close().isEmpty());
}

// A full disk fails the close and leaves no file: at the packed workbook's last block, and under
// the rows, which wait in temporary files far larger than the packed workbook (no cut sheet).
TEST(StreamingWorkbook, AFullDiskFailsTheCloseAndLeavesNoFile)
{
    TestEnvironment env(TestEnvironment::Empty);
    const auto write = [](const QString& target, int rows) {
        StreamingWorkbook out(target);
        out.addSheet(QStringLiteral("S"));
        for (int r = 0; r < rows; ++r)
            out.writeRow({StreamCell::fromNumber(140101000000.0 + r), StreamCell::fromText(QStringLiteral("工会%1").arg(r))});
        return out.close();
    };
    struct Case {
        int rows;
        qint64 roomBelowWhole; // the room is the whole workbook's size less this
        qint64 room;           // or this many bytes, when not 0
    };
    const Case cases[] = {{200, 1, 0}, {200, 200, 0}, {20000, 0, 64 * 1024}, {20000, -1024, 0}};
    const QString target = env.path(QStringLiteral("full.xlsx"));
    for (const Case& c : cases) {
        const QString whole = env.path(QStringLiteral("whole.xlsx"));
        ASSERT_EQ(write(whole, c.rows), QString());
        const qint64 room = c.room ? c.room : QFileInfo(whole).size() - c.roomBelowWhole;
        QFile::remove(whole);
        SCOPED_TRACE(QStringLiteral("%1 rows, room %2").arg(c.rows).arg(room).toStdString());
        QString error;
        {
            const FileSizeLimit full{rlim_t(room)};
            error = write(target, c.rows);
        }
        EXPECT_TRUE(error.startsWith(QStringLiteral("无法写入文件"))) << error.toStdString();
        EXPECT_FALSE(QFile::exists(target));
        EXPECT_TRUE(leftovers(env.path(QString())).isEmpty());
    }
}

TEST(MakeWorkbookVisible, NamesTheFileAfterTheTemplateAndTheTime)
{
    TestEnvironment env(TestEnvironment::Empty);
    const QDateTime when(QDate(2026, 12, 10), QTime(14, 25, 1));
    const QString folder = env.documentsFolder();
    const QString first = VisibleWorkbookPath(folder, QStringLiteral("2012打印表.xltx"), when);
    EXPECT_EQ(QFileInfo(first).fileName(), QStringLiteral("2012打印表-20261210-142501.xlsx"));
    QFile(first).open(QIODevice::WriteOnly);
    EXPECT_EQ(QFileInfo(VisibleWorkbookPath(folder, QStringLiteral("2012打印表.xltx"), when)).fileName(),
              QStringLiteral("2012打印表-20261210-142501-2.xlsx"));
    EXPECT_EQ(QFileInfo(VisibleWorkbookPath(folder, QStringLiteral("查询结果"), when)).fileName(),
              QStringLiteral("查询结果-20261210-142501.xlsx"));
}

TEST(MakeWorkbookVisible, OpensTheSavedWorkbookOrSaysWhereItIs)
{
    TestEnvironment env(TestEnvironment::Empty);
    Workbook book = Workbook::CreateEmpty();
    book.sheet(1).setCell(1, 1, QStringLiteral("x"));
    {
        ScriptedPrompter prompter;
        const QString path = MakeWorkbookVisible(book, QStringLiteral("2011打印表.xltx"));
        ASSERT_FALSE(path.isEmpty());
        EXPECT_EQ(QFileInfo(path).absolutePath(), QDir(env.documentsFolder()).absolutePath());
        EXPECT_EQ(prompter.opened, QStringList{path});
        EXPECT_TRUE(prompter.shown.isEmpty());
        EXPECT_EQ(Workbook::Open(path).sheet(1).cellText(1, 1), QStringLiteral("x"));
    }
    {
        ScriptedPrompter prompter;
        prompter.openSucceeds = false;
        const QString path = MakeWorkbookVisible(book, QStringLiteral("2011打印表.xltx"));
        ASSERT_EQ(prompter.shown.size(), 1);
        EXPECT_EQ(prompter.shown[0], QStringLiteral("工作簿已经保存到：") + QDir::toNativeSeparators(path));
    }
}
