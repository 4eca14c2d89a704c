#pragma once

#include <QByteArray>
#include <QtGlobal>

namespace qv {

// A geometry as MySQL stores it (MySQL manual, "Internal Geometry Storage
// Format"): its SRID as four bytes, little-endian, then its well-known
// binary in little-endian order. `wkb` may come in either byte order (OGC
// Simple Features, "Well-known Binary Representation for Geometry"). Raises
// qv::ConversionError for bytes that are no two-dimensional well-known
// binary of a point, line string, polygon, their multi kinds or a
// collection (MySQL keeps two dimensions).
QByteArray mysqlGeometry(const QByteArray& wkb, qint64 srid);

}  // namespace qv
