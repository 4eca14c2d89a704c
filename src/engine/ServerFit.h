#pragma once

// What a target server's limits ask of a table's column types and index
// keys. MariaDB asks nothing: its statements stay as the type rules give
// them. Pure functions of their inputs.

#include "data/ServerTraits.h"

#include <QString>
#include <QStringList>
#include <QVector>

namespace qv {

// A MySQL type text (with its leading blank) as the server takes it: a
// DECIMAL scale above the server's most becomes that most, its precision at
// most 65. Any other type is returned as it is.
QString typeForServer(const QString& mysqlType, const ServerTraits& server);

// One column of an index key, as the target table has it.
struct KeyColumn {
    QString name;          // quoted, as the statement writes it
    QString column;        // the column's own name, for messages
    bool character = false;  // a CHAR, VARCHAR, TEXT, BINARY or BLOB type
    bool needsLength = false;  // TEXT or BLOB: only a prefix can be indexed
    qint64 lengthUnits = 0;    // its length in characters (bytes for binary)
    int bytesPerUnit = 1;      // the most bytes a character takes
};

// The key of an index on this server: each part as the statement writes it
// (`A`, or `A`(191) for a prefix), or, when the index cannot keep its
// guarantee, an empty key and the reason.
struct IndexKey {
    QStringList parts;
    QString refusal;
};
IndexKey keyForServer(const QString& indexName, const QVector<KeyColumn>& columns, bool unique,
                      const ServerTraits& server);

}  // namespace qv
