#include "TableSteps.h"

#include "RunLock.h"
#include "data/BufferedDataSet.h"
#include "data/DbConnection.h"
#include "data/Errors.h"
#include "data/SqlQuery.h"

namespace qv {

TableSteps::TableSteps(SqlQuery& oracledata, SqlQuery& mysqlexec, BufferedDataSet& mysqldata, RunHost& host)
    : oracledata_(oracledata), mysqlexec_(mysqlexec), mysqldata_(mysqldata), host_(host)
{
}

TableSteps::~TableSteps() = default;

DbConnection& TableSteps::connectionOf(const SqlQuery& query)
{
    if (!query.connection())
        throw Error(QStringLiteral("The query has no connection"));
    return *query.connection();
}

bool TableSteps::sourceWaitsWithoutTimeLimit() const
{
    return connectionOf(oracledata_).session().waitsWithoutTimeLimit();
}

QString TableSteps::oracleName(const QString& name) const
{
    return connectionOf(oracledata_).quoteIdentifier(name);
}

QString TableSteps::oracleText(const QString& text) const
{
    return connectionOf(oracledata_).quoteLiteral(text);
}

QString TableSteps::mysqlName(const QString& name) const
{
    return connectionOf(mysqlexec_).quoteIdentifier(name);
}

QString TableSteps::mysqlText(const QString& text) const
{
    return connectionOf(mysqlexec_).quoteLiteral(text);
}

bool TableSteps::TableExists(const QString& target)
{
    // The name compared as a name, never as a LIKE pattern: exactly, or
    // without regard to letter case where the server stores names that way.
    // The plain equality lets the server look the one table up.
    const QString name = mysqlText(target);
    const QString exact = QStringLiteral("convert(") + name + QStringLiteral(" using utf8mb4) collate utf8mb4_bin");
    // Closed first: a failed row copy leaves the dataset open with its rows.
    mysqldata_.close();
    mysqldata_.setCommandText(
        QStringLiteral("select table_name from information_schema.tables where table_schema = database()"
                       " and table_name = ")
        + name + QStringLiteral(" and (table_name = ") + exact
        + QStringLiteral(" or @@lower_case_table_names <> 0 and lower(table_name) = lower(") + exact
        + QStringLiteral("))"));
    mysqldata_.open();
    const bool exists = !mysqldata_.eof();
    mysqldata_.close();
    return exists;
}

StepResult TableSteps::CheckTargetName(const QString& target) const
{
    try {
        mysqlName(target);
        return {};
    } catch (const Error& e) {
        return StepResult::failure(e.message());
    }
}

void TableSteps::LockTargetDatabase()
{
    RunLock::take(mysqlexec_);
}

void TableSteps::UnlockTargetDatabase() noexcept
{
    RunLock::release(mysqlexec_);
}

StepResult TableSteps::DropTable(const QString& target)
{
    try {
        mysqlexec_.executeDirect(QStringLiteral("drop table ") + mysqlName(target));
        return {};
    } catch (const Error& e) {
        return StepResult::failure(e.message());
    }
}

StepResult TableSteps::RenameTable(const QString& from, const QString& to)
{
    try {
        mysqlexec_.executeDirect(QStringLiteral("rename table ") + mysqlName(from) + QStringLiteral(" to ")
                                 + mysqlName(to));
        return {};
    } catch (const Error& e) {
        return StepResult::failure(e.message());
    }
}

}  // namespace qv
