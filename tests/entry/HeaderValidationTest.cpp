#include "db/WorkingDatabase.h"
#include "entry/HeaderValidation.h"
#include "entry/RecordStore.h"
#include "entry/SurveyPages.h"
#include "model/CodeList.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

TEST(SurveyPages, PagesAndFieldNames)
{
    EXPECT_EQ(SurveyPages().size(), 14);
    EXPECT_EQ(IndicatorNames().size(), 207);
    EXPECT_EQ(PageFieldNames(5).first(), "b032");
    EXPECT_EQ(PageFieldNames(6).first(), "f001");
    EXPECT_EQ(PageFieldNames(13).last(), "c021");
    EXPECT_TRUE(PageFieldNames(14).isEmpty());
    EXPECT_TRUE(NotesFilePath(0).endsWith("notes/TableNotesZUL-00.rtf"));
    EXPECT_TRUE(IndicatorTakesDecimals("B014"));
    EXPECT_FALSE(IndicatorTakesDecimals("b035"));
}

TEST(RecordStore, NextFreeCodeAndStoring)
{
    TestEnvironment env;
    Connection db;
    db.open(env.systemDataFile());
    EXPECT_EQ(NextFreeCode(db), 0);
    StoreReturn(db, {{"c901", qlonglong(999999999998)}, {"c902", "甲"}}, StateHeld, true, 0);
    EXPECT_EQ(NextFreeCode(db), 999999999999);
    // an update under a changed code moves the row; a missing row is an error
    StoreReturn(db, {{"c901", qlonglong(110101000001)}, {"c902", "乙"}}, StateClean, false, 999999999998);
    EXPECT_EQ(ReadReturn(db, 110101000001).value("c902").toString(), "乙");
    EXPECT_EQ(ReadReturn(db, 110101000001).value("recordstate").toInt(), 1);
    EXPECT_TRUE(ReadReturn(db, 999999999998).isEmpty());
    EXPECT_ANY_THROW(StoreReturn(db, {{"c902", "丙"}}, StateClean, false, 123));
    // a failing insert stores nothing
    EXPECT_ANY_THROW(StoreReturn(db, {{"c901", qlonglong(110101000001)}}, StateClean, true, 0));
    EXPECT_EQ(db.scalar("select count(*) from dt_data").toInt(), 1);
}

TEST(HeaderValidation, ReadsTheCodeFields)
{
    EXPECT_EQ(LevelValue(""), 10);
    EXPECT_EQ(StateValue(""), 0);
    EXPECT_EQ(CodeValue("011010500001"), 11010500001);
    TestEnvironment env;
    ASSERT_EQ(OpenWorkingDatabase().status, OpenDatabaseResult::Opened);
    const TMenuItemDataArray levels = LoadCodeTable(SysConnection(), "CT_LevelCode");
    const TMenuItemDataArray states = LoadCodeTable(SysConnection(), "CT_state");
    HeaderFields f{"011010500001", "名", "110105", "", "1", "人", "1"};
    HeaderContext c{true, 0, &levels, &states};
    // a leading zero is lost: eleven digits remain
    EXPECT_EQ(ValidateHeaderFields(SysConnection(), f, c).field, "c901");
    f.c901 = "110105000001";
    EXPECT_TRUE(ValidateHeaderFields(SysConnection(), f, c).ok());
    f.c903 = "11010"; // five digits are never a division
    EXPECT_EQ(ValidateHeaderFields(SysConnection(), f, c).field, "c903");
}
