#include "OciLibrary.h"

#include "data/Errors.h"

#include <QFile>
#include <QHash>
#include <cerrno>
#include <dlfcn.h>

namespace qv::oci {

namespace {

// Kept for the life of the process: the client library registers handlers
// of its own and must not be unloaded. Local binding keeps its symbols from
// standing in for those of any other library.
void* openLibrary(const QString& name)
{
    errno = 0;
    void* handle = dlopen(QFile::encodeName(name).constData(), RTLD_NOW | RTLD_LOCAL);
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

void resolve(void* library, const QString& fileName, const char* name, void** slot)
{
    *slot = dlsym(library, name);
    if (!*slot)
        throw Error(QStringLiteral("The Oracle client library %1 has no function %2: Quorvane needs Oracle Client "
                                   "12.1 or later")
                        .arg(fileName, QLatin1String(name)));
}

}  // namespace

QString ociLibraryFileName()
{
    const QString named = qEnvironmentVariable("QUORVANE_OCI_LIBRARY");
    return named.isEmpty() ? QStringLiteral("libclntsh.so") : named;
}

const OciFunctions& loadOciLibrary(const QString& fileName)
{
    static QHash<QString, OciFunctions> loaded;
    const auto known = loaded.constFind(fileName);
    if (known != loaded.constEnd())
        return *known;

    void* library = openLibrary(fileName);
    OciFunctions functions;
#define QV_OCI_RESOLVE(name) resolve(library, fileName, #name, reinterpret_cast<void**>(&functions.name));
    QV_OCI_FUNCTIONS(QV_OCI_RESOLVE)
#undef QV_OCI_RESOLVE
    return *loaded.insert(fileName, functions);
}

}  // namespace qv::oci
