#include "db/DbError.h"
#include "db/WorkingDatabase.h"
#include "summary/DataList.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

namespace {
class DataListTest : public ::testing::Test {
protected:
    TestEnvironment env;
    void SetUp() override
    {
        ASSERT_EQ(OpenWorkingDatabase().status, OpenDatabaseResult::Opened);
        for (qint64 code : {110000000000LL, 110000000001LL, 119999999999LL, 120000000000LL, 999999999999LL})
            SysConnection().execute("insert into dt_data (c901, c902, c903, c904, c905, c906, c907, RecordState) "
                                    "values (?1, 'x', 110101, 3, 'y', '1', 1, 1)",
                                    {code});
    }
    QStringList codes(const QString& sql)
    {
        QStringList out;
        RowSet rows = SysConnection().query(sql);
        for (rows.first(); !rows.eof(); rows.next())
            out << rows.text("c901");
        return out;
    }
};

TEST_F(DataListTest, FieldsOfTheTickedTablesByPosition)
{
    CheckListEntries list = DesignedExportTableList();
    EXPECT_EQ(DataListFields(SysConnection(), list), "");
    list[3].tick = 1; // 表四: every b field
    QStringList b;
    for (int n = 1; n <= 49; ++n)
        b << QString("b%1").arg(n, 3, 10, QChar('0'));
    EXPECT_EQ(DataListFields(SysConnection(), list), "," + b.join(','));
    // The letter belongs to the position, not the caption; greyed and headings do not count.
    list[3].caption = "renamed";
    list[5].tick = 2;
    list[1].selectable = false;
    list[1].tick = 1;
    EXPECT_EQ(DataListFields(SysConnection(), list), "," + b.join(','));
    list[5].tick = 1; // 表六: l001 .. l007 follow in sequence order
    EXPECT_TRUE(DataListFields(SysConnection(), list).endsWith(",b049,l001,l002,l003,l004,l005,l006,l007"));
}

TEST_F(DataListTest, StatementsSelectTheChosenReturns)
{
    DataListChoice all;
    EXPECT_EQ(DataListSql("", all), "select c901,c902,c903,c904,c905,c906,RecordState from dt_data order by c901");
    EXPECT_EQ(SysConnection().query(DataListSql("", all)).columnCount(), 7);
    EXPECT_EQ(codes(DataListSql(",z001", all)).size(), 5);

    DataListChoice range;
    range.scope = DataListScope::Range;
    range.from = 110000000001;
    range.to = 120000000000;
    EXPECT_EQ(DataListSql(",z001", range), "select c901,c902,c903,c904,c905,c906,RecordState,z001 from dt_data where "
                                           "c901>=110000000001.00 and c901<=120000000000.00 order by c901");
    EXPECT_EQ(codes(DataListSql("", range)), QStringList({"110000000001", "119999999999", "120000000000"}));

    DataListChoice item;
    item.scope = DataListScope::Item;
    item.item.low = 110000000000;
    item.item.high = 120000000000;
    item.item.lowSymbol = ">=";
    item.item.highSymbol = "<";
    EXPECT_EQ(DataListSql("", item), "select c901,c902,c903,c904,c905,c906,RecordState from dt_data where "
                                     "c901>=110000000000 and c901<120000000000 order by c901");
    EXPECT_EQ(codes(DataListSql("", item)), QStringList({"110000000000", "110000000001", "119999999999"}));
    item.item.lowSymbol = ">";
    item.item.highSymbol = "<=";
    EXPECT_EQ(codes(DataListSql("", item)), QStringList({"110000000001", "119999999999", "120000000000"}));
    item.item.lowSymbol = "=0 or 1=1 --";
    EXPECT_THROW(DataListSql("", item), DbError);
}
} // namespace
