#pragma once

struct sqlite3;

namespace qv {

// Installs Oracle's dictionary views user_tables, user_tab_columns,
// user_indexes and user_ind_columns on an open SQLite connection, as
// temporary views computed from the file's own catalog and the declared
// Oracle types of its columns. Raises qv::Error with SQLite's message when
// they cannot be created. The connection keeps ownership of everything.
void installOracleDictionary(sqlite3* db);

}  // namespace qv
