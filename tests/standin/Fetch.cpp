#include "Fetch.h"

#include "Network.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace qv::standin {

namespace {

// Which external types Oracle converts a column to: the table of conversions
// of the "Data Types" chapter, for the types of a select list.
enum class Family { Character, LongLike, Lob, Numeric, Temporal, Raw, Blob, None };

Family familyOf(OraType type)
{
    switch (type) {
    case OraType::Varchar2:
    case OraType::NVarchar2:
    case OraType::Char:
    case OraType::NChar: return Family::Character;
    case OraType::Long:
    case OraType::IntervalYm:
    case OraType::IntervalDs:
    case OraType::RowId: return Family::LongLike;
    case OraType::Clob:
    case OraType::NClob: return Family::Lob;
    case OraType::Number:
    case OraType::Float:
    case OraType::BinaryFloat:
    case OraType::BinaryDouble: return Family::Numeric;
    case OraType::Date:
    case OraType::Timestamp:
    case OraType::TimestampTz:
    case OraType::TimestampLtz: return Family::Temporal;
    case OraType::Raw:
    case OraType::LongRaw: return Family::Raw;
    case OraType::Blob: return Family::Blob;
    case OraType::UserDefined: return Family::None;
    }
    return Family::None;
}

bool isCharacterTarget(ub2 dty)
{
    return dty == SQLT_CHR || dty == SQLT_STR || dty == SQLT_AFC || dty == SQLT_LNG;
}

bool isNumericTarget(ub2 dty)
{
    return dty == SQLT_INT || dty == SQLT_FLT || dty == SQLT_BFLOAT || dty == SQLT_BDOUBLE || dty == SQLT_NUM ||
           dty == SQLT_VNU;
}

bool isTemporalTarget(ub2 dty)
{
    return dty == SQLT_DAT || dty == SQLT_TIMESTAMP || dty == SQLT_TIMESTAMP_TZ || dty == SQLT_TIMESTAMP_LTZ;
}

bool isBinaryTarget(ub2 dty)
{
    return dty == SQLT_BIN || dty == SQLT_LBI;
}

const char* targetName(ub2 dty)
{
    if (isCharacterTarget(dty))
        return dty == SQLT_LNG ? "LONG" : "CHAR";
    if (isNumericTarget(dty))
        return "NUMBER";
    if (isBinaryTarget(dty))
        return "BINARY";
    switch (dty) {
    case SQLT_DAT: return "DATE";
    case SQLT_TIMESTAMP: return "TIMESTAMP";
    case SQLT_TIMESTAMP_TZ: return "TIMESTAMP WITH TIME ZONE";
    case SQLT_TIMESTAMP_LTZ: return "TIMESTAMP WITH LOCAL TIME ZONE";
    case SQLT_CLOB: return "CLOB";
    case SQLT_BLOB: return "BLOB";
    default: return "-";
    }
}

bool converts(Family family, ub2 dty)
{
    const bool character = isCharacterTarget(dty);
    switch (family) {
    case Family::Character: return character || isNumericTarget(dty);
    case Family::LongLike: return character;
    case Family::Lob: return character || dty == SQLT_CLOB;
    case Family::Numeric: return character || isNumericTarget(dty);
    case Family::Temporal: return character || isTemporalTarget(dty);
    case Family::Raw: return character || isBinaryTarget(dty);
    case Family::Blob: return isBinaryTarget(dty) || dty == SQLT_BLOB;
    case Family::None: return false;
    }
    return false;
}

// The bytes a define receives for one value that is not NULL.
struct External {
    std::string bytes;
    bool character = false;  // text: a cut keeps whole characters
    bool fixed = false;      // a binary form of its own size: never cut
};

template <class T>
std::string binary(T value)
{
    std::string bytes(sizeof value, '\0');
    std::memcpy(bytes.data(), &value, sizeof value);
    return bytes;
}

void requireSize(sb8 size, sb8 needed)
{
    if (size < needed)
        fail(1460, "unimplemented or unreasonable conversion requested");
}

std::string hexText(const std::string& bytes)
{
    static const char digits[] = "0123456789ABCDEF";
    std::string text;
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        text += digits[byte >> 4];
        text += digits[byte & 0xf];
    }
    return text;
}

External numericExternal(const Value& v, const Column& column, ub2 dty, sb8 size)
{
    // The value as an exact number, or as a binary float when it is one.
    const bool exact = v.kind != Value::Kind::Float;
    Number number;
    if (v.kind == Value::Kind::Text) {
        const auto parsed = Number::parse(v.data);
        if (!parsed)
            fail(1722, "invalid number");
        number = *parsed;
        number.limitToOracle();
    } else if (v.kind == Value::Kind::Number) {
        number = v.number;
    }
    const bool single = column.type == OraType::BinaryFloat;
    const double real = exact ? number.toDouble() : v.real;

    External e;
    e.fixed = true;
    switch (dty) {
    case SQLT_INT: {
        std::int64_t whole = 0;
        if (exact) {
            const auto integer = number.toInteger();
            if (!integer)
                fail(1455, "converting column overflows integer datatype");
            whole = *integer;
        } else {
            if (!std::isfinite(real) || real <= -9223372036854775808.0 || real >= 9223372036854775808.0)
                fail(1455, "converting column overflows integer datatype");
            whole = static_cast<std::int64_t>(real);  // the fraction is cut off
        }
        const auto fits = [&](auto sample) {
            using T = decltype(sample);
            if (whole < std::numeric_limits<T>::min() || whole > std::numeric_limits<T>::max())
                fail(1455, "converting column overflows integer datatype");
            return binary(static_cast<T>(whole));
        };
        switch (size) {
        case 1: e.bytes = fits(std::int8_t()); break;
        case 2: e.bytes = fits(std::int16_t()); break;
        case 4: e.bytes = fits(std::int32_t()); break;
        case 8: e.bytes = fits(std::int64_t()); break;
        default: fail(1460, "unimplemented or unreasonable conversion requested");
        }
        return e;
    }
    case SQLT_FLT:
        if (size == 4)
            e.bytes = binary(exact ? number.toFloat() : static_cast<float>(real));
        else if (size == 8)
            e.bytes = binary(real);
        else
            fail(1460, "unimplemented or unreasonable conversion requested");
        return e;
    case SQLT_BFLOAT:
        requireSize(size, 4);
        e.bytes = binary(exact ? number.toFloat() : static_cast<float>(real));
        return e;
    case SQLT_BDOUBLE:
        requireSize(size, 8);
        e.bytes = binary(real);
        return e;
    default: break;
    }
    // SQLT_NUM and SQLT_VNU: Oracle's own NUMBER bytes.
    if (!exact) {
        // The shortest decimal that reads back as the binary value, in its own precision.
        if (single) {
            char buffer[32];
            const auto result = std::to_chars(buffer, buffer + sizeof buffer, static_cast<float>(real));
            const auto parsed = Number::parse(std::string_view(buffer, static_cast<std::size_t>(result.ptr - buffer)));
            if (!parsed)
                fail(1426, "numeric overflow");
            number = *parsed;
        } else {
            number = Number::fromDouble(real);
        }
        number.limitToOracle();
    }
    const auto bytes = number.toOracleBytes();
    if (dty == SQLT_VNU) {
        requireSize(size, 22);
        e.bytes.assign(1, static_cast<char>(bytes.size()));
    } else {
        requireSize(size, 21);
    }
    e.bytes.append(bytes.begin(), bytes.end());
    return e;
}

External externalValue(const Value& v, const Column& column, ub2 dty, sb8 size, bool unicode)
{
    External e;
    if (isCharacterTarget(dty)) {
        e.character = true;
        switch (v.kind) {
        case Value::Kind::Text: e.bytes = toClient(v.data, unicode); break;
        case Value::Kind::Number: e.bytes = v.number.toText(); break;
        case Value::Kind::Float: e.bytes = binaryFloatText(v.real, column.type == OraType::BinaryFloat); break;
        case Value::Kind::DateTime:
            e.bytes = column.type == OraType::Date
                          ? v.dateTime.dateText()
                          : v.dateTime.timestampText(column.fractionDigits, column.type == OraType::TimestampTz);
            break;
        case Value::Kind::Bytes: e.bytes = hexText(v.data); break;
        case Value::Kind::Null: break;
        }
        return e;
    }
    if (isBinaryTarget(dty)) {
        e.bytes = v.data;
        return e;
    }
    if (dty == SQLT_DAT) {
        requireSize(size, 7);
        const auto bytes = v.dateTime.toOracleDate();
        e.bytes.assign(bytes.begin(), bytes.end());
        e.fixed = true;
        return e;
    }
    return numericExternal(v, column, dty, size);
}

bool isUnicode(const OCIDefine& define)
{
    const ub2 id = define.charsetId != 0              ? define.charsetId
                   : define.charsetForm == SQLCS_NCHAR ? define.env->ncharset
                                                       : define.env->charset;
    return id == AL32UTF8_CHARSET_ID;
}

ub4 descriptorType(ub2 dty)
{
    switch (dty) {
    case SQLT_TIMESTAMP: return OCI_DTYPE_TIMESTAMP;
    case SQLT_TIMESTAMP_TZ: return OCI_DTYPE_TIMESTAMP_TZ;
    case SQLT_TIMESTAMP_LTZ: return OCI_DTYPE_TIMESTAMP_LTZ;
    default: return OCI_DTYPE_LOB;
    }
}

// Fills the descriptor that element `iter` of a descriptor array points to.
void placeDescriptor(OCIDefine& define, const Value& v, const Column& column, ub4 iter)
{
    void* element = define.valuep ? static_cast<void**>(define.valuep)[iter] : nullptr;
    const ub4 type = descriptorType(define.dty);
    if (type == OCI_DTYPE_LOB) {
        auto& locator = handleOf<OCILobLocator>(element, type);
        locator.filled = true;
        locator.character = column.type == OraType::Clob || column.type == OraType::NClob;
        locator.national = column.type == OraType::NClob;
        locator.data = v.data;
        locator.polling = false;
        locator.pending.clear();
        // LOB prefetching (SecureFiles and Large Objects Developer's Guide,
        // "Prefetching LOB Data in OCI"): the session's default prefetch size
        // of data, and the length when the define asks for it, come with the row.
        const OCISvcCtx* svc = define.stmt->svc;
        const OCISession* session = svc ? svc->session : nullptr;
        const std::size_t prefetch = session ? session->defaultLobPrefetchSize : 0;
        const std::size_t units = locator.character ? ucs2Length(locator.data) : locator.data.size();
        locator.prefetchedUnits = std::min(prefetch, units);
        locator.lengthPrefetched = define.lobPrefetchLength;
        locator.piecesUnits = 0;
        return;
    }
    auto& datetime = handleOf<OCIDateTime>(element, type);
    datetime.filled = true;
    datetime.value = v.dateTime;
    if (define.dty == SQLT_TIMESTAMP_TZ) {
        datetime.value.hasZone = true;  // a value of no zone is in the session's, UTC here
    } else {
        datetime.value.hasZone = false;
        datetime.value.zoneName.clear();
        datetime.value.zoneMinutes = 0;
    }
}

// National character data read in the implicit form is converted into the
// database character set on its way (OCI guide, OCI_ATTR_CHARSET_FORM:
// SQLCS_IMPLICIT is the database character set, SQLCS_NCHAR the national one).
Value asDefined(const OCIDefine& define, const Value& v, const Column& column)
{
    // A LOB's text is converted when it is read (OCILobRead2's csfrm).
    if (v.kind != Value::Kind::Text || column.charsetForm != SQLCS_NCHAR || define.charsetForm == SQLCS_NCHAR
        || isDescriptorType(define.dty))
        return v;
    Value converted = v;
    converted.data = toDatabaseCharset(v.data, define.stmt->cursor->connection()->databaseCharset);
    return converted;
}

// Places one value into element `iter` of a define; true when it was cut.
bool place(OCIDefine& define, const Value& given, const Column& column, ub4 iter)
{
    const Value v = asDefined(define, given, column);
    sb2* ind = define.indp ? define.indp + iter : nullptr;
    ub4* rlen = define.rlenp ? define.rlenp + iter : nullptr;
    ub2* rcode = define.rcodep ? define.rcodep + iter : nullptr;
    if (v.kind == Value::Kind::Null) {
        if (!ind)
            fail(1405, "fetched column value is NULL");
        *ind = -1;
        if (rlen)
            *rlen = 0;
        if (rcode)
            *rcode = ORA_NULL_FETCHED;
        return false;
    }
    if (isDescriptorType(define.dty)) {
        placeDescriptor(define, v, column, iter);
        if (ind)
            *ind = 0;
        if (rlen)
            *rlen = sizeof(void*);
        if (rcode)
            *rcode = 0;
        return false;
    }

    const bool unicode = isUnicode(define);
    const External e = externalValue(v, column, define.dty, define.valueSize, unicode);
    const auto size = static_cast<std::size_t>(define.valuep && define.valueSize > 0 ? define.valueSize : 0);
    auto* buffer = static_cast<char*>(define.valuep) + (define.valuep ? iter * size : 0);
    if (e.fixed) {
        std::memcpy(buffer, e.bytes.data(), e.bytes.size());
        if (ind)
            *ind = 0;
        if (rlen)
            *rlen = static_cast<ub4>(e.bytes.size());
        if (rcode)
            *rcode = 0;
        return false;
    }
    // Character and binary data: cut to the buffer, SQLT_STR keeping a byte
    // for its terminating NUL; SQLT_AFC is blank-padded to the buffer length.
    const bool str = define.dty == SQLT_STR;
    const std::size_t room = str ? (size > 0 ? size - 1 : 0) : size;
    const bool cut = e.bytes.size() > room;
    std::size_t length = cut ? (e.character && unicode ? utf8Prefix(e.bytes, room) : room) : e.bytes.size();
    if (length > 0)
        std::memcpy(buffer, e.bytes.data(), length);
    if (define.dty == SQLT_AFC && length < room) {
        std::memset(buffer + length, ' ', room - length);
        length = room;
    }
    if (str && size > 0)
        buffer[length] = '\0';
    if (ind)
        *ind = cut ? (e.bytes.size() > 32767 ? sb2(-2) : static_cast<sb2>(e.bytes.size())) : sb2(0);
    if (rlen)
        *rlen = static_cast<ub4>(length);
    if (rcode)
        *rcode = cut ? ORA_VALUE_TRUNCATED : 0;
    return cut;
}

// A piece's length, written through the pointer its callback handed out.
struct PieceLength {
    ub4* where;
    ub4 length;
};

// OCI_DYNAMIC_FETCH: the application's callback supplies a buffer for each
// piece of the value, until all of it has been handed out. The client writes
// a piece's length through the callback's length pointer once it has filled
// the piece; nothing says when, before the fetch returns, so the pieces'
// lengths are written as the fetch ends (ODPI-C, dpiVar__defineCallback,
// keeps one length for each piece and reads them after the fetch). A NULL
// return-code pointer is allowed (that function hands one out).
void placeDynamic(OCIDefine& define, const Value& given, const Column& column, ub4 iter,
                  std::vector<PieceLength>& lengths)
{
    const Value v = asDefined(define, given, column);
    const bool null = v.kind == Value::Kind::Null;
    const std::string bytes =
        null ? std::string() : externalValue(v, column, define.dty, define.valueSize, isUnicode(define)).bytes;
    std::size_t offset = 0;
    ub1 piece = OCI_FIRST_PIECE;
    do {
        void* buffer = nullptr;
        ub4* length = nullptr;
        void* indicator = nullptr;
        ub2* rcode = nullptr;
        if (define.callback(define.callbackContext, &define, iter, &buffer, &length, &piece, &indicator, &rcode) !=
            OCI_CONTINUE)
            fail(24343, "user defined callback error");
        auto* ind = static_cast<sb2*>(indicator);
        if (null) {
            if (!ind)
                fail(1405, "fetched column value is NULL");
            *ind = -1;
            if (length)
                lengths.push_back({length, 0});
            if (rcode)
                *rcode = ORA_NULL_FETCHED;
            return;
        }
        if (!length || (!buffer && *length > 0))
            fail(24343, "user defined callback error");
        const std::size_t n = std::min<std::size_t>(*length, bytes.size() - offset);
        if (n == 0 && offset < bytes.size())
            fail(24343, "user defined callback error");  // no room: it would never end
        if (n > 0)
            std::memcpy(buffer, bytes.data() + offset, n);
        offset += n;
        lengths.push_back({length, static_cast<ub4>(n)});
        if (ind)
            *ind = 0;
        if (rcode)
            *rcode = 0;
        piece = OCI_NEXT_PIECE;
    } while (offset < bytes.size());
}

const OCIStmt* tracedStatement = nullptr;
std::string trace;

// QV_OCI_STANDIN_HOLD_AFTER_ROWS=N: the round trip that would bring row N+1
// of a result (of a query of the table QV_OCI_STANDIN_HOLD_TABLE, when it is
// set) waits until the call is broken (or its time limit ends it).
std::optional<unsigned long long> holdAfterRows()
{
    const char* text = std::getenv("QV_OCI_STANDIN_HOLD_AFTER_ROWS");
    if (!text || !*text)
        return std::nullopt;
    return std::strtoull(text, nullptr, 10);
}

}  // namespace

bool isDescriptorType(ub2 dty)
{
    return dty == SQLT_CLOB || dty == SQLT_BLOB || dty == SQLT_TIMESTAMP || dty == SQLT_TIMESTAMP_TZ ||
           dty == SQLT_TIMESTAMP_LTZ;
}

void checkConversion(const Column& column, ub2 dty)
{
    if (!converts(familyOf(column.type), dty))
        fail(932, std::string("inconsistent datatypes: expected ") + targetName(dty) + " got " + column.typeName);
}

bool prefetches(const OCIStmt& stmt)
{
    for (const Column& column : stmt.cursor->columns())
        switch (column.type) {
        case OraType::Clob:
        case OraType::NClob:
        case OraType::Blob:
        case OraType::Long:
        case OraType::LongRaw: return false;
        default: break;
        }
    return true;
}

void bringRows(OCIStmt& stmt, ub4 rows, bool ownRoundTrip)
{
    Cursor& cursor = *stmt.cursor;
    Connection& connection = *cursor.connection();
    if (ownRoundTrip) {
        const auto holdAfter = holdAfterRows();
        const char* holdTable = std::getenv("QV_OCI_STANDIN_HOLD_TABLE");
        const bool held = !holdTable || !*holdTable || cursor.originTable() == holdTable;
        const bool hold = holdAfter && held && stmt.rowCount + stmt.buffered.size() >= *holdAfter;
        roundTrip(connection, stmt.svc ? stmt.svc->callTimeoutMs : 0, hold);
    }
    ub4 brought = 0;
    try {
        for (; brought < rows && !cursor.atEnd(); ++brought) {
            if (stmt.failAfterRows && stmt.rowCount + stmt.buffered.size() >= *stmt.failAfterRows) {
                connection.dead = true;
                fail(3113, "end-of-file on communication channel");
            }
            std::vector<Value> values;
            values.reserve(cursor.columns().size());
            for (std::size_t i = 0; i < cursor.columns().size(); ++i)
                values.push_back(cursor.value(i));
            stmt.buffered.push_back(std::move(values));
            cursor.next();
        }
    } catch (const OraError& e) {
        // The rows before it arrive; the error comes after them.
        stmt.bufferedError = e;
        return;
    }
    // The server tells the end only when it sends fewer rows than asked for.
    if (brought < rows)
        stmt.endKnown = true;
}

sword fetchRows(OCIStmt& stmt, OCIError& err, ub4 nrows)
{
    Cursor& cursor = *stmt.cursor;
    const auto& columns = cursor.columns();
    if (stmt.defines.empty())
        fail(24374, "define not done before fetch or execute and fetch");
    for (const auto& [position, define] : stmt.defines) {
        if (position > columns.size())
            fail(1007, "variable not in select list");
        checkConversion(columns[position - 1], define->dty);
        if (define->mode & OCI_DYNAMIC_FETCH) {
            if (isDescriptorType(define->dty))
                fail(932, std::string("inconsistent datatypes: expected - got ") + columns[position - 1].typeName);
            if (!define->callback)
                fail(3130, "the buffer for the next piece to be fetched is required");
        }
    }

    ub4 placed = 0;
    bool cut = false;
    std::vector<PieceLength> pieceLengths;
    const auto record = [&] {
        for (const PieceLength& piece : pieceLengths)
            *piece.where = piece.length;
        stmt.rowsFetched = placed;
        stmt.rowCount += placed;
        if (&stmt == tracedStatement) {
            if (!trace.empty())
                trace += ',';
            trace += std::to_string(placed);
        }
    };
    try {
        while (placed < nrows) {
            if (stmt.buffered.empty()) {
                if (stmt.bufferedError) {
                    const OraError error = *stmt.bufferedError;
                    stmt.bufferedError.reset();
                    throw error;
                }
                if (stmt.endKnown)
                    break;
                // The buffer ran dry: one round trip brings as many rows as
                // the array or the prefetch asks for, whichever is more.
                bringRows(stmt, std::max(nrows, prefetches(stmt) ? stmt.prefetchRows : 0), true);
                continue;
            }
            const std::vector<Value>& values = stmt.buffered.front();
            for (const auto& [position, define] : stmt.defines) {
                const Column& column = columns[position - 1];
                const Value& v = values[position - 1];
                if (define->mode & OCI_DYNAMIC_FETCH)
                    placeDynamic(*define, v, column, placed, pieceLengths);
                else
                    cut = place(*define, v, column, placed) || cut;
            }
            stmt.buffered.pop_front();
            ++placed;
        }
    } catch (...) {
        record();
        throw;
    }
    record();
    if (placed < nrows) {
        err.error = oraError(1403, "no data found");
        return OCI_NO_DATA;
    }
    if (cut) {
        err.error = oraError(24345, "A Truncation or null fetch error occurred");
        return OCI_SUCCESS_WITH_INFO;
    }
    return OCI_SUCCESS;
}

void traceExecute(const OCIStmt* stmt)
{
    tracedStatement = stmt;
    trace.clear();
}

void traceForget(const OCIStmt* stmt)
{
    if (tracedStatement == stmt)
        tracedStatement = nullptr;
}

const char* traceText()
{
    return trace.c_str();
}

}  // namespace qv::standin
