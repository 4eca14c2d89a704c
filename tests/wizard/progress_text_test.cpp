#include "wizard/ProgressText.h"

#include <gtest/gtest.h>

using namespace qv;

namespace {

RunProgress at(qint64 rows, std::optional<qint64> estimate, qint64 rate = 0, std::optional<qint64> left = {},
               bool finished = false)
{
    RunProgress p;
    p.tableNumber = finished ? 12 : 3;
    p.tableCount = 12;
    p.table = QStringLiteral("ORDER_LINES");
    p.rows = rows;
    p.estimate = estimate;
    p.moreThanEstimated = estimate && rows > *estimate;
    p.rowsPerSecond = rate;
    p.secondsLeft = left;
    p.finished = finished;
    return p;
}

}  // namespace

TEST(ProgressText, BothLanguages)
{
    RunProgress none;
    none.finished = true;
    const struct {
        RunProgress progress;
        const char* english;
        const char* chinese;
    } cases[] = {
        {at(1234500, 2000000, 41200, 120), "Table 3 of 12: ORDER_LINES, 1,234,500 of about 2,000,000 rows; 41,200 rows/s; about 2 min left",
         "第 3 张表，共 12 张：ORDER_LINES，已复制 1,234,500 行，约 2,000,000 行；每秒 41,200 行；约剩 2 分钟"},
        {at(0, 999), "Table 3 of 12: ORDER_LINES, 0 of about 999 rows", "第 3 张表，共 12 张：ORDER_LINES，已复制 0 行，约 999 行"},
        {at(1234500, {}, 41200), "Table 3 of 12: ORDER_LINES, 1,234,500 rows so far; 41,200 rows/s",
         "第 3 张表，共 12 张：ORDER_LINES，已复制 1,234,500 行；每秒 41,200 行"},
        {at(2100000, 2000000, 41200), "Table 3 of 12: ORDER_LINES, 2,100,000 rows, more than estimated; 41,200 rows/s",
         "第 3 张表，共 12 张：ORDER_LINES，已复制 2,100,000 行，超过估计；每秒 41,200 行"},
        {at(2000000, 2000000, 41200, {}, true), "Table 12 of 12: ORDER_LINES, 2,000,000 rows; 41,200 rows/s; done",
         "第 12 张表，共 12 张：ORDER_LINES，已复制 2,000,000 行；每秒 41,200 行；完成"},
        {at(14, 14, 0, {}, true), "Table 12 of 12: ORDER_LINES, 14 rows; done", "第 12 张表，共 12 张：ORDER_LINES，已复制 14 行；完成"},
        {none, "No tables to convert; done", "没有要转换的表；完成"},
        // The time left: seconds under a minute, minutes rounded up under two hours, then hours and minutes.
        {at(1, 10, 5, 40), "Table 3 of 12: ORDER_LINES, 1 of about 10 rows; 5 rows/s; about 40 s left",
         "第 3 张表，共 12 张：ORDER_LINES，已复制 1 行，约 10 行；每秒 5 行；约剩 40 秒"},
        {at(1, 10, 5, 11101), "Table 3 of 12: ORDER_LINES, 1 of about 10 rows; 5 rows/s; about 3 h 6 min left",
         "第 3 张表，共 12 张：ORDER_LINES，已复制 1 行，约 10 行；每秒 5 行；约剩 3 小时 6 分钟"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(progressText(c.progress, UiLanguage::English), QString::fromUtf8(c.english));
        EXPECT_EQ(progressText(c.progress, UiLanguage::Chinese), QString::fromUtf8(c.chinese));
    }
    for (const auto& [seconds, tail] : {std::pair{59, "about 59 s left"}, {60, "about 1 min left"},
                                        {61, "about 2 min left"}, {7140, "about 119 min left"},
                                        {7141, "about 2 h 0 min left"}})
        EXPECT_TRUE(progressText(at(1, 10, 5, seconds), UiLanguage::English).endsWith(QLatin1String(tail))) << seconds;
}
