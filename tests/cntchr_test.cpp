#include <gtest/gtest.h>

#include "cntchr.h"

TEST(CntChr, CountsOneByteValue)
{
    struct {
        const char *txt;
        char chr;
        int cnt;
    } const cases[] = {
        {"", '+', 0},        {"1+30+0", '+', 2}, {"45+30", '+', 1},
        {"1:30:00", '+', 0}, {"+++", '+', 3},    {"\xff+\xff", '\xff', 2},
    };
    for (const auto &c : cases)
        EXPECT_EQ(CntChr(c.txt, c.chr), c.cnt) << c.txt;
}
