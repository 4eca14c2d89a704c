#include "RunProgress.h"

#include <algorithm>

namespace qv {

ProgressMeter::ProgressMeter(QVector<std::optional<qint64>> estimates) : estimates_(std::move(estimates)) {}

void ProgressMeter::tableStarting(int index, const QString& table, qint64 nowMs)
{
    index_ = index;
    table_ = table;
    rows_ = 0;
    tableStartMs_ = nowMs;
    nowMs_ = nowMs;
    changedStep_ = true;
}

void ProgressMeter::rowsRead(qint64 rows, qint64 nowMs)
{
    rows_ = rows;
    nowMs_ = nowMs;
}

void ProgressMeter::tableDone(qint64 nowMs)
{
    nowMs_ = nowMs;
    rowsBefore_ += rows_;
    copyingMs_ += nowMs - tableStartMs_;
    tableStartMs_ = nowMs;
    ++tablesDone_;
    changedStep_ = true;
}

void ProgressMeter::runDone(qint64 nowMs)
{
    nowMs_ = nowMs;
    finished_ = true;
    changedStep_ = true;
}

RunProgress ProgressMeter::progress() const
{
    RunProgress p;
    p.tableCount = int(estimates_.size());
    p.tableNumber = index_ + 1;
    p.table = table_;
    p.rows = rows_;
    p.finished = finished_;
    if (index_ >= 0 && index_ < estimates_.size())
        p.estimate = estimates_.at(index_);
    p.moreThanEstimated = p.estimate && rows_ > *p.estimate;

    // The current table counts while it is under way, not again once done.
    const bool current = tablesDone_ <= index_;
    const qint64 rowsSoFar = rowsBefore_ + (current ? rows_ : 0);
    const qint64 msSoFar = copyingMs_ + (current ? nowMs_ - tableStartMs_ : 0);
    if (msSoFar >= 1000)
        p.rowsPerSecond = rowsSoFar * 1000 / msSoFar;

    double part = 0;
    if (current && p.estimate && *p.estimate > 0)
        part = std::min(1.0, double(rows_) / double(*p.estimate));
    if (p.tableCount > 0)
        p.permille = finished_ ? 1000
                               : std::clamp(int((tablesDone_ + part) * 1000 / p.tableCount), 0, 1000);

    // Every row still to come is estimated; past an estimate nobody knows.
    if (!finished_ && current && p.estimate && !p.moreThanEstimated && p.rowsPerSecond > 0) {
        qint64 rowsLeft = *p.estimate - rows_;
        bool known = true;
        for (int i = index_ + 1; i < estimates_.size() && known; ++i) {
            known = estimates_.at(i).has_value();
            rowsLeft += estimates_.at(i).value_or(0);
        }
        if (known)
            p.secondsLeft = (rowsLeft + p.rowsPerSecond - 1) / p.rowsPerSecond;
    }
    return p;
}

bool ProgressMeter::due(qint64 nowMs, qint64 intervalMs)
{
    if (!changedStep_ && shownMs_ >= 0 && nowMs - shownMs_ < intervalMs)
        return false;
    changedStep_ = false;
    shownMs_ = nowMs;
    return true;
}

}  // namespace qv
