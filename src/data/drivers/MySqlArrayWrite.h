#pragma once

// The array write path: one execution of a prepared statement carries many
// rows as parameter arrays (MariaDB 10.2 and later). The buffers belong to
// the session and are reused from one execution to the next.

#include <mysql.h>

#include <QByteArray>

#include <vector>

namespace qv {

// One parameter's values for all rows of an array, column-wise as the
// client library reads them: contiguous numbers, or pointers (and lengths)
// for date-times and the variable-length values, which live in an arena.
struct ParameterColumn {
    std::vector<char> indicators;
    std::vector<long long> integers;
    std::vector<double> floats;
    std::vector<MYSQL_TIME> times;
    std::vector<MYSQL_TIME*> timePointers;
    std::vector<qsizetype> offsets;  // into arena, or -1 for a value held elsewhere
    std::vector<const char*> pointers;
    std::vector<unsigned long> lengths;
    std::vector<QByteArray> held;    // binary values, shared, not copied
    QByteArray arena;
};

// What the server reads as one statement's worth of parameter arrays, from
// its max_allowed_packet (0 when unknown).
qint64 arrayBytesLimit(qint64 largestValue);

}  // namespace qv
