#include "base/Gbk.h"

#include <gtest/gtest.h>

TEST(Gbk, EncodesAndDecodes)
{
    const QString text = QStringLiteral("工会a1－");
    const QByteArray bytes = GbkEncode(text);
    EXPECT_EQ(bytes.size(), 2 + 2 + 1 + 1 + 2);
    EXPECT_EQ(bytes.left(2), QByteArray("\xb9\xa4"));
    EXPECT_EQ(GbkDecode(bytes), text);
    EXPECT_EQ(GbkByteLength(QStringLiteral("中a")), 3);
}

TEST(Gbk, TellsWhatItCannotHold)
{
    EXPECT_TRUE(GbkCanEncode(QStringLiteral("北京市东城区总工会（第一）")));
    EXPECT_FALSE(GbkCanEncode(QStringLiteral("工会😀")));
    EXPECT_FALSE(GbkCanEncode(QStringLiteral("한국")));
    EXPECT_EQ(GbkEncode(QStringLiteral("a😀b")), QByteArray("a?b"));
}

TEST(Gbk, CutsWithoutSplittingACharacter)
{
    const QString name = QString(31, QChar(0x5de5)); // 31 Chinese characters, 62 bytes
    EXPECT_EQ(GbkCut(name, 60), QString(30, QChar(0x5de5)));
    EXPECT_EQ(GbkCut(QStringLiteral("a中"), 2), "a");
    EXPECT_EQ(GbkCut(QStringLiteral("a中"), 3), QStringLiteral("a中"));
    EXPECT_EQ(GbkCut(QStringLiteral("abc"), 0), "");
    EXPECT_EQ(GbkCut(QStringLiteral("ab"), 50), "ab");
}
