#include "StoredSettings.h"

#include "IntegerText.h"
#include "RadioGroup.h"
#include "Taaform1.h"
#include "data/Errors.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QSettings>
#include <QStandardPaths>
#include <algorithm>
#include <optional>

namespace qv {

namespace {

#ifndef Q_OS_WIN
constexpr QFileDevice::Permissions ownerOnly{QFileDevice::ReadOwner | QFileDevice::WriteOwner};
#endif

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

    // The file holds passwords: it is created readable by its owner only
    // before anything is written to it, and an older file that others could
    // read is narrowed to its owner first. QSettings writes a new file that takes over the old
    // one's permissions before it receives any data, and renames it over the
    // old one.
    bool prepareForWriting()
    {
        const QString path = settings_.fileName();
        if (!QDir().mkpath(QFileInfo(path).absolutePath()))
            return false;
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Append, ownerOnly))
            return false;
        file.setPermissions(ownerOnly);
        return true;
    }
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

void loadItem(RadioGroup* group, const std::optional<int>& stored)
{
    group->setItemIndex(stored ? std::clamp(*stored, -1, group->itemCount() - 1) : 0);
}

void loadEntry(QComboBox* box, const std::optional<int>& stored)
{
    if (!stored)
        box->setCurrentIndex(0);
    else
        box->setCurrentIndex(*stored >= 0 && *stored < box->count() ? *stored : -1);
}

QString flag(const QCheckBox* box)
{
    return box->isChecked() ? QStringLiteral("1") : QStringLiteral("0");
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

void loadStoredSettings(Taaform1& form)
{
    Store store;
    if (!store.exists())
        return;
    loadItem(form.accessmode, store.number(QStringLiteral("accessmode")));
    form.edtdatabase->setText(store.text(QStringLiteral("mysqldatabase")));
    form.edtname->setText(store.text(QStringLiteral("mysqlu")));
    form.edtpassword->setText(store.text(QStringLiteral("mysqlp")));
    form.edthost->setText(store.text(QStringLiteral("host")));
    form.edtport->setText(store.text(QStringLiteral("port")));
    loadEntry(form.cbcharset, store.number(QStringLiteral("Character Set")));
    form.edtservice->setText(store.text(QStringLiteral("oracleh")));
    form.edtoracleusername->setText(store.text(QStringLiteral("oracleu")));
    form.edtoraclepassword->setText(store.text(QStringLiteral("oraclep")));
    loadItem(form.processtable, store.number(QStringLiteral("processtable")));
    form.chktabledefi->setChecked(store.text(QStringLiteral("tabledefonly")) == QLatin1String("1"));
    form.chkuppercase->setChecked(store.text(QStringLiteral("nameuppercase")) == QLatin1String("1"));
    form.chkskipindex->setChecked(store.text(QStringLiteral("skipindex")) == QLatin1String("1"));
}

void saveStoredSettings(const Taaform1& form)
{
    Store store;
    if (!store.prepareForWriting())
        return;
    QSettings& s = store.settings();
    s.setValue(QStringLiteral("accessmode"), QString::number(form.accessmode->itemIndex()));
    s.setValue(QStringLiteral("mysqldatabase"), form.edtdatabase->text());
    s.setValue(QStringLiteral("mysqlu"), form.edtname->text());
    s.setValue(QStringLiteral("mysqlp"), form.edtpassword->text());
    s.setValue(QStringLiteral("host"), form.edthost->text());
    s.setValue(QStringLiteral("port"), form.edtport->text());
    s.setValue(QStringLiteral("Character Set"), QString::number(form.cbcharset->currentIndex()));
    s.setValue(QStringLiteral("oracleh"), form.edtservice->text());
    s.setValue(QStringLiteral("oraclep"), form.edtoraclepassword->text());
    s.setValue(QStringLiteral("oracleu"), form.edtoracleusername->text());
    s.setValue(QStringLiteral("processtable"), QString::number(form.processtable->itemIndex()));
    s.setValue(QStringLiteral("tabledefonly"), flag(form.chktabledefi));
    s.setValue(QStringLiteral("nameuppercase"), flag(form.chkuppercase));
    s.setValue(QStringLiteral("skipindex"), flag(form.chkskipindex));
    s.sync();
    // The file is written as a whole: when that fails, none of the values is
    // stored, the first one included.
    if (s.status() == QSettings::AccessError)
        throw Error(QStringLiteral("Failed to set data for '%1'").arg(QStringLiteral("accessmode")));
}

}  // namespace qv
