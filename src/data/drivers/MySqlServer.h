#pragma once

// What a MySQL-protocol server is, asked once when a session opens: the
// flavor from its version texts, and what the session's decisions follow
// from (transactions, parameter arrays, the largest packet).

#include "data/ServerTraits.h"

#include <QString>

struct st_mysql;  // MYSQL of the client library

namespace qv {

struct MySqlServerFacts {
    ServerTraits traits;
    bool transactions = false;   // CLIENT_TRANSACTIONS
    bool offersArrays = false;   // MariaDB's bulk parameter arrays
    qint64 largestPacket = 0;    // max_allowed_packet; 0 when unknown
    QString clientCharset;       // @@character_set_client: what the server reads statements in
};

// The traits of a server that reports `version` (@@version) and
// `versionComment` (@@version_comment). QUORVANE_TARGET_FLAVOR (mariadb,
// mysql, tidb or vitess) takes that flavor's decisions whatever the server
// says, so that they can be tested on the MariaDB server of the tests.
ServerTraits traitsFor(const QString& version, const QString& versionComment);

// Asks a connected server (one query, and one for its primary-key rule); a
// server that does not answer is taken as MariaDB says nothing of itself:
// today's statements. QUORVANE_TARGET_REQUIRES_PRIMARY_KEY=1 takes the
// flavor's primary-key rule as set, so that it can be tested on MariaDB.
MySqlServerFacts askServer(st_mysql* mysql);

}  // namespace qv
