#include "ConversionSettings.h"

#include <algorithm>

namespace qv {

const QStringList& ConversionSettings::characterSetEntries()
{
    static const QStringList entries{
        QStringLiteral("Default"), QStringLiteral("armscii8"), QStringLiteral("ascii"),    QStringLiteral("big5"),
        QStringLiteral("binary"),  QStringLiteral("cp1250"),   QStringLiteral("cp1251"),   QStringLiteral("cp1256"),
        QStringLiteral("cp1257"),  QStringLiteral("cp850"),    QStringLiteral("cp852"),    QStringLiteral("cp866"),
        QStringLiteral("cp932"),   QStringLiteral("dec8"),     QStringLiteral("eucjpms"),  QStringLiteral("euckr"),
        QStringLiteral("gb2312"),  QStringLiteral("gbk"),      QStringLiteral("geostd8"),  QStringLiteral("greek"),
        QStringLiteral("hebrew"),  QStringLiteral("hp8"),      QStringLiteral("keybcs2"),  QStringLiteral("koi8r"),
        QStringLiteral("koi8u"),   QStringLiteral("latin1"),   QStringLiteral("latin2"),   QStringLiteral("latin5"),
        QStringLiteral("latin7"),  QStringLiteral("macce"),    QStringLiteral("macroman"), QStringLiteral("sjis"),
        QStringLiteral("swe7"),    QStringLiteral("tis620"),   QStringLiteral("ucs2"),     QStringLiteral("ujis"),
        QStringLiteral("utf8")};
    return entries;
}

QString ConversionSettings::characterSetEntryText() const
{
    const QStringList& entries = characterSetEntries();
    return characterSetEntry >= 0 && characterSetEntry < entries.size() ? entries.at(characterSetEntry) : QString();
}

void ConversionSettings::setCharacterSetText(const QString& text)
{
    if (text == characterSetEntryText())
        characterSetTyped.reset();
    else
        characterSetTyped = text;
}

QString ConversionSettings::characterSet() const
{
    return characterSetEntry > 0 ? characterSetEntryText() : QString();
}

int ConversionSettings::characterSetEntryOf(const QString& text)
{
    return int(characterSetEntries().indexOf(text));
}

ExistingTablePolicy ConversionSettings::policy() const
{
    if (existingTablePolicy == 0)
        return ExistingTablePolicy::Overwrite;
    if (existingTablePolicy == 2)
        return ExistingTablePolicy::Skip;
    return ExistingTablePolicy::Merge;
}

QString ConversionSettings::targetHost() const
{
    return accessMode == 0 ? QStringLiteral("localhost") : host;
}

int ConversionSettings::clampedChoice(int index, int count)
{
    return std::clamp(index, -1, count - 1);
}

}  // namespace qv
