#include "Launcher.h"

#include "data/Errors.h"
#include "data/TextFiles.h"

#include <QCoreApplication>
#include <QDir>
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
    try {
        writeOwnerOnlyFile(path, desktopEntryText(QFileInfo(path).completeBaseName(), facts).toUtf8(), true);
    } catch (const Error&) {
        return false;
    }
    return true;
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
