#include "SourceColumns.h"

#include <algorithm>

namespace qv {

QString SourceColumn::described() const
{
    return name + QStringLiteral(" (") + catalog.dataType + QLatin1Char(')');
}

SourceColumn::Reading readingOf(const CatalogColumn& column, const QString& mysqlType)
{
    if (mysqlType.isEmpty())
        return SourceColumn::Reading::None;
    if (column.dataType == QLatin1String("XMLTYPE"))
        return SourceColumn::Reading::Xml;
    if (column.dataType == QLatin1String("SDO_GEOMETRY"))
        return SourceColumn::Reading::Geometry;
    return SourceColumn::Reading::Plain;
}

SourceRowQuery sourceRowQuery(const QString& quotedTable, const QVector<SourceColumn>& columns,
                              const std::function<QString(const QString&)>& quote)
{
    const bool plain = std::all_of(columns.begin(), columns.end(), [](const SourceColumn& c) {
        return !c.invisible && c.reading == SourceColumn::Reading::Plain;
    });
    if (plain || columns.isEmpty())
        return {QStringLiteral("select * from ") + quotedTable, {}};

    // An XMLType is read as its document's text, a geometry as well-known
    // binary and its SRID (SQL Language Reference, XMLSERIALIZE; Spatial
    // Developer's Guide, SDO_UTIL.TO_WKBGEOMETRY and SDO_GEOMETRY's
    // SDO_SRID, an attribute that only a table alias reaches).
    SourceRowQuery query;
    QStringList list;
    for (const SourceColumn& c : columns) {
        const QString name = quote(c.name);
        switch (c.reading) {
        case SourceColumn::Reading::None: continue;
        case SourceColumn::Reading::Plain:
            list << QStringLiteral("q.") + name;
            query.items.append({SourceItem::Role::Value, c.name});
            break;
        case SourceColumn::Reading::Xml:
            list << QStringLiteral("XMLSERIALIZE(CONTENT q.%1 AS CLOB) %1").arg(name);
            query.items.append({SourceItem::Role::Xml, c.name});
            break;
        case SourceColumn::Reading::Geometry:
            list << QStringLiteral("SDO_UTIL.TO_WKBGEOMETRY(q.%1) %1").arg(name)
                 << QStringLiteral("q.%1.SDO_SRID \"QV$SRID%2\"").arg(name).arg(query.items.size() + 1);
            query.items.append({SourceItem::Role::GeometryWkb, c.name});
            query.items.append({SourceItem::Role::GeometrySrid, c.name});
            break;
        }
    }
    if (list.isEmpty())
        return {};  // nothing to read
    query.sql = QStringLiteral("select ") + list.join(QStringLiteral(", ")) + QStringLiteral(" from ") + quotedTable
                + QStringLiteral(" q");
    return query;
}

}  // namespace qv
