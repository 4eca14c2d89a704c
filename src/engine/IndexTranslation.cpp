#include "TableSteps.h"

#include "ServerFit.h"
#include "data/DbConnection.h"
#include "data/Driver.h"
#include "data/Errors.h"
#include "data/SqlQuery.h"

#include <QHash>

namespace qv {

namespace {

// `source` is a quoted literal. A descending or expression key is a hidden
// column to Oracle, whose expression user_ind_expressions holds (SQL
// Language Reference, CREATE INDEX, ASC | DESC).
QString indexCatalogQuery(const QString& source)
{
    return QStringLiteral("select   i.index_name key_name,i.uniqueness,C.Column_Name Column_name,c.column_position  "
                          "Seq_in_index,e.column_expression  Key_expression  from   user_indexes   i  join  "
                          "user_ind_columns   c  on  i.index_name=c.index_name  left  join  user_ind_expressions   e  "
                          "on  e.index_name=c.index_name  and  e.column_position=c.column_position   where   "
                          "i.table_name=")
           + source + QStringLiteral("   order   by     i.index_name,c.column_position");
}

// The column that a key expression names alone ("A" for a descending key on
// A, doubled quotes inside); empty for any other expression.
QString columnOfExpression(const QString& expression)
{
    const QString text = expression.trimmed();
    if (text.size() < 3 || !text.startsWith(u'"') || !text.endsWith(u'"'))
        return {};
    QString name;
    for (qsizetype i = 1; i < text.size() - 1; ++i) {
        if (text.at(i) == u'"') {
            if (text.at(i + 1) != u'"' || i + 1 == text.size() - 1)
                return {};
            ++i;
        }
        name += text.at(i);
    }
    return name;
}

struct PendingIndex {
    QString keyName;
    bool unique = false;
    QStringList columns;
    QString expression;  // a key MySQL's index cannot take, when there is one
};

bool isCharacterType(const QString& dataType)
{
    static const QStringList types{"char", "varchar", "binary", "varbinary", "tinytext", "text", "mediumtext",
                                   "longtext", "tinyblob", "blob", "mediumblob", "longblob"};
    return types.contains(dataType);
}

bool needsKeyLength(const QString& dataType)
{
    return dataType.endsWith(QLatin1String("text")) || dataType.endsWith(QLatin1String("blob"));
}

}  // namespace

QStringList TableSteps::indexedColumns(const QString& source)
{
    QStringList columns;
    oracledata_.openQuery(indexCatalogQuery(oracleText(source)));
    for (oracledata_.first(); !oracledata_.eof(); oracledata_.next()) {
        const DbValue expression = oracledata_.fieldValue(QStringLiteral("Key_expression"));
        const QString column = expression.isNull() ? oracledata_.fieldValue(QStringLiteral("Column_name")).toText()
                                                   : columnOfExpression(expression.toText());
        if (!column.isEmpty() && !columns.contains(column))
            columns << column;
    }
    oracledata_.close();
    return columns;
}

IndexStepResult TableSteps::CreateTargetIndexes(const QString& source, const QString& target)
{
    IndexStepResult result;
    PendingIndex pending;
    const ServerTraits server = connectionOf(mysqlexec_).session().serverTraits();
    // Where the server limits keys, each key column as the target table has
    // it, by its name in lower case (MySQL compares column names so).
    QHash<QString, KeyColumn> targetColumns;
    if (!server.indexesWholeTextColumns) {
        mysqlexec_.openQuery(QStringLiteral("select c.column_name, c.data_type, c.character_maximum_length, "
                                            "coalesce(s.maxlen, 1) from information_schema.columns c left join "
                                            "information_schema.character_sets s on s.character_set_name = "
                                            "c.character_set_name where c.table_schema = database() and "
                                            "c.table_name = ")
                             + mysqlText(target));
        for (; !mysqlexec_.eof(); mysqlexec_.next()) {
            KeyColumn column;
            column.column = mysqlexec_.fieldText(0);
            const QString dataType = mysqlexec_.fieldText(1).toLower();
            column.character = isCharacterType(dataType);
            column.needsLength = needsKeyLength(dataType);
            column.lengthUnits = mysqlexec_.fieldValue(2).isNull() ? 0 : mysqlexec_.fieldValue(2).toInteger();
            column.bytesPerUnit = int(std::max<qint64>(mysqlexec_.fieldValue(3).toInteger(), 1));
            targetColumns.insert(column.column.toLower(), column);
        }
        mysqlexec_.close();
    }

    // Each index is complete when the first row of the next one (or the end
    // of the rows) is read; a refused statement, or one whose names cannot
    // be written, is noted and passed over.
    const auto executePending = [&] {
        // The table declares this index's key as its primary key already.
        if (pending.expression.isEmpty() && declaredKey_.target == target && !declaredKey_.indexName.isEmpty()
            && pending.keyName == declaredKey_.indexName && pending.columns == declaredKey_.columns) {
            result.primaryKeyIndex = pending.keyName;
            pending = {};
            return;
        }
        if (!pending.expression.isEmpty()) {
            const QString message = QStringLiteral("Index %1 has the expression %2 as a key; it is not made")
                                        .arg(pending.keyName, pending.expression);
            result.ok = false;
            result.message = message;
            result.refused.append({pending.keyName, message});
            pending = {};
            return;
        }
        try {
            QVector<KeyColumn> columns;
            for (const QString& name : std::as_const(pending.columns)) {
                KeyColumn column = targetColumns.value(name.toLower());
                column.column = name;
                column.name = mysqlName(name);
                columns << column;
            }
            const IndexKey key = keyForServer(pending.keyName, columns, pending.unique, server);
            if (!key.refusal.isEmpty()) {
                result.ok = false;
                result.message = key.refusal;
                result.refused.append({pending.keyName, key.refusal});
                pending = {};
                return;
            }
            mysqlexec_.executeDirect((pending.unique ? QStringLiteral("create UNIQUE index ")
                                                     : QStringLiteral("create index "))
                                     + mysqlName(pending.keyName) + QStringLiteral(" on ") + mysqlName(target)
                                     + QStringLiteral(" (") + key.parts.join(QLatin1Char(',')) + QLatin1Char(')'));
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
        const DbValue expression = oracledata_.fieldValue(QStringLiteral("Key_expression"));
        if (expression.isNull()) {
            pending.columns << oracledata_.fieldValue(QStringLiteral("Column_name")).toText();
        } else if (const QString column = columnOfExpression(expression.toText()); !column.isEmpty()) {
            pending.columns << column;  // a descending key: its order is not carried over
        } else if (pending.expression.isEmpty()) {
            pending.expression = expression.toText().trimmed();
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
