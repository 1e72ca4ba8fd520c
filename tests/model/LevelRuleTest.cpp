#include "model/LevelRule.h"

#include <gtest/gtest.h>

TEST(MatchesLevelRule, SetAndOperatorForms)
{
    struct Case {
        int level;
        const char* rule;
        bool expected;
    } cases[] = {
        {1, "in [1,2,3]", true},   {3, "in [1,2,3]", true},    {4, "in [1,2,3]", false},
        {5, "in [4, 5 6]", true},  {2, "in [1,2,7]", true},    {7, "in[7]", true},
        {1, "in 1,2", false},      {1, "in []", false},        {1, "in [   ]", false},
        {300, "in [44]", false},   {44, "in [44]", true},      {-1, "in [0,1]", false},
        {256, "in [256]", false},  {0, "in [0]", true},        {3, "in [1,x,3]", true},
        {5, ">=4", true},          {4, ">=4", true},           {3, ">=4", false},
        {3, "<4", true},           {4, "<4", false},           {3, "=3", true},
        {2, "=3", false},          {9, "<>10", true},          {10, "<>10", false},
        {5, ">4", true},           {4, "<=4", true},           {5, "<=4", false},
        {5, "5", false},           {5, "=>5", false},          {5, ">= 4 ", true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(MatchesLevelRule(c.level, c.rule), c.expected) << c.level << " " << c.rule;
}
