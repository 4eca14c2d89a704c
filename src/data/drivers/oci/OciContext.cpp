#include "OciContext.h"

#include "data/Errors.h"
#include "data/Utf8.h"

namespace qv::oci {

namespace {

// The first message an environment or error handle holds, without the line
// end Oracle puts after it; empty when it holds none.
QString firstMessage(const OciFunctions& f, void* handle, ub4 type)
{
    OraText buffer[3072] = {};
    sb4 code = 0;
    if (!handle || f.OCIErrorGet(handle, 1, nullptr, &code, buffer, sizeof buffer, type) != OCI_SUCCESS)
        return {};
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

}  // namespace

OciContext::OciContext(const OciFunctions& functions) : f(functions)
{
    const sword status = f.OCIEnvNlsCreate(&env, OCI_DEFAULT, nullptr, nullptr, nullptr, nullptr, 0, nullptr,
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
}

OciContext::~OciContext()
{
    if (begun_)
        f.OCISessionEnd(svc, err, session_, OCI_DEFAULT);
    if (attached_)
        f.OCIServerDetach(server_, err, OCI_DEFAULT);
    for (auto [handle, type] : {std::pair<void*, ub4>{session_, OCI_HTYPE_SESSION}, {svc, OCI_HTYPE_SVCCTX},
                                {server_, OCI_HTYPE_SERVER}, {err, OCI_HTYPE_ERROR}})
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
                       bool osAuthentication)
{
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
}

QString OciContext::errorText(sword status) const
{
    if (status == OCI_ERROR || status == OCI_SUCCESS_WITH_INFO) {
        const QString message = firstMessage(f, err, OCI_HTYPE_ERROR);
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
