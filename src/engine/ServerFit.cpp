#include "ServerFit.h"

#include <QRegularExpression>

#include <algorithm>

namespace qv {

namespace {

constexpr int mostDecimalDigits = 65;
// What a column that is no character column takes of a key, at most
// (DECIMAL(65) takes 30 bytes; MySQL manual, "Data Type Storage Requirements").
constexpr qint64 otherColumnBytes = 32;

}  // namespace

QString typeForServer(const QString& mysqlType, const ServerTraits& server)
{
    static const QRegularExpression decimal(QStringLiteral("^ decimal\\(([0-9]+),([0-9]+)\\)$"));
    const QRegularExpressionMatch m = decimal.match(mysqlType);
    if (!m.hasMatch() || m.captured(2).toInt() <= server.mostDecimalScale)
        return mysqlType;
    return QStringLiteral(" decimal(%1,%2)")
        .arg(std::min(m.captured(1).toInt(), mostDecimalDigits))
        .arg(server.mostDecimalScale);
}

IndexKey keyForServer(const QString& indexName, const QVector<KeyColumn>& columns, bool unique,
                      const ServerTraits& server)
{
    IndexKey key;
    if (server.indexesWholeTextColumns) {
        for (const KeyColumn& c : columns)
            key.parts << c.name;
        return key;
    }
    // A prefix keeps an index's order but not its uniqueness: a unique key
    // that needs one is refused rather than weakened.
    qint64 budget = server.longestKeyBytes;
    qint64 wholeBytes = 0;
    bool needsPrefix = false;
    for (const KeyColumn& c : columns) {
        if (!c.character) {
            budget -= otherColumnBytes;
            continue;
        }
        wholeBytes += c.lengthUnits * c.bytesPerUnit;
        needsPrefix = needsPrefix || c.needsLength;
    }
    needsPrefix = needsPrefix || wholeBytes > budget;
    if (!needsPrefix) {
        for (const KeyColumn& c : columns)
            key.parts << c.name;
        return key;
    }
    if (unique) {
        for (const KeyColumn& c : columns)
            if (c.character && c.needsLength) {
                key.refusal = QStringLiteral("Index %1 is unique over the column %2, which this server indexes only "
                                             "by a prefix; a prefix cannot keep it unique, so it is not made")
                                  .arg(indexName, c.column);
                return key;
            }
        key.refusal = QStringLiteral("Index %1 is unique over a key of %2 bytes, more than this server's %3; a "
                                     "prefix cannot keep it unique, so it is not made")
                          .arg(indexName)
                          .arg(wholeBytes)
                          .arg(server.longestKeyBytes);
        return key;
    }
    // The shortest character columns keep their whole length while they fit
    // an even share of what is left; the others share the rest as prefixes.
    QVector<int> order;
    for (int i = 0; i < columns.size(); ++i)
        if (columns.at(i).character)
            order << i;
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        const KeyColumn &x = columns.at(a), &y = columns.at(b);
        return (x.needsLength ? 1 : 0) < (y.needsLength ? 1 : 0)
               || (x.needsLength == y.needsLength && x.lengthUnits * x.bytesPerUnit < y.lengthUnits * y.bytesPerUnit);
    });
    QVector<qint64> prefix(columns.size(), 0);  // 0: the whole column
    qint64 left = std::max<qint64>(budget, 0);
    for (int k = 0; k < order.size(); ++k) {
        const KeyColumn& c = columns.at(order.at(k));
        const qint64 share = left / (order.size() - k);
        const qint64 bytes = c.lengthUnits * c.bytesPerUnit;
        if (!c.needsLength && bytes <= share) {
            left -= bytes;
            continue;
        }
        const qint64 units = std::max<qint64>(share / c.bytesPerUnit, 1);
        prefix[order.at(k)] = units;
        left -= units * c.bytesPerUnit;
    }
    for (int i = 0; i < columns.size(); ++i)
        key.parts << (prefix.at(i) > 0 ? QStringLiteral("%1(%2)").arg(columns.at(i).name).arg(prefix.at(i))
                                       : columns.at(i).name);
    return key;
}

}  // namespace qv
