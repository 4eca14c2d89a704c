#include "OciContext.h"

#include "data/Errors.h"
#include "data/Utf8.h"

#include <csignal>
#include <iterator>

namespace qv::oci {

namespace {

// The first message an environment or error handle holds, without the line
// end Oracle puts after it; empty when it holds none.
QString firstMessage(const OciFunctions& f, void* handle, ub4 type, sb4* errorCode = nullptr)
{
    OraText buffer[3072] = {};
    sb4 code = 0;
    if (!handle || f.OCIErrorGet(handle, 1, nullptr, &code, buffer, sizeof buffer, type) != OCI_SUCCESS)
        return {};
    if (errorCode)
        *errorCode = code;
    return decodeUtf8(reinterpret_cast<const char*>(buffer)).trimmed();
}

QString statusText(sword status)
{
    switch (status) {
    case OCI_INVALID_HANDLE: return QStringLiteral("The Oracle client reports an invalid handle");
    case OCI_NEED_DATA: return QStringLiteral("The Oracle client asks for data that Quorvane does not send");
    default: return QStringLiteral("The Oracle client failed with status %1").arg(status);
    }
}


// The signals the program handles itself: a client installs a SIGINT
// handler of its own when it attaches (to send a break), which would take
// them from the program.
class KeptSignals {
public:
    KeptSignals()
    {
        for (std::size_t i = 0; i < std::size(signals_); ++i)
            sigaction(signals_[i], nullptr, &saved_[i]);
    }
    ~KeptSignals()
    {
        for (std::size_t i = 0; i < std::size(signals_); ++i)
            sigaction(signals_[i], &saved_[i], nullptr);
    }

private:
    static constexpr int signals_[] = {SIGINT, SIGTERM, SIGHUP};
    struct sigaction saved_[std::size(signals_)] {};
};

// What a call returns when its time limit ended it (ODPI-C, dpiError.c:
// inbound connection timed out, OCI call timed out, partial data received).
bool isTimeLimit(sb4 code)
{
    return code == 3136 || code == 3156 || code == 12161;
}

}  // namespace

OciContext::OciContext(const OciFunctions& functions) : f(functions)
{
    // OCI_THREADED: the client guards its own data where two threads touch
    // one session (a break from one while another waits in a fetch).
    const sword status = f.OCIEnvNlsCreate(&env, OCI_THREADED, nullptr, nullptr, nullptr, nullptr, 0, nullptr,
                                           AL32UTF8_CHARSET_ID, AL32UTF8_CHARSET_ID);
    // Success with information is success (ODPI-C, dpiOci__envNlsCreate).
    if ((status != OCI_SUCCESS && status != OCI_SUCCESS_WITH_INFO) || !env) {
        QString message = firstMessage(f, env, OCI_HTYPE_ENV);
        if (message.isEmpty())
            message = QStringLiteral("The Oracle client cannot create its environment (status %1)").arg(status);
        if (env)
            f.OCIHandleFree(env, OCI_HTYPE_ENV);
        env = nullptr;
        throw Error(message);
    }
    err = static_cast<OCIError*>(allocate(OCI_HTYPE_ERROR));
    breakErr_ = static_cast<OCIError*>(allocate(OCI_HTYPE_ERROR));
}

OciContext::~OciContext()
{
    const KeptSignals kept;
    if (begun_)
        f.OCISessionEnd(svc, err, session_, OCI_DEFAULT);
    if (attached_)
        f.OCIServerDetach(server_, err, OCI_DEFAULT);
    for (auto [handle, type] : {std::pair<void*, ub4>{session_, OCI_HTYPE_SESSION}, {svc, OCI_HTYPE_SVCCTX},
                                {server_, OCI_HTYPE_SERVER}, {err, OCI_HTYPE_ERROR},
                                {breakErr_, OCI_HTYPE_ERROR}})
        if (handle)
            f.OCIHandleFree(handle, type);
    // Frees whatever else the environment still holds.
    if (env)
        f.OCIHandleFree(env, OCI_HTYPE_ENV);
}

void* OciContext::allocate(ub4 type)
{
    void* handle = nullptr;
    const sword status = f.OCIHandleAlloc(env, &handle, type, 0, nullptr);
    if (status != OCI_SUCCESS || !handle)
        throw Error(environmentErrorText(status));
    return handle;
}

QString OciContext::environmentErrorText(sword status) const
{
    const QString message = firstMessage(f, env, OCI_HTYPE_ENV);
    return message.isEmpty() ? statusText(status) : message;
}


void OciContext::logOn(const QString& connectIdentifier, const QString& user, const QString& password,
                       bool osAuthentication, unsigned callSeconds)
{
    const KeptSignals kept;
    server_ = static_cast<OCIServer*>(allocate(OCI_HTYPE_SERVER));
    svc = static_cast<OCISvcCtx*>(allocate(OCI_HTYPE_SVCCTX));
    session_ = static_cast<OCISession*>(allocate(OCI_HTYPE_SESSION));

    const QByteArray database = connectIdentifier.toUtf8();
    check(f.OCIServerAttach(server_, err, reinterpret_cast<const OraText*>(database.constData()),
                            sb4(database.size()), OCI_DEFAULT));
    attached_ = true;
    check(f.OCIAttrSet(svc, OCI_HTYPE_SVCCTX, server_, 0, OCI_ATTR_SERVER, err));

    QByteArray userName = user.toUtf8();
    QByteArray secret = password.toUtf8();
    if (!osAuthentication) {
        check(f.OCIAttrSet(session_, OCI_HTYPE_SESSION, userName.data(), ub4(userName.size()), OCI_ATTR_USERNAME,
                           err));
        check(f.OCIAttrSet(session_, OCI_HTYPE_SESSION, secret.data(), ub4(secret.size()), OCI_ATTR_PASSWORD,
                           err));
    }
    check(f.OCISessionBegin(svc, err, session_, osAuthentication ? OCI_CRED_EXT : OCI_CRED_RDBMS, OCI_DEFAULT));
    begun_ = true;
    check(f.OCIAttrSet(svc, OCI_HTYPE_SVCCTX, session_, 0, OCI_ATTR_SESSION, err));

    // Clients before 18c have no call time limit: they refuse the attribute.
    ub4 milliseconds = callSeconds * 1000;
    if (callSeconds > 0
        && f.OCIAttrSet(svc, OCI_HTYPE_SVCCTX, &milliseconds, 0, OCI_ATTR_CALL_TIMEOUT, err) == OCI_SUCCESS)
        callSeconds_ = callSeconds;
    // A LOB up to this size comes with its row: reading it costs no round
    // trip (SecureFiles and Large Objects Developer's Guide, "Prefetching
    // LOB Data in OCI"). A client that cannot is read in pieces as before.
    ub4 lobPrefetch = lobPrefetchBytes;
    f.OCIAttrSet(session_, OCI_HTYPE_SESSION, &lobPrefetch, 0, OCI_ATTR_DEFAULT_LOBPREFETCH_SIZE, err);
}

void OciContext::breakCall() noexcept
{
    if (svc)
        f.OCIBreak(svc, breakErr_);
}

void OciContext::resetAfterBreak() noexcept
{
    if (svc)
        f.OCIReset(svc, breakErr_);
}

QString OciContext::errorText(sword status) const
{
    if (status == OCI_ERROR || status == OCI_SUCCESS_WITH_INFO) {
        sb4 code = 0;
        const QString message = firstMessage(f, err, OCI_HTYPE_ERROR, &code);
        if (!message.isEmpty() && callSeconds_ > 0 && isTimeLimit(code))
            return QStringLiteral("The Oracle server did not answer within %1 seconds (%2)").arg(callSeconds_).arg(message);
        if (!message.isEmpty())
            return message;
    }
    return statusText(status);
}

void OciContext::check(sword status) const
{
    if (status != OCI_SUCCESS && status != OCI_SUCCESS_WITH_INFO)
        throw Error(errorText(status));
}

}  // namespace qv::oci
