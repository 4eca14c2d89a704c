#include "OracleClientDriver.h"

#include "data/Errors.h"

#include <QFile>
#include <cerrno>
#include <dlfcn.h>

namespace qv {

namespace {

// Keeps the loaded client library for the life of the process: the library
// registers handlers of its own and must not be unloaded.
void* loadClientLibrary(const QString& name)
{
    errno = 0;
    void* handle = dlopen(QFile::encodeName(name).constData(), RTLD_NOW | RTLD_GLOBAL);
    if (!handle) {
        // dlopen reports no error number of its own; errno holds the reason
        // of the last failed open when there is one (ENOENT for a missing file).
        const int code = errno != 0 ? errno : ENOENT;
        throw Error(QStringLiteral("Unable to load %1 (ErrorCode %2).  It may be missing from the system path.")
                        .arg(name)
                        .arg(code));
    }
    return handle;
}

}  // namespace

std::unique_ptr<DriverSession> openOracleClientSession(const ConnectionDescription&)
{
    QString library = qEnvironmentVariable("QUORVANE_OCI_LIBRARY");
    if (library.isEmpty())
        library = QStringLiteral("libclntsh.so");
    loadClientLibrary(library);
    throw Error(QStringLiteral("The Oracle client library %1 was found, but this build of Quorvane cannot use it "
                               "yet: an Oracle service can be read only from a schema file (sqlite:PATH)")
                    .arg(library));
}

}  // namespace qv
