#include "TableSteps.h"

#include "data/BufferedDataSet.h"
#include "data/Errors.h"
#include "data/SqlQuery.h"

namespace qv {

TableSteps::TableSteps(SqlQuery& oracledata, SqlQuery& mysqlexec, BufferedDataSet& mysqldata, RunHost& host)
    : oracledata_(oracledata), mysqlexec_(mysqlexec), mysqldata_(mysqldata), host_(host)
{
    mysqldata_.onReconcileError = [this](const QString& message) { mysqldataReconcileError(message); };
}

TableSteps::~TableSteps()
{
    mysqldata_.onReconcileError = nullptr;
}

bool TableSteps::TableExists(const QString& target)
{
    // Closed first: a failed row copy leaves the dataset open with its rows.
    mysqldata_.close();
    mysqldata_.setCommandText(QStringLiteral("show tables like '") + target + QLatin1Char('\''));
    mysqldata_.open();
    const bool exists = !mysqldata_.eof();
    mysqldata_.close();
    return exists;
}

StepResult TableSteps::DropTable(const QString& target)
{
    try {
        mysqlexec_.executeDirect(QStringLiteral("drop table ") + target);
        return {};
    } catch (const Error& e) {
        return StepResult::failure(e.message());
    }
}

}  // namespace qv
