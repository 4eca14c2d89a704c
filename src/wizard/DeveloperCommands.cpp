#include "RadioGroup.h"
#include "StoredSettings.h"
#include "Taaform1.h"
#include "data/Errors.h"
#include "data/TextFiles.h"

#include <QCheckBox>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>

namespace qv {

// Commands for regenerating the caption tables from the window's captions.
// They write into the per-user data folder; users never see their buttons.

namespace {

void writeRows(const QString& fileName, const QStringList& rows)
{
    QFile file(dataFolder() + fileName);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        throw Error(QStringLiteral("Cannot create file \"%1\". %2").arg(file.fileName(), file.errorString()));
    file.write(crlfText(rows));
}

QString row(const QObject* control, const QString& caption)
{
    return control->objectName() + QLatin1Char('=') + caption;
}

QStringList tableRows(const CaptionTable& table)
{
    QStringList rows;
    for (const auto& [name, caption] : table)
        rows << name + QLatin1Char('=') + caption;
    return rows;
}

}  // namespace

QStringList Taaform1::currentCaptionRows(bool withGroupsAndChecks) const
{
    QStringList rows;
    for (const QLabel* label : findChildren<QLabel*>())
        if (label != Image1 && !label->objectName().isEmpty())
            rows << row(label, label->text());
    for (const RadioGroup* group : findChildren<RadioGroup*>())
        rows << row(group, group->title());
    if (!withGroupsAndChecks)
        return rows;
    for (const QGroupBox* group : findChildren<QGroupBox*>())
        if (!qobject_cast<const RadioGroup*>(group))
            rows << row(group, group->title());
    for (const QCheckBox* check : findChildren<QCheckBox*>())
        rows << row(check, check->text());
    return rows;
}

void Taaform1::loaditemsClick()
{
    writeRows(QStringLiteral("lb.txt"), currentCaptionRows(true));
}

void Taaform1::saveClick()
{
    writeRows(QStringLiteral("lb.txt"), currentCaptionRows(false));
}

void Taaform1::Button8Click()
{
    writeRows(QStringLiteral("english.txt"), tableRows(captionTable(UiLanguage::English)));
    writeRows(QStringLiteral("chn.txt"), tableRows(captionTable(UiLanguage::Chinese)));
}

}  // namespace qv
