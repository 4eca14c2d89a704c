#include "OciStandIn.h"

#include "data/Errors.h"

#include <QFile>
#include <QFileInfo>
#include <dlfcn.h>

namespace qv::test {

namespace {

QString namedFile(const char* variable)
{
    const QString path = qEnvironmentVariable(variable);
    if (path.isEmpty() || !QFileInfo::exists(path))
        throw Error(QStringLiteral("%1 names no stand-in client library: run the tests through ctest")
                        .arg(QLatin1String(variable)));
    return path;
}

void* hook(const char* name)
{
    // The driver has loaded the library already; this only finds it again.
    void* library = dlopen(QFile::encodeName(OciStandIn::library()).constData(), RTLD_NOW | RTLD_LOCAL);
    void* function = library ? dlsym(library, name) : nullptr;
    if (!function)
        throw Error(QStringLiteral("The stand-in client library has no %1").arg(QLatin1String(name)));
    return function;
}

}  // namespace

QString OciStandIn::library()
{
    return namedFile("QUORVANE_OCI_STANDIN");
}

QString OciStandIn::partialLibrary()
{
    return namedFile("QUORVANE_OCI_STANDIN_PARTIAL");
}

void OciStandIn::use()
{
    qputenv("QUORVANE_OCI_LIBRARY", QFile::encodeName(library()));
}

int OciStandIn::live(unsigned type)
{
    return reinterpret_cast<int (*)(unsigned)>(hook("qv_standin_live"))(type);
}

QString OciStandIn::fetchTrace()
{
    return QString::fromUtf8(reinterpret_cast<const char* (*)()>(hook("qv_standin_fetch_trace"))());
}

quint64 OciStandIn::roundTrips()
{
    return reinterpret_cast<unsigned long long (*)()>(hook("qv_standin_round_trips"))();
}

bool OciStandIn::holding()
{
    return reinterpret_cast<int (*)()>(hook("qv_standin_holding"))() != 0;
}

int OciStandIn::invalidHandleUses()
{
    return reinterpret_cast<int (*)()>(hook("qv_standin_invalid_handle_uses"))();
}

quint64 OciStandIn::largestLobPiece()
{
    return reinterpret_cast<unsigned long long (*)()>(hook("qv_standin_largest_lob_piece"))();
}

}  // namespace qv::test
