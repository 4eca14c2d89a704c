#include "MySqlDriver.h"

#include "MySqlCharset.h"
#include "data/Errors.h"

#include <errmsg.h>
#include <mysql.h>
#include <mysqld_error.h>

#include <QByteArray>
#include <QElapsedTimer>
#include <QString>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <optional>
#include <vector>

namespace qv {

namespace {

// The server never accepts these as a connection character set; they are all
// Unicode, so utf8mb4 carries every character their columns can hold.
bool wideCharset(const QString& name)
{
    static const char* const wide[] = {"ucs2", "utf16", "utf16le", "utf32"};
    for (const char* w : wide)
        if (name.compare(QLatin1String(w), Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

// A message of the client library or the server. The server sends its
// messages in the connection character set.
QString decodedMessage(const char* message, const MySqlTextCodec& codec)
{
    const QByteArray bytes(message);
    QString text;
    if (codec.tryDecode(bytes, &text))
        return text;
    return QString::fromUtf8(bytes);
}

QString lastError(MYSQL* mysql, const MySqlTextCodec& codec)
{
    return decodedMessage(mysql_error(mysql), codec);
}

// Keeps each session's changes to the server's sql_mode: a too-long text or
// an out-of-range number is refused rather than cut with a warning, on every
// table engine.
const char strictModeCommand[] =
    "SET SESSION sql_mode = TRIM(BOTH ',' FROM CONCAT(@@SESSION.sql_mode, ',STRICT_ALL_TABLES'))";

// Text and binary values from this size on are streamed to the server in
// pieces before the statement runs, so that a row may carry several values
// that each fit max_allowed_packet but together would not.
constexpr qsizetype longDataThreshold = 64 * 1024;
constexpr qsizetype longDataChunk = 256 * 1024;

constexpr unsigned binaryCharsetNr = 63;

// Every authentication method that keeps the password off the wire: the
// clear-text method and PAM's dialog would send it as it is.
const char allowedAuthentication[] =
    "mysql_native_password,client_ed25519,caching_sha2_password,sha256_password,auth_gssapi_client";

// How long the server may take. Connecting, the greeting included, is
// quick or not at all; a statement may be a long index build.
struct TimeLimits {
    unsigned connectSeconds = 30;
    unsigned answerSeconds = 3600;

    static unsigned seconds(const char* variable, unsigned fallback)
    {
        bool ok = false;
        const uint value = qEnvironmentVariable(variable).trimmed().toUInt(&ok);
        return ok && value > 0 ? value : fallback;
    }

    static TimeLimits fromEnvironment()
    {
        TimeLimits limits;
        limits.connectSeconds = seconds("QUORVANE_MYSQL_CONNECT_TIMEOUT", limits.connectSeconds);
        limits.answerSeconds = seconds("QUORVANE_MYSQL_TIMEOUT", limits.answerSeconds);
        return limits;
    }
};

// A lost connection after the whole time limit is a server that did not answer.
bool silentFor(unsigned code, const QElapsedTimer& call, unsigned seconds)
{
    return (code == CR_SERVER_LOST || code == CR_SERVER_GONE_ERROR) && call.isValid()
           && call.elapsed() + 500 >= qint64(seconds) * 1000;
}

// The kind in which a column's values arrive.
ValueKind kindOf(const MYSQL_FIELD& field)
{
    switch (field.type) {
    case MYSQL_TYPE_TINY:
    case MYSQL_TYPE_SHORT:
    case MYSQL_TYPE_INT24:
    case MYSQL_TYPE_LONG:
    case MYSQL_TYPE_LONGLONG:
    case MYSQL_TYPE_YEAR:
        return ValueKind::Integer;
    case MYSQL_TYPE_DECIMAL:
    case MYSQL_TYPE_NEWDECIMAL:
        return ValueKind::Decimal;
    case MYSQL_TYPE_FLOAT:
    case MYSQL_TYPE_DOUBLE:
        return ValueKind::Float;
    case MYSQL_TYPE_DATE:
    case MYSQL_TYPE_NEWDATE:
    case MYSQL_TYPE_DATETIME:
    case MYSQL_TYPE_DATETIME2:
    case MYSQL_TYPE_TIMESTAMP:
    case MYSQL_TYPE_TIMESTAMP2:
        return ValueKind::DateTime;
    case MYSQL_TYPE_BIT:
    case MYSQL_TYPE_GEOMETRY:
        return ValueKind::Bytes;
    case MYSQL_TYPE_TINY_BLOB:
    case MYSQL_TYPE_MEDIUM_BLOB:
    case MYSQL_TYPE_LONG_BLOB:
    case MYSQL_TYPE_BLOB:
    case MYSQL_TYPE_VARCHAR:
    case MYSQL_TYPE_VAR_STRING:
    case MYSQL_TYPE_STRING:
        return field.charsetnr == binaryCharsetNr ? ValueKind::Bytes : ValueKind::Text;
    default:  // TIME, JSON, ENUM, SET, NULL
        return ValueKind::Text;
    }
}

// An integer column's value; an unsigned BIGINT beyond the signed range
// becomes an exact decimal.
DbValue integerValue(const QByteArray& text)
{
    errno = 0;
    char* end = nullptr;
    const long long v = std::strtoll(text.constData(), &end, 10);
    if (errno == 0 && end == text.constData() + text.size() && !text.isEmpty())
        return DbValue::fromInteger(v);
    return DbValue::fromDecimal(Decimal::parse(QString::fromLatin1(text)));
}

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

class MySqlSession;

// A server-side prepared statement.
class MySqlStatement final : public DriverStatement {
public:
    MySqlStatement(MySqlSession* session, MYSQL_STMT* stmt) : session_(session), stmt_(stmt) {}
    ~MySqlStatement() override { mysql_stmt_close(stmt_); }

    quint64 execute(const Row& parameters) override;
    quint64 executeArray(const QVector<const Row*>& rows, const QVector<int>& columns) override;
    qint64 arrayBytes() const override;

private:
    [[noreturn]] void fail() const;

    MySqlSession* session_;
    MYSQL_STMT* stmt_;
};

class MySqlCursor final : public DriverCursor {
public:
    MySqlCursor(MySqlSession* session, MYSQL_RES* result);
    ~MySqlCursor() override { release(); }

    const QVector<ColumnInfo>& columns() const override { return columns_; }
    bool fetch(Row& row) override;

    // Reads what is left of the result and of any further results, so that
    // the connection is ready for the next statement.
    void release() noexcept;

private:
    DbValue convert(int column, const char* data, unsigned long length) const;

    MySqlSession* session_;
    MYSQL_RES* result_;
    QVector<ColumnInfo> columns_;
};

class MySqlSession final : public DriverSession {
public:
    MySqlSession(MYSQL* mysql, MySqlTextCodec codec, TimeLimits limits)
        : mysql_(mysql), codec_(std::move(codec)), limits_(limits)
    {
        unsigned long capabilities = 0;
        if (mariadb_get_infov(mysql_, MARIADB_CONNECTION_SERVER_CAPABILITIES, &capabilities) == 0)
            transactions_ = (capabilities & CLIENT_TRANSACTIONS) != 0;
        // Parameter arrays are MariaDB's (10.2 on); a MySQL server sets CLIENT_MYSQL.
        unsigned long extended = 0;
        if (mariadb_get_infov(mysql_, MARIADB_CONNECTION_EXTENDED_SERVER_CAPABILITIES, &extended) == 0)
            arraysOffered_ = (capabilities & CLIENT_MYSQL) == 0
                             && (extended & (MARIADB_CLIENT_STMT_BULK_OPERATIONS >> 32)) != 0;
        // The largest value a statement may carry, so that a larger one is
        // refused by name rather than by a lost connection.
        if (mysql_query(mysql_, "select @@max_allowed_packet") == 0) {
            if (MYSQL_RES* result = mysql_store_result(mysql_)) {
                if (const MYSQL_ROW row = mysql_fetch_row(result); row && row[0])
                    largestValue_ = std::strtoll(row[0], nullptr, 10);
                mysql_free_result(result);
            }
        }
    }

    ~MySqlSession() override
    {
        if (activeCursor_)
            activeCursor_->release();
        mysql_close(mysql_);
    }

    std::unique_ptr<DriverCursor> query(const QString& sql) override
    {
        send(sql);
        MYSQL_RES* result = mysql_use_result(mysql_);
        if (!result && mysql_field_count(mysql_) != 0)
            fail();
        auto cursor = std::make_unique<MySqlCursor>(this, result);
        if (result)
            activeCursor_ = cursor.get();
        else
            discardResults(true);
        return cursor;
    }

    void execute(const QString& sql) override
    {
        send(sql);
        if (MYSQL_RES* result = mysql_use_result(mysql_))
            mysql_free_result(result);
        else if (mysql_field_count(mysql_) != 0)
            fail();
        discardResults(true);
    }

    QString quoteChar() const override { return QStringLiteral("`"); }
    bool supportsTransactions() const override { return transactions_; }

    bool rollsBackRowsOf(const QString& table) override
    {
        // A name in backquotes, or a plain one without a database part.
        QString name = table;
        if (name.size() >= 2 && name.startsWith(u'`') && name.endsWith(u'`'))
            name = name.mid(1, name.size() - 2).replace(QStringLiteral("``"), QStringLiteral("`"));
        else if (name.contains(u'.') || name.contains(u'`'))
            return false;
        const std::unique_ptr<DriverCursor> cursor = query(
            QStringLiteral("select e.TRANSACTIONS from information_schema.TABLES t join information_schema.ENGINES e "
                           "on e.ENGINE = t.ENGINE where t.TABLE_SCHEMA = database() and t.TABLE_NAME = ")
            + quoteLiteral(name));
        Row row;
        bool transactional = false;
        while (cursor->fetch(row))
            transactional = !row.isEmpty() && row.at(0).kind() == ValueKind::Text
                            && row.at(0).toText() == QLatin1String("YES");
        return transactional;
    }

    QString quoteIdentifier(const QString& name) const override
    {
        // A character the connection cannot carry would reach the server as
        // another name; the server quotes with byte 0x60, whatever
        // character that byte is in the connection's set.
        QString quoted = QStringLiteral("`");
        for (const char32_t cp : name.toUcs4()) {
            if (!codec_.canRepresent(cp))
                throw Error(QStringLiteral("The name %1 cannot be written in the connection character set %2")
                                .arg(name, codec_.charsetName()));
            const QString character = QString::fromUcs4(&cp, 1);
            quoted += character;
            if (codec_.encode(character) == "`")
                quoted += character;
        }
        return quoted + QLatin1Char('`');
    }

    QString quoteLiteral(const QString& text) const override
    {
        // Decided by the bytes each character becomes: in swe7 the letter Ö
        // is byte 0x5C, which the server reads as the escape character.
        unsigned status = 0;
        mariadb_get_infov(mysql_, MARIADB_CONNECTION_SERVER_STATUS, &status);
        const bool backslashEscapes = (status & SERVER_STATUS_NO_BACKSLASH_ESCAPES) == 0;
        QString quoted = QStringLiteral("'");
        for (const char32_t cp : text.toUcs4()) {
            const QString character = QString::fromUcs4(&cp, 1);
            const QByteArray bytes = codec_.canRepresent(cp) ? codec_.encode(character)
                                     : cp < 0x80            ? QByteArray(1, char(cp))
                                                            : QByteArray();
            if (bytes == "'")
                quoted += character;
            else if (bytes == "\\" && backslashEscapes)
                quoted += QLatin1Char('\\');
            quoted += character;
        }
        return quoted + QLatin1Char('\'');
    }

    std::unique_ptr<DriverStatement> prepare(const QString& sql) override
    {
        const QByteArray bytes = codec_.encodeStatement(sql);
        MYSQL_STMT* stmt = mysql_stmt_init(mysql_);
        if (!stmt)
            fail();
        calling();
        if (mysql_stmt_prepare(stmt, bytes.constData(), static_cast<unsigned long>(bytes.size())) != 0) {
            const unsigned code = mysql_stmt_errno(stmt);
            const QString message = decodedMessage(mysql_stmt_error(stmt), codec_);
            mysql_stmt_close(stmt);
            raise(code, message);
        }
        return std::make_unique<MySqlStatement>(this, stmt);
    }

    void beginTransaction() override { send(QStringLiteral("START TRANSACTION")); }

    void commit() override
    {
        calling();
        if (mysql_commit(mysql_) != 0)
            fail();
    }

    bool rollback() override
    {
        calling();
        if (mysql_rollback(mysql_) != 0)
            fail();
        // A rollback that could not take back the rows of a table without
        // transactions warns with ER_WARNING_NOT_COMPLETE_ROLLBACK (MySQL
        // manual, "START TRANSACTION, COMMIT, and ROLLBACK Statements"); a
        // plain rollback leaves no warning.
        return mysql_warning_count(mysql_) == 0;
    }

    MYSQL* handle() const { return mysql_; }
    const MySqlTextCodec& codec() const { return codec_; }
    // Whether statements may be sent with parameter arrays: the server
    // offers them and has not refused them on this connection. The
    // environment variable QUORVANE_BULK_APPLY=0 keeps every row to its own
    // execution.
    bool takesArrays() const override
    {
        return arraysOffered_ && !arraysRefused_ && qEnvironmentVariable("QUORVANE_BULK_APPLY") != QLatin1String("0");
    }
    void refuseArrays() { arraysRefused_ = true; }
    // The buffers of one array execution, kept from one to the next so that
    // their memory is not fetched anew each time.
    std::vector<ParameterColumn>& arrayColumns(size_t count)
    {
        if (arrayColumns_.size() < count)
            arrayColumns_.resize(count);
        return arrayColumns_;
    }
    qint64 largestValue() const { return largestValue_; }
    // A call to the server begins: its time limit runs from here.
    void calling() { call_.start(); }
    [[noreturn]] void fail() const { raise(mysql_errno(mysql_), lastError(mysql_, codec_)); }
    // The client library's own codes (2000 on) tell of the connection, the
    // server's of what it was sent.
    [[noreturn]] void raise(unsigned code, const QString& text) const
    {
        if (code >= CR_MIN_ERROR && code <= CR_MAX_ERROR)
            throw ConnectionFailure(failureText(code, text));
        throw Error(failureText(code, text));
    }
    QString failureText(unsigned code, const QString& text) const
    {
        if (silentFor(code, call_, limits_.answerSeconds))
            return QStringLiteral("The MySQL server did not answer within %1 seconds (%2)")
                .arg(limits_.answerSeconds)
                .arg(text);
        return text;
    }

    // Further results of the statement (a procedure call) are read and
    // dropped; with `raise`, a failure among them is reported.
    void discardResults(bool raise)
    {
        while (mysql_more_results(mysql_)) {
            if (mysql_next_result(mysql_) > 0) {
                if (raise)
                    fail();
                return;
            }
            if (MYSQL_RES* result = mysql_use_result(mysql_))
                mysql_free_result(result);
        }
    }

    void cursorReleased(MySqlCursor* cursor)
    {
        if (activeCursor_ == cursor)
            activeCursor_ = nullptr;
    }

private:
    void send(const QString& sql)
    {
        const QByteArray bytes = codec_.encodeStatement(sql);
        calling();
        if (mysql_real_query(mysql_, bytes.constData(), static_cast<unsigned long>(bytes.size())) != 0)
            fail();
    }

    MYSQL* mysql_;
    MySqlTextCodec codec_;
    TimeLimits limits_;
    QElapsedTimer call_;
    qint64 largestValue_ = 0;  // max_allowed_packet; 0 when unknown
    bool transactions_ = false;
    bool arraysOffered_ = false;
    bool arraysRefused_ = false;
    std::vector<ParameterColumn> arrayColumns_;
    MySqlCursor* activeCursor_ = nullptr;
};

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

namespace {

// What the server reads as one statement's worth of parameter arrays: well
// under max_allowed_packet, which one bulk packet must not exceed.
qint64 arrayBytesLimit(qint64 largestValue)
{
    constexpr qint64 ceiling = 16 * 1024 * 1024;
    return largestValue > 0 ? std::min(ceiling, largestValue / 4) : 256 * 1024;
}


}  // namespace

qint64 MySqlStatement::arrayBytes() const
{
    return session_->takesArrays() ? arrayBytesLimit(session_->largestValue()) : 0;
}

quint64 MySqlStatement::executeArray(const QVector<const Row*>& rows, const QVector<int>& columns)
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
        fail();
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
        fail();
    session_->calling();
    if (mysql_stmt_execute(stmt_) != 0) {
        const unsigned code = mysql_stmt_errno(stmt_);
        if (code == CR_FUNCTION_NOT_SUPPORTED || code == ER_BINLOG_NON_SUPPORTED_BULK) {
            // Nothing was written; this connection stays with single rows.
            session_->refuseArrays();
            throw ArraysNotTaken(decodedMessage(mysql_stmt_error(stmt_), session_->codec()));
        }
        fail();
    }
    const quint64 affected = mysql_stmt_affected_rows(stmt_);
    do {
        if (mysql_stmt_field_count(stmt_) > 0)
            mysql_stmt_free_result(stmt_);
    } while (mysql_stmt_next_result(stmt_) == 0);
    return affected;
}

MySqlCursor::MySqlCursor(MySqlSession* session, MYSQL_RES* result) : session_(session), result_(result)
{
    if (!result_)
        return;
    const unsigned count = mysql_num_fields(result_);
    const MYSQL_FIELD* fields = mysql_fetch_fields(result_);
    columns_.reserve(count);
    for (unsigned i = 0; i < count; ++i) {
        const MYSQL_FIELD& f = fields[i];
        ColumnInfo info;
        info.name = session_->codec().decode(QByteArray(f.name, f.name_length));
        info.type = kindOf(f);
        info.size = static_cast<int>(std::min<unsigned long>(f.length, std::numeric_limits<int>::max()));
        info.nullable = !(f.flags & NOT_NULL_FLAG);
        info.autoIncrement = (f.flags & AUTO_INCREMENT_FLAG) != 0;
        info.hasDefault = (f.flags & NO_DEFAULT_VALUE_FLAG) == 0;
        if (info.type == ValueKind::Decimal || info.type == ValueKind::DateTime)
            info.scale = static_cast<int>(f.decimals);
        info.dateOnly = f.type == MYSQL_TYPE_DATE || f.type == MYSQL_TYPE_NEWDATE;
        info.singlePrecision = f.type == MYSQL_TYPE_FLOAT;
        info.readOnly = false;
        columns_.append(info);
    }
}

bool MySqlCursor::fetch(Row& row)
{
    if (!result_)
        return false;
    session_->calling();
    const MYSQL_ROW values = mysql_fetch_row(result_);
    if (!values) {
        if (mysql_errno(session_->handle()) != 0) {
            const QString message = session_->failureText(mysql_errno(session_->handle()),
                                                          lastError(session_->handle(), session_->codec()));
            release();
            throw Error(message);
        }
        release();
        return false;
    }
    const unsigned long* lengths = mysql_fetch_lengths(result_);
    row.resize(columns_.size());
    for (int i = 0; i < columns_.size(); ++i)
        row[i] = values[i] ? convert(i, values[i], lengths[i]) : DbValue::null();
    return true;
}

DbValue MySqlCursor::convert(int column, const char* data, unsigned long length) const
{
    const QByteArray bytes(data, static_cast<qsizetype>(length));
    switch (columns_[column].type) {
    case ValueKind::Integer:
        return integerValue(bytes);
    case ValueKind::Decimal:
        return DbValue::fromDecimal(Decimal::parse(QString::fromLatin1(bytes)));
    case ValueKind::Float: {
        bool ok = false;
        const double v = bytes.toDouble(&ok);
        if (!ok)
            throw Error(QStringLiteral("The server sent '%1' for the floating-point column %2")
                            .arg(QString::fromLatin1(bytes), columns_[column].name));
        return DbValue::fromFloat(v);
    }
    case ValueKind::DateTime:
        return DbValue::fromDateTime(DateTime::parse(QString::fromLatin1(bytes)));
    case ValueKind::Text:
        return DbValue::fromText(session_->codec().decode(bytes));
    case ValueKind::Bytes:
        return DbValue::fromBytes(bytes);
    case ValueKind::Null:
        break;
    }
    return DbValue::null();
}

void MySqlCursor::release() noexcept
{
    if (!result_)
        return;
    mysql_free_result(result_);
    result_ = nullptr;
    session_->discardResults(false);
    session_->cursorReleased(this);
}

// Text of a connection parameter in the bytes the server reads it in; an
// empty value means the client library's default.
std::optional<QByteArray> optionalText(const QString& value, const MySqlTextCodec& codec)
{
    if (value.isEmpty())
        return std::nullopt;
    return codec.encode(value);
}

const char* orNull(const std::optional<QByteArray>& bytes)
{
    return bytes ? bytes->constData() : nullptr;
}

}  // namespace

std::unique_ptr<DriverSession> openMySqlSession(const ConnectionDescription& description)
{
    const QString requested = description.value(QStringLiteral("ServerCharSet")).trimmed();
    const bool charsetGiven = !requested.isEmpty();
    const QString charset = wideCharset(requested) ? QStringLiteral("utf8mb4") : requested;

    // The server reads the user and database names in the connection
    // character set; the password is checked as bytes, and passwords are set
    // in UTF-8 nearly everywhere.
    const MySqlTextCodec loginCodec =
        MySqlTextCodec::forCharset(charsetGiven ? charset : QStringLiteral("utf8mb4"));
    const QString hostName = description.value(QStringLiteral("HostName"));
    const std::optional<QByteArray> host = hostName.isEmpty() ? std::nullopt : std::optional(hostName.toUtf8());
    const std::optional<QByteArray> database = optionalText(description.value(QStringLiteral("Database")), loginCodec);
    const QByteArray user = loginCodec.encode(description.value(QStringLiteral("User_Name")));
    const QByteArray password = description.value(QStringLiteral("Password")).toUtf8();
    // Only a port that is one: a value the library would take as "the
    // default" could reach another server. The local server is reached
    // through its socket, where an empty port means the default.
    const QString portText = description.value(QStringLiteral("Port"));
    const bool throughSocket = hostName.isEmpty() || hostName == QLatin1String("localhost");
    uint port = 0;  // the client library's default
    if (!throughSocket || !portText.trimmed().isEmpty()) {
        bool portOk = false;
        port = portText.trimmed().toUInt(&portOk);
        if (!portOk || port < 1 || port > 65535)
            throw Error(QStringLiteral("The port '%1' is not a whole number from 1 to 65535").arg(portText));
    }
    const TimeLimits limits = TimeLimits::fromEnvironment();

    std::unique_ptr<MYSQL, decltype(&mysql_close)> handle(mysql_init(nullptr), &mysql_close);
    MYSQL* mysql = handle.get();
    if (!mysql)
        throw Error(QStringLiteral("The MySQL client library could not allocate a connection"));
    const unsigned int noLocalInfile = 0;
    mysql_options(mysql, MYSQL_OPT_LOCAL_INFILE, &noLocalInfile);
    mysql_options(mysql, MYSQL_OPT_CONNECT_TIMEOUT, &limits.connectSeconds);
    mysql_options(mysql, MYSQL_OPT_READ_TIMEOUT, &limits.answerSeconds);
    mysql_options(mysql, MYSQL_OPT_WRITE_TIMEOUT, &limits.answerSeconds);
    mysql_optionsv(mysql, MARIADB_OPT_RESTRICTED_AUTH, allowedAuthentication);
    // TLS whenever the server offers it; a server without it is still reached.
    mysql_ssl_set(mysql, nullptr, nullptr, nullptr, nullptr, nullptr);
    mysql_options(mysql, MYSQL_INIT_COMMAND, strictModeCommand);
    const QByteArray charsetName = charset.toLatin1();
    if (charsetGiven)
        mysql_options(mysql, MYSQL_SET_CHARSET_NAME, charsetName.constData());

    // No CLIENT_MULTI_STATEMENTS: one statement per call.
    QElapsedTimer connecting;
    connecting.start();
    if (!mysql_real_connect(mysql, orNull(host), user.constData(), password.constData(), orNull(database), port,
                            nullptr, 0)) {
        const unsigned code = mysql_errno(mysql);
        const bool silent = (code == CR_SERVER_LOST || code == CR_CONN_HOST_ERROR || code == CR_CONNECTION_ERROR)
                            && connecting.elapsed() + 500 >= qint64(limits.connectSeconds) * 1000;
        if (silent)
            throw Error(QStringLiteral("The MySQL server did not answer within %1 seconds (%2)")
                            .arg(limits.connectSeconds)
                            .arg(lastError(mysql, loginCodec)));
        throw Error(lastError(mysql, loginCodec));
    }

    // The character set the connection really uses, as the library reports it.
    const char* actual = mysql_character_set_name(mysql);
    MySqlTextCodec codec = MySqlTextCodec::forCharset(QString::fromLatin1(actual ? actual : "utf8mb4"));
    auto session = std::make_unique<MySqlSession>(mysql, std::move(codec), limits);
    handle.release();  // the session closes it now
    return session;
}

}  // namespace qv
