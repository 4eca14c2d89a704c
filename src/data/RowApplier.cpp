#include "RowApplier.h"

#include "DbConnection.h"
#include "Errors.h"
#include "TransactionScope.h"

#include <map>
#include <memory>
#include <optional>

namespace qv {

namespace {

bool isBlank(QChar c)
{
    return c.unicode() <= 0x20 || c.isSpace();
}

bool isQuote(QChar c)
{
    return c == QLatin1Char('"') || c == QLatin1Char('\'') || c == QLatin1Char('`');
}

const QString rowNotFound = QStringLiteral("Record not found or changed by another user");
const QString tooManyRows = QStringLiteral("Update affected more than 1 record.");

}  // namespace

RowApplier::RowApplier(DbConnection& connection, const QVector<ColumnInfo>& fields)
    : connection_(connection), fields_(fields)
{
}

QString RowApplier::tableNameOf(const QString& commandText)
{
    bool afterFrom = false;
    qsizetype i = 0;
    const qsizetype n = commandText.size();
    while (i < n) {
        while (i < n && isBlank(commandText.at(i)))
            ++i;
        const qsizetype begin = i;
        while (i < n && !isBlank(commandText.at(i)))
            ++i;
        if (begin == i)
            break;
        if (afterFrom && isQuote(commandText.at(begin))) {
            // A quoted name runs to its closing quote; a doubled quote is part of it.
            const QChar quote = commandText.at(begin);
            qsizetype end = begin + 1;
            while (end < n) {
                if (commandText.at(end) == quote) {
                    if (end + 1 < n && commandText.at(end + 1) == quote) {
                        end += 2;
                        continue;
                    }
                    return commandText.mid(begin, end + 1 - begin);
                }
                ++end;
            }
            return {};
        }
        const QStringView word = QStringView(commandText).mid(begin, i - begin);
        if (afterFrom)
            return word.toString();
        afterFrom = word.compare(QLatin1String("from"), Qt::CaseInsensitive) == 0;
    }
    return {};
}

namespace {

// A name between quote characters; a quote character inside the name is
// doubled, as the server reads it, so no name can break the statement.
QString quoteIdentifier(const QString& name, const QString& quote)
{
    QString inner = name;
    inner.replace(quote, quote + quote);
    return quote + inner + quote;
}

}  // namespace

QString RowApplier::quotedTableName(const QString& table, const QString& quote)
{
    if (table.isEmpty() || isQuote(table.front()) || isQuote(table.back()))
        return table;
    QStringList parts = table.split(QLatin1Char('.'));
    for (QString& part : parts)
        part = quoteIdentifier(part, quote);
    return parts.join(QLatin1Char('.'));
}

QString RowApplier::insertStatementText(const QString& quotedTable, const QStringList& columns, const QString& quote)
{
    QStringList names, marks;
    for (const QString& column : columns) {
        names << quoteIdentifier(column, quote);
        marks << QStringLiteral("?");
    }
    const QString crlf = QStringLiteral("\r\n");
    return QStringLiteral("insert into ") + quotedTable + crlf + QStringLiteral("  (") + names.join(QStringLiteral(", "))
           + QStringLiteral(")") + crlf + QStringLiteral("values") + crlf + QStringLiteral("  (")
           + marks.join(QStringLiteral(", ")) + QStringLiteral(")") + crlf;
}

QVector<RefusedRow> RowApplier::apply(const QString& quotedTable, const QVector<PostedRow>& rows, int maxErrors)
{
    DriverSession& session = connection_.session();
    TransactionScope transaction(connection_);

    QVector<RefusedRow> refused;
    kept_ = 0;
    int sent = 0;  // rows the server took
    try {
        // Rows with the same assigned columns share one prepared statement;
        // they are all freed when this apply ends.
        std::map<QString, std::unique_ptr<DriverStatement>> statements;
        for (int r = 0; r < rows.size(); ++r) {
            const PostedRow& row = rows.at(r);
            QStringList columns;
            Row parameters;
            QStringList names;
            for (int f = 0; f < fields_.size(); ++f) {
                const ColumnInfo& field = fields_.at(f);
                // A value given for an auto-increment column is kept as it is.
                if (!row.assigned.value(f) || field.readOnly)
                    continue;
                columns << field.name;
                parameters << row.values.value(f);
                names << field.name;
            }
            const QString text = insertStatementText(quotedTable, columns, connection_.quoteChar());

            std::optional<QString> failure;
            try {
                auto& statement = statements[text];
                if (!statement)
                    statement = session.prepare(text);
                const quint64 affected = statement->execute(parameters);
                if (affected == 0)
                    failure = rowNotFound;
                else if (affected > 1)
                    failure = tooManyRows;
            } catch (const ParameterTooLarge& e) {
                failure = QStringLiteral("The value of column %1 has %2 bytes; the server takes at most %3 bytes "
                                         "(max_allowed_packet)")
                              .arg(names.value(e.index))
                              .arg(e.bytes)
                              .arg(e.limit);
            } catch (const Error& e) {
                failure = e.message();
                if (const auto it = statements.find(text); it != statements.end() && !it->second)
                    statements.erase(it);  // the prepare failed; a later row tries again
            }
            if (!failure) {
                ++sent;
                continue;
            }
            refused.append({r, *failure});
            if (maxErrors >= 0 && refused.size() > maxErrors)
                break;
        }
    } catch (...) {
        // The scope rolls an own transaction back; rows sent inside a
        // caller's transaction or to a table without one are the caller's.
        if (!transaction.owned())
            kept_ = sent;
        throw;
    }

    const bool commit = maxErrors < 0 || refused.size() <= maxErrors;
    const bool own = transaction.owned();
    if (commit)
        transaction.commit();
    else
        transaction.rollback();
    kept_ = !own || commit ? sent : 0;
    return refused;
}

}  // namespace qv
