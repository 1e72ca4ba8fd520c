#include "db/WorkingDatabase.h"
#include "entry/workbook/StreamingWorkbook.h"
#include "summary/Grouping.h"
#include "summary/SumWorkbook.h"
#include "support/OpenpyxlReader.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QJsonArray>
#include <gtest/gtest.h>

namespace {
// A small template of the summary's shape: 27 sheets, a title in A1, column headings in row 8;
// even sheets have a subtitle in A2, so their label goes to A3.
QString makeTemplate(const QString& path)
{
    StreamingWorkbook book(path);
    for (int s = 1; s <= 27; ++s) {
        book.addSheet(QString("S%1").arg(s));
        book.writeRow({StreamCell::fromText(QString("标题%1").arg(s))});
        book.writeRow({s % 2 == 0 ? StreamCell::fromText("副标题") : StreamCell()});
        for (int r = 3; r <= 7; ++r)
            book.writeRow({});
        book.writeRow({StreamCell::fromText("项目"), StreamCell::fromText("合计")});
    }
    return book.close();
}

QJsonObject cell(const QJsonObject& sheet, const QString& address)
{
    return sheet["cells"].toObject()[address].toObject();
}

class SumWorkbookTest : public ::testing::Test {
protected:
    TestEnvironment env;
    QString templ;
    void SetUp() override
    {
        ASSERT_EQ(OpenWorkingDatabase().status, OpenDatabaseResult::Opened);
        templ = env.path("template.xlsx");
        ASSERT_EQ(makeTemplate(templ), "");
        // Returns: level 3 (two, one with z010 left at 0), level 1 (one), level 99 (no such level).
        const struct {
            qint64 code;
            int level;
            int state;
            int z001;
            int z010;
        } rows[] = {{110000000001, 3, 1, 5, 0}, {110000000002, 3, 2, 7, 2}, {110000000003, 1, 1, 11, 1},
                    {110000000004, 99, 1, 13, 2}};
        for (const auto& r : rows)
            SysConnection().execute("insert into dt_data (c901, c902, c903, c904, c905, c906, c907, RecordState, z001, "
                                    "z010) values (?1, 'x', 110101, ?2, 'y', '1', ?3, 1, ?4, ?5)",
                                    {r.code, r.level, r.state, r.z001, r.z010});
    }
    QJsonArray run(const SummaryRequest& request, const QString& name = "out.xlsx")
    {
        const QString out = env.path(name);
        EXPECT_TRUE(WriteSummaryWorkbook(SysConnection(), templ, request, out));
        const QJsonObject seen = ReadWithOpenpyxl(out);
        EXPECT_FALSE(seen.contains("error")) << seen["error"].toString().toStdString();
        return seen["sheets"].toArray();
    }
};

TEST_F(SumWorkbookTest, ByLevelRowsInAscendingSequenceFromRowNine)
{
    SummaryRequest request;
    request.kind = SumKind::Level;
    request.list = SumListTicking({2, 3});
    int sheetsStarted = 0, sheetsDone = 0, cells = 0;
    SummaryHooks hooks;
    hooks.sheetsStarted = [&](int n) { sheetsStarted = n; };
    hooks.sheetDone = [&] { ++sheetsDone; };
    hooks.cellsWritten = [&](int n) { cells += n; };
    const QString out = env.path("level.xlsx");
    ASSERT_TRUE(WriteSummaryWorkbook(SysConnection(), templ, request, out, hooks));
    EXPECT_EQ(sheetsStarted, 2);
    EXPECT_EQ(sheetsDone, 2);
    EXPECT_EQ(cells, 10 * (1 + 10) + 10 * (1 + 2 + 3 + 3 + 5 + 2)); // rows x (label + sums)
    const QJsonArray sheets = ReadWithOpenpyxl(out)["sheets"].toArray();
    ASSERT_EQ(sheets.size(), 2);
    const QJsonObject s2 = sheets[0].toObject();
    EXPECT_EQ(s2["name"].toString(), "S2");
    EXPECT_EQ(cell(s2, "A2")["value"].toString(), "副标题");
    EXPECT_EQ(cell(s2, "A3")["value"].toString(), "工会层次");
    EXPECT_EQ(cell(s2, "A8")["value"].toString(), "项目");
    const QStringList levels = {"省级地方工会", "地（市）级地方工会", "县级地方工会", "乡镇工会", "街道工会", "工业园区工会",
                                "县级以上实行垂直领导的产业工会", "其他产业工会", "区域性、行业性工会联合会", "其他基层以上工会"};
    for (int i = 0; i < levels.size(); ++i) {
        EXPECT_EQ(cell(s2, QString("A%1").arg(9 + i))["value"].toString(), levels[i]);
        EXPECT_EQ(cell(s2, QString("A%1").arg(9 + i))["align"].toString(), "left");
    }
    // Counts and totals: level 1 one return (11), level 3 two (5 + 7), others empty.
    EXPECT_EQ(cell(s2, "B9")["value"].toInt(), 1);
    EXPECT_EQ(cell(s2, "C9")["value"].toInt(), 11);
    EXPECT_EQ(cell(s2, "B11")["value"].toInt(), 2);
    EXPECT_EQ(cell(s2, "C11")["value"].toInt(), 12);
    EXPECT_EQ(cell(s2, "B11")["type"].toString(), "int");
    EXPECT_TRUE(cell(s2, "B10")["value"].isNull());
    EXPECT_TRUE(cell(s2, "A19").isEmpty() || cell(s2, "A19")["value"].isNull());
    // The yes/no column _2 counts 0 with 2: level 3 has one 0 and one 2.
    const QJsonObject s3 = sheets[1].toObject();
    EXPECT_EQ(cell(s3, "A2")["value"].toString(), "工会层次");
    EXPECT_EQ(cell(s3, "B11")["value"].toInt(), 0); // z010 = 1
    EXPECT_EQ(cell(s3, "C11")["value"].toInt(), 2); // z010 = 2 or 0
    EXPECT_EQ(cell(s3, "B9")["value"].toInt(), 1);
    EXPECT_EQ(cell(s3, "C9")["value"].toInt(), 0);
}

TEST_F(SumWorkbookTest, ByStateAndByGroupingTheLabelAndTheRows)
{
    SummaryRequest request;
    request.kind = SumKind::State;
    request.list = SumListTicking({2});
    QJsonArray sheets = run(request, "state.xlsx");
    ASSERT_EQ(sheets.size(), 1);
    QJsonObject s = sheets[0].toObject();
    EXPECT_EQ(cell(s, "A3")["value"].toString(), "填报状态");
    EXPECT_EQ(cell(s, "A9")["value"].toString(), "正常填报");
    EXPECT_EQ(cell(s, "B9")["value"].toInt(), 3);
    EXPECT_EQ(cell(s, "A13")["value"].toString(), "暂停活动");

    const qint64 g = CreateGrouping(SysConnection(), "三'段");
    for (auto [title, low, high] : {std::tuple{"第'一", 110000000001LL, 110000000003LL},
                                    std::tuple{"第二", 110000000003LL, 110000000005LL},
                                    std::tuple{"123", 120000000000LL, 130000000000LL}}) {
        GroupItem item;
        item.groupId = g;
        item.title = title;
        item.low = low;
        item.high = high;
        SaveGroupItem(SysConnection(), item);
    }
    StoreGroupOrder(SysConnection(), g, "id DESC");
    request.kind = SumKind::Group;
    request.groupId = g;
    request.list = SumListTicking({2, 25});
    sheets = run(request, "group.xlsx");
    ASSERT_EQ(sheets.size(), 2);
    s = sheets[0].toObject();
    EXPECT_EQ(cell(s, "A3")["value"].toString(), "分    组");
    EXPECT_EQ(cell(s, "A9")["value"].toString(), "123");
    EXPECT_EQ(cell(s, "A9")["type"].toString(), "str");
    EXPECT_EQ(cell(s, "B9")["value"].toInt(), 0);
    EXPECT_EQ(cell(s, "A10")["value"].toString(), "第二");
    EXPECT_EQ(cell(s, "B10")["value"].toInt(), 2);
    EXPECT_EQ(cell(s, "C10")["value"].toInt(), 11 + 13);
    EXPECT_EQ(cell(s, "A11")["value"].toString(), "第'一");
    EXPECT_EQ(cell(s, "B11")["value"].toInt(), 2);
    EXPECT_EQ(cell(s, "C11")["value"].toInt(), 5 + 7);
    EXPECT_EQ(sheets[1].toObject()["name"].toString(), "S25");
}

TEST_F(SumWorkbookTest, TheSummaryEndsOnItsFirstSheet)
{
    // A template saved with its fifth sheet open.
    {
        Workbook book = Workbook::Open(templ);
        book.activateSheet(5);
        book.save(templ);
    }
    ASSERT_EQ(ReadWithOpenpyxl(templ)["active"].toInt(), 5);
    for (const QVector<int>& ticked : {QVector<int>{2, 3}, QVector<int>{1, 5, 25}, QVector<int>{6, 7}}) {
        SummaryRequest request;
        request.list = SumListTicking(ticked);
        const QString out = env.path("active.xlsx");
        QFile::remove(out);
        ASSERT_TRUE(WriteSummaryWorkbook(SysConnection(), templ, request, out));
        const QJsonObject seen = ReadWithOpenpyxl(out);
        EXPECT_EQ(seen["sheets"].toArray().size(), ticked.size());
        EXPECT_EQ(seen["active"].toInt(), 1) << ticked.first();
        EXPECT_EQ(seen["selected"].toArray(), QJsonArray({1})) << ticked.first();
    }
}

TEST_F(SumWorkbookTest, UntickedSheetsGoFromTheBottomUp)
{
    const struct {
        QVector<int> ticked;
        QStringList names;
    } cases[] = {
        {{1}, {"S1"}},
        {{25}, {"S25"}},
        {{1, 26, 27}, {"S1", "S26", "S27"}},
        {{2, 9, 16}, {"S2", "S9", "S16"}},
    };
    for (const auto& c : cases) {
        SummaryRequest request;
        request.list = SumListTicking(c.ticked);
        QStringList names;
        for (const QJsonValue& sheet : run(request))
            names << sheet.toObject()["name"].toString();
        EXPECT_EQ(names, c.names);
    }
    SummaryRequest none;
    EXPECT_FALSE(WriteSummaryWorkbook(SysConnection(), templ, none, env.path("none.xlsx")));
}
} // namespace

namespace {
// The delivered template: under the headings row 8 holds 甲 and the column numbers 1 to n, one
// for each result column of the sheet's statement, and each heading names its column's field.
TEST(SumTemplateTest, TheDeliveredTemplateNumbersItsColumnsUnderTheHeadings)
{
    TestEnvironment env;
    ASSERT_EQ(OpenWorkingDatabase().status, OpenDatabaseResult::Opened);
    const QJsonArray sheets =
        ReadWithOpenpyxl(QDir(env.programFolder()).filePath(SumTemplateFileName()))["sheets"].toArray();
    ASSERT_EQ(sheets.size(), 27);
    auto columnName = [](int c) { // 1 is B
        return c < 25 ? QString(QChar('B' + c)) : QString("A") + QChar('A' + c - 25);
    };
    for (int sheet = kFirstSumSheet; sheet <= kLastSumSheet; ++sheet) {
        SCOPED_TRACE(sheet);
        const QVector<SumTerm>& terms = SumSheetTerms(sheet);
        const QJsonObject s = sheets[sheet - 1].toObject();
        EXPECT_EQ(cell(s, "A8")["value"].toString(), "甲");
        for (int c = 0; c < terms.size(); ++c) {
            const QJsonObject number = cell(s, columnName(c) + "8");
            EXPECT_EQ(number["type"].toString(), "int") << c;
            EXPECT_EQ(number["value"].toInt(), c + 1) << c;
            // The heading begins with the field's caption, less any choices in brackets.
            const QString heading = cell(s, columnName(c) + "4")["value"].toString();
            QString caption = terms[c].field.isEmpty()
                                  ? QString("单位数")
                                  : SysConnection()
                                        .scalar("select Hint from dt_fieldlist where FieldName=?1", {terms[c].field})
                                        .toString();
            caption = caption.section(QRegularExpression("[(（]\\d="), 0, 0).trimmed();
            EXPECT_TRUE(heading.startsWith(caption)) << heading.toStdString() << " / " << caption.toStdString();
        }
        const QJsonValue after = cell(s, columnName(int(terms.size())) + "8")["value"];
        EXPECT_TRUE(after.isNull() || after.isUndefined()); // nothing after the last column
    }
}
} // namespace
