#include "MySqlArrayWrite.h"

#include "MySqlSession.h"
#include "MySqlStatement.h"

#include <errmsg.h>
#include <mysqld_error.h>

#include <algorithm>
#include <cstring>

namespace qv {

// Well under max_allowed_packet, which one bulk packet must not exceed.
qint64 arrayBytesLimit(qint64 largestValue)
{
    constexpr qint64 ceiling = 16 * 1024 * 1024;
    return largestValue > 0 ? std::min(ceiling, largestValue / 4) : 256 * 1024;
}

qint64 MySqlStatement::arrayBytes() const
{
    return session_->takesArrays() ? arrayBytesLimit(session_->largestValue()) : 0;
}

quint64 MySqlStatement::executeArray(const QVector<const Row*>& rows, const QVector<int>& columns)
{
    if (session_->writePath() == WritePath::MultiRow)
        return executeInMultiRowStatements(rows, columns);
    return executeInArrays(rows, columns);
}

quint64 MySqlStatement::executeInArrays(const QVector<const Row*>& rows, const QVector<int>& columns)
{
    const unsigned long count = mysql_stmt_param_count(stmt_);
    if (count != static_cast<unsigned long>(columns.size()))
        throw Error(QStringLiteral("The statement takes %1 parameters, not %2").arg(count).arg(columns.size()));
    if (!session_->takesArrays())
        throw ArraysNotTaken(QStringLiteral("The server takes no parameter arrays"));
    const size_t n = size_t(rows.size());
    if (n == 0)
        return 0;

    const qint64 limit = arrayBytesLimit(session_->largestValue());
    qint64 bytes = 0;
    std::vector<ParameterColumn>& data = session_->arrayColumns(count);
    std::vector<MYSQL_BIND> binds(count);
    for (unsigned long p = 0; p < count; ++p) {
        ParameterColumn& column = data[p];
        MYSQL_BIND& bind = binds[p];
        std::memset(&bind, 0, sizeof bind);
        const int c = columns.at(qsizetype(p));
        // The column's kind is that of its first value that is not null.
        ValueKind kind = ValueKind::Null;
        qint64 textUnits = 0;
        for (size_t r = 0; r < n; ++r) {
            const DbValue& value = rows[qsizetype(r)]->at(c);
            if (value.isNull())
                continue;
            if (kind == ValueKind::Null)
                kind = value.kind();
            else if (value.kind() != kind)
                throw ArraysNotTaken(QStringLiteral("Parameter %1 mixes kinds of values").arg(p + 1));
            if (kind == ValueKind::Text)
                textUnits += value.textIf() ? value.textIf()->size() : value.toText().size();
        }
        // Emptied, keeping their room.
        column.arena.resize(0);
        column.offsets.clear();
        column.pointers.clear();
        column.lengths.clear();
        column.held.clear();
        column.indicators.assign(n, STMT_INDICATOR_NONE);
        bind.u.indicator = column.indicators.data();
        switch (kind) {
        case ValueKind::Null:
        case ValueKind::Text:
        case ValueKind::Decimal:
        case ValueKind::Bytes:
            column.offsets.assign(n, -1);
            column.pointers.assign(n, nullptr);
            column.lengths.assign(n, 0);
            if (kind == ValueKind::Text)
                column.arena.reserve(3 * textUnits + 1);
            if (kind == ValueKind::Bytes)
                column.held.resize(n);
            bind.buffer_type = kind == ValueKind::Decimal ? MYSQL_TYPE_NEWDECIMAL
                               : kind == ValueKind::Bytes ? MYSQL_TYPE_BLOB
                                                          : MYSQL_TYPE_STRING;
            break;
        case ValueKind::Integer:
            column.integers.assign(n, 0);
            bind.buffer_type = MYSQL_TYPE_LONGLONG;
            bind.buffer = column.integers.data();
            break;
        case ValueKind::Float:
            column.floats.assign(n, 0);
            bind.buffer_type = MYSQL_TYPE_DOUBLE;
            bind.buffer = column.floats.data();
            break;
        case ValueKind::DateTime:
            // The client library reads date-times of an array through pointers.
            column.times.resize(n);
            column.timePointers.resize(n);
            for (size_t r = 0; r < n; ++r)
                column.timePointers[r] = &column.times[r];
            bind.buffer_type = MYSQL_TYPE_DATETIME;
            bind.buffer = column.timePointers.data();
            break;
        }
        for (size_t r = 0; r < n; ++r) {
            const DbValue& value = rows[qsizetype(r)]->at(c);
            if (value.isNull()) {
                column.indicators[r] = STMT_INDICATOR_NULL;
                continue;
            }
            switch (kind) {
            case ValueKind::Integer: column.integers[r] = value.toInteger(); bytes += 8; break;
            case ValueKind::Float: column.floats[r] = value.toFloat(); bytes += 8; break;
            case ValueKind::DateTime: column.times[r] = mysqlTime(value.toDateTime()); bytes += 12; break;
            case ValueKind::Text: {
                const qsizetype at = column.arena.size();
                const QString* text = value.textIf();
                session_->codec().encodeAppend(text ? *text : value.toText(), column.arena);  // raises for characters it cannot hold
                column.offsets[r] = at;
                column.lengths[r] = static_cast<unsigned long>(column.arena.size() - at);
                bytes += qint64(column.lengths[r]) + 4;
                break;
            }
            case ValueKind::Decimal: {
                const qsizetype at = column.arena.size();
                if (const Decimal* decimal = value.decimalIf())
                    decimal->appendText(column.arena);
                else
                    value.toDecimal().appendText(column.arena);
                column.offsets[r] = at;
                column.lengths[r] = static_cast<unsigned long>(column.arena.size() - at);
                bytes += qint64(column.lengths[r]) + 4;
                break;
            }
            case ValueKind::Bytes:
                column.held[r] = value.toBytes();
                column.pointers[r] = column.held[r].constData();
                column.lengths[r] = static_cast<unsigned long>(column.held[r].size());
                bytes += qint64(column.lengths[r]) + 4;
                break;
            case ValueKind::Null: break;
            }
            if (bytes > limit)
                throw ArraysNotTaken(QStringLiteral("The rows take more than %1 bytes as one array").arg(limit));
        }
        if (!column.offsets.empty()) {
            // The arena stays where it is from here on.
            for (size_t r = 0; r < n; ++r)
                if (column.offsets[r] >= 0)
                    column.pointers[r] = column.arena.constData() + column.offsets[r];
            bind.buffer = column.pointers.data();
            bind.length = column.lengths.data();
        }
    }

    unsigned int size = static_cast<unsigned int>(n);
    if (mysql_stmt_attr_set(stmt_, STMT_ATTR_ARRAY_SIZE, &size) != 0)
        fail(stmt_);
    // The statement is left to run single rows again, whatever happens.
    struct SingleRows {
        MYSQL_STMT* stmt;
        ~SingleRows()
        {
            unsigned int one = 0;
            mysql_stmt_attr_set(stmt, STMT_ATTR_ARRAY_SIZE, &one);
        }
    } singleRows{stmt_};
    if (mysql_stmt_bind_param(stmt_, binds.data()) != 0)
        fail(stmt_);
    session_->calling();
    if (mysql_stmt_execute(stmt_) != 0) {
        const unsigned code = mysql_stmt_errno(stmt_);
        if (code == CR_FUNCTION_NOT_SUPPORTED || code == ER_BINLOG_NON_SUPPORTED_BULK) {
            // Nothing was written; this connection stays with single rows.
            session_->refuseArrays();
            throw ArraysNotTaken(decodedMessage(mysql_stmt_error(stmt_), session_->codec()));
        }
        fail(stmt_);
    }
    return finishedExecution(stmt_);
}

}  // namespace qv
