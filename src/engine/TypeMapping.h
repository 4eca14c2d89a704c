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
};

// The MySQL type text for an Oracle column, with its leading blank; empty
// when no rule knows the Oracle type.
QString mysqlTypeText(const CatalogColumn& column);

}  // namespace qv
