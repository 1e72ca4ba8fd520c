#include "ExchangeFixture.h"

#include "base/Gbk.h"
#include "db/DbError.h"
#include "exchange/DecidedImport.h"
#include "exchange/DecisionRecord.h"
#include "exchange/PackageFile.h"
#include "exchange/PackageImport.h"
#include "exchange/ReturnComparison.h"
#include "support/FileSizeLimit.h"

#include <QDir>
#include <QFileInfo>
#include <QMap>
#include <QProcess>
#include <QRegularExpression>


namespace {
constexpr qint64 kBase = 110101000000;

// Every return's values by code, the columns by name.
QMap<double, QVariantList> returnsByCode(Connection& db)
{
    QMap<double, QVariantList> rows;
    QStringList columns = db.columnNames("dt_data");
    columns.sort(Qt::CaseInsensitive);
    RowSet set = db.query("select * from dt_data");
    for (set.first(); !set.eof(); set.next()) {
        QVariantList row;
        for (const QString& c : columns)
            row << set.value(c);
        rows.insert(set.value("c901").toDouble(), row);
    }
    return rows;
}

// The returns a package holds, read from its restored copy.
QMap<double, QVariantList> packageReturns(const QString& package)
{
    const ReceivedFile source(SysConnection(), package, "dt_data");
    Connection db;
    db.open(source.readPath(), Connection::Mode::ReadOnly);
    return returnsByCode(db);
}

QString iconvRead(const QString& path)
{
    QProcess iconv;
    iconv.start("iconv", {"-f", "GBK", "-t", "UTF-8", path});
    EXPECT_TRUE(iconv.waitForFinished());
    EXPECT_EQ(iconv.exitCode(), 0) << iconv.readAllStandardError().toStdString();
    return QString::fromUtf8(iconv.readAllStandardOutput());
}

QStringList recordsIn(const QString& folder)
{
    return QDir(folder).entryList({"数据导入冲突处理记录-*.txt"}, QDir::Files);
}
} // namespace

class DecidedImportTest : public ExchangeTest {
protected:
    QString recordFolder() { return env.documentsFolder(); }
    DecidedImportResult import(const QString& package, const ConflictDecisions& decisions, DecisionRecord* record,
                               DecidedImportOptions options = {})
    {
        const ReceivedFile source(SysConnection(), package, "dt_data");
        EXPECT_EQ(source.status(), ReceivedFile::Ready) << source.message().toStdString();
        options.decisions = decisions;
        options.record = record;
        return ImportWithDecisions(SysConnection(), source, options);
    }
    QString conflictingPackage() { return MakeConflictingPackage(env, kBase, "某县总工会"); }
};

// Each case: the working database's returns, a package, the decisions; afterwards every field
// of every return is what the decisions say.
TEST_F(DecidedImportTest, EachDecisionIsAppliedExactly)
{
    struct Case {
        const char* name;
        int working;      // codes 1..working already here
        int workingState; // their record state
        int packageCount; // the package's county database holds 1..packageCount, then the script
        QString script;
        QList<std::pair<int, ConflictChoice>> decisions;
        DecidedImportCounts expected;
        QList<int> takenFromPackage; // conflicting codes that end as the package has them
        bool record;
    };
    const auto code = [](int n) { return QString::number(kBase + n); };
    const QList<Case> cases = {
        {"all new", 3, 1, 7, "delete from dt_data where c901 <= " + code(3), {}, {4, 0, 0, 0}, {}, false},
        {"all equal", 3, 1, 3, "", {}, {0, 0, 0, 3}, {}, true},
        {"some differing", 5, 1, 8,
         "delete from dt_data where c901 < " + code(3) + "; update dt_data set z001 = 999 where c901 = " + code(4)
             + "; update dt_data set c902 = '新名称', z002 = 7 where c901 = " + code(5),
         {{4, ConflictChoice::Replace}, {5, ConflictChoice::Keep}},
         {3, 1, 1, 1},
         {4},
         true},
        {"a NULL against a 0", 2, 1, 2, "update dt_data set z001 = NULL where c901 = " + code(1),
         {{1, ConflictChoice::Replace}}, {0, 1, 0, 1}, {1}, true},
        {"keep a NULL against a 0", 2, 1, 2, "update dt_data set z001 = NULL where c901 = " + code(1),
         {{1, ConflictChoice::Keep}}, {0, 0, 1, 1}, {}, true},
        {"the whole row, by name, also the record state", 1, 2, 1,
         "update dt_data set c905 = '李明', c021 = 12.5 where c901 = " + code(1),
         {{1, ConflictChoice::Replace}}, {0, 1, 0, 0}, {1}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SysConnection().execute("delete from dt_data");
        AddReturns(SysConnection(), kBase + 1, c.working, c.workingState);
        const QString package = MakePackage(env, QString("p%1").arg(&c - &cases[0]), kBase + 1, c.packageCount,
                                            "某县总工会", c.script);
        const QMap<double, QVariantList> before = returnsByCode(SysConnection());
        const QMap<double, QVariantList> incoming = packageReturns(package);
        ConflictDecisions decisions;
        for (const auto& [n, choice] : c.decisions)
            decisions.codes.insert(double(kBase + n), choice);
        const QString folder = env.path(QString("records%1").arg(&c - &cases[0]));
        QDir().mkpath(folder);
        DecisionRecord record(folder, QDateTime::currentDateTime());

        const DecidedImportResult result = import(package, decisions, &record);
        ASSERT_EQ(result.status, DecidedImportResult::Imported) << result.error.toStdString();
        EXPECT_EQ(result.counts.added, c.expected.added);
        EXPECT_EQ(result.counts.replaced, c.expected.replaced);
        EXPECT_EQ(result.counts.kept, c.expected.kept);
        EXPECT_EQ(result.counts.equal, c.expected.equal);
        QMap<double, QVariantList> expected = before;
        for (auto it = incoming.begin(); it != incoming.end(); ++it)
            if (!before.contains(it.key()) || c.takenFromPackage.contains(int(qint64(it.key()) - kBase)))
                expected.insert(it.key(), it.value());
        EXPECT_EQ(returnsByCode(SysConnection()), expected);
        EXPECT_EQ(recordsIn(folder).size(), c.record ? 1 : 0);
    }
}

TEST_F(DecidedImportTest, ANullComesInAsANull)
{
    AddReturns(SysConnection(), kBase + 1, 1);
    const QString package =
        MakePackage(env, "nulls", kBase + 1, 1, "某县总工会", "update dt_data set z001 = NULL where c901 = " + QString::number(kBase + 1));
    ConflictDecisions replace;
    replace.otherwise = ConflictChoice::Replace;
    ASSERT_EQ(import(package, replace, nullptr).status, DecidedImportResult::Imported);
    EXPECT_EQ(SysConnection().scalar("select typeof(z001) from dt_data").toString(), "null");
}

TEST_F(DecidedImportTest, NothingIsImportedWhileACodeIsUndecided)
{
    const QString package = conflictingPackage();
    const QByteArray before = ReadAll(CurrentDatabasePath);
    ConflictDecisions decisions;
    decisions.codes.insert(double(kBase + 4), ConflictChoice::Replace);
    DecisionRecord record(recordFolder(), QDateTime::currentDateTime());
    const DecidedImportResult result = import(package, decisions, &record);
    EXPECT_EQ(result.status, DecidedImportResult::Undecided);
    EXPECT_EQ(result.undecided, QVector<double>({double(kBase + 5)}));
    EXPECT_EQ(DecidedImportOutcome(result), "未导入：1个编号的数据不同，尚未决定");
    EXPECT_EQ(ReadAll(CurrentDatabasePath), before);
    EXPECT_TRUE(recordsIn(recordFolder()).isEmpty());
    // A choice for every other code settles the rest.
    decisions.otherwise = ConflictChoice::Keep;
    EXPECT_EQ(import(package, decisions, &record).status, DecidedImportResult::Imported);
}

TEST_F(DecidedImportTest, TheWorkingDatabaseIsNotImportedIntoItself)
{
    AddReturns(SysConnection(), kBase + 1, 3);
    const QByteArray before = ReadAll(CurrentDatabasePath);
    ConflictDecisions replace;
    replace.otherwise = ConflictChoice::Replace;
    const DecidedImportResult result = import(CurrentDatabasePath, replace, nullptr);
    EXPECT_EQ(result.status, DecidedImportResult::Failed);
    EXPECT_EQ(result.error, "所选的文件就是正在使用的数据库文件");
    EXPECT_EQ(ReadAll(CurrentDatabasePath), before);
}

TEST_F(DecidedImportTest, TheRecordNamesEachConflictWithItsFields)
{
    const QString package = conflictingPackage();
    ConflictDecisions decisions;
    decisions.codes.insert(double(kBase + 4), ConflictChoice::Replace);
    decisions.codes.insert(double(kBase + 5), ConflictChoice::Keep);
    const QDateTime start(QDate(2026, 12, 10), QTime(5, 55, 12));
    DecisionRecord record(recordFolder(), start);
    ASSERT_EQ(import(package, decisions, &record).status, DecidedImportResult::Imported);
    const QString path = QDir(recordFolder()).filePath("数据导入冲突处理记录-20261210-055512.txt");
    EXPECT_EQ(record.path(), path);
    QString text = iconvRead(path);
    // The time is the import's own.
    text.replace(QRegularExpression("时间：\\d{4}年\\d\\d月\\d\\d日 \\d\\d:\\d\\d:\\d\\d"), "时间：T");
    const QString expected = QStringList{
        "数据导入冲突处理记录",
        QString(80, '='),
        "时间：T",
        "文件：" + package,
        "标识：某县总工会",
        "新增：3  替换：1  保留：1  相同：1",
        QString(80, '-'),
        "编号：110101000003", "现有名称：某区工会2", "导入名称：某区工会2", "处理：相同", "",
        "编号：110101000004", "现有名称：某区工会3", "导入名称：某区工会3", "处理：采用导入",
        "  本级工会机关实有工作人员(人)：现有 3，导入 999", "",
        "编号：110101000005", "现有名称：某区工会4", "导入名称：新名称", "处理：保留现有",
        "  本级工会名称：现有 某区工会4，导入 新名称",
        "  其中：机关女性工作人员(人)：现有 4，导入 7", "",
        ""}.join("\r\n");
    EXPECT_EQ(text, expected);
    // Another run in the same second keeps this record and writes its own beside it.
    DecisionRecord second(recordFolder(), start);
    ASSERT_TRUE(second.add(DecisionRecordSection(start, "x.dat", "乙", {}, {}, {})));
    EXPECT_EQ(QFileInfo(second.path()).fileName(), "数据导入冲突处理记录-20261210-055512-2.txt");
    text = iconvRead(path);
    text.replace(QRegularExpression("时间：\\d{4}年\\d\\d月\\d\\d日 \\d\\d:\\d\\d:\\d\\d"), "时间：T");
    EXPECT_EQ(text, expected);
}

// A record is complete or absent: a full disk at its last block leaves the file as it was.
TEST_F(DecidedImportTest, ARecordThatCannotBeWrittenWholeStaysAsItWas)
{
    const QDateTime start(QDate(2026, 12, 10), QTime(6, 0));
    DecisionRecord record(recordFolder(), start);
    ASSERT_TRUE(record.add(DecisionRecordSection(start, "a.dat", "甲", {1, 0, 0, 0}, {}, {})));
    const QByteArray first = ReadAll(record.path());
    const QByteArray big(200000, 'x');
    bool added = true;
    QString error;
    {
        const FileSizeLimit limit(150000);
        added = record.add(big, &error);
    }
    EXPECT_FALSE(added);
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(ReadAll(record.path()), first);
    EXPECT_EQ(recordsIn(recordFolder()).size(), 1) << "no stray file beside it";

    // The record stops the import when it cannot be written: nothing is imported.
    const QString package = conflictingPackage();
    const QByteArray before = ReadAll(CurrentDatabasePath);
    DecisionRecord nowhere(env.path("no/such/folder"), start);
    ConflictDecisions keep;
    keep.otherwise = ConflictChoice::Keep;
    const DecidedImportResult result = import(package, keep, &nowhere);
    EXPECT_EQ(result.status, DecidedImportResult::Failed);
    EXPECT_TRUE(result.error.contains("无法写入文件")) << result.error.toStdString();
    EXPECT_EQ(ReadAll(CurrentDatabasePath), before);
}

TEST_F(DecidedImportTest, AStopAtAnyPointLeavesTheDatabaseAsItWas)
{
    const QString package = conflictingPackage();
    const QByteArray before = ReadAll(CurrentDatabasePath);
    // Stopped at the first, second and third look: comparing, replacing, adding.
    for (int stopAt : {1, 2, 3}) {
        SCOPED_TRACE(stopAt);
        int looks = 0;
        DecidedImportOptions options;
        options.chunkRows = 1;
        options.hooks.stopped = [&] { return ++looks >= stopAt; };
        DecisionRecord record(recordFolder(), QDateTime::currentDateTime());
        ConflictDecisions replace;
        replace.otherwise = ConflictChoice::Replace;
        const DecidedImportResult result = import(package, replace, &record, options);
        EXPECT_EQ(result.status, DecidedImportResult::Stopped);
        EXPECT_EQ(result.counts.added + result.counts.replaced, 0);
        EXPECT_EQ(ReadAll(CurrentDatabasePath), before);
        EXPECT_TRUE(recordsIn(recordFolder()).isEmpty());
    }
}

TEST_F(DecidedImportTest, AFullDiskDuringTheImportLeavesTheDatabaseAsItWas)
{
    AddReturns(SysConnection(), kBase + 1, 100);
    const QString package = MakePackage(env, "big", kBase + 51, 3000, "某县总工会",
                                        QString("update dt_data set z001 = 77777 where c901 <= %1").arg(kBase + 100));
    const QList<QVariantList> before = AllReturns(SysConnection());
    ConflictDecisions replace;
    replace.otherwise = ConflictChoice::Replace;
    DecisionRecord record(recordFolder(), QDateTime::currentDateTime());
    DecidedImportResult result;
    {
        const ReceivedFile source(SysConnection(), package, "dt_data");
        ASSERT_EQ(source.status(), ReceivedFile::Ready);
        DecidedImportOptions options;
        options.decisions = replace;
        options.record = &record;
        const FileSizeLimit limit(QFileInfo(CurrentDatabasePath).size() + 64 * 1024);
        result = ImportWithDecisions(SysConnection(), source, options);
    }
    EXPECT_EQ(result.status, DecidedImportResult::Failed);
    EXPECT_FALSE(result.error.isEmpty());
    EXPECT_TRUE(recordsIn(recordFolder()).isEmpty()) << "the record of an import that did not happen is taken back";
    SysConnection().close();
    Connection after;
    after.open(CurrentDatabasePath);
    EXPECT_EQ(after.scalar("PRAGMA quick_check").toString(), "ok");
    EXPECT_EQ(AllReturns(after), before);
    after.close();
    // With room again the same import goes through.
    ASSERT_EQ(OpenWorkingDatabase(CurrentDatabasePath).status, OpenDatabaseResult::Opened);
    result = import(package, replace, &record);
    EXPECT_EQ(result.status, DecidedImportResult::Imported) << result.error.toStdString();
    EXPECT_EQ(result.counts.added, 2950);
    EXPECT_EQ(result.counts.replaced, 50);
}

// A program killed while it imports leaves all of the package or none of it.
TEST_F(DecidedImportTest, AKillDuringADecidedImportLeavesAllOrNothing)
{
    AddReturns(SysConnection(), kBase + 1, 100);
    const QString package = MakePackage(env, "big", kBase + 51, 3000, "某县总工会",
                                        QString("update dt_data set z001 = 77777 where c901 <= %1").arg(kBase + 100));
    const QList<QVariantList> before = AllReturns(SysConnection());
    SysConnection().close();
    for (const bool finish : {false, true}) {
        const char signal = RunUntilKilled([&](const std::function<void()>& halfWay) {
            Connection working;
            working.open(CurrentDatabasePath);
            ReceivedFile source(working, package, "dt_data");
            DecisionRecord record(env.documentsFolder(), QDateTime::currentDateTime());
            DecidedImportOptions options;
            options.decisions.otherwise = ConflictChoice::Replace;
            options.record = &record;
            options.chunkRows = 500;
            options.hooks.stepped = [&](qint64 done) {
                if (!finish && done >= 1500)
                    halfWay(); // the parent kills now
            };
            return ImportWithDecisions(working, source, options).status == DecidedImportResult::Imported;
        });
        EXPECT_EQ(signal, finish ? 'd' : 'h');

        Connection after;
        after.open(CurrentDatabasePath);
        EXPECT_EQ(after.scalar("PRAGMA quick_check").toString(), "ok");
        if (finish) {
            EXPECT_EQ(after.scalar("select count(*) from dt_data").toInt(), 3050);
            EXPECT_EQ(after.scalar("select count(*) from dt_data where z001 = 77777").toInt(), 50);
            EXPECT_EQ(recordsIn(env.documentsFolder()).size(), 1);
        } else {
            EXPECT_EQ(AllReturns(after), before);
            EXPECT_TRUE(recordsIn(env.documentsFolder()).isEmpty());
        }
    }
}

// A caller's own row goes in inside the import's transaction, with the counts; its failure
// undoes the whole import.
TEST_F(DecidedImportTest, TheCallerAddsItsRowBeforeTheCommit)
{
    const QString package = conflictingPackage();
    SysConnection().execute("create table hooklog (added, replaced, kept, equal)");
    const QByteArray before = ReadAll(CurrentDatabasePath);
    ConflictDecisions decisions;
    decisions.otherwise = ConflictChoice::Replace;
    DecidedImportOptions failing;
    failing.beforeCommit = [](Connection& db, const DecidedImportCounts&) {
        db.execute("insert into hooklog values (1, 1, 1, 1)");
        throw DbError("register full");
    };
    const DecidedImportResult refused = import(package, decisions, nullptr, failing);
    EXPECT_EQ(refused.status, DecidedImportResult::Failed);
    EXPECT_EQ(refused.error, "register full");
    EXPECT_EQ(ReadAll(CurrentDatabasePath), before);

    DecidedImportOptions logging;
    logging.beforeCommit = [](Connection& db, const DecidedImportCounts& c) {
        EXPECT_TRUE(db.inTransaction());
        db.execute("insert into hooklog values (?1, ?2, ?3, ?4)", {c.added, c.replaced, c.kept, c.equal});
    };
    const DecidedImportResult result = import(package, decisions, nullptr, logging);
    ASSERT_EQ(result.status, DecidedImportResult::Imported);
    EXPECT_EQ(DecidedImportOutcome(result), "已导入：新增3，替换2，保留0，相同1");
    EXPECT_EQ(SysConnection().scalar("select added || ',' || replaced || ',' || kept || ',' || equal from hooklog").toString(),
              "3,2,0,1");
}

// Whatever a received file holds, the import with decisions refuses it with a reason and
// changes nothing, or reads its rows without running anything of it.
TEST_F(DecidedImportTest, HostileFilesAreRefusedOrReadWithoutRunningAnything)
{
    const QString good = conflictingPackage();
    const QByteArray goodBytes = ReadAll(good);
    // The package restored, changed by the script, scrambled again.
    auto altered = [&](const QString& name, const QString& script) {
        const QString path = env.path(name + ".dat");
        WriteAll(path, goodBytes);
        EXPECT_TRUE(RestorePackage(path));
        {
            Connection db;
            db.open(path);
            db.executeScript(script);
        }
        EXPECT_TRUE(ScramblePackage(path));
        return path;
    };
    const struct {
        const char* name;
        QString file;
        bool mustRefuse; // else it may be read without harm, or refused
    } cases[] = {
        {"cut short inside its last page", [&] {
             WriteAll(env.path("cut.dat"), goodBytes.left(goodBytes.size() - 100));
             return env.path("cut.dat");
         }(), true},
        {"triggers, views and a table of its own",
         altered("traps", "create table log (x);"
                          "create trigger t1 after insert on dt_data begin insert into log values (1); end;"
                          "create trigger t2 before delete on dt_data begin select raise(abort, 'no'); end;"
                          "create view view_data as select nosuchfunction(c901) from dt_data;"),
         false},
        {"a CHECK constraint on its returns",
         altered("checked", "create table t as select * from dt_data; drop table dt_data; create table dt_data ("
                                + SysConnection().columnNames("dt_data").join(" numeric, ")
                                + " numeric, check (z001 < 1000000)); insert into dt_data select * from t; drop table t;"),
         false},
        {"WAL mode", altered("wal", "PRAGMA journal_mode=WAL;"), false},
    };
    ConflictDecisions replace;
    replace.otherwise = ConflictChoice::Replace;
    // Every return as the good package has it, and those only here as they are.
    QMap<double, QVariantList> expected = returnsByCode(SysConnection());
    const QMap<double, QVariantList> incoming = packageReturns(good);
    for (auto it = incoming.begin(); it != incoming.end(); ++it)
        expected.insert(it.key(), it.value());
    const QByteArray bytes = ReadAll(CurrentDatabasePath);
    int imported = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const ReceivedFile source(SysConnection(), c.file, "dt_data");
        DecidedImportOptions options;
        options.decisions = replace;
        const DecidedImportResult result = ImportWithDecisions(SysConnection(), source, options);
        if (result.status != DecidedImportResult::Imported) {
            EXPECT_EQ(result.status, DecidedImportResult::Failed);
            EXPECT_FALSE(result.error.isEmpty());
            EXPECT_EQ(ReadAll(CurrentDatabasePath), bytes);
            continue;
        }
        EXPECT_FALSE(c.mustRefuse);
        ++imported;
        EXPECT_EQ(returnsByCode(SysConnection()), expected);
        EXPECT_FALSE(SysConnection().hasTable("log"));
        EXPECT_EQ(SysConnection().scalar("PRAGMA main.journal_mode").toString(), "delete");
        // Back to the working database as it was, for the next case.
        SysConnection().close();
        WriteAll(CurrentDatabasePath, bytes);
        ASSERT_EQ(OpenWorkingDatabase(CurrentDatabasePath).status, OpenDatabaseResult::Opened);
    }
    EXPECT_GE(imported, 1) << "a file with triggers and views of its own is read, not refused";
}

TEST(ReturnComparison, ValuesCompareAsStored)
{
    const struct {
        QVariant a, b;
        bool same;
    } cases[] = {
        {QVariant(), QVariant(), true},
        {QVariant(), QVariant(0), false},
        {QVariant(qlonglong(12)), QVariant(12.0), true},
        {QVariant(qlonglong(12)), QVariant(12.5), false},
        {QVariant(qlonglong(12)), QVariant("12"), false},
        {QVariant("工会"), QVariant("工会"), true},
        {QVariant(""), QVariant(), false},
        {QVariant(qlonglong(110101000001)), QVariant(110101000001.0), true},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(SameStoredValue(c.a, c.b), c.same) << c.a.toString().toStdString() << " " << c.b.toString().toStdString();
        EXPECT_EQ(SameStoredValue(c.b, c.a), c.same);
    }
    EXPECT_EQ(StoredValueText(QVariant()), "（空）");
    EXPECT_EQ(StoredValueText(12.0), "12");
    EXPECT_EQ(StoredValueText(110101000001.0), "110101000001");
}
