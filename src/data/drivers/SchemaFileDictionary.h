#pragma once

#include <string_view>

struct sqlite3;

namespace qv {

// Installs Oracle's dictionary views user_tables, user_tab_columns,
// user_indexes, user_ind_columns, user_ind_expressions, user_constraints,
// user_cons_columns, user_tab_identity_cols, user_tab_comments and
// user_col_comments on an open SQLite connection: temporary tables with the
// real views' columns and declared types, filled from the file's own catalog,
// its CREATE TABLE texts and the declared Oracle types of its columns (an
// INVISIBLE column has no COLUMN_ID; a descending or expression key is a
// hidden SYS_NC column with its expression). Optional tables say what SQLite
// cannot: quorvane_table_properties (TABLE_NAME, IOT_TYPE, IOT_NAME, NESTED,
// SECONDARY), quorvane_identity_columns (TABLE_NAME, COLUMN_NAME,
// GENERATION_TYPE) and quorvane_comments (TABLE_NAME, COLUMN_NAME, COMMENTS).
// Raises qv::Error with SQLite's message when they cannot be created. The
// connection keeps ownership of everything.
void installOracleDictionary(sqlite3* db);

// Whether a query's select list is a bare star ("select * from ..."), which
// Oracle expands to the visible columns only (SQL Language Reference,
// CREATE TABLE, VISIBLE | INVISIBLE); an invisible column is read by name.
bool selectsStar(std::string_view sql);

}  // namespace qv
