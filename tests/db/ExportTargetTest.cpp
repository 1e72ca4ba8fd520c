#include "db/ExportTarget.h"
#include "db/WorkingDatabase.h"
#include "support/TestEnvironment.h"

#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>

#include <unistd.h>

TEST(ExportTarget, TheWorkingDatabaseAndTheSourcesAreRefusedUnderAnyName)
{
    TestEnvironment env;
    ASSERT_EQ(OpenWorkingDatabase().status, OpenDatabaseResult::Opened);
    const QString db = CurrentDatabasePath;
    const QString source = env.path("template.xltx");
    QFile(source).open(QIODevice::WriteOnly);
    ASSERT_TRUE(QFile::link(db, env.path("link.csv")));
    ASSERT_EQ(::link(QFile::encodeName(db).constData(), QFile::encodeName(env.path("hard.xlsx")).constData()), 0);
    ASSERT_TRUE(QFile::link(source, env.path("t.xlsx")));
    QFile(env.path("other.csv")).open(QIODevice::WriteOnly);

    const QString refusedDb = QStringLiteral("不能把数据导出到正在使用的数据库文件“%1”，请选择其它文件");
    const QString refusedSource = QStringLiteral("不能把数据导出到正在读取的文件“%1”，请选择其它文件");
    enum Refused { No, AsDatabase, AsSource };
    const struct {
        QString target;
        Refused refused;
    } cases[] = {
        {db, AsDatabase},
        {env.programFolder() + "/../" + QFileInfo(env.programFolder()).fileName() + "/2012NB_zul.mdb", AsDatabase},
        {env.path("link.csv"), AsDatabase},
        {env.path("hard.xlsx"), AsDatabase}, // another name of the same file
        {source, AsSource},
        {env.path("t.xlsx"), AsSource},
        {env.path("other.csv"), No},
        {env.path("new.csv"), No}, // not there yet
    };
    for (const auto& c : cases) {
        const QString expected =
            c.refused == No ? QString() : (c.refused == AsDatabase ? refusedDb : refusedSource).arg(c.target);
        EXPECT_EQ(RefuseExportTarget(c.target, {source}), expected) << c.target.toStdString();
    }
    EXPECT_FALSE(IsSameFile(env.path("new.csv"), env.path("new.csv")));
    EXPECT_TRUE(IsSameFile(env.path("hard.xlsx"), db));
}
