#pragma once

#include <QString>
#include <optional>

namespace qv {

// One row of Oracle's column catalog, as far as the type rules read it.
struct CatalogColumn {
    QString dataType;
    qint64 dataLength = 0;
    std::optional<qint64> dataPrecision;
    std::optional<qint64> dataScale;
    QString dataTypeOwner;  // SYS for XMLTYPE, MDSYS for SDO_GEOMETRY
    qint64 charLength = 0;  // a character column's length in characters
};

// The MySQL type text for an Oracle column, with its leading blank; empty
// when the column has no MySQL home (an object type, a collection, a REF, a
// BFILE, or a type newer than the rules).
QString mysqlTypeText(const CatalogColumn& column);

// A NUMBER without precision and scale: Oracle's decimal floating point,
// whose values decide its MySQL type.
bool isUnconstrainedNumber(const CatalogColumn& column);

// The type for such a column from the most integer and fraction digits its
// values have (none when it has no value): mysqlTypeText's when all are
// whole and fit a bigint; otherwise " decimal(38,S)", S the fraction digits
// (at most 30), or " decimal(65,S)" for more than 38 - S integer digits.
QString numberTypeForValues(const CatalogColumn& column, std::optional<qint64> integerDigits,
                            std::optional<qint64> fractionDigits);

}  // namespace qv
