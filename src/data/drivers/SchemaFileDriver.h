#pragma once

#include "data/Driver.h"

namespace qv {

// An offline Oracle schema kept in a SQLite file, opened read-only. It serves
// the dictionary views user_tables, user_tab_columns, user_indexes and
// user_ind_columns and types each value by the column's declared Oracle type.
std::unique_ptr<DriverSession> openSchemaFileSession(const QString& path);

}  // namespace qv
