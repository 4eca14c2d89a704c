#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <sys/stat.h>

namespace qv::test {

// The permission bits of a file; -1 when it does not exist.
inline int fileMode(const QString& path)
{
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return -1;
    return int(st.st_mode & 07777);
}

inline QByteArray fileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

}  // namespace qv::test
