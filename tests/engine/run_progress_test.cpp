#include "engine/RunProgress.h"
#include "support/QtPrinters.h"

#include <gtest/gtest.h>

using namespace qv;

namespace {

constexpr auto none = std::nullopt;

struct Case {
    const char* name;
    QVector<std::optional<qint64>> estimates;
    qint64 rows;  // of the second table, read 10 s into it; the first copied 1,000 rows in 10 s
    int permille;
    std::optional<qint64> secondsLeft;
    bool moreThanEstimated;
};

const Case cases[] = {
    // 2,000 rows in 20 s: 100 rows/s; 1,000 + 3,000 rows to go.
    {"estimates", {1000, 2000, 3000}, 1000, 500, 40, false},
    {"a table without statistics left", {1000, 2000, none}, 1000, 500, none, false},
    {"this table without statistics", {1000, none, 3000}, 1000, 333, none, false},
    {"stale: past its estimate", {1000, 500, 3000}, 1000, 666, none, true},
    {"at its estimate", {1000, 1000, 3000}, 1000, 666, 30, false},
    {"an empty table by its statistics", {1000, 0, 0}, 1000, 333, none, true},
    {"no row yet", {1000, 0, 0}, 0, 333, 0, false},
};

}  // namespace

TEST(RunProgress, TheBarAndTheTimeLeftFollowTheEstimatesAndNeverGoBackwards)
{
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ProgressMeter meter(c.estimates);
        meter.tableStarting(0, QStringLiteral("A"), 0);
        meter.rowsRead(1000, 10'000);
        meter.tableDone(10'000);
        meter.tableStarting(1, QStringLiteral("B"), 10'000);
        meter.rowsRead(c.rows, 20'000);
        const RunProgress p = meter.progress();
        EXPECT_EQ(p.tableNumber, 2);
        EXPECT_EQ(p.tableCount, 3);
        EXPECT_EQ(p.table, QStringLiteral("B"));
        EXPECT_EQ(p.rowsPerSecond, (1000 + c.rows) / 20);
        EXPECT_EQ(p.permille, c.permille);
        EXPECT_EQ(p.secondsLeft, c.secondsLeft);
        EXPECT_EQ(p.moreThanEstimated, c.moreThanEstimated);
    }
}

TEST(RunProgress, ARunEndsFullAndItsFirstSecondHasNoRate)
{
    ProgressMeter meter({none});
    meter.tableStarting(0, QStringLiteral("A"), 0);
    EXPECT_TRUE(meter.due(0));
    meter.rowsRead(100, 200);
    EXPECT_EQ(meter.progress().rowsPerSecond, 0);  // no rate from a fifth of a second
    EXPECT_FALSE(meter.due(200));                  // a few times a second at most
    EXPECT_TRUE(meter.due(300));
    meter.tableDone(2000);
    meter.runDone(2000);
    const RunProgress p = meter.progress();
    EXPECT_TRUE(p.finished);
    EXPECT_EQ(p.permille, 1000);
    EXPECT_EQ(p.rowsPerSecond, 50);
    EXPECT_FALSE(p.secondsLeft.has_value());
    EXPECT_TRUE(meter.due(2000));  // the end is always shown
}
