#include "TableSteps.h"

#include "data/DbConnection.h"
#include "data/Errors.h"
#include "data/SqlQuery.h"

namespace qv {

namespace {

QString textOf(const SqlQuery& query, const char* name)
{
    return query.fieldValue(QString::fromLatin1(name)).toText();
}

}  // namespace

TableConstraints TableSteps::readConstraints(const QString& source, bool everything)
{
    TableConstraints constraints;
    const QString table = oracleText(source);
    // The primary key and the foreign keys with their columns in key order,
    // each referenced column beside its own (Oracle Database Reference,
    // ALL_CONSTRAINTS and ALL_CONS_COLUMNS: R_CONSTRAINT_NAME names the
    // parent's key). A parent in another schema is not in user_constraints.
    oracledata_.openQuery(
        QStringLiteral("select c.constraint_name, c.constraint_type, c.status, c.index_name, c.delete_rule, "
                       "cc.column_name, r.table_name r_table_name, rc.column_name r_column_name "
                       "from user_constraints c join user_cons_columns cc on cc.constraint_name = c.constraint_name "
                       "and cc.table_name = c.table_name "
                       "left join user_constraints r on r.constraint_name = c.r_constraint_name "
                       "left join user_cons_columns rc on rc.constraint_name = r.constraint_name "
                       "and rc.position = cc.position where c.table_name = ")
        + table
        + (everything ? QStringLiteral(" and c.constraint_type in ('P', 'R')")
                      : QStringLiteral(" and c.constraint_type = 'P'"))
        + QStringLiteral(" order by c.constraint_name, cc.position"));
    for (oracledata_.first(); !oracledata_.eof(); oracledata_.next()) {
        const QString name = textOf(oracledata_, "constraint_name");
        const bool enabled = textOf(oracledata_, "status") == QLatin1String("ENABLED");
        if (textOf(oracledata_, "constraint_type") == QLatin1String("P")) {
            if (!enabled)
                continue;  // a disabled key guards nothing, and has no index
            if (!constraints.primaryKey)
                constraints.primaryKey = PrimaryKey{name, textOf(oracledata_, "index_name"), {}};
            constraints.primaryKey->columns << textOf(oracledata_, "column_name");
            continue;
        }
        if (constraints.foreignKeys.isEmpty() || constraints.foreignKeys.back().name != name) {
            ForeignKey key;
            key.name = name;
            key.table = source;
            key.parentTable = textOf(oracledata_, "r_table_name");
            key.deleteRule = textOf(oracledata_, "delete_rule");
            key.enabled = enabled;
            constraints.foreignKeys.append(key);
        }
        constraints.foreignKeys.back().columns << textOf(oracledata_, "column_name");
        constraints.foreignKeys.back().parentColumns << textOf(oracledata_, "r_column_name");
    }
    oracledata_.close();
    if (!everything)
        return constraints;

    oracledata_.openQuery(QStringLiteral("select constraint_name, search_condition, status, validated from "
                                         "user_constraints where table_name = ")
                          + table + QStringLiteral(" and constraint_type = 'C' order by constraint_name"));
    for (oracledata_.first(); !oracledata_.eof(); oracledata_.next())
        constraints.checks.append({textOf(oracledata_, "constraint_name"), textOf(oracledata_, "search_condition"),
                                   textOf(oracledata_, "status") == QLatin1String("ENABLED")
                                       && textOf(oracledata_, "validated") == QLatin1String("VALIDATED")});
    oracledata_.close();

    // Identity columns came with Oracle 12c; an older server has no such
    // view, and no identities.
    try {
        oracledata_.openQuery(QStringLiteral("select column_name from user_tab_identity_cols where table_name = ")
                              + table);
        for (oracledata_.first(); !oracledata_.eof(); oracledata_.next())
            constraints.identityColumns << textOf(oracledata_, "column_name");
        oracledata_.close();
    } catch (const Error&) {
        oracledata_.close();
    }

    oracledata_.openQuery(QStringLiteral("select comments from user_tab_comments where table_name = ") + table);
    if (oracledata_.first(), !oracledata_.eof())
        constraints.comment = textOf(oracledata_, "comments");
    oracledata_.close();
    oracledata_.openQuery(QStringLiteral("select column_name, comments from user_col_comments where table_name = ")
                          + table + QStringLiteral(" and comments is not null"));
    for (oracledata_.first(); !oracledata_.eof(); oracledata_.next())
        constraints.columnComments.insert(textOf(oracledata_, "column_name"), textOf(oracledata_, "comments"));
    oracledata_.close();
    return constraints;
}

QVector<std::optional<qint64>> TableSteps::readRowEstimates(const QStringList& sources)
{
    QVector<std::optional<qint64>> estimates(sources.size());
    try {
        QHash<QString, qint64> byTable;
        oracledata_.openQuery(QStringLiteral("select table_name, num_rows from user_tables where num_rows is not null"));
        for (oracledata_.first(); !oracledata_.eof(); oracledata_.next())
            byTable.insert(textOf(oracledata_, "table_name"), oracledata_.fieldValue(1).toInteger());
        oracledata_.close();
        for (qsizetype i = 0; i < sources.size(); ++i)
            if (const auto found = byTable.constFind(sources.at(i)); found != byTable.constEnd())
                estimates[i] = *found;
    } catch (const Error&) {
        oracledata_.close();  // a run without estimates
    }
    return estimates;
}

StepResult TableSteps::AddForeignKey(const ForeignKey& key, const QString& target, const QString& parentTarget)
{
    try {
        QStringList columns, parentColumns;
        for (const QString& column : key.columns)
            columns << mysqlName(column);
        for (const QString& column : key.parentColumns)
            parentColumns << mysqlName(column);
        // Oracle's delete rules are MySQL's; NO ACTION is MySQL's default.
        QString onDelete;
        if (key.deleteRule == QLatin1String("CASCADE"))
            onDelete = QStringLiteral(" on delete cascade");
        else if (key.deleteRule == QLatin1String("SET NULL"))
            onDelete = QStringLiteral(" on delete set null");
        mysqlexec_.executeDirect(QStringLiteral("alter table ") + mysqlName(target) + QStringLiteral(" add constraint ")
                                 + mysqlName(key.name) + QStringLiteral(" foreign key (")
                                 + columns.join(QLatin1Char(',')) + QStringLiteral(") references ")
                                 + mysqlName(parentTarget) + QStringLiteral(" (") + parentColumns.join(QLatin1Char(','))
                                 + QLatin1Char(')') + onDelete);
        return {};
    } catch (const Error& e) {
        return StepResult::failure(e.message());
    }
}

}  // namespace qv
