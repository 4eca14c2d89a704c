#pragma once

#include <QString>
#include <QtGlobal>
#include <optional>

namespace qv {

// How a column's stored values are read.
enum class OracleValueRule {
    Number,         // exact decimal
    DateTime,       // ISO date-time text
    FixedChar,      // text padded with blanks to charLength characters
    Text,
    Bytes,
    Float,
    StorageClass,   // not an Oracle type we know: by SQLite's storage class
};

// A declared Oracle column type as Oracle's dictionary reports it.
struct OracleTypeDecl {
    QString dataType;                   // DATA_TYPE
    QString dataTypeOwner;              // DATA_TYPE_OWNER: SYS for XMLTYPE, MDSYS for SDO_GEOMETRY
    qint64 dataLength = 0;              // DATA_LENGTH, in bytes
    std::optional<qint64> dataPrecision;
    std::optional<qint64> dataScale;
    qint64 charLength = 0;              // CHAR_LENGTH; 0 for other than character types
    bool charUsed = false;              // declared in characters (VARCHAR2(n CHAR), the N types)
    bool invisible = false;             // declared INVISIBLE: left out of "select *"
    OracleValueRule rule = OracleValueRule::StorageClass;
};

// Reads a declared type text such as "NUMBER(10,2)", "varchar2( 20 char )" or
// "INTERVAL DAY(3) TO SECOND", optionally followed by Oracle's INVISIBLE (or
// VISIBLE). Case and blanks between the parts do not matter. A text that is
// none of Oracle's built-in types is taken for a user-defined type: its text
// in upper case, length 0.
OracleTypeDecl parseOracleTypeDecl(const QString& declared);

}  // namespace qv
