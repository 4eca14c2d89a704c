#include "Launcher.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace qv {

QString quotedExecArgument(const QString& argument)
{
    QString result = QStringLiteral("\"");
    for (const QChar c : argument) {
        if (c == u'"' || c == u'`' || c == u'$' || c == u'\\')
            result += u'\\';
        else if (c == u'%')
            result += u'%';  // "%%" is a literal percent sign, not a field code
        result += c;
    }
    result += u'"';
    return result;
}

QString escapedDesktopValue(const QString& value)
{
    QString result;
    result.reserve(value.size());
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value[i];
        if (c == u'\\')
            result += QStringLiteral("\\\\");
        else if (c == u'\n')
            result += QStringLiteral("\\n");
        else if (c == u'\t')
            result += QStringLiteral("\\t");
        else if (c == u'\r')
            result += QStringLiteral("\\r");
        else if (c == u' ' && i == 0)
            result += QStringLiteral("\\s");  // readers trim blanks after "="
        else
            result += c;
    }
    return result;
}

QString desktopEntryText(const QString& name, const LauncherFacts& facts)
{
    const QString exec = quotedExecArgument(facts.program) + u' ' + quotedExecArgument(facts.argument);
    QString text = QStringLiteral("[Desktop Entry]\n");
    text += QStringLiteral("Type=Application\n");
    text += QStringLiteral("Name=") + escapedDesktopValue(name) + u'\n';
    text += QStringLiteral("Exec=") + escapedDesktopValue(exec) + u'\n';
    text += QStringLiteral("Path=") + escapedDesktopValue(facts.workingFolder) + u'\n';
    text += QStringLiteral("Terminal=false\n");
    return text;
}

bool createLauncher(const QString& path, const LauncherFacts& facts)
{
    const QByteArray bytes = desktopEntryText(QFileInfo(path).completeBaseName(), facts).toUtf8();
    QFile file(path);
    constexpr QFileDevice::Permissions ownerOnly{QFileDevice::ReadOwner | QFileDevice::WriteOwner
                                                 | QFileDevice::ExeOwner};
    // A new file is owner-only as it is created; an existing one is narrowed
    // before anything goes into it.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate, ownerOnly))
        return false;
    if (!file.setPermissions(ownerOnly))
        return false;
    if (file.write(bytes) != bytes.size() || !file.flush())
        return false;
    file.close();
    return file.error() == QFileDevice::NoError;
}

QString programPath()
{
    return QCoreApplication::applicationFilePath();
}

QString programFolder()
{
    QString folder = QFileInfo(programPath()).absolutePath();
    if (!folder.endsWith(u'/'))
        folder += u'/';
    return QDir::toNativeSeparators(folder);
}

}  // namespace qv
