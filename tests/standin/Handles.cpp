#include "Handles.h"

#include "Fetch.h"

#include <algorithm>
#include <unordered_map>

namespace qv::standin {

namespace {

// Every live handle by the address handed out for it.
std::unordered_map<const void*, Handle*>& registry()
{
    static std::unordered_map<const void*, Handle*> handles;
    return handles;
}

}  // namespace

std::recursive_mutex& libraryLock()
{
    static std::recursive_mutex lock;
    return lock;
}

void registerHandle(const void* key, Handle* handle)
{
    handle->key = key;
    registry().emplace(key, handle);
}

void adopt(OCIEnv* env, Handle* handle)
{
    env->children.push_back(handle);
}

Handle* findHandle(const void* pointer)
{
    if (!pointer)
        return nullptr;
    const auto found = registry().find(pointer);
    return found == registry().end() ? nullptr : found->second;
}

void destroy(Handle* handle)
{
    // Forget it first: what it owns is destroyed with it, and a stale pointer
    // to it must never be found again.
    registry().erase(handle->key);
    if (handle->env) {
        auto& children = handle->env->children;
        children.erase(std::remove(children.begin(), children.end(), handle), children.end());
    }
    delete handle;
}

int liveCount(ub4 type)
{
    int count = 0;
    for (const auto& entry : registry())
        if (type == 0 || entry.second->type == type)
            ++count;
    return count;
}

}  // namespace qv::standin

namespace qv::oci {

OCIEnv::~OCIEnv()
{
    // Freeing the environment frees everything allocated under it, the
    // newest first, so statements go before the connections they use.
    while (!children.empty())
        standin::destroy(children.back());
}

OCIServer::~OCIServer()
{
    if (connection)
        connection->attached = false;
}

OCISession::~OCISession()
{
    if (connection)
        connection->loggedOn = false;
}

OCIStmt::~OCIStmt()
{
    standin::traceForget(this);
    const auto owned = defines;
    for (const auto& [position, define] : owned)
        standin::destroy(define);
}

}  // namespace qv::oci
