#include "base/Gbk.h"
#include "summary/ChoiceFile.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <gtest/gtest.h>

namespace {
QByteArray fileBytes(const QString& path)
{
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    return f.readAll();
}

TEST(ChoiceFileTest, TheDesignedSummaryListHasItsHeadingsSheetsAndBlanks)
{
    const CheckListEntries list = DesignedSumTableList();
    ASSERT_EQ(list.size(), 40);
    EXPECT_EQ(SelectableCount(list), 27);
    EXPECT_EQ(list[0], (CheckListEntry{"封面       ", true, 0}));
    EXPECT_EQ(list[1], (CheckListEntry{"//表一 工会组织建设状况       ", false, 0}));
    EXPECT_EQ(list[36].caption, "开展创建劳动关系和谐企业与工业园区活动统计表3       ");
    EXPECT_EQ(list[37], (CheckListEntry{"//补充资料", false, 0}));
    EXPECT_EQ(list[39], (CheckListEntry{"补充资料统计表2", true, 0}));
    for (const CheckListEntry& e : list) {
        EXPECT_EQ(e.selectable, !e.caption.startsWith("//")) << e.caption.toStdString();
        EXPECT_EQ(e.tick, 0);
    }
    const CheckListEntries exports = DesignedExportTableList();
    ASSERT_EQ(exports.size(), 12);
    EXPECT_EQ(exports[3].caption, "表四 工会保障工作");
    EXPECT_EQ(SelectableCount(exports), 12);
}

TEST(ChoiceFileTest, TheDeliveredFilesHoldTheDesignedLists)
{
    TestEnvironment env;
    const QDir folder(env.programFolder());
    EXPECT_EQ(fileBytes(folder.filePath(SumTableFileName())), ChoiceFileBytes(DesignedSumTableList()));
    EXPECT_EQ(fileBytes(folder.filePath(ExportTableFileName())), ChoiceFileBytes(DesignedExportTableList()));
}

TEST(ChoiceFileTest, LinesAreWrittenInGbkWithCrLf)
{
    const CheckListEntries list{{"封面 ", true, 1}, {"//表一", false, 0}, {"a", true, 2}};
    const QByteArray bytes = ChoiceFileBytes(list);
    EXPECT_EQ(bytes, "&1 1 " + GbkEncode("封面 ") + " \r\n&0 0 //" + GbkEncode("表一") + " \r\n&1 2 a \r\n");
    // An independent reader sees the same text.
    TestEnvironment env;
    const QString path = env.path("list.zul");
    ASSERT_TRUE(WriteChoiceFile(path, list));
    QProcess iconv;
    iconv.start("iconv", {"-f", "GBK", "-t", "UTF-8", path});
    ASSERT_TRUE(iconv.waitForFinished());
    EXPECT_EQ(QString::fromUtf8(iconv.readAllStandardOutput()), "&1 1 封面  \r\n&0 0 //表一 \r\n&1 2 a \r\n");
}

TEST(ChoiceFileTest, ReadingRules)
{
    const struct {
        const char* line;
        CheckListEntry entry;
    } cases[] = {
        {"&1 1 封面 ", {"封面", true, 1}},
        {"&0 0 //表一 ", {"//表一", false, 0}},
        {"&1 2 greyed ", {"greyed", true, 2}},
        {"&1 x not a digit ", {"not a digit", true, 0}},
        {"&1 7 seven ", {"seven", true, 0}},
        {"&0 1 //ticked heading ", {"//ticked heading", false, 1}},
        {"&1 1 no blank", {"no blank", true, 1}},
        {"&1 1 two blanks  ", {"two blanks ", true, 1}},
        {"plain caption", {"plain caption", true, 0}},
        {"&", {"", false, 0}},
    };
    for (const auto& c : cases) {
        const CheckListEntries read = ParseChoiceFile(GbkEncode(QString::fromUtf8(c.line)) + "\r\n");
        ASSERT_EQ(read.size(), 1) << c.line;
        EXPECT_EQ(read[0], c.entry) << c.line;
    }
    // Lines ended by LF alone read the same.
    EXPECT_EQ(ParseChoiceFile("&1 1 a \n&0 0 //b \n").size(), 2);
}

TEST(ChoiceFileTest, RoundTripByteForByte)
{
    TestEnvironment env;
    CheckListEntries list = DesignedSumTableList();
    list[0].tick = 1;
    list[1].tick = 1;
    list[5].tick = 2;
    list[39].tick = 1;
    const QString path = env.path("sumtable.zul");
    ASSERT_TRUE(WriteChoiceFile(path, list));
    const QByteArray first = fileBytes(path);
    CheckListEntries read;
    ASSERT_TRUE(ReadChoiceFile(path, &read));
    EXPECT_EQ(read, list);
    ASSERT_TRUE(WriteChoiceFile(path, read));
    EXPECT_EQ(fileBytes(path), first);
    EXPECT_FALSE(ReadChoiceFile(env.path("missing.zul"), &read));
    EXPECT_TRUE(IsSheetTicked(list, 1));
    EXPECT_FALSE(IsSheetTicked(list, 2));
    EXPECT_TRUE(IsSheetTicked(list, 27));
    EXPECT_EQ(TickedSelectableCount(list), 2);
}
} // namespace
