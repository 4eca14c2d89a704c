#pragma once

#include "TypeMapping.h"

#include <QString>
#include <QStringList>
#include <QVector>
#include <functional>
#include <optional>

namespace qv {

// One column of an Oracle table as its catalog row gives it, with its MySQL
// type and the way the row query reads it.
struct SourceColumn {
    enum class Reading {
        Plain,     // its own value
        Xml,       // an XMLTYPE: the document's text (XMLSERIALIZE)
        Geometry,  // an SDO_GEOMETRY: well-known binary and its SRID (SDO_UTIL)
        None,      // no MySQL home: not read
    };

    QString name;
    CatalogColumn catalog;
    bool invisible = false;  // no column_id: "select *" leaves it out
    bool nullable = true;    // NULLABLE is not 'N'
    std::optional<QString> dataDefault;  // DATA_DEFAULT as Oracle keeps it
    QString mysqlType;       // with its leading blank; empty when it has no home
    Reading reading = Reading::Plain;

    // "NAME (TYPE)", as the log names a column it leaves out.
    QString described() const;
};

// How the row query reads each item of its select list.
struct SourceItem {
    enum class Role { Value, Xml, GeometryWkb, GeometrySrid };
    Role role = Role::Value;
    QString column;
};

// The row query of a table. `items` is empty for "select *", whose fields
// are the columns by name.
struct SourceRowQuery {
    QString sql;
    QVector<SourceItem> items;
};

// The catalog row's reading, from its type (XMLTYPE of SYS, SDO_GEOMETRY of
// MDSYS), and the mysqlType it was given.
SourceColumn::Reading readingOf(const CatalogColumn& column, const QString& mysqlType);

// The query that reads a table's rows: "select *" when every column is a
// plain visible one; otherwise the columns named, each read as its reading
// asks, and none without a home (an empty sql when no column has one).
// `quote` writes a name as Oracle reads it.
SourceRowQuery sourceRowQuery(const QString& quotedTable, const QVector<SourceColumn>& columns,
                              const std::function<QString(const QString&)>& quote);

}  // namespace qv
