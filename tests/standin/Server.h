#pragma once

// The "server" side of the stand-in: a read-only SQLite schema file that
// answers SQL with columns typed by their declared Oracle types, and values
// as Oracle would have stored them for those types.

#include "OracleFormats.h"
#include "data/drivers/oci/OciApi.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace qv::standin {

// The Oracle types that a select-list item can have.
enum class OraType {
    Varchar2, NVarchar2, Char, NChar, Long, Clob, NClob,
    Number, Float, BinaryFloat, BinaryDouble,
    Date, Timestamp, TimestampTz, TimestampLtz, IntervalYm, IntervalDs,
    Raw, LongRaw, Blob, RowId, UserDefined,
};

// A select-list item as a describe reports it.
struct Column {
    std::string name;      // as SQLite reports it, UTF-8
    std::string typeName;  // Oracle's name of the type, for messages
    OraType type = OraType::Varchar2;
    qv::oci::ub2 dataType = 0;   // OCI_ATTR_DATA_TYPE
    qv::oci::ub2 dataSize = 0;   // OCI_ATTR_DATA_SIZE, bytes
    qv::oci::sb2 precision = 0;
    qv::oci::sb1 scale = 0;
    bool nullable = true;
    qv::oci::ub1 charsetForm = 0;
    qv::oci::ub2 charSize = 0;   // length in characters of character types
    bool charUsed = false;       // declared with character length semantics
    int fractionDigits = 0;      // of TIMESTAMP types
};

// A value of the current row, typed by its column.
struct Value {
    enum class Kind { Null, Number, Float, DateTime, Text, Bytes };
    Kind kind = Kind::Null;
    Number number;
    double real = 0;
    DateTime dateTime;
    std::string data;  // Text: UTF-8; Bytes: the bytes
};

// One attached schema file.
class Connection {
public:
    // Opens the file read-only: ORA-12154 when `path` names no file.
    explicit Connection(const std::string& path);
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    sqlite3* db() const { return db_; }
    // Logs on: installs the dictionary views once, as typed tables.
    void logOn();

    bool attached = true;   // false after OCIServerDetach
    bool loggedOn = false;  // a session has begun and not ended
    bool dead = false;      // the channel failed: every round trip gets ORA-03114
    // A call that talks to the server is under way, and whether it was
    // broken (see Network.h, which guards both).
    bool inCall = false;
    bool breakRequested = false;

    // The database character set (QV_OCI_STANDIN_DB_CHARSET, AL32UTF8 when
    // unset), into which data read in the implicit form is converted.
    std::string databaseCharset;
    // DBTIMEZONE (QV_OCI_STANDIN_DBTIMEZONE, "+00:00" when unset) and the
    // session's time zone, taken from the client's ORA_SDTZ at logon.
    std::string databaseTimeZone;
    std::string sessionTimeZone;

private:
    sqlite3* db_ = nullptr;
    bool dictionary_ = false;
};

// A statement prepared on a connection.
class Cursor {
public:
    Cursor(std::shared_ptr<Connection> connection, std::string sql);
    ~Cursor();
    Cursor(const Cursor&) = delete;
    Cursor& operator=(const Cursor&) = delete;

    const std::shared_ptr<Connection>& connection() const { return connection_; }
    qv::oci::ub2 statementType() const { return type_; }
    bool isQuery() const { return type_ == qv::oci::OCI_STMT_SELECT; }

    // Raises the error that preparing the statement left behind.
    void checkParsed() const;
    // Runs the statement: a query stops on its first row so that its
    // columns can be described; any other statement runs to its end.
    void execute();
    bool executed() const { return executed_; }
    const std::vector<Column>& columns() const { return columns_; }
    // The table the first column of the result comes from; empty when none does.
    const std::string& originTable() const { return originTable_; }

    bool atEnd() const { return done_; }
    // The value of column `index` in the current row.
    Value value(std::size_t index) const;
    void next();
    void cancel() { done_ = true; }

private:
    void run();
    void describe();
    void refuseUnreadable(const char* table) const;

    std::shared_ptr<Connection> connection_;
    sqlite3_stmt* stmt_ = nullptr;
    std::optional<OraError> prepareError_;
    qv::oci::ub2 type_ = 0;
    bool readOnly_ = true;
    bool executed_ = false;
    bool done_ = true;
    std::vector<Column> columns_;
    std::vector<std::size_t> charLengths_;  // CHAR and NCHAR: blank-padded to this many characters
    std::vector<int> sqliteIndexes_;         // of each described column in SQLite's result
    std::string originTable_;
    std::vector<std::string> itemTypes_;  // Oracle types of rewritten select-list items
    bool starSelect_ = false;
};

}  // namespace qv::standin
