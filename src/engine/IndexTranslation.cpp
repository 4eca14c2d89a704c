#include "TableSteps.h"

#include "data/Errors.h"
#include "data/SqlQuery.h"

namespace qv {

namespace {

// `source` is a quoted literal.
QString indexCatalogQuery(const QString& source)
{
    return QStringLiteral("select   i.index_name key_name,i.uniqueness,C.Column_Name Column_name,c.column_position  Seq_in_index  from   user_indexes   i,user_ind_columns   c   where   i.index_name=c.index_name   and   i.table_name=") + source
           + QStringLiteral("   order   by     i.index_name,c.column_position");
}

struct PendingIndex {
    QString keyName;
    bool unique = false;
    QStringList columns;
};

}  // namespace

IndexStepResult TableSteps::CreateTargetIndexes(const QString& source, const QString& target)
{
    IndexStepResult result;
    PendingIndex pending;

    // Each index is complete when the first row of the next one (or the end
    // of the rows) is read; a refused statement, or one whose names cannot
    // be written, is noted and passed over.
    const auto executePending = [&] {
        try {
            QStringList columns;
            for (const QString& column : std::as_const(pending.columns))
                columns << mysqlName(column);
            mysqlexec_.executeDirect((pending.unique ? QStringLiteral("create UNIQUE index ")
                                                     : QStringLiteral("create index "))
                                     + mysqlName(pending.keyName) + QStringLiteral(" on ") + mysqlName(target)
                                     + QStringLiteral(" (") + columns.join(QLatin1Char(',')) + QLatin1Char(')'));
        } catch (const Error& e) {
            result.ok = false;
            result.message = e.message();
            result.refused.append({pending.keyName, e.message()});
        }
        pending = {};
    };

    // Failures of the catalog query itself are not caught: they end the run.
    oracledata_.openQuery(indexCatalogQuery(oracleText(source)));
    oracledata_.first();
    int row = 1;
    while (!oracledata_.eof()) {
        const bool firstColumn = oracledata_.fieldValue(QStringLiteral("Seq_in_index")).toText() == QLatin1String("1");
        if (row > 1 && firstColumn)
            executePending();
        if (firstColumn) {
            pending.keyName = oracledata_.fieldValue(QStringLiteral("key_name")).toText();
            pending.unique = oracledata_.fieldValue(QStringLiteral("uniqueness")).toText() == QLatin1String("UNIQUE");
        }
        pending.columns << oracledata_.fieldValue(QStringLiteral("Column_name")).toText();
        oracledata_.next();
        ++row;
    }
    if (row > 1)
        executePending();
    oracledata_.close();
    return result;
}

}  // namespace qv
