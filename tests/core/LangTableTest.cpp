#include "core/LangTable.h"

#include <gtest/gtest.h>

TEST(LangTable, BuiltInTextsFillOnlyTheirRowsOfColumnOne)
{
    LangTable table;
    table.set(1, 5, QStringLiteral("kept"));
    table.set(1, 50, QStringLiteral("replaced"));
    LoadBuiltInTexts(table);
    int filled = 0;
    for (int row = 0; row < LangTable::Rows; ++row) {
        filled += table.text(1, row).isEmpty() ? 0 : 1;
        EXPECT_TRUE(table.text(0, row).isEmpty());
        EXPECT_TRUE(table.text(2, row).isEmpty());
    }
    EXPECT_EQ(filled, 112 + 1); // the 112 texts and the row kept from before
    EXPECT_EQ(table.text(1, 5), QStringLiteral("kept"));
    EXPECT_EQ(table.text(1, 0), QStringLiteral("中文简体(&C)"));
    EXPECT_EQ(table.text(1, 50), QStringLiteral("自动关机"));
    EXPECT_TRUE(table.text(1, 120).startsWith(QStringLiteral("\u3000\u3000本系统")));
}

TEST(LangTable, OutsideTheGridReadsEmpty)
{
    LangTable table;
    table.set(101, 0, QStringLiteral("x"));
    table.set(0, 201, QStringLiteral("x"));
    EXPECT_TRUE(table.text(-1, 0).isEmpty());
    EXPECT_TRUE(table.text(101, 0).isEmpty());
    EXPECT_TRUE(table.text(0, 201).isEmpty());
}

TEST(LangTable, NumberReplacesEveryPlaceholder)
{
    LangTable table;
    LoadBuiltInTexts(table);
    EXPECT_EQ(withNumber(table.text(1, 61), 30), QStringLiteral("服务器将在 30 秒之后关闭"));
    EXPECT_EQ(withNumber(table.text(1, 72), 0), QStringLiteral("已输入 0 个字符"));
    EXPECT_EQ(withNumber(QStringLiteral("%n-%n-%N"), 7), QStringLiteral("7-7-%N"));
}
