#include "base/ValueText.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

TEST(ValueText, TextFormsOfValues)
{
    struct Case {
        QVariant value;
        const char* expected;
    } cases[] = {
        {QVariant(), ""},
        {QVariant(qlonglong(100000000001)), "100000000001"},
        {QVariant(12.5), "12.5"},
        {QVariant(12.50), "12.5"},
        {QVariant(100000000001.0), "100000000001"},
        {QVariant(0.1 + 0.2), "0.3"},
        {QVariant(-3.0), "-3"},
        {QVariant(QStringLiteral("工会")), "工会"},
        {QVariant(2.0 / 3.0), "0.666666666666667"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FormatValueText(c.value), QString::fromUtf8(c.expected)) << c.expected;
}

TEST(ValueText, FixedWithTwoDecimals)
{
    EXPECT_EQ(FormatFixed2(110101000001.0), "110101000001.00");
    EXPECT_EQ(FormatFixed2(0), "0.00");
    EXPECT_EQ(FormatFixed2(999999999999.0), "999999999999.00");
}

// One rule wherever a fraction becomes a whole number: the nearest, halves to the even one;
// whole numbers beyond 64 bits keep their own digits in text and the nearest bound as a number.
TEST(ValueText, WholeNumbersFromFractions)
{
    struct Case {
        double value;
        qint64 whole;
        const char* text;
    } cases[] = {
        {40.5, 40, "40"},
        {41.5, 42, "42"},
        {-40.5, -40, "-40"},
        {-41.5, -42, "-42"},
        {0.5, 0, "0"},
        {-0.4, 0, "0"},
        {2.4999999, 2, "2"},
        {2.5000001, 3, "3"},
        {110101000001.0, 110101000001, "110101000001"},
        {4503599627370495.5, 4503599627370496, "4503599627370496"}, // the last halves a double holds
        {1e19, std::numeric_limits<qint64>::max(), "10000000000000000000"},
        {-1e19, std::numeric_limits<qint64>::min(), "-10000000000000000000"},
        {12345678901234567890.0, std::numeric_limits<qint64>::max(), "12345678901234567168"},
        {9223372036854775807.0, std::numeric_limits<qint64>::max(), "9223372036854775808"}, // 2^63
        {std::nan(""), 0, "0"},
        {std::numeric_limits<double>::infinity(), std::numeric_limits<qint64>::max(), "0"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(NearestWhole64(c.value), c.whole) << c.text;
        EXPECT_EQ(WholeNumberText(c.value), QString::fromLatin1(c.text)) << c.text;
    }
    EXPECT_EQ(NearestWhole(1e300), 1e300);
    EXPECT_EQ(WholeNumberText(1e300).size(), 301);
    EXPECT_TRUE(WholeNumberText(1e300).startsWith("1000000000000000052504760255204420248704468581108159154915854"));
}
