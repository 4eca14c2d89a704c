#include "StoredSettings.h"

#include "IntegerText.h"
#include "data/Errors.h"
#include "data/TextFiles.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>
#include <algorithm>
#include <optional>

namespace qv {

namespace {

// On Windows this is the registry key HKCU\Software\Zembrix\Quorvane; on
// other systems an INI file in the user's configuration folder.
class Store {
public:
    Store()
        : settings_(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Zembrix"),
                    QStringLiteral("Quorvane"))
    {
        // One key of its own: no organisation-wide or system-wide values.
        settings_.setFallbacksEnabled(false);
    }

    QSettings& settings() { return settings_; }

#ifdef Q_OS_WIN
    bool exists() const { return !settings_.childKeys().isEmpty(); }
    bool prepareForWriting() { return true; }
#else
    bool exists() const
    {
        const QFileInfo file(settings_.fileName());
        return file.isFile() && file.isReadable() && settings_.status() != QSettings::AccessError;
    }

    // The file holds passwords: it is made readable by its owner only before
    // anything is written to it. QSettings writes a new file that takes over
    // the old one's permissions before it receives any data, and renames it
    // over the old one.
    bool prepareForWriting() { return makeOwnerOnly(settings_.fileName()); }
#endif

    // A missing value and a value without data read as the empty text; a value
    // that is not a string gives nothing.
    std::optional<QString> read(const QString& name) const
    {
        const QVariant value = settings_.value(name);
        if (!value.isValid())
            return QString();
        if (value.typeId() != QMetaType::QString)
            return std::nullopt;
        QString text = value.toString();
        if (const qsizetype nul = text.indexOf(QChar(u'\0')); nul >= 0)
            text.truncate(nul);
        return text;
    }

    QString text(const QString& name) const
    {
        std::optional<QString> text = read(name);
        if (!text)
            throw Error(QStringLiteral("Invalid data type for '%1'").arg(name));
        return *text;
    }

    std::optional<int> number(const QString& name) const
    {
        const std::optional<QString> text = read(name);
        return text ? parseIntegerText(*text) : std::nullopt;
    }

private:
    QSettings settings_;
};

// A stored choice: missing or malformed is the first item.
int storedChoice(const std::optional<int>& stored, int count)
{
    return stored ? ConversionSettings::clampedChoice(*stored, count) : 0;
}

int storedCharacterSetEntry(const std::optional<int>& stored)
{
    if (!stored)
        return 0;
    const int count = int(ConversionSettings::characterSetEntries().size());
    return *stored >= 0 && *stored < count ? *stored : -1;
}

}  // namespace

QString dataFolder()
{
    const QString base = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (base.isEmpty())
        return {};
    return base + QStringLiteral("/Zembrix/");
}

void ensureDataFolder()
{
    const QString folder = dataFolder();
    if (!folder.isEmpty() && !QFileInfo(folder).isDir())
        QDir().mkpath(folder);
}

void loadStoredSettings(ConversionSettings& v)
{
    Store store;
    if (!store.exists())
        return;
    v.accessMode = storedChoice(store.number(QStringLiteral("accessmode")), ConversionSettings::accessModeCount);
    v.database = store.text(QStringLiteral("mysqldatabase"));
    v.user = store.text(QStringLiteral("mysqlu"));
    v.password = store.text(QStringLiteral("mysqlp"));
    v.host = store.text(QStringLiteral("host"));
    v.port = store.text(QStringLiteral("port"));
    v.characterSetEntry = storedCharacterSetEntry(store.number(QStringLiteral("Character Set")));
    v.characterSetTyped.reset();
    v.oracleService = store.text(QStringLiteral("oracleh"));
    v.oracleUser = store.text(QStringLiteral("oracleu"));
    v.oraclePassword = store.text(QStringLiteral("oraclep"));
    v.existingTablePolicy = storedChoice(store.number(QStringLiteral("processtable")), ConversionSettings::policyCount);
    v.tableDefinitionsOnly = ConversionSettings::flagOf(store.text(QStringLiteral("tabledefonly")));
    v.namesUppercase = ConversionSettings::flagOf(store.text(QStringLiteral("nameuppercase")));
    v.skipIndexes = ConversionSettings::flagOf(store.text(QStringLiteral("skipindex")));
    v.roundValues = ConversionSettings::flagOf(store.text(QStringLiteral("roundvalues")));
    v.keysAndConstraints = ConversionSettings::flagOf(store.text(QStringLiteral("constraints")));
    v.sslMode = store.text(QStringLiteral("sslmode"));
    v.sslCa = store.text(QStringLiteral("sslca"));
    v.clearTextLogin = ConversionSettings::flagOf(store.text(QStringLiteral("cleartextlogin")));
}

void saveStoredSettings(const ConversionSettings& v)
{
    Store store;
    if (!store.prepareForWriting())
        return;
    QSettings& s = store.settings();
    s.setValue(QStringLiteral("accessmode"), QString::number(v.accessMode));
    s.setValue(QStringLiteral("mysqldatabase"), v.database);
    s.setValue(QStringLiteral("mysqlu"), v.user);
    s.setValue(QStringLiteral("mysqlp"), v.password);
    s.setValue(QStringLiteral("host"), v.host);
    s.setValue(QStringLiteral("port"), v.port);
    s.setValue(QStringLiteral("Character Set"), QString::number(v.characterSetEntry));
    s.setValue(QStringLiteral("oracleh"), v.oracleService);
    s.setValue(QStringLiteral("oraclep"), v.oraclePassword);
    s.setValue(QStringLiteral("oracleu"), v.oracleUser);
    s.setValue(QStringLiteral("processtable"), QString::number(v.existingTablePolicy));
    s.setValue(QStringLiteral("tabledefonly"), ConversionSettings::flagText(v.tableDefinitionsOnly));
    s.setValue(QStringLiteral("nameuppercase"), ConversionSettings::flagText(v.namesUppercase));
    s.setValue(QStringLiteral("skipindex"), ConversionSettings::flagText(v.skipIndexes));
    s.setValue(QStringLiteral("roundvalues"), ConversionSettings::flagText(v.roundValues));
    s.setValue(QStringLiteral("constraints"), ConversionSettings::flagText(v.keysAndConstraints));
    s.setValue(QStringLiteral("sslmode"), v.sslMode);
    s.setValue(QStringLiteral("sslca"), v.sslCa);
    s.setValue(QStringLiteral("cleartextlogin"), ConversionSettings::flagText(v.clearTextLogin));
    s.sync();
    // The file is written as a whole: when that fails, none of the values is
    // stored, the first one included.
    if (s.status() == QSettings::AccessError)
        throw Error(QStringLiteral("Failed to set data for '%1'").arg(QStringLiteral("accessmode")));
}

}  // namespace qv
