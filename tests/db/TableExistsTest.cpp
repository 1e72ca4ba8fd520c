#include "db/TableExists.h"
#include "db/Connection.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

TEST(TableExists, ComparesWithoutRegardToCase)
{
    TestEnvironment env;
    Connection db;
    db.open(env.systemDataFile());
    EXPECT_TRUE(TableExists(db, "ct_group"));
    EXPECT_TRUE(TableExists(db, "DT_GROUPITEM"));
    EXPECT_FALSE(TableExists(db, "view_data")); // a view, not a table
    EXPECT_FALSE(TableExists(db, "nosuch"));
}
