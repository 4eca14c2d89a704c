// The exported OCI entry points, each written from its section of the Oracle
// Call Interface Programmer's Guide, and the hooks through which tests look
// inside. The pages cited above each function are those of the 19c guide,
// https://docs.oracle.com/en/database/oracle/oracle-database/19/lnoci/

#include "Fetch.h"
#include "Handles.h"
#include "Network.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <type_traits>

using namespace qv::oci;
using namespace qv::standin;

namespace {

// Modes and attributes that OciApi.h leaves out, as the guide numbers them.
namespace guide {
constexpr ub4 OCI_EXACT_FETCH = 0x02;
constexpr ub4 OCI_DESCRIBE_ONLY = 0x10;
constexpr ub4 OCI_COMMIT_ON_SUCCESS = 0x20;
constexpr ub4 OCI_DEFINE_SOFT = 0x80;
constexpr ub4 OCI_ATTR_ROW_COUNT = 9;
constexpr ub4 OCI_ATTR_PREFETCH_MEMORY = 13;
constexpr ub4 OCI_ATTR_CHARSET_ID = 31;
}  // namespace guide

unsigned long long largestLobPiece = 0;
int invalidHandleUses = 0;  // calls given a pointer that is no live handle of the type asked for

// How an entry point uses its error handle.
enum class ErrorHandle {
    Required,  // cleared on entry, so that it tells of this call only
    Local,     // attribute access: optional, and left as it was unless the call fails,
               // so that ROWS_FETCHED can be read between a failed fetch and OCIErrorGet
};

// Runs the body of an entry point that takes an error handle: under the
// library lock, an OraError reported through the error handle as OCI_ERROR
// and a bad handle as OCI_INVALID_HANDLE.
template <class Body>
sword call(OCIError* errhp, Body&& body, ErrorHandle use = ErrorHandle::Required)
{
    std::lock_guard lock(libraryLock());
    OCIError scratch(nullptr);
    OCIError* err = nullptr;
    try {
        err = use == ErrorHandle::Local && !errhp ? &scratch : &handleOf<OCIError>(errhp, OCI_HTYPE_ERROR);
        if (use == ErrorHandle::Required)
            err->error.reset();
        return body(*err);
    } catch (const InvalidHandle&) {
        ++invalidHandleUses;
        return OCI_INVALID_HANDLE;
    } catch (const OraError& e) {
        if (err)
            err->error = e;
        return OCI_ERROR;
    } catch (const std::bad_alloc&) {
        if (err)
            err->error = oraError(4030, "out of process memory when trying to allocate bytes");
        return OCI_ERROR;
    }
}

template <class T>
T* liveOrNull(const void* pointer, ub4 type)
{
    Handle* handle = findHandle(pointer);
    return handle && handle->type == type ? static_cast<T*>(handle) : nullptr;
}

void checkAlive(const Connection& connection)
{
    if (connection.dead || !connection.attached)
        fail(3114, "not connected to ORACLE");
    if (!connection.loggedOn)
        fail(1012, "not logged on");
}

// The connection of a service context, ready for a round trip to the server.
std::shared_ptr<Connection> connectionOf(const OCISvcCtx& svc, bool needSession = true)
{
    const auto* server = liveOrNull<OCIServer>(svc.server, OCI_HTYPE_SERVER);
    if (!server || !server->connection || !server->connection->attached || server->connection->dead)
        fail(3114, "not connected to ORACLE");
    if (needSession) {
        const auto* session = liveOrNull<OCISession>(svc.session, OCI_HTYPE_SESSION);
        if (!session || session->connection != server->connection)
            fail(1012, "not logged on");
    }
    return server->connection;
}

bool isUnicode(ub2 charset)
{
    return charset == AL32UTF8_CHARSET_ID;
}

ub2 charsetId(const char* name)
{
    static const std::pair<const char*, ub2> names[] = {
        {"US7ASCII", 1}, {"WE8ISO8859P1", 31}, {"WE8ISO8859P15", 46}, {"WE8MSWIN1252", 178},
        {"UTF8", 871}, {"AL32UTF8", 873}, {"AL16UTF16", 2000}};
    for (const auto& [text, id] : names)
        if (name && std::strcmp(name, text) == 0)
            return id;
    return 1;  // what the stand-in treats like US7ASCII
}

// The character set of NLS_LANG ("LANGUAGE_TERRITORY.CHARSET"); US7ASCII when it names none.
ub2 nlsLangCharset()
{
    const char* lang = std::getenv("NLS_LANG");
    const char* dot = lang ? std::strrchr(lang, '.') : nullptr;
    return dot ? charsetId(dot + 1) : 1;
}

template <class T>
void put(void* attributep, ub4* sizep, T value)
{
    if (!attributep)
        fail(1009, "missing mandatory parameter");
    std::memcpy(attributep, &value, sizeof value);
    if (sizep)
        *sizep = sizeof value;
}

template <class T>
T take(const void* attributep)
{
    if (!attributep)
        fail(1009, "missing mandatory parameter");
    T value;
    std::memcpy(&value, attributep, sizeof value);
    return value;
}

[[noreturn]] void unknownAttribute()
{
    fail(24315, "illegal attribute type");
}

std::optional<unsigned long long> failAfterRows()
{
    const char* text = std::getenv("QV_OCI_STANDIN_FAIL_AFTER_ROWS");
    if (!text || !*text)
        return std::nullopt;
    char* end = nullptr;
    const unsigned long long rows = std::strtoull(text, &end, 10);
    return *end == '\0' ? std::optional(rows) : std::nullopt;
}

// A client whose time-zone file is older than the server's cannot read a
// value in a named region (Error Messages, ORA-01805; Globalization Support
// Guide, "Time Zone Data Files"). QV_OCI_STANDIN_OLDER_TZ_FILE=1 makes this
// client's file the older one.
void checkZoneFile(const OCIDateTime& value)
{
    const char* older = std::getenv("QV_OCI_STANDIN_OLDER_TZ_FILE");
    if (older && std::strcmp(older, "1") == 0 && !value.value.zoneName.empty())
        fail(1805, "possible error in date/time operation");
}

// The connection of a service context or server handle; null when it is not
// attached. Throws InvalidHandle for any other pointer.
Connection* attachedConnection(void* hndlp)
{
    Handle* handle = findHandle(hndlp);
    OCIServer* server = nullptr;
    if (handle && handle->type == OCI_HTYPE_SVCCTX)
        server = liveOrNull<OCIServer>(static_cast<OCISvcCtx*>(handle)->server, OCI_HTYPE_SERVER);
    else if (handle && handle->type == OCI_HTYPE_SERVER)
        server = static_cast<OCIServer*>(handle);
    else
        throw InvalidHandle{};
    return server && server->connection ? server->connection.get() : nullptr;
}

// The release of the client this library stands for
// (QV_OCI_STANDIN_CLIENT_VERSION, 19 when unset).
int clientVersion()
{
    const char* text = std::getenv("QV_OCI_STANDIN_CLIENT_VERSION");
    return text && *text ? std::atoi(text) : 19;
}

// The extra memory a caller may ask for with a handle or descriptor.
void giveUserMemory(Handle& handle, std::size_t size, void** usrmempp)
{
    handle.userMemory.resize(size);
    if (usrmempp)
        *usrmempp = size ? handle.userMemory.data() : nullptr;
}

}  // namespace

extern "C" {

// connect-authorize-and-initialize-functions.html, OCIEnvNlsCreate()
sword OCIEnvNlsCreate(OCIEnv** envhpp, ub4, void*, void* (*)(void*, std::size_t),
                      void* (*)(void*, void*, std::size_t), void (*)(void*, void*), std::size_t xtramemsz,
                      void** usrmempp, ub2 charset, ub2 ncharset)
{
    std::lock_guard lock(libraryLock());
    if (!envhpp)
        return OCI_INVALID_HANDLE;
    // The memory callbacks are not used: the stand-in keeps its own memory.
    const ub2 client = charset != 0 ? charset : nlsLangCharset();
    const char* nchar = std::getenv("NLS_NCHAR");
    const ub2 national = ncharset != 0 ? ncharset : nchar && *nchar ? charsetId(nchar) : client;
    auto* env = create<OCIEnv>(nullptr, false, client, national);
    env->userMemory.resize(xtramemsz);
    if (usrmempp)
        *usrmempp = xtramemsz ? env->userMemory.data() : nullptr;
    *envhpp = env;
    // A client may create the environment with information to tell, which
    // is success (ODPI-C, dpiOci__envNlsCreate); QV_OCI_STANDIN_ENV_INFO=1.
    if (const char* info = std::getenv("QV_OCI_STANDIN_ENV_INFO"); info && std::strcmp(info, "1") == 0) {
        env->error = oraError(24788, "the environment was created with information");
        return OCI_SUCCESS_WITH_INFO;
    }
    return OCI_SUCCESS;
}

// handle-and-descriptor-functions.html, OCIHandleAlloc()
sword OCIHandleAlloc(const void* parenth, void** hndlpp, ub4 type, std::size_t xtramem_sz, void** usrmempp)
{
    std::lock_guard lock(libraryLock());
    auto* env = liveOrNull<OCIEnv>(parenth, OCI_HTYPE_ENV);
    if (!env || !hndlpp)
        return OCI_INVALID_HANDLE;
    Handle* handle = nullptr;
    void* address = nullptr;
    switch (type) {
    case OCI_HTYPE_ERROR: address = handle = create<OCIError>(env, false, env); break;
    case OCI_HTYPE_SVCCTX: address = handle = create<OCISvcCtx>(env, false, env); break;
    case OCI_HTYPE_SERVER: address = handle = create<OCIServer>(env, false, env); break;
    case OCI_HTYPE_SESSION: address = handle = create<OCISession>(env, false, env); break;
    case OCI_HTYPE_STMT: address = handle = create<OCIStmt>(env, false, env); break;
    default: return OCI_INVALID_HANDLE;  // no diagnostics: there is no error handle to hold them
    }
    giveUserMemory(*handle, xtramem_sz, usrmempp);
    *hndlpp = address;
    return OCI_SUCCESS;
}

// handle-and-descriptor-functions.html, OCIHandleFree()
sword OCIHandleFree(void* hndlp, ub4 type)
{
    std::lock_guard lock(libraryLock());
    Handle* handle = findHandle(hndlp);
    if (!handle || handle->type != type || type >= OCI_DTYPE_LOB)
        return OCI_INVALID_HANDLE;
    if (type == OCI_HTYPE_DEFINE) {
        auto* define = static_cast<OCIDefine*>(handle);
        define->stmt->defines.erase(define->position);
    }
    destroy(handle);
    return OCI_SUCCESS;
}

// handle-and-descriptor-functions.html, OCIDescriptorAlloc()
sword OCIDescriptorAlloc(const void* parenth, void** descpp, ub4 type, std::size_t xtramem_sz, void** usrmempp)
{
    std::lock_guard lock(libraryLock());
    auto* env = liveOrNull<OCIEnv>(parenth, OCI_HTYPE_ENV);
    if (!env || !descpp)
        return OCI_INVALID_HANDLE;
    // Without an error handle the failure is told on the environment
    // (QV_OCI_STANDIN_DESCRIPTOR_LIMIT=N: no more than N descriptors live).
    if (const char* limit = std::getenv("QV_OCI_STANDIN_DESCRIPTOR_LIMIT");
        limit && *limit && liveCount(OCI_DTYPE_LOB) + liveCount(OCI_DTYPE_TIMESTAMP) + liveCount(OCI_DTYPE_TIMESTAMP_TZ)
                                   + liveCount(OCI_DTYPE_TIMESTAMP_LTZ)
                               >= std::atoi(limit)) {
        env->error = oraError(4030, "out of process memory when trying to allocate 4096 bytes (kpuhhalo,ociDescriptorAlloc)");
        return OCI_ERROR;
    }
    Handle* handle = nullptr;
    void* address = nullptr;
    switch (type) {
    case OCI_DTYPE_LOB: address = handle = create<OCILobLocator>(env, false, env); break;
    case OCI_DTYPE_TIMESTAMP:
    case OCI_DTYPE_TIMESTAMP_TZ:
    case OCI_DTYPE_TIMESTAMP_LTZ: address = handle = create<OCIDateTime>(env, false, env, type); break;
    default: return OCI_INVALID_HANDLE;
    }
    giveUserMemory(*handle, xtramem_sz, usrmempp);
    *descpp = address;
    return OCI_SUCCESS;
}

// handle-and-descriptor-functions.html, OCIDescriptorFree()
sword OCIDescriptorFree(void* descp, ub4 type)
{
    std::lock_guard lock(libraryLock());
    Handle* handle = findHandle(descp);
    if (!handle || handle->type != type || type < OCI_DTYPE_LOB)
        return OCI_INVALID_HANDLE;
    destroy(handle);
    return OCI_SUCCESS;
}

// handle-and-descriptor-functions.html, OCIAttrSet()
sword OCIAttrSet(void* trgthndlp, ub4 trghndltyp, void* attributep, ub4 size, ub4 attrtype, OCIError* errhp)
{
    return call(
        errhp,
        [&](OCIError&) {
            switch (trghndltyp) {
            case OCI_HTYPE_SVCCTX: {
                auto& svc = handleOf<OCISvcCtx>(trgthndlp, trghndltyp);
                if (attrtype == OCI_ATTR_SERVER)
                    svc.server = &handleOf<OCIServer>(attributep, OCI_HTYPE_SERVER);
                else if (attrtype == OCI_ATTR_SESSION)
                    svc.session = &handleOf<OCISession>(attributep, OCI_HTYPE_SESSION);
                else if (attrtype == OCI_ATTR_CALL_TIMEOUT && clientVersion() >= 18)
                    svc.callTimeoutMs = take<ub4>(attributep);  // an attribute of clients 18c and later
                else
                    unknownAttribute();
                return OCI_SUCCESS;
            }
            case OCI_HTYPE_SESSION: {
                auto& session = handleOf<OCISession>(trgthndlp, trghndltyp);
                const std::string text = attributep ? std::string(static_cast<const char*>(attributep), size) : "";
                if (attrtype == OCI_ATTR_USERNAME)
                    session.username = text;
                else if (attrtype == OCI_ATTR_PASSWORD)
                    session.password = text;
                else if (attrtype == OCI_ATTR_DEFAULT_LOBPREFETCH_SIZE)
                    session.defaultLobPrefetchSize = take<ub4>(attributep);
                else
                    unknownAttribute();
                return OCI_SUCCESS;
            }
            case OCI_HTYPE_STMT: {
                auto& stmt = handleOf<OCIStmt>(trgthndlp, trghndltyp);
                if (attrtype == OCI_ATTR_PREFETCH_ROWS)
                    stmt.prefetchRows = take<ub4>(attributep);
                else if (attrtype == guide::OCI_ATTR_PREFETCH_MEMORY)
                    stmt.prefetchMemory = take<ub4>(attributep);
                else
                    unknownAttribute();
                return OCI_SUCCESS;
            }
            case OCI_HTYPE_DEFINE: {
                auto& define = handleOf<OCIDefine>(trgthndlp, trghndltyp);
                if (attrtype == OCI_ATTR_CHARSET_FORM)
                    define.charsetForm = take<ub1>(attributep);
                else if (attrtype == guide::OCI_ATTR_CHARSET_ID)
                    define.charsetId = take<ub2>(attributep);
                else if (attrtype == OCI_ATTR_LOBPREFETCH_LENGTH)
                    define.lobPrefetchLength = take<int>(attributep) != 0;  // an OCI boolean
                else
                    unknownAttribute();
                return OCI_SUCCESS;
            }
            default: {
                const Handle* handle = findHandle(trgthndlp);
                if (!handle || handle->type != trghndltyp)
                    throw InvalidHandle{};
                unknownAttribute();
            }
            }
        },
        ErrorHandle::Local);
}

// handle-and-descriptor-functions.html, OCIAttrGet()
sword OCIAttrGet(const void* trgthndlp, ub4 trghndltyp, void* attributep, ub4* sizep, ub4 attrtype,
                 OCIError* errhp)
{
    return call(
        errhp,
        [&](OCIError&) {
            switch (trghndltyp) {
            case OCI_HTYPE_SVCCTX: {
                const auto& svc = handleOf<OCISvcCtx>(trgthndlp, trghndltyp);
                if (attrtype == OCI_ATTR_SERVER)
                    put(attributep, sizep, svc.server);
                else if (attrtype == OCI_ATTR_SESSION)
                    put(attributep, sizep, svc.session);
                else if (attrtype == OCI_ATTR_CALL_TIMEOUT && clientVersion() >= 18)
                    put(attributep, sizep, svc.callTimeoutMs);
                else
                    unknownAttribute();
                return OCI_SUCCESS;
            }
            case OCI_HTYPE_SESSION: {
                const auto& session = handleOf<OCISession>(trgthndlp, trghndltyp);
                if (attrtype != OCI_ATTR_USERNAME)
                    unknownAttribute();  // the password cannot be read back
                put(attributep, sizep, reinterpret_cast<const OraText*>(session.username.c_str()));
                if (sizep)
                    *sizep = static_cast<ub4>(session.username.size());
                return OCI_SUCCESS;
            }
            case OCI_HTYPE_STMT: {
                const auto& stmt = handleOf<OCIStmt>(trgthndlp, trghndltyp);
                const Cursor* cursor = stmt.cursor.get();
                switch (attrtype) {
                case OCI_ATTR_PARAM_COUNT:
                    put(attributep, sizep,
                        static_cast<ub4>(cursor && cursor->executed() ? cursor->columns().size() : 0));
                    break;
                case OCI_ATTR_STMT_TYPE: put(attributep, sizep, static_cast<ub2>(cursor ? cursor->statementType() : 0)); break;
                case OCI_ATTR_ROWS_FETCHED: put(attributep, sizep, stmt.rowsFetched); break;
                case guide::OCI_ATTR_ROW_COUNT: put(attributep, sizep, stmt.rowCount); break;
                case OCI_ATTR_PREFETCH_ROWS: put(attributep, sizep, stmt.prefetchRows); break;
                case guide::OCI_ATTR_PREFETCH_MEMORY: put(attributep, sizep, stmt.prefetchMemory); break;
                default: unknownAttribute();
                }
                return OCI_SUCCESS;
            }
            case OCI_DTYPE_PARAM: {
                const auto& param = handleOf<OCIParam>(trgthndlp, trghndltyp);
                const Column& c = param.column;
                switch (attrtype) {
                case OCI_ATTR_DATA_SIZE: put(attributep, sizep, c.dataSize); break;
                case OCI_ATTR_DATA_TYPE: put(attributep, sizep, c.dataType); break;
                case OCI_ATTR_NAME:
                    put(attributep, sizep, reinterpret_cast<const OraText*>(param.name.c_str()));
                    if (sizep)
                        *sizep = static_cast<ub4>(param.name.size());
                    break;
                case OCI_ATTR_PRECISION: put(attributep, sizep, c.precision); break;
                case OCI_ATTR_SCALE: put(attributep, sizep, c.scale); break;
                case OCI_ATTR_IS_NULL: put(attributep, sizep, static_cast<ub1>(c.nullable)); break;
                case OCI_ATTR_CHARSET_FORM: put(attributep, sizep, c.charsetForm); break;
                case OCI_ATTR_CHAR_SIZE: put(attributep, sizep, c.charSize); break;
                case OCI_ATTR_CHAR_USED: put(attributep, sizep, static_cast<ub1>(c.charUsed)); break;
                default: unknownAttribute();
                }
                return OCI_SUCCESS;
            }
            case OCI_HTYPE_DEFINE: {
                const auto& define = handleOf<OCIDefine>(trgthndlp, trghndltyp);
                if (attrtype == OCI_ATTR_CHARSET_FORM)
                    put(attributep, sizep, define.charsetForm);
                else if (attrtype == guide::OCI_ATTR_CHARSET_ID)
                    put(attributep, sizep, define.charsetId ? define.charsetId : define.env->charset);
                else
                    unknownAttribute();
                return OCI_SUCCESS;
            }
            default: {
                const Handle* handle = findHandle(trgthndlp);
                if (!handle || handle->type != trghndltyp)
                    throw InvalidHandle{};
                unknownAttribute();
            }
            }
        },
        ErrorHandle::Local);
}

// connect-authorize-and-initialize-functions.html, OCIServerAttach()
sword OCIServerAttach(OCIServer* srvhp, OCIError* errhp, const OraText* dblink, sb4 dblink_len, ub4)
{
    return call(errhp, [&](OCIError&) {
        auto& server = handleOf<OCIServer>(srvhp, OCI_HTYPE_SERVER);
        if (server.connection)
            fail(24309, "already connected to a server");
        // The connect identifier names the schema file.
        const std::string path =
            dblink && dblink_len > 0
                ? fromClient(std::string_view(reinterpret_cast<const char*>(dblink), static_cast<std::size_t>(dblink_len)),
                             isUnicode(server.env->charset))
                : std::string();
        server.connection = std::make_shared<Connection>(path);
        roundTrip(*server.connection, 0);
        installClientSignalHandler();
        return OCI_SUCCESS;
    });
}

// connect-authorize-and-initialize-functions.html, OCIServerDetach()
sword OCIServerDetach(OCIServer* srvhp, OCIError* errhp, ub4 mode)
{
    return call(errhp, [&](OCIError&) {
        auto& server = handleOf<OCIServer>(srvhp, OCI_HTYPE_SERVER);
        if (mode != OCI_DEFAULT)
            fail(24300, "bad value for mode");  // the only valid mode
        if (!server.connection)
            fail(3114, "not connected to ORACLE");
        // Statements still open keep the file until they are freed.
        server.connection->attached = false;
        server.connection.reset();
        return OCI_SUCCESS;
    });
}

// connect-authorize-and-initialize-functions.html, OCISessionBegin()
sword OCISessionBegin(OCISvcCtx* svchp, OCIError* errhp, OCISession* usrhp, ub4 credt, ub4)
{
    return call(errhp, [&](OCIError&) {
        auto& svc = handleOf<OCISvcCtx>(svchp, OCI_HTYPE_SVCCTX);
        auto& session = handleOf<OCISession>(usrhp, OCI_HTYPE_SESSION);
        const auto connection = connectionOf(svc, false);
        if (session.connection)
            fail(24313, "user already authenticated");
        if (credt == OCI_CRED_EXT)
            fail(1017, "invalid username/password; logon denied");  // no operating system account maps to a user here
        if (credt != OCI_CRED_RDBMS)
            fail(24300, "bad value for mode");
        if (session.password.empty())
            fail(1005, "null password given; logon denied");
        roundTrip(*connection, 0);
        if (session.username.empty() || session.password == "wrong")
            fail(1017, "invalid username/password; logon denied");
        connection->logOn();
        connection->loggedOn = true;
        session.connection = connection;
        if (!liveOrNull<OCISession>(svc.session, OCI_HTYPE_SESSION))
            svc.session = &session;
        return OCI_SUCCESS;
    });
}

// connect-authorize-and-initialize-functions.html, OCISessionEnd()
sword OCISessionEnd(OCISvcCtx* svchp, OCIError* errhp, OCISession* usrhp, ub4 mode)
{
    return call(errhp, [&](OCIError&) {
        auto& svc = handleOf<OCISvcCtx>(svchp, OCI_HTYPE_SVCCTX);
        if (mode != OCI_DEFAULT)
            fail(24300, "bad value for mode");  // the only valid mode
        OCISession* session = usrhp ? &handleOf<OCISession>(usrhp, OCI_HTYPE_SESSION)
                                    : liveOrNull<OCISession>(svc.session, OCI_HTYPE_SESSION);
        if (!session || !session->connection)
            fail(1012, "not logged on");
        const auto connection = std::move(session->connection);
        session->connection.reset();
        connection->loggedOn = false;
        // The session is gone either way; a dead channel still reports itself.
        if (connection->dead)
            fail(3114, "not connected to ORACLE");
        return OCI_SUCCESS;
    });
}

// miscellaneous-functions.html, OCIErrorGet()
sword OCIErrorGet(void* hndlp, ub4 recordno, OraText*, sb4* errcodep, OraText* bufp, ub4 bufsiz, ub4 type)
{
    std::lock_guard lock(libraryLock());
    const std::optional<OraError>* record = nullptr;
    ub2 charset = 0;
    if (const auto* env = type == OCI_HTYPE_ENV ? liveOrNull<OCIEnv>(hndlp, OCI_HTYPE_ENV) : nullptr) {
        record = &env->error;
        charset = env->charset;
    } else if (const auto* err = type == OCI_HTYPE_ERROR ? liveOrNull<OCIError>(hndlp, OCI_HTYPE_ERROR) : nullptr) {
        record = &err->error;
        charset = err->env->charset;
    } else {
        return OCI_INVALID_HANDLE;
    }
    // One record at most: a later one is not there.
    if (recordno != 1 || !*record)
        return OCI_NO_DATA;
    if (errcodep)
        *errcodep = (*record)->code;
    if (bufp && bufsiz > 0) {
        const std::string text = toClient((*record)->text, isUnicode(charset));
        const std::size_t length = utf8Prefix(text, bufsiz - 1);
        std::memcpy(bufp, text.data(), length);
        bufp[length] = '\0';
    }
    return OCI_SUCCESS;
}

// What a failed OCIStmtPrepare2 leaves in *stmthp: no statement. ODPI-C's
// dpiOci__stmtPrepare2 forgets the handle then and never releases it; this
// address is no live handle, and a call given it counts as an invalid use.
static unsigned char noStatement[1];

// statement-functions.html, OCIStmtPrepare2()
sword OCIStmtPrepare2(OCISvcCtx* svchp, OCIStmt** stmthp, OCIError* errhp, const OraText* stmttext, ub4 stmt_len,
                      const OraText*, ub4, ub4 language, ub4)
{
    return call(errhp, [&](OCIError&) {
        auto& svc = handleOf<OCISvcCtx>(svchp, OCI_HTYPE_SVCCTX);
        if (!stmthp)
            fail(1009, "missing mandatory parameter");
        struct Failed {
            OCIStmt** out;
            bool prepared = false;
            ~Failed()
            {
                if (!prepared)
                    *out = reinterpret_cast<OCIStmt*>(noStatement);
            }
        } failed{stmthp};
        const auto connection = connectionOf(svc);
        if (language != OCI_NTV_SYNTAX)
            fail(24300, "bad value for mode");
        // A statement comes as text: the stand-in keeps no statement cache to look keys up in.
        if (!stmttext || stmt_len == 0)
            fail(24373, "invalid length specified for statement");
        std::string sql = fromClient(std::string_view(reinterpret_cast<const char*>(stmttext), stmt_len),
                                     isUnicode(svc.env->charset));
        auto cursor = std::make_unique<Cursor>(connection, std::move(sql));
        auto* stmt = create<OCIStmt>(svc.env, false, svc.env);
        stmt->cursor = std::move(cursor);
        stmt->svc = &svc;
        *stmthp = stmt;
        failed.prepared = true;
        return OCI_SUCCESS;
    });
}

// statement-functions.html, OCIStmtRelease()
sword OCIStmtRelease(OCIStmt* stmthp, OCIError* errhp, const OraText*, ub4, ub4)
{
    return call(errhp, [&](OCIError&) {
        destroy(&handleOf<OCIStmt>(stmthp, OCI_HTYPE_STMT));
        return OCI_SUCCESS;
    });
}

// statement-functions.html, OCIStmtExecute()
sword OCIStmtExecute(OCISvcCtx* svchp, OCIStmt* stmtp, OCIError* errhp, ub4 iters, ub4, const OCISnapshot*,
                     OCISnapshot*, ub4 mode)
{
    return call(errhp, [&](OCIError& err) {
        auto& svc = handleOf<OCISvcCtx>(svchp, OCI_HTYPE_SVCCTX);
        auto& stmt = handleOf<OCIStmt>(stmtp, OCI_HTYPE_STMT);
        connectionOf(svc);
        if (!stmt.cursor)
            fail(24337, "statement handle not prepared");
        Cursor& cursor = *stmt.cursor;
        checkAlive(*cursor.connection());
        if (mode & ~(guide::OCI_EXACT_FETCH | guide::OCI_DESCRIBE_ONLY | guide::OCI_COMMIT_ON_SUCCESS))
            fail(24300, "bad value for mode");
        cursor.checkParsed();  // the server parses before it looks at the iterations
        if (!cursor.isQuery() && iters == 0)
            fail(24333, "zero iteration count");
        stmt.rowsFetched = 0;
        stmt.rowCount = 0;
        stmt.buffered.clear();
        stmt.bufferedError.reset();
        stmt.endKnown = false;
        stmt.failAfterRows = failAfterRows();
        stmt.describedOnly = (mode & guide::OCI_DESCRIBE_ONLY) != 0;
        traceExecute(&stmt);
        const CallOnServer onServer(*cursor.connection());
        roundTrip(*cursor.connection(), svc.callTimeoutMs);
        cursor.execute();
        if (!cursor.isQuery() || stmt.describedOnly)
            return OCI_SUCCESS;
        // The execute's round trip brings the prefetched rows (at least the
        // iterations asked for) with it.
        if (const ub4 rows = std::max(iters, prefetches(stmt) ? stmt.prefetchRows : 0); rows > 0)
            bringRows(stmt, rows, false);
        if (iters == 0)
            return OCI_SUCCESS;
        return fetchRows(stmt, err, iters);
    });
}

// statement-functions.html, OCIStmtFetch2()
sword OCIStmtFetch2(OCIStmt* stmthp, OCIError* errhp, ub4 nrows, ub2 orientation, sb4, ub4)
{
    return call(errhp, [&](OCIError& err) {
        auto& stmt = handleOf<OCIStmt>(stmthp, OCI_HTYPE_STMT);
        if (!stmt.cursor || !stmt.cursor->executed() || !stmt.cursor->isQuery() || stmt.describedOnly)
            fail(24338, "statement handle not executed");
        checkAlive(*stmt.cursor->connection());
        // OCI_DEFAULT means OCI_FETCH_NEXT; the cursor is not scrollable.
        if (orientation != OCI_FETCH_NEXT && orientation != OCI_DEFAULT)
            fail(24391, "invalid fetch operation");
        if (nrows == 0) {
            stmt.cursor->cancel();  // zero rows cancels the cursor
            stmt.buffered.clear();
            stmt.endKnown = true;
            stmt.rowsFetched = 0;
            return OCI_SUCCESS;
        }
        const CallOnServer onServer(*stmt.cursor->connection());
        return fetchRows(stmt, err, nrows);
    });
}

// handle-and-descriptor-functions.html, OCIParamGet()
sword OCIParamGet(const void* hndlp, ub4 htype, OCIError* errhp, void** parmdpp, ub4 pos)
{
    return call(errhp, [&](OCIError&) {
        if (htype != OCI_HTYPE_STMT)
            throw InvalidHandle{};
        auto& stmt = handleOf<OCIStmt>(hndlp, OCI_HTYPE_STMT);
        if (!parmdpp)
            fail(1009, "missing mandatory parameter");
        if (!stmt.cursor || !stmt.cursor->executed())
            fail(24338, "statement handle not executed");
        const auto& columns = stmt.cursor->columns();
        if (pos < 1 || pos > columns.size())
            fail(24334, "no descriptor for this position");
        const Column& column = columns[pos - 1];
        *parmdpp = create<OCIParam>(stmt.env, false, stmt.env, column,
                                    toClient(column.name, isUnicode(stmt.env->charset)));
        return OCI_SUCCESS;
    });
}

// bind-define-describe-functions.html, OCIDefineByPos2()
sword OCIDefineByPos2(OCIStmt* stmtp, OCIDefine** defnpp, OCIError* errhp, ub4 position, void* valuep,
                      sb8 value_sz, ub2 dty, void* indp, ub4* rlenp, ub2* rcodep, ub4 mode)
{
    return call(errhp, [&](OCIError&) {
        auto& stmt = handleOf<OCIStmt>(stmtp, OCI_HTYPE_STMT);
        if (!defnpp)
            fail(1009, "missing mandatory parameter");
        if (mode & ~(OCI_DYNAMIC_FETCH | guide::OCI_DEFINE_SOFT))
            fail(24300, "bad value for mode");
        if (value_sz < 0)
            fail(1460, "unimplemented or unreasonable conversion requested");
        // Once the select list is known, a wrong position or type fails now; before, at fetch.
        if (position == 0)
            fail(1007, "variable not in select list");
        if (stmt.cursor && stmt.cursor->executed()) {
            const auto& columns = stmt.cursor->columns();
            if (position > columns.size())
                fail(1007, "variable not in select list");
            checkConversion(columns[position - 1], dty);
        }
        // A define handle passed back in is used again; otherwise one is made.
        auto* define = liveOrNull<OCIDefine>(*defnpp, OCI_HTYPE_DEFINE);
        if (define && define->stmt != &stmt)
            define = nullptr;
        if (define)
            stmt.defines.erase(define->position);
        if (const auto old = stmt.defines.find(position); old != stmt.defines.end()) {
            destroy(old->second);
            stmt.defines.erase(old);
        }
        if (!define)
            define = create<OCIDefine>(stmt.env, true, stmt.env, &stmt);
        stmt.defines[position] = define;
        define->position = position;
        define->valuep = valuep;
        define->valueSize = value_sz;
        define->dty = dty;
        define->indp = static_cast<sb2*>(indp);
        define->rlenp = rlenp;
        define->rcodep = rcodep;
        define->mode = mode;
        *defnpp = define;
        return OCI_SUCCESS;
    });
}

// bind-define-describe-functions.html, OCIDefineDynamic()
sword OCIDefineDynamic(OCIDefine* defnp, OCIError* errhp, void* octxp, OCICallbackDefine ocbfp)
{
    return call(errhp, [&](OCIError&) {
        auto& define = handleOf<OCIDefine>(defnp, OCI_HTYPE_DEFINE);
        if (!(define.mode & OCI_DYNAMIC_FETCH))
            fail(24300, "bad value for mode");  // the define was not made in OCI_DYNAMIC_FETCH mode
        define.callbackContext = octxp;
        define.callback = ocbfp;
        return OCI_SUCCESS;
    });
}

// lob-functions.html, OCILobGetLength2()
sword OCILobGetLength2(OCISvcCtx* svchp, OCIError* errhp, OCILobLocator* locp, oraub8* lenp)
{
    return call(errhp, [&](OCIError&) {
        const auto& svc = handleOf<OCISvcCtx>(svchp, OCI_HTYPE_SVCCTX);
        const auto connection = connectionOf(svc);
        const auto& locator = handleOf<OCILobLocator>(locp, OCI_DTYPE_LOB);
        if (!locator.filled)
            fail(22275, "invalid LOB locator specified");
        if (!lenp)
            fail(1009, "missing mandatory parameter");
        // A length that came with the row costs nothing; otherwise it is asked for.
        if (!locator.lengthPrefetched) {
            const CallOnServer onServer(*connection);
            roundTrip(*connection, svc.callTimeoutMs);
        }
        // Characters (UCS-2 code units) for CLOB and NCLOB, bytes for BLOB.
        *lenp = locator.character ? ucs2Length(locator.data) : locator.data.size();
        return OCI_SUCCESS;
    });
}

#ifndef QV_STANDIN_WITHOUT_LOB_READ
// lob-functions.html, OCILobRead2()
sword OCILobRead2(OCISvcCtx* svchp, OCIError* errhp, OCILobLocator* locp, oraub8* byte_amtp, oraub8* char_amtp,
                  oraub8 offset, void* bufp, oraub8 bufl, ub1 piece, void* ctxp, OCICallbackLobRead2 cbfp,
                  ub2 csid, ub1 csfrm)
{
    return call(errhp, [&](OCIError& err) -> sword {
        auto& svc = handleOf<OCISvcCtx>(svchp, OCI_HTYPE_SVCCTX);
        const auto connection = connectionOf(svc);
        auto& locator = handleOf<OCILobLocator>(locp, OCI_DTYPE_LOB);
        if (!locator.filled)
            fail(22275, "invalid LOB locator specified");
        if (!byte_amtp || !bufp || bufl == 0)
            fail(24801, "illegal parameter value in OCI lob function");
        // An NCLOB read in the implicit form passes through the database character set.
        const bool throughDatabaseCharset = locator.national && csfrm != SQLCS_NCHAR;
        const std::string converted =
            throughDatabaseCharset ? toDatabaseCharset(locator.data, connection->databaseCharset) : std::string();
        const std::string& data = throughDatabaseCharset ? converted : locator.data;
        oraub8 chars = 0;
        // A call costs a round trip unless all it hands out came with the row.
        const CallOnServer onServer(*connection);
        bool beyondPrefetch = false;
        const auto readPieces = [&]() -> sword {
            // Hands out the next piece: at most bufl bytes, whole characters of a CLOB.
            const auto handOut = [&](std::string& pending, char* buffer, oraub8 room) {
                const std::size_t length =
                    locator.character ? utf8Prefix(pending, static_cast<std::size_t>(std::min<oraub8>(room, pending.size())))
                                      : static_cast<std::size_t>(std::min<oraub8>(room, pending.size()));
                if (length == 0 && !pending.empty())
                    fail(24801, "illegal parameter value in OCI lob function");  // no room for one character
                std::memcpy(buffer, pending.data(), length);
                chars = locator.character ? ucs2Length(std::string_view(pending).substr(0, length)) : 0;
                const std::size_t units = locator.character ? static_cast<std::size_t>(chars) : length;
                beyondPrefetch = beyondPrefetch || locator.piecesUnits + units > locator.prefetchedUnits;
                locator.piecesUnits += units;
                pending.erase(0, length);
                largestLobPiece = std::max<unsigned long long>(largestLobPiece, length);
                return length;
            };
            const auto report = [&](oraub8 bytes, oraub8 characters) {
                *byte_amtp = bytes;
                if (char_amtp)
                    *char_amtp = characters;
            };

            if (piece == OCI_NEXT_PIECE) {
                if (!locator.polling || cbfp)
                    fail(24801, "illegal parameter value in OCI lob function");
                const std::size_t length = handOut(locator.pending, static_cast<char*>(bufp), bufl);
                report(length, chars);
                locator.polling = !locator.pending.empty();
                return locator.polling ? OCI_NEED_DATA : OCI_SUCCESS;
            }
            if ((piece != OCI_ONE_PIECE && piece != OCI_FIRST_PIECE) || offset == 0)
                fail(24801, "illegal parameter value in OCI lob function");
            locator.polling = false;
            locator.pending.clear();
            locator.piecesUnits = static_cast<std::size_t>(offset - 1);

            // The part to read, converted for the buffer: the amount is in
            // characters (UCS-2 code units) for a CLOB when char_amtp asks for
            // any, else in bytes of the buffer; zero reads to the end of the LOB.
            std::string part;
            const bool unicode = isUnicode(csid != 0 ? csid
                                           : csfrm == SQLCS_NCHAR ? locator.env->ncharset
                                                                  : locator.env->charset);
            if (locator.character) {
                if (offset > ucs2Length(data)) {
                    report(0, 0);
                    err.error = oraError(1403, "no data found");
                    return OCI_NO_DATA;
                }
                const std::string_view rest =
                    std::string_view(data).substr(ucs2Bytes(data, static_cast<std::size_t>(offset - 1)));
                const oraub8 charAmount = char_amtp ? *char_amtp : 0;
                if (charAmount > 0) {
                    part = toClient(rest.substr(0, ucs2Bytes(rest, static_cast<std::size_t>(charAmount))), unicode);
                } else {
                    part = toClient(rest, unicode);
                    if (*byte_amtp > 0)
                        part.resize(utf8Prefix(part, static_cast<std::size_t>(std::min<oraub8>(*byte_amtp, part.size()))));
                }
            } else {
                if (offset > data.size()) {
                    report(0, 0);
                    err.error = oraError(1403, "no data found");
                    return OCI_NO_DATA;
                }
                part = data.substr(static_cast<std::size_t>(offset - 1));
                if (*byte_amtp > 0 && *byte_amtp < part.size())
                    part.resize(static_cast<std::size_t>(*byte_amtp));
            }

            if (piece == OCI_ONE_PIECE) {
                // Never polling: the buffer takes what fits.
                const std::size_t length = handOut(part, static_cast<char*>(bufp), bufl);
                report(length, chars);
                return OCI_SUCCESS;
            }
            if (cbfp) {
                // Callback mode: each piece goes to the callback, which may name the next buffer.
                char* buffer = static_cast<char*>(bufp);
                oraub8 room = bufl, totalBytes = 0, totalChars = 0;
                bool first = true;
                do {
                    const std::size_t length = handOut(part, buffer, room);
                    totalBytes += length;
                    totalChars += chars;
                    const ub1 which = part.empty() ? OCI_LAST_PIECE : first ? OCI_FIRST_PIECE : OCI_NEXT_PIECE;
                    first = false;
                    void* changed = nullptr;
                    oraub8 changedLength = 0;
                    if (cbfp(ctxp, buffer, length, which, &changed, &changedLength) != OCI_CONTINUE)
                        fail(24802, "user defined lob read callback error");
                    if (changed && changedLength > 0)
                        buffer = static_cast<char*>(changed), room = changedLength;
                } while (!part.empty());
                report(totalBytes, totalChars);
                return OCI_SUCCESS;
            }
            // Polling: OCI_NEED_DATA until the last piece has been handed out.
            locator.pending = std::move(part);
            const std::size_t length = handOut(locator.pending, static_cast<char*>(bufp), bufl);
            report(length, chars);
            locator.polling = !locator.pending.empty();
            return locator.polling ? OCI_NEED_DATA : OCI_SUCCESS;
        };
        const sword status = readPieces();
        if (beyondPrefetch)
            roundTrip(*connection, svc.callTimeoutMs);
        return status;
    });
}
#else
// Left out of the library built to stand for a client that lacks one of the functions.
sword OCILobRead2(OCISvcCtx* svchp, OCIError* errhp, OCILobLocator* locp, oraub8* byte_amtp, oraub8* char_amtp,
                  oraub8 offset, void* bufp, oraub8 bufl, ub1 piece, void* ctxp, OCICallbackLobRead2 cbfp,
                  ub2 csid, ub1 csfrm);
#endif

// oci-date-datetime-and-interval-functions.html, OCIDateTimeGetDate()
sword OCIDateTimeGetDate(void* hndl, OCIError* err, const OCIDateTime* date, sb2* yr, ub1* mnth, ub1* dy)
{
    return call(err, [&](OCIError&) {
        if (!liveOrNull<OCIEnv>(hndl, OCI_HTYPE_ENV) && !liveOrNull<OCISession>(hndl, OCI_HTYPE_SESSION))
            throw InvalidHandle{};
        const Handle* handle = findHandle(date);
        if (!handle || handle->type < OCI_DTYPE_TIMESTAMP || handle->type > OCI_DTYPE_TIMESTAMP_LTZ)
            throw InvalidHandle{};
        const auto& datetime = static_cast<const OCIDateTime&>(*handle);
        if (!datetime.filled)
            fail(1891, "Datetime/Interval internal error");
        checkZoneFile(datetime);
        if (!yr || !mnth || !dy)
            fail(1009, "missing mandatory parameter");
        *yr = static_cast<sb2>(datetime.value.year);
        *mnth = static_cast<ub1>(datetime.value.month);
        *dy = static_cast<ub1>(datetime.value.day);
        return OCI_SUCCESS;
    });
}

// oci-date-datetime-and-interval-functions.html, OCIDateTimeGetTime()
sword OCIDateTimeGetTime(void* hndl, OCIError* err, OCIDateTime* datetime, ub1* hr, ub1* mm, ub1* ss, ub4* fsec)
{
    return call(err, [&](OCIError&) {
        if (!liveOrNull<OCIEnv>(hndl, OCI_HTYPE_ENV) && !liveOrNull<OCISession>(hndl, OCI_HTYPE_SESSION))
            throw InvalidHandle{};
        const Handle* handle = findHandle(datetime);
        if (!handle || handle->type < OCI_DTYPE_TIMESTAMP || handle->type > OCI_DTYPE_TIMESTAMP_LTZ)
            throw InvalidHandle{};
        const auto& value = static_cast<const OCIDateTime&>(*handle);
        if (!value.filled)
            fail(1891, "Datetime/Interval internal error");
        checkZoneFile(value);
        if (!hr || !mm || !ss || !fsec)
            fail(1009, "missing mandatory parameter");
        // The fields in the value's own time zone; the fraction in nanoseconds.
        *hr = static_cast<ub1>(value.value.hour);
        *mm = static_cast<ub1>(value.value.minute);
        *ss = static_cast<ub1>(value.value.second);
        *fsec = value.value.nanosecond;
        return OCI_SUCCESS;
    });
}

// miscellaneous-functions.html, OCIBreak(): the service context or the
// server handle; the call under way on it ends with ORA-01013.
sword OCIBreak(void* hndlp, OCIError* errhp)
{
    return call(errhp, [&](OCIError&) {
        if (Connection* connection = attachedConnection(hndlp))
            requestBreak(*connection);
        return OCI_SUCCESS;
    });
}

// miscellaneous-functions.html, OCIReset(): after a break.
sword OCIReset(void* hndlp, OCIError* errhp)
{
    return call(errhp, [&](OCIError&) {
        if (Connection* connection = attachedConnection(hndlp))
            resetBreak(*connection);
        return OCI_SUCCESS;
    });
}

// Test hooks (README.md).

int qv_standin_live(unsigned type)
{
    std::lock_guard lock(libraryLock());
    return liveCount(type);
}

const char* qv_standin_fetch_trace(void)
{
    std::lock_guard lock(libraryLock());
    return traceText();
}

unsigned long long qv_standin_largest_lob_piece(void)
{
    std::lock_guard lock(libraryLock());
    return largestLobPiece;
}

int qv_standin_invalid_handle_uses(void)
{
    std::lock_guard lock(libraryLock());
    return invalidHandleUses;
}

unsigned long long qv_standin_round_trips(void)
{
    return roundTripCount();
}

int qv_standin_holding(void)
{
    return holding() ? 1 : 0;
}

}  // extern "C"

// Each entry point has exactly the prototype that the driver resolves.
#define QV_STANDIN_SAME_TYPE(name) static_assert(std::is_same_v<decltype(name), qv::oci::name##_fn>);
QV_OCI_FUNCTIONS(QV_STANDIN_SAME_TYPE)
#undef QV_STANDIN_SAME_TYPE
