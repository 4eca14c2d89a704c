#pragma once

#include "SourceColumns.h"
#include "StepResult.h"
#include "TableConstraints.h"

#include <QString>
#include <QStringList>
#include <QVector>
#include <functional>
#include <optional>

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
    // The index not made because the table declares it as its primary key.
    QString primaryKeyIndex;
};

// What CreateTargetTable did: ok when MySQL took the statement. Either way
// `notes` are lines for the log after the definition (a NUMBER whose values
// decided its type, what of the keys and constraints stayed behind), and
// `columnsLeftOut` the columns that have no MySQL home, as "NAME (TYPE)".
// With keys and constraints, `foreignKeys` are the table's, for the run to
// add once every table has its rows.
struct DefinitionStepResult : StepResult {
    QStringList notes;
    QStringList columnsLeftOut;
    QVector<ForeignKey> foreignKeys;

    static DefinitionStepResult failure(const QString& message)
    {
        DefinitionStepResult result;
        result.ok = false;
        result.message = message;
        return result;
    }
};

// What transferRows did. ok is false when the copy ended early (its message
// is then in the log); a row that MySQL refused leaves ok true and is told by
// refusedRow.
struct RowStepResult : StepResult {
    qint64 rowsRead = 0;         // source rows read and posted
    qint64 rowsKept = 0;         // rows left in the target table
    bool rowRefused = false;
    QString refusedRowMessage;   // the server's message for the refused row
    QStringList columnsNotCopied;  // source columns the target lacks, or ones without a MySQL home ("NAME (TYPE)")
    // The columns where values were rounded to the target column, and how many.
    QVector<QPair<QString, qint64>> rounded;
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
    // Builds the Create table statement from Oracle's column catalog (the
    // values of each NUMBER without precision and scale decide its type, a
    // column without a MySQL home is left out), puts it on the clipboard
    // and executes it.
    // With keys and constraints, or on a server that requires primary keys,
    // it declares the table's primary key too (a table without one fails on
    // such a server), and with keys and constraints NOT NULL, defaults,
    // identities, checks and comments where MySQL has a sound form of them.
    DefinitionStepResult CreateTargetTable(const QString& source, const QString& target, const QString& characterSet);
    // One create index statement per index of the Oracle table, but for the
    // index of the primary key that CreateTargetTable declared; a refused
    // statement is passed over and returned. A failure of the index catalog
    // query is not caught.
    IndexStepResult CreateTargetIndexes(const QString& source, const QString& target);
    // Adds a foreign key of the Oracle table to its MySQL table `target`,
    // referencing `parentTarget`; the server's refusal is returned.
    StepResult AddForeignKey(const ForeignKey& key, const QString& target, const QString& parentTarget);
    // Whether CreateTargetTable carries keys and constraints.
    void setKeysAndConstraints(bool on) { keysAndConstraints_ = on; }

    // Copies every row, applying every 5000 rows (first after 100); writes
    // its row counts into the progress log and honours Stop every 100 rows
    // (the copy then ends with the message "Operation aborted").
    RowStepResult transferRows(const QString& source, const QString& target);
    // Whether transferRows rounds a value the target column cannot hold
    // exactly to what it holds (and counts it), rather than refusing it.
    void setRoundValues(bool round) { roundValues_ = round; }
    // A row that MySQL refused during an apply of transferRows, which binds
    // the row target's reconcile handler here while it copies.
    void mysqldataReconcileError(const QString& message);

    // Oracle's estimate of each table's rows (user_tables.num_rows), in the
    // order given; none where it has none, and none at all when the
    // dictionary does not answer.
    QVector<std::optional<qint64>> readRowEstimates(const QStringList& sources);
    // Called with the rows read so far while transferRows copies.
    std::function<void(qint64)> onRowsRead;

    // Whether a call to the source may wait for its server without end (an
    // Oracle client older than 18c has no call time limit).
    bool sourceWaitsWithoutTimeLimit() const;

    // The run lock of the target database (see RunLock).
    void LockTargetDatabase();
    void UnlockTargetDatabase() noexcept;

private:
    static DbConnection& connectionOf(const SqlQuery& query);
    // A source column of the row query and the target field it goes to;
    // for a geometry, the column of its SRID too (else -1).
    struct Copied {
        int source;
        int target;
        int srid = -1;
    };
    // `row` counts the source's rows from 1, for the message of a refused value.
    void copyField(const Copied& column, qint64 row);
    // The table's columns from the catalog, with their MySQL types.
    QVector<SourceColumn> readSourceColumns(const QString& source);
    // Gives each NUMBER without precision and scale the type its values
    // need; a line in `notes` for each that is no bigint.
    void fitNumbersToValues(const QString& source, const QString& target, QVector<SourceColumn>& columns,
                            QStringList& notes);
    // Makes each column's type one the target server takes, and, on a
    // server that cannot index whole TEXT columns, a character column that
    // an index covers a VARCHAR.
    void fitColumnsToServer(const QString& source, QVector<SourceColumn>& columns);
    // The columns that the Oracle table's indexes cover (a descending key's
    // column included).
    QStringList indexedColumns(const QString& source);
    // The table's primary key, and with `everything` its foreign keys,
    // checks, identity columns and comments. Failures are raised.
    TableConstraints readConstraints(const QString& source, bool everything);
    // The Create table statement's column, key and check lines for the
    // table's constraints; what stays behind goes to `result.notes`.
    // Raises, with the line for the log, when the server requires a
    // primary key that the table cannot declare.
    QStringList constrainedLines(const QString& target, QVector<const SourceColumn*>& kept,
                                 const TableConstraints& constraints, const QString& characterSet,
                                 DefinitionStepResult& result);
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
    bool roundValues_ = false;
    bool keysAndConstraints_ = false;
    // The primary key the last CreateTargetTable declared, by its index.
    struct DeclaredKey {
        QString target;
        QString indexName;
        QStringList columns;
    } declaredKey_;
};

}  // namespace qv
