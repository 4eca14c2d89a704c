#include "TableSteps.h"

#include "data/Errors.h"
#include "data/SqlQuery.h"

namespace qv {

namespace {

QString indexCatalogQuery(const QString& source)
{
    return QStringLiteral("select   i.index_name key_name,i.uniqueness,C.Column_Name Column_name,c.column_position  Seq_in_index  from   user_indexes   i,user_ind_columns   c   where   i.index_name=c.index_name   and   i.table_name='") + source
           + QStringLiteral("'   order   by     i.index_name,c.column_position");
}

}  // namespace

StepResult TableSteps::CreateTargetIndexes(const QString& source, const QString& target)
{
    StepResult result;
    indexFailures_.clear();
    QString pending;
    QString pendingKey;

    // Each index is complete when the first row of the next one (or the end
    // of the rows) is read; a refused statement is noted and passed over.
    const auto executePending = [&] {
        pending += QLatin1Char(')');
        try {
            mysqlexec_.executeDirect(pending);
        } catch (const Error& e) {
            result = StepResult::failure(e.message());
            indexFailures_.append({pendingKey, e.message()});
        }
        pending.clear();
    };

    // Failures of the catalog query itself are not caught: they end the run.
    oracledata_.openQuery(indexCatalogQuery(source));
    oracledata_.first();
    int row = 1;
    while (!oracledata_.eof()) {
        const bool firstColumn = oracledata_.fieldValue(QStringLiteral("Seq_in_index")).toText() == QLatin1String("1");
        if (row > 1 && firstColumn)
            executePending();
        const QString column = oracledata_.fieldValue(QStringLiteral("Column_name")).toText();
        if (firstColumn) {
            pendingKey = oracledata_.fieldValue(QStringLiteral("key_name")).toText();
            const bool unique = oracledata_.fieldValue(QStringLiteral("uniqueness")).toText() == QLatin1String("UNIQUE");
            pending += unique ? QStringLiteral("create UNIQUE index ") : QStringLiteral("create index ");
            pending += pendingKey + QStringLiteral(" on ") + target + QStringLiteral(" (") + column;
        } else {
            pending += QLatin1Char(',') + column;
        }
        oracledata_.next();
        ++row;
    }
    if (row > 1)
        executePending();
    oracledata_.close();
    return result;
}

}  // namespace qv
