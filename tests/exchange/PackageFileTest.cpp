#include "ExchangeFixture.h"

#include "exchange/PackageFile.h"

TEST(PackageFile, TheScrambledFirstByteIsNeitherPlainNorTheReplacedHeaderMark)
{
    EXPECT_NE(ScrambledFirstByte(), kPlainFirstByte);
    EXPECT_NE(ScrambledFirstByte(), kReplacedHeaderByte);
    for (int b = 0; b < 256; ++b)
        ASSERT_EQ(RestoreByte(ScrambleByte((unsigned char)b)), b);
}

TEST(PackageFile, ScramblingAndRestoringGiveBackTheSameBytes)
{
    TestEnvironment env(TestEnvironment::DeliveredData);
    const QString path = env.path("p.dat");
    QFile::copy(env.programFolder() + "/view.dll", path);
    const QByteArray plain = ReadAll(path);
    ASSERT_GT(plain.size(), 1024);
    ASSERT_EQ((unsigned char)plain[0], kPlainFirstByte);

    ASSERT_TRUE(ScramblePackage(path));
    const QByteArray scrambled = ReadAll(path);
    EXPECT_EQ((unsigned char)scrambled[0], ScrambledFirstByte());
    EXPECT_EQ(scrambled.size(), plain.size());
    EXPECT_EQ(scrambled.mid(1024), plain.mid(1024)); // only the start changes
    EXPECT_NE(scrambled.left(1024), plain.left(1024));
    EXPECT_EQ((unsigned char)scrambled[5], ScrambleByte((unsigned char)plain[5]));

    ASSERT_TRUE(RestorePackage(path));
    EXPECT_EQ(ReadAll(path), plain);
    // a plain file is left alone
    ASSERT_TRUE(RestorePackage(path));
    EXPECT_EQ(ReadAll(path), plain);
}

TEST(PackageFile, RestoringByTheFirstByte)
{
    TestEnvironment env(TestEnvironment::DeliveredData);
    const QByteArray plain = ReadAll(env.programFolder() + "/view.dll");
    // a header replaced by another program's, starting with 66: the database header comes back
    QByteArray replaced = plain;
    replaced.replace(0, 16, QByteArray("f\x01\x00\x00Standard Jet", 16));
    WriteAll(env.path("f.dat"), replaced);
    ASSERT_TRUE(RestorePackage(env.path("f.dat")));
    EXPECT_EQ(ReadAll(env.path("f.dat")), plain);
    // any other first byte: unchanged
    const QByteArray other = "\x01" + plain.mid(1);
    WriteAll(env.path("o.dat"), other);
    ASSERT_TRUE(RestorePackage(env.path("o.dat")));
    EXPECT_EQ(ReadAll(env.path("o.dat")), other);
    // a file shorter than the scrambled length is restored as far as it goes
    QByteArray shortFile = plain.left(100);
    WriteAll(env.path("s.dat"), shortFile);
    ASSERT_TRUE(ScramblePackage(env.path("s.dat")));
    ASSERT_TRUE(RestorePackage(env.path("s.dat")));
    EXPECT_EQ(ReadAll(env.path("s.dat")), shortFile);
    EXPECT_FALSE(ScramblePackage(env.path("missing.dat")));
    EXPECT_FALSE(RestorePackage(env.path("missing.dat")));
}
