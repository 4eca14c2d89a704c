#pragma once

// What a schema file needs to answer Oracle's SQL as a server would: the
// Oracle functions that the system's queries use and SQLite lacks, and the
// few forms of Oracle's grammar that SQLite reads otherwise.

#include <string>
#include <string_view>
#include <vector>

struct sqlite3;

namespace qv {

// Registers on `db`:
// - to_char(number, 'TM9'): a NUMBER's text in the text-minimum format
//   (SQL Language Reference, Format Models: the fewest characters, ".5" for
//   0.5; scientific notation when the text would pass 64 characters);
// - quorvane_sdo_wkb(geometry) and quorvane_sdo_srid(geometry): what
//   SDO_UTIL.TO_WKBGEOMETRY and a geometry's SDO_SRID give for a geometry
//   the file keeps as "[SRID=n;]" and well-known text (POINT, LINESTRING,
//   POLYGON); NULL gives NULL.
// Raises qv::Error with SQLite's message. The connection keeps everything.
void registerOracleFunctions(sqlite3* db);

// An Oracle query as SQLite reads it: XMLSERIALIZE(CONTENT x AS CLOB) as x,
// SDO_UTIL.TO_WKBGEOMETRY(x) as quorvane_sdo_wkb(x), and t.x.SDO_SRID as
// quorvane_sdo_srid(t.x); for each item of the select list, the Oracle type
// of the value when such a form made it (CLOB, BLOB, NUMBER), else empty.
struct SqliteQuery {
    std::string sql;
    std::vector<std::string> itemTypes;
};
SqliteQuery sqliteQueryFor(std::string_view oracleSql);

}  // namespace qv
