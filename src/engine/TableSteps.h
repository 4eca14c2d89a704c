#pragma once

#include "StepResult.h"

#include <QString>
#include <QStringList>
#include <QVector>

namespace qv {

class BufferedDataSet;
class DbConnection;
class RunHost;
class SqlQuery;

// What CreateTargetIndexes did: ok when MySQL took every index statement;
// otherwise message is the last refusal, and refused lists them all in order.
struct IndexStepResult : StepResult {
    struct Refusal {
        QString keyName;
        QString message;
    };
    QVector<Refusal> refused;
};

// What transferRows did. ok is false when the copy ended early (its message
// is then in the log); a row that MySQL refused leaves ok true and is told by
// refusedRow.
struct RowStepResult : StepResult {
    qint64 rowsRead = 0;         // source rows read and posted
    qint64 rowsKept = 0;         // rows left in the target table
    bool rowRefused = false;
    QString refusedRowMessage;   // the server's message for the refused row
    QStringList columnsNotCopied;  // source columns the target lacks
};

// The steps that the conversion run takes for one table, on the session's
// data access instances: Oracle through `oracledata`, MySQL through
// `mysqlexec` (statements) and `mysqldata` (probe and row target).
class TableSteps {
public:
    TableSteps(SqlQuery& oracledata, SqlQuery& mysqlexec, BufferedDataSet& mysqldata, RunHost& host);
    ~TableSteps();
    TableSteps(const TableSteps&) = delete;
    TableSteps& operator=(const TableSteps&) = delete;

    // Whether MySQL has a table of exactly that name (letter case as the
    // server compares table names). Failures are not caught.
    bool TableExists(const QString& target);
    // Whether the name can be written in statements on the target
    // connection (its character set has every character of it).
    StepResult CheckTargetName(const QString& target) const;
    StepResult DropTable(const QString& target);
    StepResult RenameTable(const QString& from, const QString& to);
    // Builds the Create table statement from Oracle's column catalog, puts it
    // on the clipboard and executes it.
    StepResult CreateTargetTable(const QString& source, const QString& target, const QString& characterSet);
    // One create index statement per index of the Oracle table; a refused
    // statement is passed over and returned. A failure of the index catalog
    // query is not caught.
    IndexStepResult CreateTargetIndexes(const QString& source, const QString& target);

    // Copies every row, applying every 5000 rows (first after 100); writes
    // its row counts into the progress log and honours Stop every 100 rows
    // (the copy then ends with the message "Operation aborted").
    RowStepResult transferRows(const QString& source, const QString& target);
    // A row that MySQL refused during an apply of transferRows, which binds
    // the row target's reconcile handler here while it copies.
    void mysqldataReconcileError(const QString& message);

    // Whether a call to the source may wait for its server without end (an
    // Oracle client older than 18c has no call time limit).
    bool sourceWaitsWithoutTimeLimit() const;

    // The run lock of the target database (see RunLock).
    void LockTargetDatabase();
    void UnlockTargetDatabase() noexcept;

private:
    static DbConnection& connectionOf(const SqlQuery& query);
    // The value of source column `source` into target field `target`.
    void copyField(int source, int target);
    // The query of the source table's rows, every column of it included.
    QString sourceRowQuery(const QString& source);
    // Names and text literals as each server reads them.
    QString oracleName(const QString& name) const;
    QString oracleText(const QString& text) const;
    QString mysqlName(const QString& name) const;
    QString mysqlText(const QString& text) const;

    SqlQuery& oracledata_;
    SqlQuery& mysqlexec_;
    BufferedDataSet& mysqldata_;
    RunHost& host_;
    RowStepResult* copying_ = nullptr;  // the result of the transferRows under way
};

}  // namespace qv
