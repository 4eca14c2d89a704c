#include "ScriptedDialogs.h"

#include <QApplication>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>

namespace qv::test {

void ensureApplication()
{
    static int argc = 1;
    static char name[] = "quorvane-test";
    static char* argv[] = {name, nullptr};
    if (QApplication::instance())
        return;
    static QTemporaryDir home;
    qputenv("HOME", QFile::encodeName(home.path()));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.filePath(QStringLiteral("config"))));
    qputenv("XDG_DATA_HOME", QFile::encodeName(home.filePath(QStringLiteral("data"))));
    // QSettings looks its folder up once per process: point it there as well.
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, home.filePath(QStringLiteral("config")));
    new QApplication(argc, argv);  // lives until the test program ends
}

void resetStoredSettings()
{
    ensureApplication();
    QSettings settings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Zembrix"),
                       QStringLiteral("Quorvane"));
    QFile::remove(settings.fileName());
}

}  // namespace qv::test
