#pragma once

// The part of the Oracle Call Interface that Quorvane uses, declared by us
// from Oracle's public "Oracle Call Interface Programmer's Guide" under
// Oracle's own names, so that each entry can be checked against that guide.
// Nothing of Oracle's is needed to build: the client library is loaded at
// run time and every function below is resolved by name into OciFunctions.

#include <cstddef>
#include <cstdint>

namespace qv::oci {

// Scalar types of the guide ("Oracle Data Types" in its OCI Programming
// Basics chapter).
using ub1 = std::uint8_t;
using sb1 = std::int8_t;
using ub2 = std::uint16_t;
using sb2 = std::int16_t;
using ub4 = std::uint32_t;
using sb4 = std::int32_t;
using oraub8 = std::uint64_t;
using sb8 = std::int64_t;
using sword = int;
using OraText = unsigned char;

// Handles and descriptors; the client library owns their layout.
struct OCIEnv;
struct OCIError;
struct OCISvcCtx;
struct OCIServer;
struct OCISession;
struct OCIStmt;
struct OCIDefine;
struct OCIParam;
struct OCISnapshot;
struct OCILobLocator;
struct OCIDateTime;

// Return codes of every OCI function.
constexpr sword OCI_SUCCESS = 0;
constexpr sword OCI_SUCCESS_WITH_INFO = 1;
constexpr sword OCI_NEED_DATA = 99;
constexpr sword OCI_NO_DATA = 100;
constexpr sword OCI_ERROR = -1;
constexpr sword OCI_INVALID_HANDLE = -2;
constexpr sword OCI_STILL_EXECUTING = -3123;
constexpr sb4 OCI_CONTINUE = -24200;  // what a callback returns to go on

// Modes.
constexpr ub4 OCI_DEFAULT = 0x00;
constexpr ub4 OCI_THREADED = 0x01;
constexpr ub4 OCI_OBJECT = 0x02;
constexpr ub4 OCI_DYNAMIC_FETCH = 0x02;  // OCIDefineByPos2: data through a callback

// Handle types (OCIHandleAlloc).
constexpr ub4 OCI_HTYPE_ENV = 1;
constexpr ub4 OCI_HTYPE_ERROR = 2;
constexpr ub4 OCI_HTYPE_SVCCTX = 3;
constexpr ub4 OCI_HTYPE_STMT = 4;
constexpr ub4 OCI_HTYPE_DEFINE = 6;
constexpr ub4 OCI_HTYPE_SERVER = 8;
constexpr ub4 OCI_HTYPE_SESSION = 9;

// Descriptor types (OCIDescriptorAlloc).
constexpr ub4 OCI_DTYPE_LOB = 50;
constexpr ub4 OCI_DTYPE_PARAM = 53;
constexpr ub4 OCI_DTYPE_TIMESTAMP = 68;
constexpr ub4 OCI_DTYPE_TIMESTAMP_TZ = 69;
constexpr ub4 OCI_DTYPE_TIMESTAMP_LTZ = 70;

// Attributes (OCIAttrGet / OCIAttrSet). The same number names different
// attributes of different handle types.
constexpr ub4 OCI_ATTR_DATA_SIZE = 1;      // parameter: ub2, maximum size in bytes
constexpr ub4 OCI_ATTR_DATA_TYPE = 2;      // parameter: ub2, SQLT_ code
constexpr ub4 OCI_ATTR_NAME = 4;           // parameter: OraText*, with its length in bytes
constexpr ub4 OCI_ATTR_PRECISION = 5;      // parameter: sb2 in a select-list describe
constexpr ub4 OCI_ATTR_SCALE = 6;          // parameter: sb1
constexpr ub4 OCI_ATTR_IS_NULL = 7;        // parameter: ub1, nonzero when NULL is allowed
constexpr ub4 OCI_ATTR_SERVER = 6;         // service context: the server handle
constexpr ub4 OCI_ATTR_SESSION = 7;        // service context: the session handle
constexpr ub4 OCI_ATTR_PREFETCH_ROWS = 11; // statement: ub4
constexpr ub4 OCI_ATTR_PARAM_COUNT = 18;   // statement: ub4, columns of the select list
constexpr ub4 OCI_ATTR_USERNAME = 22;      // session: OraText*
constexpr ub4 OCI_ATTR_PASSWORD = 23;      // session: OraText*
constexpr ub4 OCI_ATTR_STMT_TYPE = 24;     // statement: ub2, OCI_STMT_ code
constexpr ub4 OCI_ATTR_CHARSET_FORM = 32;  // parameter: ub1, SQLCS_ code
constexpr ub4 OCI_ATTR_ROWS_FETCHED = 197; // statement: ub4, rows placed by the last fetch
constexpr ub4 OCI_ATTR_CHAR_USED = 285;    // parameter: ub1, length in characters
constexpr ub4 OCI_ATTR_CHAR_SIZE = 286;    // parameter: ub2, length in characters
constexpr ub4 OCI_ATTR_DEFAULT_LOBPREFETCH_SIZE = 438;  // session: ub4, LOB data that comes with a row
constexpr ub4 OCI_ATTR_LOBPREFETCH_LENGTH = 440;        // define: boolean, a LOB's length comes with its row
constexpr ub4 OCI_ATTR_CALL_TIMEOUT = 531;              // service context: ub4, milliseconds (clients 18c and later)

constexpr ub4 OCI_CRED_RDBMS = 1;  // user name and password of the database
constexpr ub4 OCI_CRED_EXT = 2;    // the operating system account
constexpr ub4 OCI_NTV_SYNTAX = 1;  // OCIStmtPrepare2: the server's own SQL syntax
constexpr ub2 OCI_FETCH_NEXT = 0x02;
constexpr ub2 OCI_STMT_SELECT = 1;

// Pieces of a piecewise transfer.
constexpr ub1 OCI_ONE_PIECE = 0;
constexpr ub1 OCI_FIRST_PIECE = 1;
constexpr ub1 OCI_NEXT_PIECE = 2;
constexpr ub1 OCI_LAST_PIECE = 3;

// Character set forms and the character set we ask for.
constexpr ub1 SQLCS_IMPLICIT = 1;  // the database character set
constexpr ub1 SQLCS_NCHAR = 2;     // the national character set
constexpr ub2 AL32UTF8_CHARSET_ID = 873;

// Data type codes. A select-list describe reports the column's type; a
// define names the external type the client library converts it to.
constexpr ub2 SQLT_CHR = 1;              // VARCHAR2, NVARCHAR2
constexpr ub2 SQLT_NUM = 2;              // NUMBER, FLOAT
constexpr ub2 SQLT_INT = 3;
constexpr ub2 SQLT_FLT = 4;
constexpr ub2 SQLT_STR = 5;
constexpr ub2 SQLT_VNU = 6;              // NUMBER with a leading length byte, 22 bytes
constexpr ub2 SQLT_LNG = 8;              // LONG
constexpr ub2 SQLT_DAT = 12;             // DATE, 7 bytes
constexpr ub2 SQLT_BFLOAT = 21;          // native float
constexpr ub2 SQLT_BDOUBLE = 22;         // native double
constexpr ub2 SQLT_BIN = 23;             // RAW
constexpr ub2 SQLT_LBI = 24;             // LONG RAW
constexpr ub2 SQLT_RID = 11;             // ROWID (older code)
constexpr ub2 SQLT_ROWID_INTERNAL = 69;  // ROWID as the internal type list names it
constexpr ub2 SQLT_AFC = 96;             // CHAR, NCHAR
constexpr ub2 SQLT_IBFLOAT = 100;        // BINARY_FLOAT
constexpr ub2 SQLT_IBDOUBLE = 101;       // BINARY_DOUBLE
constexpr ub2 SQLT_RDD = 104;            // ROWID descriptor
constexpr ub2 SQLT_NTY = 108;            // named (user-defined) type
constexpr ub2 SQLT_CLOB = 112;           // CLOB, NCLOB
constexpr ub2 SQLT_BLOB = 113;
constexpr ub2 SQLT_BFILEE = 114;
constexpr ub2 SQLT_TIMESTAMP_INTERNAL = 180;
constexpr ub2 SQLT_TIMESTAMP_TZ_INTERNAL = 181;
constexpr ub2 SQLT_INTERVAL_YM_INTERNAL = 182;
constexpr ub2 SQLT_INTERVAL_DS_INTERNAL = 183;
constexpr ub2 SQLT_TIMESTAMP = 187;
constexpr ub2 SQLT_TIMESTAMP_TZ = 188;
constexpr ub2 SQLT_INTERVAL_YM = 189;
constexpr ub2 SQLT_INTERVAL_DS = 190;
constexpr ub2 SQLT_UROWID = 208;
constexpr ub2 SQLT_TIMESTAMP_LTZ_INTERNAL = 231;
constexpr ub2 SQLT_TIMESTAMP_LTZ = 232;

// Column-level return codes of a fetch (the ORA- number).
constexpr ub2 ORA_NULL_FETCHED = 1405;
constexpr ub2 ORA_VALUE_TRUNCATED = 1406;

// Callbacks.
using OCICallbackDefine = sb4 (*)(void* octxp, OCIDefine* defnp, ub4 iter, void** bufpp, ub4** alenp,
                                  ub1* piecep, void** indp, ub2** rcodep);
using OCICallbackLobRead2 = sb4 (*)(void* ctxp, const void* bufp, oraub8 len, ub1 piece, void** changed_bufpp,
                                    oraub8* changed_lenp);

// The functions, each as its prototype in the guide's function reference.
using OCIEnvNlsCreate_fn = sword(OCIEnv** envhpp, ub4 mode, void* ctxp, void* (*malocfp)(void*, std::size_t),
                                 void* (*ralocfp)(void*, void*, std::size_t), void (*mfreefp)(void*, void*),
                                 std::size_t xtramemsz, void** usrmempp, ub2 charset, ub2 ncharset);
using OCIHandleAlloc_fn = sword(const void* parenth, void** hndlpp, ub4 type, std::size_t xtramem_sz,
                                void** usrmempp);
using OCIHandleFree_fn = sword(void* hndlp, ub4 type);
using OCIDescriptorAlloc_fn = sword(const void* parenth, void** descpp, ub4 type, std::size_t xtramem_sz,
                                    void** usrmempp);
using OCIDescriptorFree_fn = sword(void* descp, ub4 type);
using OCIAttrSet_fn = sword(void* trgthndlp, ub4 trghndltyp, void* attributep, ub4 size, ub4 attrtype,
                            OCIError* errhp);
using OCIAttrGet_fn = sword(const void* trgthndlp, ub4 trghndltyp, void* attributep, ub4* sizep, ub4 attrtype,
                            OCIError* errhp);
using OCIServerAttach_fn = sword(OCIServer* srvhp, OCIError* errhp, const OraText* dblink, sb4 dblink_len,
                                 ub4 mode);
using OCIServerDetach_fn = sword(OCIServer* srvhp, OCIError* errhp, ub4 mode);
using OCISessionBegin_fn = sword(OCISvcCtx* svchp, OCIError* errhp, OCISession* usrhp, ub4 credt, ub4 mode);
using OCISessionEnd_fn = sword(OCISvcCtx* svchp, OCIError* errhp, OCISession* usrhp, ub4 mode);
using OCIErrorGet_fn = sword(void* hndlp, ub4 recordno, OraText* sqlstate, sb4* errcodep, OraText* bufp,
                             ub4 bufsiz, ub4 type);
using OCIStmtPrepare2_fn = sword(OCISvcCtx* svchp, OCIStmt** stmthp, OCIError* errhp, const OraText* stmttext,
                                 ub4 stmt_len, const OraText* key, ub4 keylen, ub4 language, ub4 mode);
using OCIStmtRelease_fn = sword(OCIStmt* stmthp, OCIError* errhp, const OraText* key, ub4 keylen, ub4 mode);
using OCIStmtExecute_fn = sword(OCISvcCtx* svchp, OCIStmt* stmtp, OCIError* errhp, ub4 iters, ub4 rowoff,
                                const OCISnapshot* snap_in, OCISnapshot* snap_out, ub4 mode);
using OCIStmtFetch2_fn = sword(OCIStmt* stmthp, OCIError* errhp, ub4 nrows, ub2 orientation, sb4 fetchOffset,
                               ub4 mode);
using OCIParamGet_fn = sword(const void* hndlp, ub4 htype, OCIError* errhp, void** parmdpp, ub4 pos);
using OCIDefineByPos2_fn = sword(OCIStmt* stmtp, OCIDefine** defnpp, OCIError* errhp, ub4 position, void* valuep,
                                 sb8 value_sz, ub2 dty, void* indp, ub4* rlenp, ub2* rcodep, ub4 mode);
using OCIDefineDynamic_fn = sword(OCIDefine* defnp, OCIError* errhp, void* octxp, OCICallbackDefine ocbfp);
using OCILobGetLength2_fn = sword(OCISvcCtx* svchp, OCIError* errhp, OCILobLocator* locp, oraub8* lenp);
using OCILobRead2_fn = sword(OCISvcCtx* svchp, OCIError* errhp, OCILobLocator* locp, oraub8* byte_amtp,
                             oraub8* char_amtp, oraub8 offset, void* bufp, oraub8 bufl, ub1 piece, void* ctxp,
                             OCICallbackLobRead2 cbfp, ub2 csid, ub1 csfrm);
using OCIDateTimeGetDate_fn = sword(void* hndl, OCIError* err, const OCIDateTime* date, sb2* yr, ub1* mnth,
                                    ub1* dy);
using OCIDateTimeGetTime_fn = sword(void* hndl, OCIError* err, OCIDateTime* datetime, ub1* hr, ub1* mm, ub1* ss,
                                    ub4* fsec);
using OCIBreak_fn = sword(void* hndlp, OCIError* errhp);
using OCIReset_fn = sword(void* hndlp, OCIError* errhp);

// Every function the driver calls, in the order they are resolved.
#define QV_OCI_FUNCTIONS(X) \
    X(OCIEnvNlsCreate)      \
    X(OCIHandleAlloc)       \
    X(OCIHandleFree)        \
    X(OCIDescriptorAlloc)   \
    X(OCIDescriptorFree)    \
    X(OCIAttrSet)           \
    X(OCIAttrGet)           \
    X(OCIServerAttach)      \
    X(OCIServerDetach)      \
    X(OCISessionBegin)      \
    X(OCISessionEnd)        \
    X(OCIErrorGet)          \
    X(OCIStmtPrepare2)      \
    X(OCIStmtRelease)       \
    X(OCIStmtExecute)       \
    X(OCIStmtFetch2)        \
    X(OCIParamGet)          \
    X(OCIDefineByPos2)      \
    X(OCIDefineDynamic)     \
    X(OCILobGetLength2)     \
    X(OCILobRead2)          \
    X(OCIDateTimeGetDate)   \
    X(OCIDateTimeGetTime)   \
    X(OCIBreak)             \
    X(OCIReset)

// One pointer for each function above, all resolved from one library.
struct OciFunctions {
#define QV_OCI_POINTER(name) name##_fn* name = nullptr;
    QV_OCI_FUNCTIONS(QV_OCI_POINTER)
#undef QV_OCI_POINTER
};

}  // namespace qv::oci
