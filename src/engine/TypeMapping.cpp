#include "TypeMapping.h"

namespace qv {

namespace {

QString integerType(qint64 dataLength)
{
    return dataLength <= 11 ? QStringLiteral(" int(11)") : QStringLiteral(" bigint(%1)").arg(dataLength);
}

QString characterType(qint64 dataLength)
{
    return dataLength > 255 ? QStringLiteral(" text") : QStringLiteral(" varchar(%1)").arg(dataLength);
}

}  // namespace

QString mysqlTypeText(const CatalogColumn& c)
{
    const QString& t = c.dataType;
    if (t == QLatin1String("NUMBER")) {
        if (!c.dataScale)
            return integerType(c.dataLength);
        if (c.dataPrecision)
            return QStringLiteral(" decimal(%1,%2)").arg(*c.dataPrecision).arg(*c.dataScale);
        return integerType(c.dataLength);
    }
    if (t == QLatin1String("VARCHAR2") || t == QLatin1String("NVARCHAR2") || t == QLatin1String("CHAR"))
        return characterType(c.dataLength);
    if (t == QLatin1String("BLOB"))
        return QStringLiteral(" longblob");
    if (t == QLatin1String("CLOB"))
        return QStringLiteral(" LONGTEXT");
    if (t == QLatin1String("DATE"))
        return QStringLiteral(" DATETIME");
    // Microseconds kept; the offset of a WITH TIME ZONE value is dropped.
    if (t == QLatin1String("TIMESTAMP(6)") || t == QLatin1String("TIMESTAMP(6) WITH LOCAL TIME ZONE")
        || t == QLatin1String("TIMESTAMP(6) WITH TIME ZONE"))
        return QStringLiteral(" DATETIME(6)");
    if (t == QLatin1String("INTERVAL YEAR(2) TO MONTH") || t == QLatin1String("INTERVAL DAY(2) TO SECOND(6)")
        || t == QLatin1String("BINARY_DOUBLE") || t == QLatin1String("BINARY_FLOAT"))
        return QStringLiteral(" varchar(20)");
    if (t == QLatin1String("LONG") || t == QLatin1String("LONG RAW"))
        return QStringLiteral(" mediumtext");
    if (t == QLatin1String("NCLOB"))
        return QStringLiteral(" longtext");
    if (t == QLatin1String("RAW"))
        return c.dataLength > 255 ? QStringLiteral(" blob") : QStringLiteral(" tinyblob");
    return {};
}

}  // namespace qv
