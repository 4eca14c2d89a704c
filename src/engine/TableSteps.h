#pragma once

#include "StepResult.h"

#include <QString>
#include <QStringList>
#include <QVector>

namespace qv {

class BufferedDataSet;
class RunHost;
class SqlQuery;

// The steps that the conversion run takes for one table, on the data access
// instances that the window owns: Oracle through `oracledata`, MySQL through
// `mysqlexec` (statements) and `mysqldata` (probe and row target).
class TableSteps {
public:
    // An index statement that MySQL refused.
    struct IndexFailure {
        QString keyName;
        QString message;
    };

    // Binds the row target's reconcile handler to mysqldataReconcileError.
    TableSteps(SqlQuery& oracledata, SqlQuery& mysqlexec, BufferedDataSet& mysqldata, RunHost& host);
    ~TableSteps();
    TableSteps(const TableSteps&) = delete;
    TableSteps& operator=(const TableSteps&) = delete;

    // Whether MySQL has a table of exactly that name (letter case as the
    // server compares table names). Failures are not caught.
    bool TableExists(const QString& target);
    StepResult DropTable(const QString& target);
    StepResult RenameTable(const QString& from, const QString& to);
    // Builds the Create table statement from Oracle's column catalog, puts it
    // on the clipboard and executes it.
    StepResult CreateTargetTable(const QString& source, const QString& target, const QString& characterSet);
    // One create index statement per index of the Oracle table; a refused
    // statement is passed over (see indexFailures). A failure of the index
    // catalog query is not caught.
    StepResult CreateTargetIndexes(const QString& source, const QString& target);
    // The statements refused by the last CreateTargetIndexes, in order.
    const QVector<IndexFailure>& indexFailures() const { return indexFailures_; }

    // Copies every row, applying every 5000 rows (first after 100); writes
    // its row counts into the progress log and honours Stop every 100 rows.
    StepResult transferRows(const QString& source, const QString& target);
    // A row that MySQL refused during an apply.
    void mysqldataReconcileError(const QString& message);

    // Set when MySQL refused a row during the last transferRows.
    bool insertFailed() const { return insertFailed_; }
    const QString& insertErrorText() const { return insertErrorText_; }
    // Source columns that the target of the last transferRows lacks.
    const QStringList& columnsNotCopied() const { return columnsNotCopied_; }
    // Rows that the last transferRows left in its table.
    qint64 rowsKept() const { return rowsKept_; }

    // One run at a time per target database: a named server lock, held by
    // the target connection until unlocked or closed. Raises qv::Error when
    // another run holds it.
    void LockTargetDatabase();
    void UnlockTargetDatabase() noexcept;

private:
    void copyField(const QString& name);
    // Names and text literals as each server reads them.
    QString oracleName(const QString& name) const;
    QString oracleText(const QString& text) const;
    QString mysqlName(const QString& name) const;
    QString mysqlText(const QString& text) const;

    SqlQuery& oracledata_;
    SqlQuery& mysqlexec_;
    BufferedDataSet& mysqldata_;
    RunHost& host_;
    bool insertFailed_ = false;
    QString insertErrorText_;
    QStringList columnsNotCopied_;
    qint64 rowsKept_ = 0;
    QVector<IndexFailure> indexFailures_;
};

}  // namespace qv
