// The register of received packages: one row per package, in the import's transaction when its
// returns are added, in one of its own when it is refused.
#include "ExchangeFixture.h"

#include "exchange/ExchangeActions.h"
#include "exchange/PackageExport.h"
#include "exchange/PackageFile.h"
#include "exchange/ReceiptRegister.h"

#include "TallyraVersion.h"

#include <QProcess>
#include <QRegularExpression>

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

namespace {
// The digest by the sha256sum program, a reader independent of ours.
QString sha256sum(const QString& path)
{
    QProcess p;
    p.start("sha256sum", {path});
    p.waitForFinished();
    return QString::fromLatin1(p.readAllStandardOutput()).section(' ', 0, 0);
}

qint64 returnCount(Connection& db)
{
    return db.scalar("select count(*) from dt_data").toLongLong();
}
} // namespace

class ReceiptRegisterTest : public ExchangeTest {
protected:
    bool import(const QString& file, int answer = AnswerYes)
    {
        prompter.answer(file);
        prompter.answer(answer);
        return ImportPackage("dt_data");
    }
    QVector<ReceiptEntry> receipts() { return ReadReceipts(SysConnection()); }
};

TEST_F(ReceiptRegisterTest, AnImportAddsOneRowWithTheFileAndWhatWasAdded)
{
    const QString package = MakePackage(env, "county", 110101000001, 3);
    const QDateTime before = QDateTime::currentDateTime().addSecs(-1);
    ASSERT_TRUE(import(package));
    const QVector<ReceiptEntry> rows = receipts();
    ASSERT_EQ(rows.size(), 1);
    const ReceiptEntry& r = rows[0];
    EXPECT_EQ(r.result, "已导入");
    EXPECT_EQ(r.fileName, package);
    EXPECT_EQ(r.label, "某县总工会");
    EXPECT_EQ(r.returns, 3);
    EXPECT_EQ(r.added, 3);
    EXPECT_EQ(r.replaced, 0);
    EXPECT_EQ(r.kept, 0);
    EXPECT_EQ(r.fileSize, QFileInfo(package).size());
    EXPECT_EQ(r.fileDigest, sha256sum(package));
    EXPECT_EQ(r.programVersion, TALLYRA_FILE_VERSION);
    EXPECT_TRUE(QRegularExpression("^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d$").match(r.receivedAt).hasMatch());
    const QDateTime at = QDateTime::fromString(r.receivedAt, "yyyy-MM-dd HH:mm:ss");
    EXPECT_GE(at, before);
    EXPECT_LE(at, QDateTime::currentDateTime());
    EXPECT_EQ(returnCount(SysConnection()), 3);
}

// Refused, declined or failed: a row of its own says why, and no return is added.
TEST_F(ReceiptRegisterTest, ARefusalADeclinedQuestionAndConflictsEachGetARowNamingWhy)
{
    const QString package = MakePackage(env, "county", 110101000001, 3);
    const QString text = env.path("notes.dat");
    WriteAll(text, "110101000001,东城区总工会\n");
    ASSERT_TRUE(import(package));
    EXPECT_FALSE(import(package));                 // the same codes again
    EXPECT_FALSE(import(package, AnswerNo));       // declined
    EXPECT_TRUE(import(text));                     // not a database file
    EXPECT_TRUE(import(env.path("nowhere.dat")));  // nothing received: no row
    const QVector<ReceiptEntry> rows = receipts();
    ASSERT_EQ(rows.size(), 4);
    EXPECT_EQ(rows[0].fileName, text);
    EXPECT_TRUE(rows[0].result.startsWith("未导入：")) << rows[0].result.toStdString();
    EXPECT_EQ(rows[0].label, "");
    EXPECT_EQ(rows[0].returns, 0);
    EXPECT_EQ(rows[0].fileDigest, sha256sum(text));
    EXPECT_EQ(rows[1].result, "未导入：未确认标记声明为【某县总工会】的数据");
    EXPECT_EQ(rows[1].returns, 3);
    EXPECT_EQ(rows[1].added, 0);
    EXPECT_EQ(rows[2].result, "未导入：3个单位的编号已经存在");
    EXPECT_EQ(rows[2].added, 0);
    EXPECT_EQ(rows[3].result, "已导入");
    EXPECT_EQ(returnCount(SysConnection()), 3);
    // Newest first, by the order they were written.
    EXPECT_GT(rows[0].id, rows[1].id);
    EXPECT_GT(rows[1].id, rows[2].id);
}

// A register that cannot take the row undoes the import: no returns without their row.
TEST_F(ReceiptRegisterTest, AnImportWhoseRowCannotBeWrittenAddsNothing)
{
    const QString package = MakePackage(env, "county", 110101000001, 3);
    SysConnection().executeScript(
        "CREATE TRIGGER refuse_receipts BEFORE INSERT ON dt_receipt BEGIN SELECT RAISE(ABORT, 'register full'); END;");
    EXPECT_FALSE(import(package));
    EXPECT_EQ(returnCount(SysConnection()), 0);
    EXPECT_EQ(SysConnection().scalar("select count(*) from dt_receipt").toInt(), 0);
    // Both the failed import and the failed row of its refusal were said.
    EXPECT_GE(prompter.shown.filter("register full").size(), 2) << prompter.shown.join('\n').toStdString();
}

// A program killed during the import leaves the returns and their row together or neither: at
// every point before the commit nothing, after it both.
TEST_F(ReceiptRegisterTest, AKilledImportLeavesBothOrNeither)
{
    const QString package = MakePackage(env, "big", 110101000001, 3000);
    SysConnection().close();
    enum Stop { MidCopy, AfterTheRow, Finished };
    for (const Stop stop : {MidCopy, AfterTheRow, Finished}) {
        {
            Connection clean;
            clean.open(CurrentDatabasePath);
            clean.executeScript("delete from dt_data; delete from dt_receipt;");
        }
        int pipeFds[2];
        ASSERT_EQ(pipe(pipeFds), 0);
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            close(pipeFds[0]);
            Connection working;
            working.open(CurrentDatabasePath);
            ReceivedFile source(working, package, "dt_data");
            ImportOptions options;
            options.chunkRows = 500;
            options.hooks.stepped = [&](qint64 done) {
                if (stop == MidCopy && done >= 1000) {
                    (void)!write(pipeFds[1], "c", 1);
                    pause();
                }
            };
            // Stopped just before the commit: the register's row is written, not yet committed.
            if (stop == AfterTheRow)
                working.setStatementObserver([&](const QString& sql) {
                    if (sql.startsWith("COMMIT")) {
                        (void)!write(pipeFds[1], "r", 1);
                        pause();
                    }
                });
            const ImportResult result = ImportWithReceipt(working, source, options, StartReceipt(package));
            (void)!write(pipeFds[1], result.status == ImportResult::Imported ? "d" : "f", 1);
            pause();
            _exit(0);
        }
        close(pipeFds[1]);
        char signal = 0;
        ASSERT_EQ(read(pipeFds[0], &signal, 1), 1);
        EXPECT_EQ(signal, stop == MidCopy ? 'c' : stop == AfterTheRow ? 'r' : 'd');
        kill(child, SIGKILL);
        waitpid(child, nullptr, 0);
        close(pipeFds[0]);

        Connection after;
        after.open(CurrentDatabasePath);
        const bool done = stop == Finished;
        EXPECT_EQ(after.scalar("select count(*) from dt_data").toInt(), done ? 3000 : 0) << stop;
        EXPECT_EQ(after.scalar("select count(*) from dt_receipt").toInt(), done ? 1 : 0) << stop;
        EXPECT_EQ(after.scalar("PRAGMA quick_check").toString(), "ok");
    }
}
