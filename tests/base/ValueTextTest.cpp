#include "base/ValueText.h"

#include <gtest/gtest.h>

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
