#pragma once

// The handles and descriptors of the stand-in client library, and the
// registry that tells a live handle from a stale or foreign pointer.

#include "Server.h"
#include "data/drivers/oci/OciApi.h"

#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace qv::standin {

using namespace qv::oci;

// Every entry point holds this lock: handles may be used from any thread,
// and callbacks into the application may call back into the library.
std::recursive_mutex& libraryLock();

// A handle or descriptor. `type` is its OCI_HTYPE_ or OCI_DTYPE_ code.
struct Handle {
    Handle(ub4 type, OCIEnv* env) : type(type), env(env) {}
    virtual ~Handle() = default;
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;

    const ub4 type;
    OCIEnv* const env;                      // null for the environment itself
    const void* key = nullptr;              // the address handed out for it
    std::vector<unsigned char> userMemory;  // the xtramem_sz bytes an allocation may ask for
};

// Thrown inside the library for a null, freed or mistyped handle.
struct InvalidHandle {};

// Creates a handle, registers it and, unless `owned` (defines, owned by
// their statement), makes it a child of its environment.
template <class T, class... Args>
T* create(OCIEnv* env, bool owned, Args&&... args);

// Unregisters and deletes a handle with everything it owns.
void destroy(Handle* handle);

// The live handle at `pointer`, or null.
Handle* findHandle(const void* pointer);

// The live handle of `type` at `pointer`; throws InvalidHandle otherwise.
template <class T>
T& handleOf(const void* pointer, ub4 type)
{
    Handle* handle = findHandle(pointer);
    if (!handle || handle->type != type)
        throw InvalidHandle{};
    return static_cast<T&>(*handle);
}

// Live handles and descriptors of `type`; 0 counts them all.
int liveCount(ub4 type);

void registerHandle(const void* key, Handle* handle);
void adopt(OCIEnv* env, Handle* handle);

}  // namespace qv::standin

namespace qv::oci {

struct OCIEnv final : standin::Handle {
    OCIEnv(ub2 charset, ub2 ncharset) : Handle(OCI_HTYPE_ENV, nullptr), charset(charset), ncharset(ncharset) {}
    ~OCIEnv() override;

    const ub2 charset;   // the client character set of text handed out
    const ub2 ncharset;  // that of national character data read as such
    std::vector<standin::Handle*> children;
    // What the calls that report on the environment (creating it, allocating
    // handles and descriptors) left behind.
    std::optional<standin::OraError> error;
};

struct OCIError final : standin::Handle {
    explicit OCIError(OCIEnv* env) : Handle(OCI_HTYPE_ERROR, env) {}
    std::optional<standin::OraError> error;
};

struct OCIServer final : standin::Handle {
    explicit OCIServer(OCIEnv* env) : Handle(OCI_HTYPE_SERVER, env) {}
    ~OCIServer() override;
    std::shared_ptr<standin::Connection> connection;  // set while attached
};

struct OCISession final : standin::Handle {
    explicit OCISession(OCIEnv* env) : Handle(OCI_HTYPE_SESSION, env) {}
    ~OCISession() override;
    std::string username, password;
    ub4 defaultLobPrefetchSize = 0;  // OCI_ATTR_DEFAULT_LOBPREFETCH_SIZE
    std::shared_ptr<standin::Connection> connection;  // set while the session is begun
};

struct OCISvcCtx final : standin::Handle {
    explicit OCISvcCtx(OCIEnv* env) : Handle(OCI_HTYPE_SVCCTX, env) {}
    OCIServer* server = nullptr;
    OCISession* session = nullptr;
    ub4 callTimeoutMs = 0;  // OCI_ATTR_CALL_TIMEOUT; 0 is none
};

struct OCIStmt final : standin::Handle {
    explicit OCIStmt(OCIEnv* env) : Handle(OCI_HTYPE_STMT, env) {}
    ~OCIStmt() override;

    std::unique_ptr<standin::Cursor> cursor;  // null when allocated but never prepared
    OCISvcCtx* svc = nullptr;                 // the service context it was prepared on
    std::map<ub4, OCIDefine*> defines;        // by position
    // Rows a round trip brought that no fetch has placed yet (the client's
    // buffer), an error that came after them, and whether the server said
    // that no rows follow.
    std::deque<std::vector<standin::Value>> buffered;
    std::optional<standin::OraError> bufferedError;
    bool endKnown = false;
    ub4 rowsFetched = 0;                      // placed by the last fetch
    ub4 rowCount = 0;                         // placed since the last execute
    ub4 prefetchRows = 1;
    ub4 prefetchMemory = 0;
    bool describedOnly = false;                       // executed in OCI_DESCRIBE_ONLY mode
    std::optional<unsigned long long> failAfterRows;  // the failure injection of the last execute
};

struct OCIDefine final : standin::Handle {
    OCIDefine(OCIEnv* env, OCIStmt* stmt) : Handle(OCI_HTYPE_DEFINE, env), stmt(stmt) {}
    OCIStmt* const stmt;
    ub4 position = 0;
    void* valuep = nullptr;
    sb8 valueSize = 0;
    ub2 dty = 0;
    sb2* indp = nullptr;
    ub4* rlenp = nullptr;
    ub2* rcodep = nullptr;
    ub4 mode = OCI_DEFAULT;
    void* callbackContext = nullptr;
    OCICallbackDefine callback = nullptr;
    ub1 charsetForm = SQLCS_IMPLICIT;
    ub2 charsetId = 0;  // 0: that of the environment
    bool lobPrefetchLength = false;  // OCI_ATTR_LOBPREFETCH_LENGTH
};

struct OCIParam final : standin::Handle {
    OCIParam(OCIEnv* env, standin::Column column, std::string name)
        : Handle(OCI_DTYPE_PARAM, env), column(std::move(column)), name(std::move(name))
    {
    }
    const standin::Column column;
    const std::string name;  // in the client character set
};

struct OCILobLocator final : standin::Handle {
    explicit OCILobLocator(OCIEnv* env) : Handle(OCI_DTYPE_LOB, env) {}
    bool filled = false;     // a fetch has placed a LOB in it
    bool character = false;  // CLOB or NCLOB: `data` is UTF-8
    bool national = false;   // NCLOB
    std::string data;
    bool polling = false;    // a polling read is under way
    std::string pending;     // its converted bytes still to hand out
    // What came with the row (LOB prefetching): the length, and the first
    // units of the data (bytes of a BLOB, UCS-2 units of a CLOB).
    bool lengthPrefetched = false;
    std::size_t prefetchedUnits = 0;
    std::size_t piecesUnits = 0;  // units a polling read has handed out so far
};

struct OCIDateTime final : standin::Handle {
    explicit OCIDateTime(OCIEnv* env, ub4 type) : Handle(type, env) {}
    bool filled = false;
    standin::DateTime value;
};

}  // namespace qv::oci

namespace qv::standin {

template <class T, class... Args>
T* create(OCIEnv* env, bool owned, Args&&... args)
{
    auto handle = std::make_unique<T>(std::forward<Args>(args)...);
    T* raw = handle.get();
    registerHandle(raw, raw);
    handle.release();
    if (!owned && env)
        adopt(env, raw);
    return raw;
}

}  // namespace qv::standin
