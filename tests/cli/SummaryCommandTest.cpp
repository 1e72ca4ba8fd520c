#include "cli/BatchRun.h"
#include "db/WorkingDatabase.h"
#include "summary/Grouping.h"
#include "summary/SumWorkbook.h"
#include "support/OpenpyxlReader.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <gtest/gtest.h>

namespace {
class SummaryCommandTest : public ::testing::Test {
protected:
    TestEnvironment env;
    QString db;
    qint64 grouping = 0;
    qint64 emptyGrouping = 0;

    void SetUp() override
    {
        db = env.systemDataFile();
        // The delivered template lies in the program folder.
        ASSERT_TRUE(QFile::exists(QDir(env.programFolder()).filePath(QString::fromUtf8(SumTemplateFileName()))));
        ASSERT_EQ(OpenWorkingDatabase(db).status, OpenDatabaseResult::Opened);
        Connection& c = SysConnection();
        const struct {
            qint64 code;
            int level, state, z001, z010;
        } rows[] = {{110000000001, 3, 1, 5, 0},
                    {110000000002, 3, 2, 7, 2},
                    {110000000003, 1, 1, 11, 1},
                    {110000000004, 4, 1, 13, 2},
                    {110000000005, 2, 3, 17, 1}};
        for (const auto& r : rows)
            c.execute(
                "insert into dt_data (c901, c902, c903, c904, c905, c906, c907, RecordState, z001, z010) "
                "values (?1, 'x', 110101, ?2, 'y', '1', ?3, 1, ?4, ?5)",
                {r.code, r.level, r.state, r.z001, r.z010});
        grouping = CreateGrouping(c, "两段");
        for (auto [title, low, high] : {std::tuple{"前段", 110000000001LL, 110000000003LL},
                                        std::tuple{"后段", 110000000003LL, 110000000009LL}}) {
            GroupItem item;
            item.groupId = grouping;
            item.title = title;
            item.low = low;
            item.high = high;
            SaveGroupItem(c, item);
        }
        emptyGrouping = CreateGrouping(c, "空");
        c.close();
    }
    // The cells of every sheet, as openpyxl reads them.
    static QJsonArray sheets(const QString& path)
    {
        const QJsonObject seen = ReadWithOpenpyxl(path);
        EXPECT_FALSE(seen.contains("error")) << seen["error"].toString().toStdString();
        return seen["sheets"].toArray();
    }
    // The window's summary of the same database: the core run the summary window makes.
    QString windowRun(SumKind kind, qint64 groupId, const QVector<int>& ticked)
    {
        const QString out = env.path("window.xlsx");
        QFile::remove(out);
        EXPECT_EQ(OpenWorkingDatabase(db).status, OpenDatabaseResult::Opened);
        SummaryRequest request;
        request.kind = kind;
        request.groupId = groupId;
        request.list = SumListTicking(ticked);
        EXPECT_TRUE(WriteSummaryWorkbook(
            SysConnection(), QDir(env.programFolder()).filePath(QString::fromUtf8(SumTemplateFileName())),
            request, out));
        SysConnection().close();
        return out;
    }
};

QJsonObject cell(const QJsonValue& sheet, const QString& address)
{
    return sheet.toObject()["cells"].toObject()[address].toObject();
}
} // namespace

// The program's workbook holds what the window's run of the same summary holds, cell for cell.
TEST_F(SummaryCommandTest, SameWorkbookAsTheWindow)
{
    const struct {
        const char* name;
        QStringList options;
        SumKind kind;
        bool group;
        QVector<int> ticked;
        QString label; // A9 of the first sheet
        int count;     // B9: returns counted in that row
    } cases[] = {
        {"by level, default sheets", {"--by", "level"}, SumKind::Level, false, {}, "省级地方工会", 1},
        {"by state, three sheets",
         {"--by", "state", "--sheets", "2,4-5"},
         SumKind::State,
         false,
         {2, 4, 5},
         "正常填报",
         3},
        {"by grouping, cover and one sheet",
         {"--by", "group=GROUP", "--sheets", "1-2"},
         SumKind::Group,
         true,
         {1, 2},
         "",
         0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QVector<int> ticked = c.ticked;
        if (ticked.isEmpty())
            for (int s = 2; s <= 25; ++s)
                ticked << s;
        const QString out = env.path("batch.xlsx");
        QFile::remove(out);
        QStringList arguments = {"summary", db, out};
        for (QString o : c.options)
            arguments << o.replace("GROUP", QString::number(grouping));
        const BatchRun run = RunBatch(arguments);
        ASSERT_EQ(run.status, 0) << run.err.toStdString();
        EXPECT_EQ(run.err, "");
        EXPECT_TRUE(run.out.endsWith("汇总结果已经保存到：" + out + "\n")) << run.out.toStdString();

        const QJsonArray batch = sheets(out);
        const QJsonArray window = sheets(windowRun(c.kind, c.group ? grouping : 0, ticked));
        ASSERT_EQ(batch.size(), ticked.size());
        EXPECT_EQ(batch, window);
        if (c.group) {
            // The cover first, then the grouping's rows in its stored order.
            EXPECT_EQ(batch[0].toObject()["name"].toString(), "封面");
            EXPECT_EQ(cell(batch[1], "A9")["value"].toString(), "前段");
            EXPECT_EQ(cell(batch[1], "B9")["value"].toInt(), 2);
            EXPECT_EQ(cell(batch[1], "C9")["value"].toInt(), 5 + 7);
            EXPECT_EQ(cell(batch[1], "A10")["value"].toString(), "后段");
            EXPECT_EQ(cell(batch[1], "C10")["value"].toInt(), 11 + 13 + 17);
        } else {
            EXPECT_EQ(cell(batch[0], "A9")["value"].toString(), c.label);
            EXPECT_EQ(cell(batch[0], "B9")["value"].toInt(), c.count);
        }
    }
}

TEST_F(SummaryCommandTest, RefusesWhatItCannotDo)
{
    const QString existing = env.path("old.xlsx");
    QFile f(existing);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("keep me");
    f.close();
    const QString out = env.path("new.xlsx");
    const struct {
        const char* name;
        QStringList arguments;
        QString err;
    } cases[] = {
        {"no breakdown", {"summary", db, out}, "请用 --by 选择汇总方式"},
        {"an unknown breakdown",
         {"summary", db, out, "--by", "city"},
         "汇总方式只能是 level、state 或 group=ID：city"},
        {"a sheet outside the list",
         {"summary", db, out, "--by", "level", "--sheets", "2-28"},
         "--sheets 要的是 1 到 27"},
        {"a sheet list that is no list",
         {"summary", db, out, "--by", "level", "--sheets", "all"},
         "--sheets"},
        {"no such grouping", {"summary", db, out, "--by", "group=999"}, "没有编号为 999 的自定义分组"},
        {"a grouping without items",
         {"summary", db, out, "--by", QString("group=%1").arg(emptyGrouping)},
         QString("自定义分组 %1 没有分组项").arg(emptyGrouping)},
        {"an existing file", {"summary", db, existing, "--by", "level"}, "已经存在；要替换它请加 --yes"},
        {"a missing database", {"summary", env.path("none.mdb"), out, "--by", "level"}, "找不到数据库文件"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const BatchRun run = RunBatch(c.arguments);
        EXPECT_EQ(run.status, 2);
        EXPECT_EQ(run.out, "");
        EXPECT_TRUE(run.err.contains(c.err)) << run.err.toStdString();
        EXPECT_FALSE(QFile::exists(out));
        EXPECT_EQ(FileBytes(existing), "keep me");
    }

    // With --yes the file is replaced; a name without the extension gets it.
    EXPECT_EQ(RunBatch({"summary", db, existing, "--by", "level", "--yes"}).status, 0);
    EXPECT_EQ(sheets(existing).size(), 24);
    EXPECT_EQ(RunBatch({"summary", db, env.path("plain"), "--by", "state", "--sheets", "3"}).status, 0);
    EXPECT_EQ(sheets(env.path("plain.xlsx")).size(), 1);

    // Without the template there is no workbook, with the window's message.
    QFile::remove(QDir(env.programFolder()).filePath(QString::fromUtf8(SumTemplateFileName())));
    const BatchRun run = RunBatch({"summary", db, out, "--by", "level"});
    EXPECT_EQ(run.status, 2);
    EXPECT_TRUE(run.err.contains("打开汇总模版文件时发生错误")) << run.err.toStdString();
    EXPECT_FALSE(QFile::exists(out));
}

TEST_F(SummaryCommandTest, JsonResult)
{
    const QString out = env.path("j.xlsx");
    const BatchRun run = RunBatch({"summary", db, out, "--by", "level", "--sheets", "2-3", "--json"});
    EXPECT_EQ(run.status, 0);
    const QJsonObject json = QJsonDocument::fromJson(run.out.toUtf8()).object();
    EXPECT_EQ(json["command"].toString(), "summary");
    EXPECT_EQ(json["workbook"].toString(), out);
    EXPECT_EQ(json["by"].toString(), "level");
    EXPECT_EQ(json["sheets"].toArray(), QJsonArray({2, 3}));
    EXPECT_EQ(json["exitStatus"].toInt(), 0);
}
