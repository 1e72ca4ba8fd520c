#include "base/PublicProcedure.h"
#include "support/FileSizeLimit.h"
#include "support/TestEnvironment.h"

#include <QFile>
#include <gtest/gtest.h>

namespace {
void writeAll(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

QByteArray readAll(const QString& path)
{
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    return f.readAll();
}
} // namespace

TEST(CopyFileContents, ReplacesAnExistingTargetWithAnExactCopy)
{
    TestEnvironment env(TestEnvironment::Empty);
    QByteArray content;
    for (int i = 0; i < 300000; ++i)
        content += char(i * 7);
    writeAll(env.path("src"), content);
    writeAll(env.path("dst"), "old and longer than nothing");
    QString error;
    ASSERT_TRUE(CopyFileContents(env.path("src"), env.path("dst"), &error)) << error.toStdString();
    EXPECT_EQ(readAll(env.path("dst")), content);
}

TEST(CopyFileContents, MissingSourceLeavesTheTargetAlone)
{
    TestEnvironment env(TestEnvironment::Empty);
    writeAll(env.path("dst"), "keep");
    QString error;
    EXPECT_FALSE(CopyFileContents(env.path("nothing"), env.path("dst"), &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(readAll(env.path("dst")), "keep");
    EXPECT_FALSE(CopyFileContents(env.path("dst"), env.path("no/such/folder/x"), &error));
}

TEST(CopyFileContents, ADiskFullAtTheLastBytesFailsAndKeepsTheTarget)
{
    TestEnvironment env(TestEnvironment::Empty);
    // A whole read block and a short tail: the tail waits in the writer's buffer until the end.
    const QByteArray content((1 << 16) + 3000, 'c');
    writeAll(env.path("src"), content);
    writeAll(env.path("dst"), "keep");
    QString error;
    bool copied = true;
    {
        FileSizeLimit limit((1 << 16) + 1000);
        copied = CopyFileContents(env.path("src"), env.path("dst"), &error);
    }
    EXPECT_FALSE(copied);
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(readAll(env.path("dst")), "keep");
}

// A full disk is named as such, not as "Unknown error": /dev/full answers every write with ENOSPC.
TEST(WriteAllBytes, AFullDiskIsNamed)
{
    QFile full("/dev/full");
    if (!full.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        GTEST_SKIP() << "no /dev/full";
    const QByteArray bytes(5000, 'x');
    QString error;
    EXPECT_FALSE(WriteAllBytes(full, bytes.constData(), bytes.size(), &error));
    EXPECT_EQ(error, "磁盘空间不足");
}
