#pragma once

#include "OciApi.h"

#include <QString>

namespace qv::oci {

// The handles of one Oracle session, shared by the session and its cursors
// so that no cursor outlives the handles it works with.
class OciContext {
public:
    // Creates the environment for Unicode text (AL32UTF8 for both character
    // sets, whatever NLS_LANG says) and its error handle. Raises qv::Error.
    explicit OciContext(const OciFunctions& functions);
    // Ends the session, detaches from the server and frees every handle;
    // failures there are of no use to anyone and are ignored.
    ~OciContext();
    OciContext(const OciContext&) = delete;
    OciContext& operator=(const OciContext&) = delete;

    // Attaches to `connectIdentifier` and begins a session with database
    // credentials (or the operating system's). Raises qv::Error with
    // Oracle's message; the destructor cleans up what was done.
    void logOn(const QString& connectIdentifier, const QString& user, const QString& password,
               bool osAuthentication);

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
    bool attached_ = false;
    bool begun_ = false;
};

}  // namespace qv::oci
