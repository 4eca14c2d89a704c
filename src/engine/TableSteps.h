#pragma once

#include "StepResult.h"

#include <QString>

namespace qv {

class BufferedDataSet;
class RunHost;
class SqlQuery;

// The steps that the conversion run takes for one table, on the data access
// instances that the window owns: Oracle through `oracledata`, MySQL through
// `mysqlexec` (statements) and `mysqldata` (probe and row target).
class TableSteps {
public:
    TableSteps(SqlQuery& oracledata, SqlQuery& mysqlexec, BufferedDataSet& mysqldata, RunHost& host);

    // Whether MySQL has a table of that name. Failures are not caught.
    bool TableExists(const QString& target);
    StepResult DropTable(const QString& target);
    // Builds the Create table statement from Oracle's column catalog, puts it
    // on the clipboard and executes it.
    StepResult CreateTargetTable(const QString& source, const QString& target, const QString& characterSet);
    StepResult CreateTargetIndexes(const QString& source, const QString& target);
    // Copies every row; writes its row counts into the progress log.
    StepResult transferRows(const QString& source, const QString& target);

    // Set when MySQL refused a row during the last transferRows.
    bool insertFailed() const { return insertFailed_; }
    const QString& insertErrorText() const { return insertErrorText_; }

private:
    SqlQuery& oracledata_;
    SqlQuery& mysqlexec_;
    BufferedDataSet& mysqldata_;
    RunHost& host_;
    bool insertFailed_ = false;
    QString insertErrorText_;
};

}  // namespace qv
