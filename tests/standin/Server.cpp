#include "Server.h"

#include "data/Errors.h"
#include "data/drivers/OracleTypeDecl.h"
#include "data/drivers/SchemaFileDictionary.h"
#include "data/drivers/SchemaFileSql.h"

#include <QDateTime>
#include <QTimeZone>
#include <cctype>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <sqlite3.h>
#include <sys/stat.h>

namespace qv::standin {

using namespace qv::oci;

namespace {

bool startsWith(std::string_view text, std::string_view prefix)
{
    return text.substr(0, prefix.size()) == prefix;
}

// SQLite's refusals as the Oracle errors that a server gives for the same mistakes.
OraError sqliteError(sqlite3* db, int rc, bool parsing)
{
    const std::string message = sqlite3_errmsg(db);
    if ((rc & 0xff) == SQLITE_READONLY)
        return oraError(16000, "database or pluggable database open for read-only access");
    if (startsWith(message, "no such table: "))
        return oraError(942, "table or view does not exist");
    for (const char* prefix : {"no such column: ", "no such function: "})
        if (startsWith(message, prefix))
            return oraError(904, std::string("\"").append(message, std::strlen(prefix)).append("\": invalid identifier"));
    if (parsing)
        return oraError(900, "invalid SQL statement " + message);
    return oraError(600, "internal error code, arguments: [sqlite3_step], [" + message + "]");
}

void exec(sqlite3* db, const std::string& sql)
{
    char* message = nullptr;
    if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &message) != SQLITE_OK) {
        const std::string text = message ? message : sqlite3_errmsg(db);
        sqlite3_free(message);
        fail(604, "error occurred at recursive SQL level 1 (" + text + ")");
    }
}

// The statement type that the client library reads from the first keyword,
// before any server has seen the statement.
ub2 keywordType(std::string_view sql)
{
    std::size_t i = 0;
    for (;;) {
        while (i < sql.size() && (std::strchr(" \t\r\n\f\v(", sql[i]) != nullptr))
            ++i;
        if (sql.substr(i, 2) == "--") {
            i = sql.find('\n', i);
            if (i == std::string_view::npos)
                return 0;
        } else if (sql.substr(i, 2) == "/*") {
            i = sql.find("*/", i + 2);
            if (i == std::string_view::npos)
                return 0;
            i += 2;
        } else {
            break;
        }
    }
    std::string word;
    while (i < sql.size() && std::isalpha(static_cast<unsigned char>(sql[i])))
        word += static_cast<char>(std::toupper(static_cast<unsigned char>(sql[i++])));
    static const std::pair<const char*, ub2> types[] = {
        {"SELECT", 1}, {"WITH", 1}, {"UPDATE", 2}, {"DELETE", 3}, {"INSERT", 4}, {"CREATE", 5}, {"DROP", 6},
        {"ALTER", 7}, {"BEGIN", 8}, {"DECLARE", 9}, {"CALL", 10}, {"MERGE", 16}};
    for (const auto& [keyword, type] : types)
        if (word == keyword)
            return type;
    return 0;
}

// "TIMESTAMP(6) WITH TIME ZONE" → 6; "INTERVAL DAY(2) TO SECOND(6)" → 2 and 6.
std::vector<int> numbersIn(std::string_view text)
{
    std::vector<int> numbers;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (std::isdigit(static_cast<unsigned char>(text[i]))) {
            int value = 0;
            const auto result = std::from_chars(text.data() + i, text.data() + text.size(), value);
            numbers.push_back(value);
            i = static_cast<std::size_t>(result.ptr - text.data());
        }
    }
    return numbers;
}

ub2 describeCode(OraType type)
{
    switch (type) {
    case OraType::Varchar2:
    case OraType::NVarchar2: return SQLT_CHR;
    case OraType::Number:
    case OraType::Float: return SQLT_NUM;
    case OraType::Long: return SQLT_LNG;
    case OraType::Date: return SQLT_DAT;
    case OraType::Raw: return SQLT_BIN;
    case OraType::LongRaw: return SQLT_LBI;
    case OraType::Char:
    case OraType::NChar: return SQLT_AFC;
    case OraType::BinaryFloat: return SQLT_IBFLOAT;
    case OraType::BinaryDouble: return SQLT_IBDOUBLE;
    case OraType::RowId: return SQLT_RDD;
    case OraType::UserDefined: return SQLT_NTY;
    case OraType::Clob:
    case OraType::NClob: return SQLT_CLOB;
    case OraType::Blob: return SQLT_BLOB;
    case OraType::Timestamp: return SQLT_TIMESTAMP;
    case OraType::TimestampTz: return SQLT_TIMESTAMP_TZ;
    case OraType::IntervalYm: return SQLT_INTERVAL_YM;
    case OraType::IntervalDs: return SQLT_INTERVAL_DS;
    case OraType::TimestampLtz: return SQLT_TIMESTAMP_LTZ;
    }
    return SQLT_NTY;
}

OraType typeOf(const std::string& name)
{
    static const std::pair<const char*, OraType> plain[] = {
        {"VARCHAR2", OraType::Varchar2}, {"NVARCHAR2", OraType::NVarchar2}, {"CHAR", OraType::Char},
        {"NCHAR", OraType::NChar}, {"LONG", OraType::Long}, {"CLOB", OraType::Clob}, {"NCLOB", OraType::NClob},
        {"NUMBER", OraType::Number}, {"FLOAT", OraType::Float}, {"BINARY_FLOAT", OraType::BinaryFloat},
        {"BINARY_DOUBLE", OraType::BinaryDouble}, {"DATE", OraType::Date}, {"RAW", OraType::Raw},
        {"LONG RAW", OraType::LongRaw}, {"BLOB", OraType::Blob}, {"ROWID", OraType::RowId},
        // A UROWID is described as a ROWID is (ODPI-C, dpiOracleType.c: both SQLT_RDD).
        {"UROWID", OraType::RowId}};
    for (const auto& [text, type] : plain)
        if (name == text)
            return type;
    if (startsWith(name, "TIMESTAMP("))
        return name.find("LOCAL TIME ZONE") != std::string::npos ? OraType::TimestampLtz
               : name.find("TIME ZONE") != std::string::npos  ? OraType::TimestampTz
                                                               : OraType::Timestamp;
    if (startsWith(name, "INTERVAL YEAR"))
        return OraType::IntervalYm;
    if (startsWith(name, "INTERVAL DAY"))
        return OraType::IntervalDs;
    return OraType::UserDefined;
}

ub2 clampSize(long long size)
{
    return static_cast<ub2>(size < 0 ? 0 : size > 65535 ? 65535 : size);
}

// A column of no declared type (an expression) takes the type of its first value.
Column undeclaredColumn(int storage)
{
    Column c;
    switch (storage) {
    case SQLITE_INTEGER:
    case SQLITE_FLOAT:
        c.type = OraType::Number, c.typeName = "NUMBER", c.dataSize = 22, c.scale = -127;
        break;
    case SQLITE_BLOB:
        c.type = OraType::Raw, c.typeName = "RAW", c.dataSize = 2000;
        break;
    default:
        c.type = OraType::Varchar2, c.typeName = "VARCHAR2", c.dataSize = 4000, c.charSize = 4000;
        c.charsetForm = SQLCS_IMPLICIT;
        break;
    }
    return c;
}

Column declaredColumn(const OracleTypeDecl& decl)
{
    Column c;
    c.typeName = decl.dataType.toStdString();
    c.type = typeOf(c.typeName);
    c.dataSize = clampSize(decl.dataLength);
    switch (c.type) {
    case OraType::Number:
        // An unconstrained NUMBER describes as precision 0, scale -127.
        c.precision = static_cast<sb2>(decl.dataPrecision.value_or(0));
        c.scale = static_cast<sb1>(decl.dataScale.value_or(decl.dataPrecision ? 0 : -127));
        break;
    case OraType::Float:
        c.precision = static_cast<sb2>(decl.dataPrecision.value_or(126));
        c.scale = -127;
        break;
    case OraType::Timestamp:
    case OraType::TimestampTz:
    case OraType::TimestampLtz: {
        const auto numbers = numbersIn(c.typeName);
        c.fractionDigits = numbers.empty() ? 6 : numbers[0];
        c.scale = static_cast<sb1>(c.fractionDigits);
        break;
    }
    case OraType::IntervalYm:
    case OraType::IntervalDs: {
        const auto numbers = numbersIn(c.typeName);
        c.precision = static_cast<sb2>(numbers.empty() ? 2 : numbers[0]);
        c.scale = static_cast<sb1>(numbers.size() > 1 ? numbers[1] : 0);
        break;
    }
    default: break;
    }
    switch (c.type) {
    case OraType::NChar:
    case OraType::NVarchar2:
        c.charUsed = true;
        [[fallthrough]];
    case OraType::NClob:
        c.charsetForm = SQLCS_NCHAR;
        break;
    case OraType::Varchar2:
        c.charUsed = decl.charUsed;  // VARCHAR2(n CHAR) keeps 4 bytes a character
        [[fallthrough]];
    case OraType::Char:
    case OraType::Long:
    case OraType::Clob:
        c.charsetForm = SQLCS_IMPLICIT;
        break;
    default: break;
    }
    c.charSize = clampSize(decl.charLength);
    return c;
}

bool isCharacter(OraType type)
{
    switch (type) {
    case OraType::Varchar2:
    case OraType::NVarchar2:
    case OraType::Char:
    case OraType::NChar:
    case OraType::Long:
    case OraType::Clob:
    case OraType::NClob:
    case OraType::IntervalYm:
    case OraType::IntervalDs:
    case OraType::RowId: return true;
    default: return false;
    }
}

// A time zone as ORA_SDTZ, TZ or DBTIMEZONE name it: "+05:30", a region.
QTimeZone zoneOf(std::string name)
{
    if (!name.empty() && name.front() == ':')
        name.erase(0, 1);  // TZ=":Europe/Paris"
    if (!name.empty() && (name.front() == '+' || name.front() == '-')) {
        int hours = 0, minutes = 0;
        std::sscanf(name.c_str() + 1, "%d:%d", &hours, &minutes);
        return QTimeZone((name.front() == '-' ? -1 : 1) * (hours * 3600 + minutes * 60));
    }
    const QTimeZone zone(QByteArray::fromStdString(name));
    return zone.isValid() ? zone : QTimeZone::utc();
}

// A TIMESTAMP WITH LOCAL TIME ZONE is stored in the database's zone and
// given to a session in the session's (SQL Language Reference, Datetime
// Data Types).
DateTime inSessionZone(const DateTime& stored, const Connection& connection)
{
    if (connection.sessionTimeZone == connection.databaseTimeZone)
        return stored;
    const QDateTime at(QDate(stored.year, int(stored.month), int(stored.day)),
                       QTime(int(stored.hour), int(stored.minute), int(stored.second)),
                       zoneOf(connection.databaseTimeZone));
    const QDateTime shown = at.toTimeZone(zoneOf(connection.sessionTimeZone));
    DateTime result = stored;
    result.year = shown.date().year();
    result.month = unsigned(shown.date().month());
    result.day = unsigned(shown.date().day());
    result.hour = unsigned(shown.time().hour());
    result.minute = unsigned(shown.time().minute());
    result.second = unsigned(shown.time().second());
    return result;
}

std::string shortestText(double value)
{
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

}  // namespace

// ---------------------------------------------------------------------------

Connection::Connection(const std::string& path)
{
    struct stat info {};
    if (path.empty())
        fail(12162, "TNS:net service name is incorrectly specified");
    if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
        fail(12154, "TNS:could not resolve the connect identifier specified");
    // SQLite reads a name that begins with "file:" as a URI.
    const std::string name = startsWith(path, "file:") ? "./" + path : path;
    const int rc = sqlite3_open_v2(name.c_str(), &db_, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt* probe = nullptr;
    const bool usable = rc == SQLITE_OK &&
                        sqlite3_prepare_v2(db_, "select count(*) from main.sqlite_schema", -1, &probe, nullptr) ==
                            SQLITE_OK &&
                        sqlite3_step(probe) == SQLITE_ROW;
    sqlite3_finalize(probe);
    if (!usable) {
        sqlite3_close_v2(db_);
        db_ = nullptr;
        fail(1034, "ORACLE not available");
    }
    sqlite3_extended_result_codes(db_, 1);
    sqlite3_limit(db_, SQLITE_LIMIT_ATTACHED, 0);  // ATTACH counts as read-only; nothing else is reachable
    const char* charset = std::getenv("QV_OCI_STANDIN_DB_CHARSET");
    databaseCharset = charset && *charset ? charset : "AL32UTF8";
    const char* zone = std::getenv("QV_OCI_STANDIN_DBTIMEZONE");
    databaseTimeZone = zone && *zone ? zone : "+00:00";
}

Connection::~Connection()
{
    sqlite3_close_v2(db_);
}

void Connection::logOn()
{
    // The session time zone comes from the client's ORA_SDTZ: OS_TZ (the
    // default when it is unset) is the client machine's own zone, DB_TZ
    // the database's, else an offset or a region (Globalization Support
    // Guide, "Setting the Session Time Zone").
    const char* sdtz = std::getenv("ORA_SDTZ");
    const std::string requested = sdtz && *sdtz ? sdtz : "OS_TZ";
    if (requested == "DB_TZ") {
        sessionTimeZone = databaseTimeZone;
    } else if (requested == "OS_TZ") {
        const char* tz = std::getenv("TZ");
        sessionTimeZone = tz && *tz ? tz : QTimeZone::systemTimeZoneId().toStdString();
    } else {
        sessionTimeZone = requested;
    }
    if (dictionary_)
        return;
    // The dictionary views come as tables of the real views' columns with
    // Oracle's declared types, so that a describe types them as a server does.
    try {
        installOracleDictionary(db_);
    } catch (const qv::Error& e) {
        fail(604, std::string("error occurred at recursive SQL level 1 (") + e.what() + ")");
    }
    // Oracle's one-row table, unless the schema has a table of that name.
    sqlite3_stmt* probe = nullptr;
    sqlite3_prepare_v2(db_, "select 1 from main.sqlite_schema where type = 'table' and upper(name) = 'DUAL'", -1,
                       &probe, nullptr);
    const bool hasDual = probe && sqlite3_step(probe) == SQLITE_ROW;
    sqlite3_finalize(probe);
    if (!hasDual)
        exec(db_, "create temp table DUAL (DUMMY VARCHAR2(1)); insert into temp.DUAL values ('X');");
    dictionary_ = true;
}

// ---------------------------------------------------------------------------

Cursor::Cursor(std::shared_ptr<Connection> connection, std::string sql)
    : connection_(std::move(connection)), type_(keywordType(sql))
{
    // Oracle takes one statement without its terminator.
    const auto last = sql.find_last_not_of(" \t\r\n\f\v");
    if (last != std::string::npos && sql[last] == ';') {
        prepareError_ = oraError(911, "invalid character");
        return;
    }
    sqlite3* db = connection_->db();
    // The server's SQL functions SQLite reads in other forms (XMLSERIALIZE,
    // SDO_UTIL, an object's attribute), with the types of their values.
    const SqliteQuery translated = sqliteQueryFor(sql);
    itemTypes_ = translated.itemTypes;
    const int rc = sqlite3_prepare_v2(db, translated.sql.data(), static_cast<int>(translated.sql.size()), &stmt_,
                                      nullptr);
    if (rc != SQLITE_OK) {
        prepareError_ = sqliteError(db, rc, true);
        return;
    }
    if (!stmt_) {
        prepareError_ = oraError(900, "invalid SQL statement");
        return;
    }
    readOnly_ = sqlite3_stmt_readonly(stmt_) != 0;
    starSelect_ = selectsStar(sql);
    if (readOnly_ && sqlite3_column_count(stmt_) > 0)
        type_ = OCI_STMT_SELECT;
    else if (type_ == OCI_STMT_SELECT)
        type_ = 0;
}

Cursor::~Cursor()
{
    sqlite3_finalize(stmt_);
}

void Cursor::checkParsed() const
{
    if (prepareError_)
        throw *prepareError_;
}

void Cursor::execute()
{
    executed_ = false;
    done_ = true;
    checkParsed();
    // The temporary dictionary tables would take writes; nothing is written.
    if (!readOnly_)
        fail(16000, "database or pluggable database open for read-only access");
    sqlite3_reset(stmt_);
    const int rc = sqlite3_step(stmt_);
    if (rc != SQLITE_ROW && rc != SQLITE_DONE)
        throw sqliteError(connection_->db(), rc, false);
    if (isQuery()) {
        done_ = rc == SQLITE_DONE;
        describe();
    } else {
        run();
    }
    executed_ = true;
}

void Cursor::run()
{
    int rc;
    while ((rc = sqlite3_step(stmt_)) == SQLITE_ROW) {
    }
    if (rc != SQLITE_DONE)
        throw sqliteError(connection_->db(), rc, false);
}

void Cursor::describe()
{
    columns_.clear();
    charLengths_.clear();
    sqliteIndexes_.clear();
    originTable_.clear();
    const int count = sqlite3_column_count(stmt_);
    for (int i = 0; i < count; ++i) {
        const char* declared = sqlite3_column_decltype(stmt_, i);
        if (std::size_t(i) < itemTypes_.size() && !itemTypes_[std::size_t(i)].empty())
            declared = itemTypes_[std::size_t(i)].c_str();
        OracleTypeDecl decl;
        if (declared && *declared)
            decl = parseOracleTypeDecl(QString::fromUtf8(declared));
        // "select *" leaves out invisible columns (SQL Language Reference,
        // CREATE TABLE, VISIBLE | INVISIBLE); naming one selects it.
        if (decl.invisible && starSelect_)
            continue;
        Column column = declared && *declared && !decl.dataType.isEmpty()
                            ? declaredColumn(decl)
                            : undeclaredColumn(done_ ? SQLITE_NULL : sqlite3_column_type(stmt_, i));
        column.name = sqlite3_column_name(stmt_, i);
        column.dataType = describeCode(column.type);
        const char* database = sqlite3_column_database_name(stmt_, i);
        const char* table = sqlite3_column_table_name(stmt_, i);
        const bool mainTable = database && std::strcmp(database, "main") == 0;
        const char* origin = sqlite3_column_origin_name(stmt_, i);
        int notNull = 0, primaryKey = 0;
        if (database && table && origin &&
            sqlite3_table_column_metadata(connection_->db(), database, table, origin, nullptr, nullptr, &notNull,
                                          &primaryKey, nullptr) == SQLITE_OK)
            column.nullable = !notNull && !primaryKey;
        const bool fixed = column.type == OraType::Char || column.type == OraType::NChar;
        charLengths_.push_back(fixed ? static_cast<std::size_t>(decl.charLength) : 0);
        columns_.push_back(std::move(column));
        sqliteIndexes_.push_back(i);
        if (mainTable)
            refuseUnreadable(table);
        if (originTable_.empty() && table)
            originTable_ = table;
    }
}

void Cursor::refuseUnreadable(const char* table) const
{
    // Tables that user_tables lists but a query cannot read on its own
    // (Error Messages: ORA-25191, ORA-22812).
    if (!table)
        return;
    sqlite3_stmt* probe = nullptr;
    sqlite3_prepare_v2(connection_->db(), "select IOT_TYPE, NESTED from temp.quorvane_properties where TABLE_NAME = ?1",
                       -1, &probe, nullptr);
    sqlite3_bind_text(probe, 1, table, -1, SQLITE_TRANSIENT);
    std::string iotType, nested;
    if (probe && sqlite3_step(probe) == SQLITE_ROW) {
        const auto text = [&](int i) {
            const auto* t = reinterpret_cast<const char*>(sqlite3_column_text(probe, i));
            return std::string(t ? t : "");
        };
        iotType = text(0);
        nested = text(1);
    }
    sqlite3_finalize(probe);
    if (iotType == "IOT_OVERFLOW" || iotType == "IOT_MAPPING")
        fail(25191, "cannot reference overflow table of an index-organized table");
    if (nested == "YES")
        fail(22812, "cannot reference nested table column's storage table");
}

void Cursor::next()
{
    if (done_)
        return;
    const int rc = sqlite3_step(stmt_);
    if (rc == SQLITE_ROW)
        return;
    done_ = true;
    if (rc != SQLITE_DONE)
        throw sqliteError(connection_->db(), rc, false);
}

Value Cursor::value(std::size_t index) const
{
    const Column& column = columns_[index];
    const int i = sqliteIndexes_[index];
    const int storage = sqlite3_column_type(stmt_, i);
    Value v;
    if (storage == SQLITE_NULL)
        return v;
    const auto bytes = [&] {
        const auto* data = static_cast<const char*>(sqlite3_column_blob(stmt_, i));
        return std::string(data ? data : "", static_cast<std::size_t>(sqlite3_column_bytes(stmt_, i)));
    };
    const auto text = [&]() -> std::string {
        switch (storage) {
        case SQLITE_INTEGER: return std::to_string(sqlite3_column_int64(stmt_, i));
        case SQLITE_FLOAT: return shortestText(sqlite3_column_double(stmt_, i));
        default: {
            std::string t = bytes();
            if (!isValidUtf8(t))
                fail(29275, "partial multibyte character");
            return t;
        }
        }
    };
    const auto number = [&] {
        switch (storage) {
        case SQLITE_INTEGER: return Number::fromInteger(sqlite3_column_int64(stmt_, i));
        case SQLITE_FLOAT: return Number::fromDouble(sqlite3_column_double(stmt_, i));
        default: {
            const auto parsed = Number::parse(bytes());
            if (!parsed)
                fail(1722, "invalid number");
            return *parsed;
        }
        }
    };
    const auto dateTime = [&] {
        if (storage != SQLITE_TEXT)
            fail(932, std::string("inconsistent datatypes: expected ") + (column.type == OraType::Date ? "DATE" : "TIMESTAMP") +
                          " got " + (storage == SQLITE_BLOB ? "BINARY" : "NUMBER"));
        return DateTime::parse(bytes());
    };

    switch (column.type) {
    case OraType::Number:
    case OraType::Float:
        v.kind = Value::Kind::Number;
        v.number = number();
        v.number.limitToOracle();
        return v;
    case OraType::BinaryFloat:
    case OraType::BinaryDouble:
        v.kind = Value::Kind::Float;
        if (storage == SQLITE_INTEGER || storage == SQLITE_FLOAT) {
            v.real = sqlite3_column_double(stmt_, i);
        } else if (storage == SQLITE_TEXT) {
            const auto parsed = Number::parse(bytes());
            if (!parsed)
                fail(1722, "invalid number");
            v.real = parsed->toDouble();
        } else {
            fail(1722, "invalid number");
        }
        if (column.type == OraType::BinaryFloat)
            v.real = static_cast<float>(v.real);  // stored in single precision
        return v;
    case OraType::Date:
        v.kind = Value::Kind::DateTime;
        v.dateTime = dateTime();
        v.dateTime.nanosecond = 0;  // DATE keeps whole seconds
        v.dateTime.hasZone = false;
        v.dateTime.zoneName.clear();
        return v;
    case OraType::Timestamp:
    case OraType::TimestampLtz:
    case OraType::TimestampTz:
        v.kind = Value::Kind::DateTime;
        v.dateTime = dateTime();
        v.dateTime.roundFraction(column.fractionDigits);
        if (column.type == OraType::TimestampLtz)
            v.dateTime = inSessionZone(v.dateTime, *connection_);
        if (column.type != OraType::TimestampTz) {
            v.dateTime.hasZone = false;
            v.dateTime.zoneName.clear();
        } else if (!v.dateTime.hasZone) {
            v.dateTime.hasZone = true;  // the session time zone, UTC here
        }
        return v;
    case OraType::Raw:
    case OraType::LongRaw:
    case OraType::Blob:
        if (storage == SQLITE_INTEGER || storage == SQLITE_FLOAT)
            fail(932, "inconsistent datatypes: expected BINARY got NUMBER");
        v.kind = Value::Kind::Bytes;
        v.data = bytes();
        // A zero-length RAW is NULL; a BLOB can be empty.
        if (v.data.empty() && column.type != OraType::Blob)
            v.kind = Value::Kind::Null;
        return v;
    case OraType::UserDefined:
        switch (storage) {
        case SQLITE_INTEGER: v.kind = Value::Kind::Number, v.number = number(); break;
        case SQLITE_FLOAT: v.kind = Value::Kind::Float, v.real = sqlite3_column_double(stmt_, i); break;
        case SQLITE_BLOB: v.kind = Value::Kind::Bytes, v.data = bytes(); break;
        default: v.kind = Value::Kind::Text, v.data = text(); break;
        }
        return v;
    default: break;
    }
    if (!isCharacter(column.type))
        return v;
    v.data = text();
    if (v.data.empty())
        return v;  // Oracle keeps no empty string: it is NULL
    v.kind = Value::Kind::Text;
    const std::size_t length = charLengths_[index];
    const std::size_t chars = utf8Length(v.data);
    if (chars < length)
        v.data.append(length - chars, ' ');
    return v;
}

}  // namespace qv::standin
