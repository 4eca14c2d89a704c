#include "NameCase.h"

namespace qv {

QString ApplyNameCase(const QString& sourceName, bool namesUppercase)
{
    if (!namesUppercase)
        return sourceName;
    QString target = sourceName;
    for (QChar& c : target)
        if (c >= QLatin1Char('a') && c <= QLatin1Char('z'))
            c = QChar(c.unicode() - ('a' - 'A'));
    return target;
}

}  // namespace qv
