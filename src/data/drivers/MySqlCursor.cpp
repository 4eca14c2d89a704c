#include "MySqlCursor.h"

#include "MySqlSession.h"

#include <QByteArray>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <limits>

namespace qv {

namespace {

constexpr unsigned binaryCharsetNr = 63;

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

}  // namespace

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

}  // namespace qv
