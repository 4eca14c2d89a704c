#include "TableSteps.h"

#include "RunHost.h"
#include "ServerFit.h"
#include "TypeMapping.h"
#include "data/DbConnection.h"
#include "data/Driver.h"
#include "data/Errors.h"
#include "data/SqlQuery.h"

#include <QStringList>

namespace qv {

namespace {

std::optional<qint64> optionalInteger(const DbValue& value)
{
    if (value.isNull())
        return std::nullopt;
    return value.toInteger();
}

CatalogColumn catalogColumn(const SqlQuery& catalog)
{
    CatalogColumn column;
    column.dataType = catalog.fieldValue(QStringLiteral("data_type")).toText();
    column.dataLength = catalog.fieldValue(QStringLiteral("data_length")).toInteger();
    column.dataPrecision = optionalInteger(catalog.fieldValue(QStringLiteral("data_precision")));
    column.dataScale = optionalInteger(catalog.fieldValue(QStringLiteral("data_scale")));
    column.dataTypeOwner = catalog.fieldValue(QStringLiteral("data_type_owner")).toText();
    column.charLength = catalog.fieldValue(QStringLiteral("char_length")).toInteger();
    return column;
}

// For each text `t` of a NUMBER in the text-minimum format (".5", "-12.25",
// scientific beyond 64 characters): its fraction digits and its integer
// digits; 99 for a scientific text, which no decimal holds whole.
QString fractionDigits(const QString& t)
{
    return QStringLiteral("case when instr(%1, 'E') > 0 then 99 when instr(%1, '.') > 0 then length(%1) - instr(%1, "
                          "'.') else 0 end")
        .arg(t);
}

QString integerDigits(const QString& t)
{
    return QStringLiteral("case when instr(%1, 'E') > 0 then 99 when instr(%1, '.') > 0 then instr(%1, '.') - 1 "
                          "else length(%1) end - case when substr(%1, 1, 1) = '-' then 1 else 0 end")
        .arg(t);
}

}  // namespace

QVector<SourceColumn> TableSteps::readSourceColumns(const QString& source)
{
    QVector<SourceColumn> columns;
    // Invisible columns (no column_id) last, as Oracle sorts NULLs.
    oracledata_.openQuery(QStringLiteral("select * from user_tab_columns where table_name = ") + oracleText(source)
                          + QStringLiteral(" order by column_id nulls last"));
    for (oracledata_.first(); !oracledata_.eof(); oracledata_.next()) {
        SourceColumn column;
        column.name = oracledata_.fieldValue(QStringLiteral("column_name")).toText();
        column.catalog = catalogColumn(oracledata_);
        column.invisible = oracledata_.fieldValue(QStringLiteral("column_id")).isNull();
        if (keysAndConstraints_) {
            column.nullable = oracledata_.fieldValue(QStringLiteral("nullable")).toText() != QLatin1String("N");
            if (const DbValue value = oracledata_.fieldValue(QStringLiteral("data_default")); !value.isNull())
                column.dataDefault = value.toText();
        }
        column.mysqlType = mysqlTypeText(column.catalog);
        column.reading = readingOf(column.catalog, column.mysqlType);
        columns.append(std::move(column));
    }
    return columns;
}

void TableSteps::fitNumbersToValues(const QString& source, const QString& target, QVector<SourceColumn>& columns,
                                    QStringList& notes)
{
    QVector<int> open;
    for (int i = 0; i < columns.size(); ++i)
        if (isUnconstrainedNumber(columns.at(i).catalog))
            open << i;
    if (open.isEmpty())
        return;
    // One pass over the table asks, for all of them at once, how many
    // integer and fraction digits their values need (TO_CHAR's TM9 format,
    // INSTR, LENGTH, SUBSTR: SQL Language Reference).
    QStringList texts, digits;
    for (int k = 0; k < open.size(); ++k) {
        const QString t = QStringLiteral("t%1").arg(k);
        texts << QStringLiteral("to_char(%1, 'TM9') %2").arg(oracleName(columns.at(open.at(k)).name), t);
        digits << QStringLiteral("max(%1) f%2").arg(fractionDigits(t)).arg(k)
               << QStringLiteral("max(%1) i%2").arg(integerDigits(t)).arg(k);
    }
    oracledata_.openQuery(QStringLiteral("select ") + digits.join(QStringLiteral(", ")) + QStringLiteral(" from (select ")
                          + texts.join(QStringLiteral(", ")) + QStringLiteral(" from ") + oracleName(source)
                          + QStringLiteral(")"));
    for (int k = 0; k < open.size(); ++k) {
        SourceColumn& column = columns[open.at(k)];
        const std::optional<qint64> fraction = optionalInteger(oracledata_.fieldValue(2 * k));
        const std::optional<qint64> whole = optionalInteger(oracledata_.fieldValue(2 * k + 1));
        const QString type = numberTypeForValues(column.catalog, whole, fraction);
        if (type == column.mysqlType)
            continue;
        column.mysqlType = type;
        notes << QStringLiteral("Column %1 of %2 holds %3: %4")
                     .arg(column.name, target,
                          fraction.value_or(0) > 0 ? QStringLiteral("fractions")
                                                   : QStringLiteral("whole numbers beyond a bigint"),
                          type.trimmed());
    }
    oracledata_.close();
}

void TableSteps::fitColumnsToServer(const QString& source, QVector<SourceColumn>& columns)
{
    const ServerTraits server = connectionOf(mysqlexec_).session().serverTraits();
    for (SourceColumn& column : columns)
        column.mysqlType = typeForServer(column.mysqlType, server);
    if (server.indexesWholeTextColumns)
        return;
    // A server that indexes a TEXT column only by a prefix would weaken
    // every index on it: a character column that an index covers keeps its
    // length in characters as a VARCHAR (at most 65,535 bytes a row: 16,383
    // four-byte characters), so that the index keeps its whole key.
    constexpr qint64 longestVarchar = 16383;
    static const QStringList characterTypes{QStringLiteral("VARCHAR2"), QStringLiteral("NVARCHAR2"),
                                            QStringLiteral("CHAR"), QStringLiteral("NCHAR"), QStringLiteral("UROWID")};
    const QStringList covered = indexedColumns(source);
    for (SourceColumn& column : columns) {
        if (column.mysqlType != QLatin1String(" text") || !characterTypes.contains(column.catalog.dataType)
            || !covered.contains(column.name))
            continue;
        const qint64 characters = column.catalog.charLength > 0 ? column.catalog.charLength : column.catalog.dataLength;
        if (characters <= longestVarchar)
            column.mysqlType = QStringLiteral(" varchar(%1)").arg(characters);
    }
}

DefinitionStepResult TableSteps::CreateTargetTable(const QString& source, const QString& target,
                                                   const QString& characterSet)
{
    DefinitionStepResult result;
    declaredKey_ = {};
    try {
        const bool keyRequired = !connectionOf(mysqlexec_).session().serverTraits().primaryKeyRequirement.isEmpty();
        TableConstraints constraints;
        if (keysAndConstraints_ || keyRequired)
            constraints = readConstraints(source, keysAndConstraints_);
        QVector<SourceColumn> columns = readSourceColumns(source);
        fitNumbersToValues(source, target, columns, result.notes);
        fitColumnsToServer(source, columns);
        // A column without a MySQL home stays behind; the others go.
        QStringList lines;
        lines << QStringLiteral("Create table ") + mysqlName(target) + QStringLiteral(" (");
        QVector<const SourceColumn*> kept;
        for (const SourceColumn& column : std::as_const(columns)) {
            if (column.mysqlType.isEmpty())
                result.columnsLeftOut << column.described();
            else
                kept << &column;
        }
        if (!columns.isEmpty() && kept.isEmpty()) {
            DefinitionStepResult failed = DefinitionStepResult::failure(
                QStringLiteral("No column of %1 has a MySQL type: %2")
                    .arg(source, result.columnsLeftOut.join(QStringLiteral(", "))));
            failed.columnsLeftOut = result.columnsLeftOut;
            return failed;
        }
        if (keysAndConstraints_ || keyRequired) {
            const QStringList body = constrainedLines(target, kept, constraints, characterSet, result);
            for (qsizetype i = 0; i < body.size(); ++i)
                lines << body.at(i) + (i + 1 < body.size() ? QStringLiteral(" , ") : QString());
        } else {
            for (qsizetype i = 0; i < kept.size(); ++i)
                lines << mysqlName(kept.at(i)->name) + kept.at(i)->mysqlType
                             + (i + 1 < kept.size() ? QStringLiteral(" , ") : QString());
        }
        lines << QStringLiteral(")");
        if (!characterSet.isEmpty())
            lines << QStringLiteral(" DEFAULT CHARSET=") + characterSet;
        if (keysAndConstraints_ && !constraints.comment.isEmpty()) {
            // MySQL keeps 2048 characters of a table's comment (manual,
            // "CREATE TABLE Statement"), Oracle 4000 bytes.
            QString refusal = QStringLiteral("more than 2048 characters");
            if (constraints.comment.toUcs4().size() <= 2048) {
                try {
                    lines << QStringLiteral(" COMMENT=") + mysqlText(constraints.comment);
                    refusal.clear();
                } catch (const Error& e) {
                    refusal = e.message();
                }
            }
            if (!refusal.isEmpty())
                result.notes << QStringLiteral("Comments not carried to %1: the table's (%2)").arg(target, refusal);
        }
        const QString statement = lines.join(QStringLiteral("\r\n"));
        // The clipboard holds the statement even when the server refuses it.
        host_.copyTextToClipboard(statement);
        mysqlexec_.executeDirect(statement);
        return result;
    } catch (const Error& e) {
        declaredKey_ = {};
        DefinitionStepResult failed = DefinitionStepResult::failure(e.message());
        if (keysAndConstraints_)
            failed.notes = result.notes;  // what stayed behind, told whatever the server said
        return failed;
    }
}

}  // namespace qv
