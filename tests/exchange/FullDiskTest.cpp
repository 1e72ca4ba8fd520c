#include "ExchangeFixture.h"

#include "app/Startup.h"
#include "base/Paths.h"
#include "base/PublicProcedure.h"
#include "db/DatabaseFile.h"
#include "db/DbError.h"
#include "exchange/ExchangeActions.h"
#include "exchange/PackageExport.h"
#include "exchange/PackageImport.h"
#include "exchange/UploadCsv.h"
#include "query/ResultExport.h"
#include "summary/ChoiceFile.h"
#include "summary/DataList.h"
#include "summary/GroupExchange.h"
#include "summary/SumWorkbook.h"
#include "support/FileSizeLimit.h"
#include "widgets/SaveFileDialog.h"

#include <QDir>
#include <QFileInfo>

#include <functional>

namespace {
qint64 fileSize(const QString& path)
{
    return QFileInfo(path).size();
}

// The names in a folder, hidden ones too: what a failed write may have left there.
QStringList namesIn(const QString& folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
}
} // namespace

// Every file the program writes, on a disk that is full at its last block (a file-size limit one
// byte below the file's whole size): the writer reports it, and an older file of that name is
// left exactly as it was, with nothing else left beside it.
TEST_F(ExchangeTest, EveryFileWrittenIsWholeOrTheOlderOneStays)
{
    Connection& db = SysConnection();
    AddReturns(db, 110101000001, 3);
    const QList<ConflictRecord> conflicts = {{110101000001LL, "某区工会0"}, {110101000002LL, "某区工会1"}};
    struct Case {
        const char* name;
        const char* extension;
        bool olderIsDatabase; // the writer opens an existing target as a database
        std::function<QString(const QString& target)> write; // empty text when written
    };
    const QList<Case> cases = {
        {"upload CSV", ".csv", false, [&](const QString& t) { return WriteUploadCsv(db, t).error; }},
        {"conflict report", ".txt", false,
         [&](const QString& t) {
             QString error;
             return WriteConflictReport(t, conflicts, &error) ? QString() : error;
         }},
        {"choice file", ".zul", false,
         [&](const QString& t) {
             QString error;
             return WriteChoiceFile(t, DesignedSumTableList(), &error) ? QString() : error;
         }},
        {"package", ".dat", false,
         [&](const QString& t) { return WritePackage(db, PackageTemplatePath(), t, "某县总工会").error; }},
        {"backup copy", ".mdb", false,
         [&](const QString& t) {
             QString error;
             return CopyFileContents(CurrentDatabasePath, t, &error) ? QString() : error;
         }},
        {"result workbook", ".xlsx", false,
         [&](const QString& t) {
             RowSet rows = db.query("select c901, c902, z001 from dt_data order by c901");
             return WriteResultWorkbook(rows, "结果", DataListColumns(rows), t, QDate(2026, 12, 10)).error;
         }},
        {"result database", ".mdb", true,
         [&](const QString& t) {
             // Enough rows for more pages than an empty database has.
             RowSet rows = db.query("with recursive n(i) as (select 1 union all select i+1 from n where i<50) "
                                    "select d.*, n.i from dt_data d, n order by c901, i");
             return WriteResultDatabase(rows, "结果", t).error;
         }},
        {"grouping export", ".mdb", true,
         [&](const QString& t) {
             try {
                 ExportGroupingTables(CurrentDatabasePath, t, GroupingTableNames());
             } catch (const DbError& e) {
                 return e.message();
             }
             return QString();
         }},
        {"summary workbook", ".xlsx", false,
         [&](const QString& t) {
             SummaryRequest request;
             request.list = SumListTicking({1, 2});
             try {
                 WriteSummaryWorkbook(db, QDir(ProgramFolder()).filePath(QString::fromUtf8(SumTemplateFileName())),
                                      request, t);
             } catch (const std::exception& e) {
                 return QString::fromUtf8(e.what());
             }
             return QString();
         }},
    };
    for (int i = 0; i < cases.size(); ++i) {
        const Case& c = cases[i];
        SCOPED_TRACE(c.name);
        const QString folder = env.path(QString("case%1").arg(i));
        ASSERT_TRUE(QDir().mkpath(folder + "/probe"));
        const QString probe = folder + "/probe/file" + c.extension;
        ASSERT_EQ(c.write(probe).toStdString(), "");
        const qint64 whole = fileSize(probe);
        ASSERT_GT(whole, 1);

        const QString target = folder + "/file" + c.extension;
        if (c.olderIsDatabase)
            CreateEmptyDatabase(target);
        else
            WriteAll(target, "an older file\r\n");
        const QByteArray older = ReadAll(target);
        ASSERT_LT(older.size(), whole - 1);
        QString error;
        {
            FileSizeLimit limit(whole - 1);
            error = c.write(target);
        }
        EXPECT_NE(error, "") << fileSize(target) << " bytes written of " << whole;
        EXPECT_EQ(ReadAll(target), older);
        EXPECT_EQ(namesIn(folder), QStringList({"file" + QString(c.extension)}));
    }
}

// The upload from the window: the full disk is reported and the older upload stays.
TEST_F(ExchangeTest, AFullDiskDuringTheUploadIsReportedAndKeepsTheOlderFile)
{
    AddReturns(SysConnection(), 110101000001, 3);
    const QString path = QDir(env.documentsFolder()).filePath("up.csv");
    ASSERT_EQ(WriteUploadCsv(SysConnection(), env.path("probe.csv")).error, "");
    const qint64 whole = fileSize(env.path("probe.csv"));
    ASSERT_LT(whole, 16384) << "the whole file is the last block";
    WriteAll(path, "older upload");
    prompter.answer(path);
    prompter.answer(AnswerYes); // replace it
    {
        FileSizeLimit limit(whole - 10);
        ExportUploadCsv();
    }
    ASSERT_EQ(prompter.shown.size(), 2);
    EXPECT_EQ(prompter.shown[0], ReplaceFileQuestion(path));
    EXPECT_TRUE(prompter.shown[1].startsWith("运行中发生错误：无法写入文件“" + path + "”：")) << prompter.shown[1].toStdString();
    EXPECT_FALSE(prompter.shown[1].contains("导出上报数据成功"));
    // the reason is the system's, not "Unknown error"
    EXPECT_FALSE(prompter.shown[1].contains("Unknown error") || prompter.shown[1].contains("未知错误"))
        << prompter.shown[1].toStdString();
    EXPECT_EQ(ReadAll(path), "older upload");
    EXPECT_EQ(namesIn(env.documentsFolder()), QStringList({"up.csv"}));
}

// A conflict report that cannot be written is not named as the place to find the codes.
TEST_F(ExchangeTest, AConflictReportThatCannotBeWrittenIsNotNamed)
{
    const QString county = env.path("county.mdb");
    CopyDeliveredDatabase(county);
    {
        Connection c;
        c.open(county);
        AddReturns(c, 110101000001, 3);
    }
    AddReturns(SysConnection(), 110101000002, 1);
    ASSERT_TRUE(QDir().mkpath(ConflictReportPath())); // a folder where the report would go
    prompter.chosenFilter = 1; // the database files' filter
    prompter.answer(county);
    prompter.answer(AnswerYes); // the label
    EXPECT_FALSE(ImportPackage("dt_data"));
    ASSERT_EQ(prompter.shown.size(), 2);
    const QString shown = prompter.shown[1];
    EXPECT_TRUE(shown.startsWith("运行中发生错误：无法写入文件“" + ConflictReportPath() + "”")) << shown.toStdString();
    EXPECT_TRUE(shown.endsWith("准备导入的数据中有1个单位的编号与现有的数据重复，数据没有导入；编号冲突的报告没有写出。"))
        << shown.toStdString();
    EXPECT_FALSE(shown.contains("详细的内容请参见文件"));
    EXPECT_TRUE(prompter.opened.isEmpty());
    EXPECT_EQ(SysConnection().scalar("select count(*) from dt_data").toInt(), 1);
}
