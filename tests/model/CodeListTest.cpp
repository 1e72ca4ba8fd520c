#include "db/Connection.h"
#include "db/WorkingDatabase.h"
#include "model/CodeList.h"
#include "model/Division.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

TEST(CodeList, FindsNamesAndCodes)
{
    const TMenuItemDataArray list = {{1, "正常填报"}, {2, "新建工会"}, {3, "Abc"}, {2, "重复"}};
    EXPECT_EQ(FindCodeName(list, 2), "新建工会");
    EXPECT_EQ(FindCodeName(list, 9), "");
    EXPECT_EQ(FindCodeValue(list, "新建工会"), 2);
    EXPECT_EQ(FindCodeValue(list, "abc"), 0);
    EXPECT_EQ(FindCodeValue(list, "Abc"), 3);
    EXPECT_EQ(FindCodeName({}, 1), "");
    EXPECT_EQ(FindCodeValue({}, "x"), 0);
}

TEST(CodeList, LoadsACodeTableInItsOrder)
{
    TestEnvironment env;
    Connection db;
    db.open(env.systemDataFile());
    db.execute("insert into CT_state (ID, Name, Sequence) values (0, '无', 0)");
    const TMenuItemDataArray states = LoadCodeTable(db, "ct_state");
    ASSERT_EQ(states.size(), 5);
    EXPECT_EQ(states.first().name, "正常填报");
    EXPECT_EQ(LoadCodeTable(db, "CT_LevelCode", true).first().code, 10);
}

TEST(Division, SplitsACodeIntoItsLevels)
{
    const DivisionParts p = SplitDivisionCode(110105);
    EXPECT_EQ(p.province, 11);
    EXPECT_EQ(p.city, 1);
    EXPECT_EQ(p.county, 5);
}

TEST(Division, LooksUpFullNames)
{
    TestEnvironment env;
    Connection db;
    db.open(env.systemDataFile());
    EXPECT_EQ(LookupDivisionName(db, 110101), "北京市东城区");
    EXPECT_EQ(LookupDivisionName(db, 110100), "北京市");
    EXPECT_EQ(LookupDivisionName(db, 123456), "");
    QString error;
    // codes up to 99999 are never looked up: a closed connection would fail otherwise
    db.close();
    EXPECT_EQ(LookupDivisionName(db, 0, &error), "");
    EXPECT_EQ(LookupDivisionName(db, 99999, &error), "");
    EXPECT_EQ(error, "");
    EXPECT_EQ(LookupDivisionName(db, 110101, &error), "");
    EXPECT_NE(error, "");
}
