#include "MySqlStatement.h"

#include "MySqlSession.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace qv {

namespace {

// Text and binary values from this size on are streamed to the server in
// pieces before the statement runs, so that a row may carry several values
// that each fit max_allowed_packet but together would not.
constexpr qsizetype longDataThreshold = 64 * 1024;
constexpr qsizetype longDataChunk = 256 * 1024;

}  // namespace

MYSQL_TIME mysqlTime(const DateTime& dt)
{
    MYSQL_TIME t;
    std::memset(&t, 0, sizeof t);
    t.year = static_cast<unsigned>(dt.year);
    t.month = static_cast<unsigned>(dt.month);
    t.day = static_cast<unsigned>(dt.day);
    t.hour = static_cast<unsigned>(dt.hour);
    t.minute = static_cast<unsigned>(dt.minute);
    t.second = static_cast<unsigned>(dt.second);
    t.second_part = static_cast<unsigned long>(dt.nanosecond / 1000);  // the column's precision cuts it
    t.time_type = MYSQL_TIMESTAMP_DATETIME;
    return t;
}

void MySqlStatement::fail() const
{
    session_->raise(mysql_stmt_errno(stmt_), decodedMessage(mysql_stmt_error(stmt_), session_->codec()));
}

quint64 MySqlStatement::execute(const Row& parameters)
{
    const unsigned long count = mysql_stmt_param_count(stmt_);
    if (count != static_cast<unsigned long>(parameters.size()))
        throw Error(QStringLiteral("The statement takes %1 parameters, not %2").arg(count).arg(parameters.size()));

    // Everything the binds point at lives until the statement has run.
    std::vector<MYSQL_BIND> binds(count);
    std::vector<long long> integers(count);
    std::vector<double> floats(count);
    std::vector<MYSQL_TIME> times(count);
    std::vector<QByteArray> bytes(count);
    std::vector<unsigned long> lengths(count);
    std::vector<bool> streamed(count, false);
    for (unsigned long i = 0; i < count; ++i) {
        MYSQL_BIND& bind = binds[i];
        std::memset(&bind, 0, sizeof bind);
        const DbValue& value = parameters.at(static_cast<qsizetype>(i));
        switch (value.kind()) {
        case ValueKind::Null:
            bind.buffer_type = MYSQL_TYPE_NULL;
            continue;
        case ValueKind::Integer:
            integers[i] = value.toInteger();
            bind.buffer_type = MYSQL_TYPE_LONGLONG;
            bind.buffer = &integers[i];
            continue;
        case ValueKind::Float:
            floats[i] = value.toFloat();
            bind.buffer_type = MYSQL_TYPE_DOUBLE;
            bind.buffer = &floats[i];
            continue;
        case ValueKind::DateTime: {
            times[i] = mysqlTime(value.toDateTime());
            bind.buffer_type = MYSQL_TYPE_DATETIME;
            bind.buffer = &times[i];
            continue;
        }
        case ValueKind::Decimal:
            bytes[i] = value.toDecimal().toString().toLatin1();
            bind.buffer_type = MYSQL_TYPE_NEWDECIMAL;
            break;
        case ValueKind::Text:
            bytes[i] = session_->codec().encode(value.toText());  // raises for characters it cannot hold
            bind.buffer_type = MYSQL_TYPE_STRING;
            streamed[i] = bytes[i].size() >= longDataThreshold;
            break;
        case ValueKind::Bytes:
            bytes[i] = value.toBytes();
            bind.buffer_type = MYSQL_TYPE_BLOB;
            streamed[i] = bytes[i].size() >= longDataThreshold;
            break;
        }
        lengths[i] = static_cast<unsigned long>(bytes[i].size());
        bind.buffer = const_cast<char*>(bytes[i].constData());
        bind.buffer_length = lengths[i];
        bind.length = &lengths[i];
    }

    for (unsigned long i = 0; i < count; ++i)
        if (session_->largestValue() > 0 && bytes[i].size() > session_->largestValue())
            throw ParameterTooLarge(int(i), bytes[i].size(), session_->largestValue());
    if (count > 0 && mysql_stmt_bind_param(stmt_, binds.data()) != 0)
        fail();
    session_->calling();
    for (unsigned long i = 0; i < count; ++i) {
        if (!streamed[i])
            continue;
        for (qsizetype at = 0; at < bytes[i].size(); at += longDataChunk) {
            const qsizetype piece = std::min(longDataChunk, bytes[i].size() - at);
            if (mysql_stmt_send_long_data(stmt_, static_cast<unsigned>(i), bytes[i].constData() + at,
                                          static_cast<unsigned long>(piece))
                != 0)
                fail();
        }
    }
    if (mysql_stmt_execute(stmt_) != 0)
        fail();
    const quint64 affected = mysql_stmt_affected_rows(stmt_);
    // A statement that returns rows has them read and dropped.
    do {
        if (mysql_stmt_field_count(stmt_) > 0)
            mysql_stmt_free_result(stmt_);
    } while (mysql_stmt_next_result(stmt_) == 0);
    return affected;
}

}  // namespace qv
