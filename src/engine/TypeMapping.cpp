#include "TypeMapping.h"

#include <QRegularExpression>
#include <algorithm>

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

constexpr qint64 mostDecimalDigits = 65;  // MySQL's DECIMAL

QString decimalType(qint64 precision, qint64 scale)
{
    // A negative scale rounds to tens, hundreds...: NUMBER(5,-2) holds up
    // to 7 integer digits. A scale above the precision holds only a fraction.
    if (scale < 0)
        return QStringLiteral(" decimal(%1,0)").arg(std::min(precision - scale, mostDecimalDigits));
    if (scale > precision)
        return QStringLiteral(" decimal(%1,%1)").arg(scale);
    return QStringLiteral(" decimal(%1,%2)").arg(precision).arg(scale);
}

// The rules the 24 do not reach: other precisions of the date-time types,
// FLOAT, NCHAR, the row ids, and the two types of Oracle's own schemas.
QString furtherRules(const CatalogColumn& c)
{
    const QString& t = c.dataType;
    if (t == QLatin1String("FLOAT"))
        return QStringLiteral(" double");
    if (t == QLatin1String("NCHAR") || t == QLatin1String("UROWID"))
        return characterType(c.dataLength);
    if (t == QLatin1String("ROWID"))
        return QStringLiteral(" varchar(18)");
    if (t == QLatin1String("XMLTYPE") && c.dataTypeOwner == QLatin1String("SYS"))
        return QStringLiteral(" longtext");
    if (t == QLatin1String("SDO_GEOMETRY") && c.dataTypeOwner == QLatin1String("MDSYS"))
        return QStringLiteral(" geometry");

    static const QRegularExpression timestamp(QStringLiteral("^TIMESTAMP\\(([0-9])\\)( WITH (LOCAL )?TIME ZONE)?$"));
    if (const auto m = timestamp.match(t); m.hasMatch()) {
        const int digits = m.captured(1).toInt();
        if (digits == 0)
            return QStringLiteral(" DATETIME");
        return QStringLiteral(" DATETIME(%1)").arg(std::min(digits, 6));
    }
    // The longest text an interval of these precisions gives, at least 20:
    // "+YYYYYYYYY-MM" and "+DDDDDDDDD HH:MI:SS.FFFFFFFFF".
    static const QRegularExpression yearToMonth(QStringLiteral("^INTERVAL YEAR\\(([0-9])\\) TO MONTH$"));
    if (const auto m = yearToMonth.match(t); m.hasMatch())
        return QStringLiteral(" varchar(%1)").arg(std::max(m.captured(1).toInt() + 4, 20));
    static const QRegularExpression dayToSecond(QStringLiteral("^INTERVAL DAY\\(([0-9])\\) TO SECOND\\(([0-9])\\)$"));
    if (const auto m = dayToSecond.match(t); m.hasMatch()) {
        const int seconds = m.captured(2).toInt();
        return QStringLiteral(" varchar(%1)").arg(std::max(m.captured(1).toInt() + 10 + (seconds ? seconds + 1 : 0), 20));
    }
    return {};
}

}  // namespace

QString mysqlTypeText(const CatalogColumn& c)
{
    const QString& t = c.dataType;
    if (t == QLatin1String("NUMBER")) {
        if (!c.dataScale)
            return integerType(c.dataLength);
        if (c.dataPrecision)
            return decimalType(*c.dataPrecision, *c.dataScale);
        // NUMBER(*,s): up to 38 digits, s of them after the point.
        if (*c.dataScale > 0)
            return decimalType(38, *c.dataScale);
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
        || t == QLatin1String("BINARY_FLOAT"))
        return QStringLiteral(" varchar(20)");
    // Room for every double's shortest text: -1.7976931348623157e+308.
    if (t == QLatin1String("BINARY_DOUBLE"))
        return QStringLiteral(" varchar(24)");
    if (t == QLatin1String("LONG"))
        return QStringLiteral(" mediumtext");
    // Bytes, not text: they arrive as bytes under any character set.
    if (t == QLatin1String("LONG RAW"))
        return QStringLiteral(" mediumblob");
    if (t == QLatin1String("NCLOB"))
        return QStringLiteral(" longtext");
    if (t == QLatin1String("RAW"))
        return c.dataLength > 255 ? QStringLiteral(" blob") : QStringLiteral(" tinyblob");
    return furtherRules(c);
}

bool isUnconstrainedNumber(const CatalogColumn& column)
{
    return column.dataType == QLatin1String("NUMBER") && !column.dataPrecision && !column.dataScale;
}

QString numberTypeForValues(const CatalogColumn& column, std::optional<qint64> integerDigits,
                            std::optional<qint64> fractionDigits)
{
    constexpr qint64 bigintDigits = 18;  // every whole number of 18 digits fits a bigint
    constexpr qint64 mostScale = 30;
    const qint64 fraction = fractionDigits.value_or(0);
    const qint64 whole = integerDigits.value_or(0);
    if (fraction == 0 && whole <= bigintDigits)
        return mysqlTypeText(column);
    const qint64 scale = std::min(fraction, mostScale);
    return QStringLiteral(" decimal(%1,%2)").arg(whole <= 38 - scale ? 38 : mostDecimalDigits).arg(scale);
}

}  // namespace qv
