#include "db/Connection.h"
#include "db/WorkingDatabase.h"
#include "query/QueryConditions.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

namespace {
struct RangeCase {
    const char* what;
    Comparison first;
    int connector;
    Comparison second;
    const char* condition;
};

const RangeCase kRangeCases[] = {
    {"both values", {4, "110101000001"}, 1, {3, "110101000009"}, "where c901>=110101000001 AND c901<110101000009"},
    {"only the second value: only its operator", {2, ""}, 2, {5, "110101000003"}, "where c901<=110101000003"},
    {"only the first value: the connector is not used", {1, "7"}, 2, {2, " "}, "where c901=7"},
    {"或 with two = conditions", {1, "110101000001"}, 2, {1, "110101000003"},
     "where c901=110101000001 OR c901=110101000003"},
    {"blanks around a value", {1, "  42 "}, 1, {1, ""}, "where c901=42"},
    {"nothing given", {1, ""}, 1, {1, "  "}, ""},
    {"a value that is no number adds nothing", {1, "1 or 1=1"}, 1, {1, ""}, "where c901="},
};

struct IndicatorCase {
    const char* what;
    Comparison first;
    Comparison second;
    const char* condition;
};

const IndicatorCase kIndicatorCases[] = {
    {"both parts", {4, "10"}, {3, "20"}, "where z001>=10 and z001<20"},
    {"only the second part", {0, ""}, {2, "5"}, "where z001>5"},
    {"a value typed without its operator is ignored", {0, "99"}, {5, "3"}, "where z001<=3"},
    {"only the first part", {1, "0"}, {0, "8"}, "where z001=0"},
};
} // namespace

TEST(QueryConditionsTest, CodeRangeConditions)
{
    for (const RangeCase& c : kRangeCases)
        EXPECT_EQ(CodeRangeCondition(c.first, c.connector, c.second), QString::fromUtf8(c.condition)) << c.what;
}

TEST(QueryConditionsTest, IndicatorConditions)
{
    for (const IndicatorCase& c : kIndicatorCases)
        EXPECT_EQ(IndicatorCondition("z001", c.first, c.second), QString::fromUtf8(c.condition)) << c.what;
    // a name that is not a plain column name is quoted, never pasted as it stands
    EXPECT_EQ(IndicatorCondition("z001;drop", {1, "1"}, {}), "where \"z001;drop\"=1");
}

TEST(QueryConditionsTest, ListsAndStatements)
{
    EXPECT_EQ(FindCodeName(OperatorList(), 4), ">=");
    EXPECT_EQ(OperatorList().size(), 5);
    EXPECT_EQ(FindCodeName(ConnectorList(), 2), "或");
    EXPECT_EQ(ResultListSql(""), "SELECT * from view_data  order by c901 asc");
    EXPECT_EQ(ResultDetailSql("where c901=1"), "SELECT * from dt_data where c901=1 order by c901 asc");
}

TEST(QueryConditionsTest, DeleteRanges)
{
    CodeRange r = ReadCodeRange("110101000005", "110101000002");
    EXPECT_TRUE(r.valid());
    EXPECT_EQ(RangeDeleteSql(r), "delete from dt_data where c901>=110101000005.00 and c901<=110101000005.00");
    r = ReadCodeRange("3", "9");
    EXPECT_EQ(RangeDeleteSql(r), "delete from dt_data where c901>=3.00 and c901<=9.00");
    EXPECT_FALSE(ReadCodeRange("", "9").valid());
    EXPECT_FALSE(ReadCodeRange("5", "0").valid());
}

class NameSearchTest : public ::testing::Test {
protected:
    TestEnvironment env;
    void SetUp() override
    {
        ASSERT_EQ(OpenWorkingDatabase().status, OpenDatabaseResult::Opened);
        int i = 0;
        for (const char* name : {"北京市总工会", "天津市总工会", "O'Brien工会", "百分之50%工会"})
            SysConnection().execute("insert into dt_data (c901, c902, RecordState) values (?1, ?2, 1)",
                                    {qlonglong(110101000001LL + i++), QString::fromUtf8(name)});
    }
};

TEST_F(NameSearchTest, PartOfANameFindsTheFirstMatch)
{
    EXPECT_EQ(FindCodeByName(SysConnection(), "总工会").toLongLong(), 110101000001LL);
    EXPECT_EQ(FindCodeByName(SysConnection(), " 天津 ").toLongLong(), 110101000002LL);
    EXPECT_FALSE(FindCodeByName(SysConnection(), "上海").isValid());
}

TEST_F(NameSearchTest, TypedCharactersCannotChangeTheStatement)
{
    EXPECT_EQ(FindCodeByName(SysConnection(), "O'Brien").toLongLong(), 110101000003LL);
    EXPECT_FALSE(FindCodeByName(SysConnection(), "x' or '1'='1").isValid());
    EXPECT_FALSE(FindCodeByName(SysConnection(), "'; delete from dt_data; --").isValid());
    EXPECT_EQ(SysConnection().scalar("select count(*) from dt_data").toInt(), 4);
}

TEST_F(NameSearchTest, IndicatorPickerLists)
{
    const TMenuItemDataArray pages = IndicatorPages(SysConnection());
    ASSERT_GE(pages.size(), 14);
    EXPECT_EQ(pages[0].code, 0);
    EXPECT_EQ(pages[0].name, "封面");
    // the cover is offered; view_datasearch holds indicators of the data pages only
    EXPECT_TRUE(PageIndicators(SysConnection(), 0).isEmpty());
    const QVector<IndicatorEntry> first = PageIndicators(SysConnection(), 1);
    ASSERT_FALSE(first.isEmpty());
    EXPECT_EQ(first[0].fieldName, "z001");
}
