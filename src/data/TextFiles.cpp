#include "TextFiles.h"

#include "Errors.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace qv {

namespace {

constexpr QFileDevice::Permissions ownerOnly{QFileDevice::ReadOwner | QFileDevice::WriteOwner};

[[noreturn]] void cannotCreate(const QString& path, const QString& reason)
{
    throw Error(QStringLiteral("Cannot create file \"%1\". %2")
                    .arg(QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath()), reason));
}

}  // namespace

QByteArray crlfText(const QStringList& lines)
{
    QString text;
    for (const QString& line : lines)
        text += line + QStringLiteral("\r\n");
    return text.toUtf8();
}

void writeOwnerOnlyFile(const QString& path, const QByteArray& bytes, bool executable)
{
    const QFileDevice::Permissions permissions = executable ? ownerOnly | QFileDevice::ExeOwner : ownerOnly;
#ifdef Q_OS_WIN
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate, permissions))
        cannotCreate(path, file.errorString());
    if (file.write(bytes) != bytes.size() || !file.flush())
        cannotCreate(path, file.errorString());
    file.close();
    if (file.error() != QFileDevice::NoError)
        cannotCreate(path, file.errorString());
#else
    QTemporaryFile file(path + QStringLiteral(".XXXXXX"));  // created 0600
    if (!file.open())
        cannotCreate(path, file.errorString());
    if (file.write(bytes) != bytes.size() || !file.flush())
        cannotCreate(path, file.errorString());
    if (executable && !file.setPermissions(permissions))
        cannotCreate(path, file.errorString());
    if (::rename(QFile::encodeName(file.fileName()).constData(), QFile::encodeName(path).constData()) != 0)
        cannotCreate(path, QString::fromLocal8Bit(std::strerror(errno)));
    file.setAutoRemove(false);
#endif
}

bool makeOwnerOnly(const QString& path)
{
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        return false;
    QFile file(path);
    // A new file is owner-only as it is created; an existing one is narrowed.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append, ownerOnly))
        return false;
    file.setPermissions(ownerOnly);
    return true;
}

}  // namespace qv
