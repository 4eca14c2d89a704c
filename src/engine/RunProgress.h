#pragma once

// How far a conversion run is and how long it still takes, from the tables
// done, the rows copied and Oracle's row estimates (user_tables.num_rows,
// the optimizer's statistics: missing or stale as often as not). Plain
// arithmetic over values; the clock is given, never read.

#include <QString>
#include <QVector>
#include <optional>

namespace qv {

// One moment of a run, as a window or a terminal shows it.
struct RunProgress {
    int tableNumber = 0;  // from 1; 0 before the first table
    int tableCount = 0;
    QString table;
    qint64 rows = 0;                   // rows of this table read so far
    std::optional<qint64> estimate;    // Oracle's estimate of this table's rows
    bool moreThanEstimated = false;    // this table is past its estimate
    qint64 rowsPerSecond = 0;          // over the run's copying so far; 0 before a second has passed
    std::optional<qint64> secondsLeft; // for the whole run; none without every estimate left, or past one
    int permille = 0;                  // the bar: tables done and this table's part of its estimate
    bool finished = false;             // the run's last table is done
};

class ProgressMeter {
public:
    // The estimate of each table of the run, in the run's order.
    explicit ProgressMeter(QVector<std::optional<qint64>> estimates);

    void tableStarting(int index, const QString& table, qint64 nowMs);  // index from 0
    void rowsRead(qint64 rows, qint64 nowMs);  // of the current table, so far
    void tableDone(qint64 nowMs);
    void runDone(qint64 nowMs);

    RunProgress progress() const;
    // Whether a window should show it now: at most every `intervalMs`, and
    // at every table's start and end.
    bool due(qint64 nowMs, qint64 intervalMs = 250);

private:
    QVector<std::optional<qint64>> estimates_;
    int index_ = -1;
    int tablesDone_ = 0;
    QString table_;
    qint64 rows_ = 0;
    qint64 rowsBefore_ = 0;   // rows of the tables done
    qint64 copyingMs_ = 0;    // time spent copying rows, the tables done
    qint64 tableStartMs_ = 0;
    qint64 nowMs_ = 0;
    qint64 shownMs_ = -1;
    bool changedStep_ = true;
    bool finished_ = false;
};

}  // namespace qv
