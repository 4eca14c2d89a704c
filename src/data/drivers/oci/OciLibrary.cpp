#include "OciLibrary.h"

#include "data/Errors.h"

#include <QFile>
#include <QHash>
#include <cerrno>
#include <dlfcn.h>

namespace qv::oci {

namespace {

void resolve(void* library, const QString& fileName, const char* name, void** slot)
{
    *slot = dlsym(library, name);
    if (!*slot)
        throw Error(QStringLiteral("The Oracle client library %1 has no function %2: Quorvane needs Oracle Client "
                                   "12.1 or later")
                        .arg(fileName, QLatin1String(name)));
}

}  // namespace

QStringList ociLibraryCandidates()
{
    const QString named = qEnvironmentVariable("QUORVANE_OCI_LIBRARY");
    if (!named.isEmpty())
        return {named};
    // Instant Client names its library by version; not every installation
    // has the plain name as a link.
    QStringList candidates{QStringLiteral("libclntsh.so")};
    for (const char* version : {"23.1", "21.1", "19.1", "18.1", "12.2", "12.1"})
        candidates << QStringLiteral("libclntsh.so.") + QLatin1String(version);
    if (const QString home = qEnvironmentVariable("ORACLE_HOME"); !home.isEmpty())
        candidates << home + QStringLiteral("/lib/libclntsh.so");
    return candidates;
}

const OciFunctions& loadOciLibrary()
{
    static QHash<QString, OciFunctions> loaded;
    const QStringList candidates = ociLibraryCandidates();
    for (const QString& candidate : candidates)
        if (const auto known = loaded.constFind(candidate); known != loaded.constEnd())
            return *known;

    // Kept for the life of the process: the client library registers
    // handlers of its own and must not be unloaded. Local binding keeps its
    // symbols from standing in for those of any other library.
    void* library = nullptr;
    QString fileName;
    int firstError = 0;
    QStringList reasons;
    for (const QString& candidate : candidates) {
        errno = 0;
        library = dlopen(QFile::encodeName(candidate).constData(), RTLD_NOW | RTLD_LOCAL);
        if (library) {
            fileName = candidate;
            break;
        }
        // dlopen reports no error number of its own; errno holds the reason
        // of the last failed open when there is one (ENOENT for a missing file).
        if (firstError == 0)
            firstError = errno != 0 ? errno : ENOENT;
        const char* text = dlerror();
        const QString reason = text ? QString::fromLocal8Bit(text) : QString();
        const bool notThere =
            reason.contains(QStringLiteral("No such file")) && reason.startsWith(candidate + QLatin1Char(':'));
        if (!reason.isEmpty() && !notThere && !reasons.contains(reason))
            reasons << reason;
    }
    if (!library) {
        QStringList lines{QStringLiteral("Unable to load %1 (ErrorCode %2).  It may be missing from the system path.")
                              .arg(candidates.value(0))
                              .arg(firstError)};
        lines << reasons;
        throw Error(lines.join(QLatin1Char('\n')));
    }

    OciFunctions functions;
#define QV_OCI_RESOLVE(name) resolve(library, fileName, #name, reinterpret_cast<void**>(&functions.name));
    QV_OCI_FUNCTIONS(QV_OCI_RESOLVE)
#undef QV_OCI_RESOLVE
    return *loaded.insert(fileName, functions);
}

}  // namespace qv::oci
