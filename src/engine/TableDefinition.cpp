#include "TableSteps.h"

#include "RunHost.h"
#include "TypeMapping.h"
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
    return column;
}

}  // namespace

StepResult TableSteps::CreateTargetTable(const QString& source, const QString& target, const QString& characterSet)
{
    try {
        QStringList lines;
        // Invisible columns (no column_id) last, as Oracle sorts NULLs.
        oracledata_.openQuery(QStringLiteral("select * from user_tab_columns where table_name = ")
                              + oracleText(source) + QStringLiteral(" order by column_id nulls last"));
        oracledata_.first();
        lines << QStringLiteral("Create table ") + mysqlName(target) + QStringLiteral(" (");
        while (!oracledata_.eof()) {
            QString line = mysqlName(oracledata_.fieldValue(QStringLiteral("column_name")).toText());
            line += mysqlTypeText(catalogColumn(oracledata_));
            oracledata_.next();
            if (!oracledata_.eof())
                line += QStringLiteral(" , ");
            lines << line;
        }
        lines << QStringLiteral(")");
        if (!characterSet.isEmpty())
            lines << QStringLiteral(" DEFAULT CHARSET=") + characterSet;
        const QString statement = lines.join(QStringLiteral("\r\n"));
        // The clipboard holds the statement even when the server refuses it.
        host_.copyTextToClipboard(statement);
        mysqlexec_.executeDirect(statement);
        return {};
    } catch (const Error& e) {
        return StepResult::failure(e.message());
    }
}

}  // namespace qv
