#pragma once

// What a target server is and what follows from it for the statements sent
// to it: a plain value, decided once per connection by its driver.

#include <QString>

namespace qv {

enum class ServerFlavor { MariaDB, MySQL, TiDB, Vitess };

struct ServerTraits {
    ServerFlavor flavor = ServerFlavor::MariaDB;
    // Whether an index may name a TEXT or BLOB column without a key length.
    // MariaDB takes it (a prefix key; a hash for a unique one); MySQL and
    // TiDB refuse it with error 1170.
    bool indexesWholeTextColumns = true;
    // The most digits after the point a DECIMAL may have (MariaDB 38,
    // MySQL 30: "Fixed-Point Types (Exact Value) - DECIMAL, NUMERIC").
    int mostDecimalScale = 38;
    // The longest index key in bytes InnoDB takes (MySQL manual, "InnoDB
    // Limits": 3072 bytes with the DYNAMIC row format).
    int longestKeyBytes = 3072;
    // Whether CHECK constraints are enforced rather than parsed and dropped
    // (MariaDB 10.2.1; MySQL 8.0.16, manual "CHECK Constraints").
    bool enforcesChecks = true;
    // The server's rule that every table has a primary key, as its users
    // know it ("innodb_force_primary_key", "sql_require_primary_key",
    // "Group Replication"); empty when it has none.
    QString primaryKeyRequirement;
};

// The name users know the flavor by: "MariaDB", "MySQL", "TiDB", "Vitess".
QString flavorName(ServerFlavor flavor);

}  // namespace qv
