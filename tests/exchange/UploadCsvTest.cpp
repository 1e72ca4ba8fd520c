#include "ExchangeFixture.h"

#include "base/Gbk.h"
#include "exchange/ExchangeActions.h"
#include "base/FileNameRule.h"
#include "exchange/ExchangeRules.h"
#include "exchange/UploadCsv.h"

#include <QDir>
#include <QProcess>

TEST(UploadCsv, ValueTextsByKind)
{
    struct Case {
        int queryType;
        QVariant value;
        const char* text;
    };
    const QList<Case> cases = {
        {1, QString("甲,乙"), "甲，乙"},
        {1, QString("010－1234"), "010-1234"},
        {1, QString("甲,乙－丙"), "甲，乙－丙"}, // commas only
        {1, QVariant(), ""},
        {1, QString("a\r\nb"), "a  b"}, // a line break would split the line
        {2, 12.50, "12.5"},
        {2, 3.0, "3"},
        {2, QVariant(), "0"},
        {2, 0.1 + 0.2, "0.3"},
        {2, 1.0 / 3, "0.333333333333333"},
        {2, 0.00005, "0.00005"},
        {2, 0.000001, "1E-6"},
        {2, -0.0000015, "-1.5E-6"},
        {2, 1.5e20, "1.5E20"},
        {2, 123456789012345.0, "123456789012345"},
        {2, 1234567890123456.0, "1.23456789012346E15"},
        {2, -2500.25, "-2500.25"},
        {0, 110101000001.0, "110101000001"},
        {0, 2.5, "2"}, // halves to the even one, as the batch checks read them
        {0, -2.5, "-2"},
        {0, 40.5, "40"},
        {0, 41.5, "42"},
        {0, 1e19, "10000000000000000000"}, // beyond 64 bits: the number's own digits
        {0, qlonglong(9007199254740993LL), "9007199254740993"}, // whole, not through a double
        {0, 7.4, "7"},
        {0, QVariant(), "0"},
        {3, 2, "2"},
        {7, 5, ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(UploadValueText(c.queryType, c.value), QString::fromUtf8(c.text))
            << c.queryType << " " << c.value.toString().toStdString();
}

TEST(UploadCsv, ExtensionRules)
{
    const QList<std::pair<const char*, const char*>> cases = {
        {"data", "data.csv"}, {"abc", "abc.csv"}, {"report.csv", "report.csv"}, {"X.CSV", "X.CSV.csv"}, {".csv", ".csv.csv"}};
    for (const auto& [typed, saved] : cases)
        EXPECT_EQ(ApplyFileNameRule(typed, ExtendShortNames(".csv")), saved) << typed;
}

TEST_F(ExchangeTest, TheUploadFileHoldsTheHeaderAndOneLinePerReturnInGbk)
{
    Connection& db = SysConnection();
    AddReturns(db, 110101000001, 3);
    db.execute("update dt_data set c902='甲,乙', c906='010－1234', b014=12.50 where c901=110101000001");
    const QString typed = QDir(env.documentsFolder()).filePath("data");
    prompter.answer(typed);
    ExportUploadCsv();
    EXPECT_EQ(prompter.shown, QStringList({"导出上报数据成功"}));
    ASSERT_EQ(prompter.fileDialogs.size(), 1);
    EXPECT_EQ(prompter.fileDialogs[0].title, "导出文件存放为");
    EXPECT_EQ(prompter.fileDialogs[0].filter, "CSV文件(*.csv)|*.csv");
    EXPECT_EQ(prompter.fileDialogs[0].folder, env.documentsFolder());
    const QString path = typed + ".csv";
    ASSERT_TRUE(QFile::exists(path));

    // read back by iconv, not by the program
    QProcess iconv;
    iconv.start("iconv", {"-f", "GBK", "-t", "UTF-8", path});
    ASSERT_TRUE(iconv.waitForFinished());
    ASSERT_EQ(iconv.exitCode(), 0);
    const QString text = QString::fromUtf8(iconv.readAllStandardOutput());
    QStringList lines = text.split("\r\n");
    ASSERT_EQ(lines.size(), 5); // header, three returns, and the empty rest after the last CR LF
    EXPECT_EQ(lines.last(), "");
    EXPECT_FALSE(text.contains(QRegularExpression("[^\r]\n")));

    RowSet fields = db.query(UploadFieldListSql());
    QStringList names;
    for (fields.first(); !fields.eof(); fields.next())
        names << fields.text("fieldName");
    EXPECT_EQ(lines[0], names.join(',') + ",");
    const QStringList first = lines[1].split(',');
    ASSERT_EQ(first.size(), names.size() + 1);
    EXPECT_EQ(first.last(), "");
    EXPECT_EQ(first[names.indexOf("c901")], "110101000001");
    EXPECT_EQ(first[names.indexOf("c902")], "甲，乙");
    EXPECT_EQ(first[names.indexOf("c906")], "010-1234");
    EXPECT_EQ(first[names.indexOf("b014")], "12.5");
    const QStringList third = lines[3].split(',');
    EXPECT_EQ(third[names.indexOf("c902")], "某区工会2");
    EXPECT_EQ(third[names.indexOf("b014")], "0.5");
    for (const QString& line : lines.mid(1, 3))
        EXPECT_EQ(line.count(','), names.size());
}

TEST_F(ExchangeTest, TheUploadIsRefusedWhileAReturnIsHeldOrHasErrors)
{
    for (const int state : {0, 2}) {
        Connection& db = SysConnection();
        db.execute("delete from dt_data");
        AddReturns(db, 110101000001, 2, 1);
        AddReturns(db, 110101000100, 1, state);
        prompter.shown.clear();
        ExportUploadCsv();
        EXPECT_EQ(prompter.shown, QStringList({"存在临时保存或逻辑错误的数据，不能导出上报数据!"}));
        EXPECT_TRUE(prompter.fileDialogs.isEmpty());
    }
    // a state of NULL does not block
    SysConnection().execute("update dt_data set RecordState=NULL where RecordState<>1");
    prompter.shown.clear();
    ExportUploadCsv(); // the dialog is cancelled
    EXPECT_TRUE(prompter.shown.isEmpty());
    EXPECT_EQ(prompter.fileDialogs.size(), 1);
}

TEST_F(ExchangeTest, AFailedUploadLeavesNoPartialFile)
{
    Connection& db = SysConnection();
    AddReturns(db, 110101000001, 2);
    const QString path = QDir(env.documentsFolder()).filePath("up.csv");
    WriteAll(path, "older upload");
    // the catalogue names a field that dt_data lacks
    db.execute("update dt_fieldlist set FieldName='nosuch' where FieldName='z001'");
    const UploadCsvResult result = WriteUploadCsv(db, path);
    EXPECT_NE(result.error, "");
    EXPECT_EQ(ReadAll(path), "older upload");
    EXPECT_EQ(QDir(env.documentsFolder()).entryList(QDir::Files), QStringList({"up.csv"}));
    // the window reports it after "运行中发生错误：" (once the user agreed to replace the file)
    prompter.answer(path);
    prompter.answer(AnswerYes);
    ExportUploadCsv();
    ASSERT_EQ(prompter.shown.size(), 2);
    EXPECT_TRUE(prompter.shown[1].startsWith("运行中发生错误：")) << prompter.shown[1].toStdString();
    EXPECT_TRUE(prompter.shown[1].endsWith(",请与软件发行者联系。"));
    EXPECT_EQ(ReadAll(path), "older upload");
}

namespace {
// The lines of an upload file as iconv reads it, each split at its commas.
QList<QStringList> csvLines(const QString& path)
{
    QProcess iconv;
    iconv.start("iconv", {"-f", "GBK", "-t", "UTF-8", path});
    EXPECT_TRUE(iconv.waitForFinished());
    EXPECT_EQ(iconv.exitCode(), 0);
    QList<QStringList> lines;
    for (const QString& line : QString::fromUtf8(iconv.readAllStandardOutput()).split("\r\n"))
        lines << line.split(',');
    return lines;
}
} // namespace

// A whole field holding a half or a value beyond 64 bits (typed in elsewhere, received): the
// file carries what the batch checks read, 40.5 as 40, and 1e19 with all its digits.
TEST_F(ExchangeTest, TheUploadFileWritesWholeFieldsByTheChecksRule)
{
    Connection& db = SysConnection();
    AddReturns(db, 110101000001, 1);
    struct Case {
        const char* field;
        double stored;
        const char* written;
    } cases[] = {
        {"z001", 40.5, "40"},
        {"z002", 41.5, "42"},
        {"z003", -40.5, "-40"},
        {"z004", 1e19, "10000000000000000000"},
        {"z005", 12345678901234567890.0, "12345678901234567168"},
        {"z006", -1e19, "-10000000000000000000"},
        {"z007", 7.25, "7"},
    };
    for (const Case& c : cases)
        db.execute(QStringLiteral("update dt_data set %1=?1").arg(c.field), {c.stored});
    ASSERT_EQ(db.scalar("select typeof(z004) from dt_data").toString(), "real");
    const QString path = env.path("up.csv");
    ASSERT_EQ(WriteUploadCsv(db, path).error, "");
    const QList<QStringList> lines = csvLines(path);
    ASSERT_EQ(lines.size(), 3);
    for (const Case& c : cases) {
        const int column = lines[0].indexOf(c.field);
        ASSERT_GE(column, 0) << c.field;
        EXPECT_EQ(lines[1][column], c.written) << c.field;
    }
}

// A catalogue without upload fields still gives each return its (empty) line.
TEST_F(ExchangeTest, WithoutUploadFieldsEachReturnStillHasItsLine)
{
    Connection& db = SysConnection();
    AddReturns(db, 110101000001, 3);
    db.execute("update dt_fieldlist set sequence=sequence+2000 where sequence>0 and sequence<1000");
    const QString path = env.path("empty.csv");
    const UploadCsvResult result = WriteUploadCsv(db, path);
    ASSERT_EQ(result.error, "");
    EXPECT_EQ(result.rows, 3);
    EXPECT_EQ(ReadAll(path), QByteArray("\r\n\r\n\r\n\r\n"));
    EXPECT_EQ(csvLines(path).size(), 5); // the header, three returns, the rest after the last CR LF
}
