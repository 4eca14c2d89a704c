#pragma once

#include "OciApi.h"

#include <QString>
#include <functional>

namespace qv::oci {

// The part of each LOB that comes with its row.
inline constexpr ub4 lobPrefetchBytes = 64 * 1024;

// The handles of one Oracle session, shared by the session and its cursors
// so that no cursor outlives the handles it works with.
class OciContext {
public:
    // Creates the environment for Unicode text (AL32UTF8 for both character
    // sets, whatever NLS_LANG says), threaded so that a call under way can be
    // broken from another thread, and its error handles. Raises qv::Error.
    explicit OciContext(const OciFunctions& functions);
    // Ends the session, detaches from the server and frees every handle;
    // failures there are of no use to anyone and are ignored.
    ~OciContext();
    OciContext(const OciContext&) = delete;
    OciContext& operator=(const OciContext&) = delete;

    // Attaches to `connectIdentifier` and begins a session with database
    // credentials (or the operating system's), then gives each call the time
    // limit `callSeconds` where the client has one (18c and later) and asks
    // for small LOBs to come with their rows. Raises qv::Error with Oracle's
    // message; the destructor cleans up what was done. The program's own
    // handling of SIGINT, SIGTERM and SIGHUP is kept: a client installs its
    // own SIGINT handler when it attaches.
    void logOn(const QString& connectIdentifier, const QString& user, const QString& password,
               bool osAuthentication, unsigned callSeconds);

    // Whether each call has a time limit (the client has OCI_ATTR_CALL_TIMEOUT).
    bool callsHaveTimeLimit() const { return callSeconds_ > 0; }

    // From another thread than the one in the call: ends the call under way
    // on the session (OCIBreak), and readies the session for the next one
    // (OCIReset). Failures are ignored: there may be no call to break.
    void breakCall() noexcept;
    void resetAfterBreak() noexcept;

    // Called, on the thread that waits, while a cursor waits for rows that
    // another thread reads; it may raise to end the wait (see DriverSession).
    std::function<void()> waitHandler;

    // Raises qv::Error with Oracle's message unless `status` is OCI_SUCCESS
    // or OCI_SUCCESS_WITH_INFO.
    void check(sword status) const;
    // The message of a failed call on the error handle.
    QString errorText(sword status) const;
    // The message of a failed call that reports on the environment handle
    // (handle and descriptor allocation, which take no error handle).
    QString environmentErrorText(sword status) const;

    const OciFunctions& f;
    OCIEnv* env = nullptr;
    OCIError* err = nullptr;
    OCISvcCtx* svc = nullptr;

private:
    void* allocate(ub4 type);

    OCIServer* server_ = nullptr;
    OCISession* session_ = nullptr;
    OCIError* breakErr_ = nullptr;  // for breaks from another thread than the call's
    bool attached_ = false;
    bool begun_ = false;
    unsigned callSeconds_ = 0;
};

}  // namespace qv::oci
