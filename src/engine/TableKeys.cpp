#include "TableSteps.h"

#include "OracleExpressions.h"
#include "data/DbConnection.h"
#include "data/Driver.h"
#include "data/Errors.h"
#include "data/SqlQuery.h"

namespace qv {

namespace {

QString baseType(const QString& mysqlType)
{
    return mysqlType.trimmed().toLower().section(u'(', 0, 0).trimmed();
}

qint64 typeLength(const QString& mysqlType)
{
    return mysqlType.section(u'(', 1).section(u')', 0, 0).section(u',', 0, 0).trimmed().toLongLong();
}

bool isTextOrBlob(const QString& mysqlType)
{
    const QString base = baseType(mysqlType);
    return base.endsWith(QLatin1String("text")) || base.endsWith(QLatin1String("blob"));
}

// The most bytes a character of the table's character set takes (MySQL
// manual, "Character Sets and Collations in MySQL", Maxlen); the widest, 4,
// when the server's default decides.
int mostBytesPerCharacter(const QString& characterSet)
{
    const QString name = characterSet.toLower();
    static const QStringList single{"latin1", "latin2", "latin5", "latin7", "ascii", "cp1250", "cp1251", "cp1256",
                                    "cp1257", "cp850", "cp852", "cp866", "dec8", "greek", "hebrew", "hp8", "keybcs2",
                                    "koi8r", "koi8u", "macce", "macroman", "swe7", "tis620", "armscii8", "geostd8",
                                    "binary"};
    static const QStringList twoBytes{"big5", "gbk", "gb2312", "sjis", "cp932", "euckr", "ucs2"};
    static const QStringList threeBytes{"utf8", "utf8mb3", "ujis", "eucjpms"};
    if (single.contains(name))
        return 1;
    if (twoBytes.contains(name))
        return 2;
    if (threeBytes.contains(name))
        return 3;
    return 4;
}

// The most bytes a value of the type takes in an index key.
qint64 keyBytes(const QString& mysqlType, int bytesPerCharacter)
{
    const QString base = baseType(mysqlType);
    if (base == QLatin1String("varchar") || base == QLatin1String("char"))
        return typeLength(mysqlType) * bytesPerCharacter;
    if (base == QLatin1String("varbinary") || base == QLatin1String("binary"))
        return typeLength(mysqlType);
    return 32;  // numbers and times: a few bytes
}

bool isIntegerType(const QString& mysqlType)
{
    const QString base = baseType(mysqlType);
    return base == QLatin1String("int") || base == QLatin1String("bigint");
}

QString noteLine(const char* what, const QString& target, const QStringList& items)
{
    return QStringLiteral("%1 not carried to %2: %3").arg(QLatin1String(what), target, items.join(QStringLiteral("; ")));
}

}  // namespace

QStringList TableSteps::constrainedLines(const QString& target, QVector<const SourceColumn*>& kept,
                                         const TableConstraints& constraints, const QString& characterSet,
                                         DefinitionStepResult& result)
{
    const ServerTraits server = connectionOf(mysqlexec_).session().serverTraits();
    const auto keptColumn = [&](const QString& name) -> const SourceColumn* {
        for (const SourceColumn* column : std::as_const(kept))
            if (column->name == name)
                return column;
        return nullptr;
    };

    // The primary key, when MySQL can declare it whole: a character or RAW
    // column that the type rules made a TEXT or BLOB keeps its length as a
    // VARCHAR or VARBINARY, since no key takes a whole TEXT.
    std::optional<PrimaryKey> key = constraints.primaryKey;
    QHash<QString, QString> keyTypes;
    QString keyProblem;
    if (key) {
        constexpr qint64 longestVarchar = 16383;
        qint64 bytes = 0;
        for (const QString& name : std::as_const(key->columns)) {
            const SourceColumn* column = keptColumn(name);
            if (!column) {
                keyProblem = QStringLiteral("its column %1 has no MySQL type").arg(name);
                break;
            }
            QString type = column->mysqlType;
            if (isTextOrBlob(type)) {
                const qint64 characters =
                    column->catalog.charLength > 0 ? column->catalog.charLength : column->catalog.dataLength;
                if (column->catalog.dataType == QLatin1String("RAW"))
                    type = QStringLiteral(" varbinary(%1)").arg(column->catalog.dataLength);
                else if (column->catalog.dataType.contains(QLatin1String("CHAR")) && characters <= longestVarchar)
                    type = QStringLiteral(" varchar(%1)").arg(characters);
                else {
                    keyProblem = QStringLiteral("its column %1 is a %2, which a key takes only in part")
                                     .arg(name, column->catalog.dataType);
                    break;
                }
            }
            keyTypes.insert(name, type);
            bytes += keyBytes(type, mostBytesPerCharacter(characterSet));
        }
        if (keyProblem.isEmpty() && bytes > server.longestKeyBytes)
            keyProblem = QStringLiteral("its key takes up to %1 bytes, more than this server's %2")
                             .arg(bytes)
                             .arg(server.longestKeyBytes);
    }
    if (!key || !keyProblem.isEmpty()) {
        const QString& requirement = server.primaryKeyRequirement;
        if (!requirement.isEmpty() && key)
            throw Error(QStringLiteral("The primary key %1 of %2 cannot be declared: %3; this server requires one "
                                       "(%4), so the table is not created")
                            .arg(key->name, target, keyProblem, requirement));
        if (!requirement.isEmpty())
            throw Error(QStringLiteral("Table %1 has no primary key, which this server requires (%2); it is not "
                                       "created")
                            .arg(target, requirement));
        if (key)
            result.notes << QStringLiteral("The primary key %1 of %2 is made as a unique index: %3")
                                .arg(key->name, target, keyProblem);
        key.reset();
    }
    QStringList keyNames;
    if (key) {
        for (const QString& name : std::as_const(key->columns))
            keyNames << mysqlName(name);
        declaredKey_ = {target, key->indexName, key->columns};
    }

    QStringList lines;
    if (!keysAndConstraints_) {
        // Only the key the server requires.
        for (const SourceColumn* column : std::as_const(kept))
            lines << mysqlName(column->name) + keyTypes.value(column->name, column->mysqlType);
        if (key)
            lines << QStringLiteral("PRIMARY KEY (") + keyNames.join(QLatin1Char(',')) + QLatin1Char(')');
        return lines;
    }

    const TargetQuoting quoting{[this](const QString& name) { return mysqlName(name); },
                                [this](const QString& text) { return mysqlText(text); }};
    QStringList keptNames;
    for (const SourceColumn* column : std::as_const(kept))
        keptNames << column->name;
    QStringList defaultsLeft, identitiesLeft, commentsLeft, checksLeft, keysLeft;
    for (const SourceColumn* column : std::as_const(kept)) {
        QString type = keyTypes.value(column->name, column->mysqlType);
        const bool inKey = key && key->columns.contains(column->name);
        // MySQL numbers an AUTO_INCREMENT column only as the first column of
        // a key, and only in an integer type (manual, "Using AUTO_INCREMENT").
        const bool identity = constraints.identityColumns.contains(column->name);
        bool autoIncrement = false;
        if (identity) {
            if (!key || key->columns.first() != column->name) {
                identitiesLeft << column->name + QStringLiteral(" (not the first column of the primary key)");
            } else if (isIntegerType(type)) {
                autoIncrement = true;
            } else if (baseType(type) == QLatin1String("decimal") && type.contains(QLatin1String(",0)"))
                       && typeLength(type) <= 18) {
                type = QStringLiteral(" bigint");  // holds every value of 18 digits
                autoIncrement = true;
            } else {
                identitiesLeft << column->name + QStringLiteral(" (") + type.trimmed()
                                      + QStringLiteral(" is no integer type)");
            }
        }
        QString line = mysqlName(column->name) + type;
        if (!column->nullable)
            line += QStringLiteral(" NOT NULL");
        // An identity's default is its sequence, which AUTO_INCREMENT stands for.
        if (column->dataDefault && !identity) {
            const std::optional<QString> value = mysqlDefault(*column->dataDefault, type, quoting);
            if (!value)
                defaultsLeft << column->name + QStringLiteral(" (") + oneLine(*column->dataDefault) + u')';
            else if (*value != QLatin1String("NULL") || (column->nullable && !inKey))
                line += QStringLiteral(" DEFAULT ") + *value;
        }
        if (autoIncrement)
            line += QStringLiteral(" AUTO_INCREMENT");
        // MySQL keeps 1024 characters of a column's comment.
        if (const QString comment = constraints.columnComments.value(column->name); !comment.isEmpty()) {
            if (comment.toUcs4().size() > 1024) {
                commentsLeft << column->name + QStringLiteral(" (more than 1024 characters)");
            } else {
                try {
                    line += QStringLiteral(" COMMENT ") + mysqlText(comment);
                } catch (const Error& e) {
                    commentsLeft << column->name + QStringLiteral(" (") + e.message() + u')';
                }
            }
        }
        lines << line;
    }
    if (key)
        lines << QStringLiteral("PRIMARY KEY (") + keyNames.join(QLatin1Char(',')) + QLatin1Char(')');

    for (const CheckConstraint& check : constraints.checks) {
        if (isNotNullCheck(check.condition))
            continue;  // the column's NOT NULL
        const QString described = check.name + QStringLiteral(" (") + oneLine(check.condition);
        if (!check.enforced) {
            checksLeft << described + QStringLiteral("; disabled or not validated in Oracle)");
            continue;
        }
        if (!server.enforcesChecks) {
            checksLeft << described + QStringLiteral("; this server does not enforce checks)");
            continue;
        }
        const std::optional<QString> condition =
            check.name.size() <= 64 ? mysqlCheck(check.condition, keptNames, quoting) : std::nullopt;
        if (!condition) {
            checksLeft << described + u')';
            continue;
        }
        lines << QStringLiteral("CONSTRAINT ") + mysqlName(check.name) + QStringLiteral(" CHECK (") + *condition
                     + u')';
    }

    for (const ForeignKey& foreign : constraints.foreignKeys) {
        if (foreign.enabled)
            result.foreignKeys << foreign;
        else
            keysLeft << foreign.name + QStringLiteral(" (disabled in Oracle)");
    }

    if (!defaultsLeft.isEmpty())
        result.notes << noteLine("Defaults", target, defaultsLeft);
    if (!identitiesLeft.isEmpty())
        result.notes << noteLine("Identities", target, identitiesLeft);
    if (!checksLeft.isEmpty())
        result.notes << noteLine("Checks", target, checksLeft);
    if (!commentsLeft.isEmpty())
        result.notes << noteLine("Comments", target, commentsLeft);
    if (!keysLeft.isEmpty())
        result.notes << noteLine("Foreign keys", target, keysLeft);
    return lines;
}

}  // namespace qv
