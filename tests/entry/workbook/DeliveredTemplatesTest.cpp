#include "db/Connection.h"
#include "entry/workbook/Workbook.h"
#include "model/FieldCatalogue.h"
#include "support/OpenpyxlReader.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QJsonArray>

#include <gtest/gtest.h>

namespace {
QJsonObject sheetOf(const QJsonObject& book, int index)
{
    return book[QStringLiteral("sheets")].toArray().at(index).toObject();
}

QString cellValue(const QJsonObject& sheet, const QString& address)
{
    return sheet[QStringLiteral("cells")].toObject()[address].toObject()[QStringLiteral("value")].toVariant().toString();
}

QString delivered(const QString& name)
{
    return QDir(DeliveredDataFolder()).filePath(name);
}

TFieldDataArray deliveredCatalogue()
{
    Connection db;
    db.open(delivered(QStringLiteral("2012NB_zul.mdb")), Connection::Mode::ReadOnly);
    return LoadFieldCatalogue(db);
}

QString hintOf(const TFieldDataArray& catalogue, const QString& field)
{
    for (const TFieldData& f : catalogue)
        if (f.FieldName == field)
            return f.Hint;
    return {};
}
} // namespace

TEST(SummaryTemplate, HasTheSheetsOfTheSummaryListWithTitledResultColumns)
{
    const QJsonObject seen = ReadWithOpenpyxl(delivered(QStringLiteral("2012基层以上汇总表.xltx")));
    ASSERT_FALSE(seen.contains(QStringLiteral("error"))) << seen[QStringLiteral("error")].toString().toStdString();
    EXPECT_TRUE(seen[QStringLiteral("template")].toBool());
    const QJsonArray sheets = seen[QStringLiteral("sheets")].toArray();
    ASSERT_EQ(sheets.size(), 27); // the cover, 24 summed sheets, 2 supplementary sheets

    // Sheet number, name, number of result columns (the terms of its statement).
    struct Case {
        int sheet;
        const char* name;
        int columns;
    } cases[] = {
        {2, "表一  工会组织建设状况(1)", 10},
        {3, "表一  工会组织建设状况(2)", 15},
        {4, "表二  工会干部协管工作", 16},
        {5, "表三  工会干部教育培训工作", 8},
        {6, "表四  工会保障工作(1)", 11},
        {10, "表四  工会保障工作(5)", 8},
        {11, "表五  工会法律工作(1)", 10},
        {15, "表六  工会劳动保护工作", 8},
        {16, "表七  工会劳动合同、集体合同和民主参与工作", 7},
        {19, "表九  工会经费审查和财务工作(1)", 14},
        {22, "表十一  工会国际工作和对外经济技术交流工作", 8},
        {23, "表十二  开展创建劳动关系和谐企业与工业园区活动(1)", 12},
        {25, "表十二  开展创建劳动关系和谐企业与工业园区活动(3)", 6},
    };
    for (const Case& c : cases) {
        const QJsonObject s = sheets.at(c.sheet - 1).toObject();
        const QString name = QString::fromUtf8(c.name);
        EXPECT_EQ(s[QStringLiteral("name")].toString(), name) << c.sheet;
        EXPECT_EQ(cellValue(s, QStringLiteral("A2")), name) << c.sheet; // the breakdown name goes into A3
        EXPECT_EQ(cellValue(s, QStringLiteral("A3")), QString()) << c.sheet;
        // Under the headings: 甲 over the items, the column numbers 1 to n over the results.
        EXPECT_EQ(cellValue(s, QStringLiteral("A8")), QStringLiteral("甲")) << c.sheet;
        EXPECT_EQ(cellValue(s, QStringLiteral("B8")), QStringLiteral("1")) << c.sheet;
        EXPECT_EQ(cellValue(s, QStringLiteral("C8")), QStringLiteral("2")) << c.sheet;
        // Exactly `columns` result columns: the last is titled, the one after is not.
        const QString lastColumn = QString(QChar('A' + c.columns));
        EXPECT_FALSE(cellValue(s, lastColumn + QStringLiteral("4")).isEmpty()) << c.sheet;
        EXPECT_EQ(cellValue(s, lastColumn + QStringLiteral("8")), QString::number(c.columns)) << c.sheet;
        EXPECT_EQ(cellValue(s, QString(QChar('B' + c.columns)) + QStringLiteral("8")), QString()) << c.sheet;
        EXPECT_EQ(s[QStringLiteral("paperSize")].toInt(), 9) << c.sheet;
    }
    EXPECT_EQ(sheetOf(seen, 0)[QStringLiteral("name")].toString(), QStringLiteral("封面"));
    EXPECT_EQ(sheetOf(seen, 25)[QStringLiteral("name")].toString(), QStringLiteral("补充资料(1)"));
    EXPECT_EQ(sheetOf(seen, 26)[QStringLiteral("name")].toString(), QStringLiteral("补充资料(2)"));

    // Column titles are the captions: plain fields as they stand, answers and choices split.
    const TFieldDataArray catalogue = deliveredCatalogue();
    const QJsonObject first = sheetOf(seen, 1), second = sheetOf(seen, 2);
    EXPECT_EQ(cellValue(first, QStringLiteral("B4")), QStringLiteral("单位数(个)"));
    EXPECT_EQ(cellValue(first, QStringLiteral("C4")), hintOf(catalogue, QStringLiteral("z001")));
    EXPECT_EQ(cellValue(second, QStringLiteral("B4")), QStringLiteral("本级工会机关是否参照公务员法管理：是"));
    EXPECT_EQ(cellValue(second, QStringLiteral("C4")), QStringLiteral("本级工会机关是否参照公务员法管理：否或未填"));
    EXPECT_EQ(cellValue(second, QStringLiteral("D4")), QStringLiteral("参照管理审批层级：中央"));
    EXPECT_EQ(cellValue(second, QStringLiteral("F4")), QStringLiteral("参照管理审批层级：地市级"));
    EXPECT_EQ(cellValue(sheetOf(seen, 22), QStringLiteral("G4")), QStringLiteral("创建活动组织方式：其他"));
    EXPECT_EQ(cellValue(sheetOf(seen, 22), QStringLiteral("H4")), QStringLiteral("命名表彰主体：党委政府"));
}

TEST(SummaryTemplate, RowsInsertedAtTheDataStartKeepTheHeadingsAndTheRuling)
{
    TestEnvironment env(TestEnvironment::Empty);
    Workbook book = Workbook::OpenTemplate(delivered(QStringLiteral("2012基层以上汇总表.xltx")));
    Worksheet& sheet = book.sheet(5);
    sheet.setCell(3, 1, QStringLiteral("工会层次"));
    for (int i = 1; i <= 4; ++i) {
        if (i > 1)
            sheet.insertRow(9);
        sheet.setCell(9, 1, QStringLiteral("level %1").arg(i));
        sheet.setCell(9, 2, QString::number(i));
    }
    sheet.setHorizontalAlignment(QStringLiteral("A9:A12"), HorizontalAlignment::Left);
    const QString out = env.path(QStringLiteral("summary.xlsx"));
    book.save(out);
    const QJsonObject seen = ReadWithOpenpyxl(out);
    ASSERT_FALSE(seen.contains(QStringLiteral("error"))) << seen[QStringLiteral("error")].toString().toStdString();
    EXPECT_FALSE(seen[QStringLiteral("template")].toBool());
    const QJsonObject s = sheetOf(seen, 4);
    EXPECT_EQ(cellValue(s, QStringLiteral("A3")), QStringLiteral("工会层次"));
    EXPECT_EQ(cellValue(s, QStringLiteral("A9")), QStringLiteral("level 4"));
    EXPECT_EQ(cellValue(s, QStringLiteral("A12")), QStringLiteral("level 1"));
    EXPECT_EQ(cellValue(s, QStringLiteral("B8")), QStringLiteral("1"));
    const QJsonObject cells = s[QStringLiteral("cells")].toObject();
    EXPECT_TRUE(cells[QStringLiteral("I10")].toObject()[QStringLiteral("border")].toBool());
    EXPECT_TRUE(s[QStringLiteral("merged")].toArray().contains(QStringLiteral("A4:A7")));
}

TEST(PrintTemplates, HoldACellForEveryPrintedFieldOfTheCatalogue)
{
    const TFieldDataArray catalogue = deliveredCatalogue();
    int printed = 0, lastPage = 0;
    for (const TFieldData& f : catalogue)
        if (f.printPageID > 0) {
            ++printed;
            lastPage = std::max(lastPage, f.printPageID);
        }
    EXPECT_EQ(printed, 214); // 7 cover fields and 207 indicators; RecordState is not printed
    for (const char* name : {"2011打印表.xltx", "2012打印表.xltx"}) {
        const QJsonObject seen = ReadWithOpenpyxl(delivered(QString::fromUtf8(name)));
        ASSERT_FALSE(seen.contains(QStringLiteral("error"))) << seen[QStringLiteral("error")].toString().toStdString();
        EXPECT_TRUE(seen[QStringLiteral("template")].toBool());
        const QJsonArray sheets = seen[QStringLiteral("sheets")].toArray();
        ASSERT_EQ(sheets.size(), lastPage) << name;
        for (const TFieldData& f : catalogue) {
            if (f.printPageID <= 0)
                continue;
            const QJsonObject s = sheets.at(f.printPageID - 1).toObject();
            const QJsonObject cell = s[QStringLiteral("cells")].toObject()[f.printplace].toObject();
            // The value cell is prepared (ruled) and empty; on data pages its row names the field.
            EXPECT_FALSE(cell.isEmpty()) << f.FieldName.toStdString();
            EXPECT_TRUE(cell[QStringLiteral("value")].isNull()) << f.FieldName.toStdString();
            if (f.PageID > 0) {
                const QString row = f.printplace.mid(1);
                EXPECT_EQ(cellValue(s, QStringLiteral("A") + row), f.FieldName);
                EXPECT_EQ(cellValue(s, QStringLiteral("B") + row), f.Hint);
            }
        }
        for (const auto& s : sheets) {
            EXPECT_EQ(s.toObject()[QStringLiteral("paperSize")].toInt(), 9);
            // One page wide (1 is the value a file may leave out).
            EXPECT_EQ(s.toObject()[QStringLiteral("fitToWidth")].toInt(1), 1);
            EXPECT_TRUE(s.toObject()[QStringLiteral("fitToPage")].toBool());
        }
        EXPECT_EQ(cellValue(sheets.at(0).toObject(), QStringLiteral("A1")), QStringLiteral("2012年度  基层以上工会调查表"));
    }
}
