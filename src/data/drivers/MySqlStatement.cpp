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

quint64 finishedExecution(MYSQL_STMT* stmt)
{
    const quint64 affected = mysql_stmt_affected_rows(stmt);
    do {
        if (mysql_stmt_field_count(stmt) > 0)
            mysql_stmt_free_result(stmt);
    } while (mysql_stmt_next_result(stmt) == 0);
    return affected;
}

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

MySqlStatement::~MySqlStatement()
{
    mysql_stmt_close(stmt_);
}

void MySqlStatement::fail(MYSQL_STMT* stmt) const
{
    session_->raise(mysql_stmt_errno(stmt), decodedMessage(mysql_stmt_error(stmt), session_->codec()));
}

quint64 MySqlStatement::execute(const Row& parameters)
{
    return executeOn(stmt_, parameters);
}

quint64 MySqlStatement::executeOn(MYSQL_STMT* stmt, const Row& parameters)
{
    const unsigned long count = mysql_stmt_param_count(stmt);
    if (count != static_cast<unsigned long>(parameters.size()))
        throw Error(QStringLiteral("The statement takes %1 parameters, not %2").arg(count).arg(parameters.size()));

    // Everything the binds point at lives until the statement has run, in
    // the session's buffers, which keep their memory from one execution to
    // the next (a statement of many rows binds thousands of values).
    BoundParameters& p = session_->boundParameters();
    MYSQL_BIND blank;
    std::memset(&blank, 0, sizeof blank);
    p.binds.assign(count, blank);
    p.integers.resize(count);
    p.floats.resize(count);
    p.times.resize(count);
    p.offsets.assign(count, -1);
    p.lengths.assign(count, 0);
    p.held.clear();
    p.arena.resize(0);
    for (unsigned long i = 0; i < count; ++i) {
        MYSQL_BIND& bind = p.binds[i];
        const DbValue& value = parameters.at(static_cast<qsizetype>(i));
        const qsizetype at = p.arena.size();
        switch (value.kind()) {
        case ValueKind::Null:
            bind.buffer_type = MYSQL_TYPE_NULL;
            continue;
        case ValueKind::Integer:
            p.integers[i] = value.toInteger();
            bind.buffer_type = MYSQL_TYPE_LONGLONG;
            bind.buffer = &p.integers[i];
            continue;
        case ValueKind::Float:
            p.floats[i] = value.toFloat();
            bind.buffer_type = MYSQL_TYPE_DOUBLE;
            bind.buffer = &p.floats[i];
            continue;
        case ValueKind::DateTime:
            p.times[i] = mysqlTime(value.toDateTime());
            bind.buffer_type = MYSQL_TYPE_DATETIME;
            bind.buffer = &p.times[i];
            continue;
        case ValueKind::Decimal:
            if (const Decimal* decimal = value.decimalIf())
                decimal->appendText(p.arena);
            else
                value.toDecimal().appendText(p.arena);
            bind.buffer_type = MYSQL_TYPE_NEWDECIMAL;
            break;
        case ValueKind::Text: {
            const QString* text = value.textIf();
            session_->codec().encodeAppend(text ? *text : value.toText(), p.arena);  // raises for characters it cannot hold
            bind.buffer_type = MYSQL_TYPE_STRING;
            break;
        }
        case ValueKind::Bytes:
            // Held as it is, not copied.
            p.held.push_back(value.toBytes());
            p.lengths[i] = static_cast<unsigned long>(p.held.back().size());
            bind.buffer = const_cast<char*>(p.held.back().constData());
            bind.buffer_type = MYSQL_TYPE_BLOB;
            bind.buffer_length = p.lengths[i];
            bind.length = &p.lengths[i];
            continue;
        }
        p.offsets[i] = at;
        p.lengths[i] = static_cast<unsigned long>(p.arena.size() - at);
        bind.buffer_length = p.lengths[i];
        bind.length = &p.lengths[i];
    }
    // The arena stays where it is from here on.
    for (unsigned long i = 0; i < count; ++i)
        if (p.offsets[i] >= 0)
            p.binds[i].buffer = p.arena.data() + p.offsets[i];

    for (unsigned long i = 0; i < count; ++i)
        if (session_->largestValue() > 0 && qint64(p.lengths[i]) > session_->largestValue())
            throw ParameterTooLarge(int(i), qint64(p.lengths[i]), session_->largestValue());
    if (count > 0 && mysql_stmt_bind_param(stmt, p.binds.data()) != 0)
        fail(stmt);
    session_->calling();
    // Large values go to the server in pieces before the statement runs.
    for (unsigned long i = 0; i < count; ++i) {
        const MYSQL_BIND& bind = p.binds[i];
        if ((bind.buffer_type != MYSQL_TYPE_STRING && bind.buffer_type != MYSQL_TYPE_BLOB)
            || qsizetype(p.lengths[i]) < longDataThreshold)
            continue;
        const char* data = static_cast<const char*>(bind.buffer);
        const qsizetype size = qsizetype(p.lengths[i]);
        for (qsizetype at = 0; at < size; at += longDataChunk) {
            const qsizetype piece = std::min(longDataChunk, size - at);
            if (mysql_stmt_send_long_data(stmt, static_cast<unsigned>(i), data + at, static_cast<unsigned long>(piece))
                != 0)
                fail(stmt);
        }
    }
    if (mysql_stmt_execute(stmt) != 0)
        fail(stmt);
    return finishedExecution(stmt);
}

}  // namespace qv
