#include "SchemaFileDriver.h"

#include "OracleTypeDecl.h"
#include "SchemaFileDictionary.h"
#include "SchemaFileSql.h"
#include "data/Errors.h"
#include "data/Utf8.h"

#include <QFileInfo>
#include <QLocale>
#include <QStringDecoder>
#include <algorithm>
#include <climits>
#include <sqlite3.h>

namespace qv {

namespace {

using Database = std::shared_ptr<sqlite3>;

struct Finalize {
    void operator()(sqlite3_stmt* stmt) const { sqlite3_finalize(stmt); }
};
using Statement = std::unique_ptr<sqlite3_stmt, Finalize>;

// ---------------------------------------------------------------------------

QString errorText(sqlite3* db)
{
    return QString::fromUtf8(sqlite3_errmsg(db));
}

// Prepares the one statement of `sql`; more than one is refused.
Statement prepareStatement(sqlite3* db, const QString& sql)
{
    const QByteArray utf8 = sql.toUtf8();
    sqlite3_stmt* raw = nullptr;
    const char* tail = nullptr;
    const int rc = sqlite3_prepare_v2(db, utf8.constData(), int(utf8.size()), &raw, &tail);
    Statement stmt(raw);
    if (rc != SQLITE_OK)
        throw Error(errorText(db));
    if (!stmt)
        throw Error(QStringLiteral("The statement is empty"));
    for (const char* p = tail; p && *p; ++p) {
        if (*p != ';' && !QChar::isSpace(uchar(*p)))
            throw Error(QStringLiteral("Only one statement can be sent at a time"));
    }
    // Writes to the temporary schema would succeed on a read-only file; they
    // are refused like any other write.
    if (!sqlite3_stmt_readonly(stmt.get()))
        throw Error(QString::fromUtf8(sqlite3_errstr(SQLITE_READONLY)));
    return stmt;
}

QString realText(double value)
{
    return QString::number(value, 'g', QLocale::FloatingPointShortest);
}

// ---------------------------------------------------------------------------

struct Column {
    ColumnInfo info;
    bool declared = false;   // has a declared type (comes from a table column)
    OracleTypeDecl decl;
    QString table;           // for messages; empty when not known
    QString origin;          // the table's column name, or the result name
};

class SchemaFileCursor final : public DriverCursor {
public:
    // Runs the statement up to its first row, so that a refused query fails
    // here. `itemTypes` gives the Oracle type of select-list items that have
    // no declared type of their own (see sqliteQueryFor).
    SchemaFileCursor(Database db, Statement stmt, std::vector<std::string> itemTypes = {})
        : db_(std::move(db)), statement_(std::move(stmt)), stmt_(statement_.get()),
          starSelect_(selectsStar(sqlite3_sql(stmt_))), itemTypes_(std::move(itemTypes))
    {
        describeColumns();
        const int rc = sqlite3_step(stmt_);
        if (rc != SQLITE_ROW && rc != SQLITE_DONE)
            throw Error(errorText(db_.get()));
        done_ = rc == SQLITE_DONE;
        if (!done_)
            takeKindsFromFirstRow();
    }

    const QVector<ColumnInfo>& columns() const override { return infos_; }

    bool fetch(Row& row) override
    {
        if (done_)
            return false;
        if (stepped_) {
            const int rc = sqlite3_step(stmt_);
            if (rc == SQLITE_DONE) {
                done_ = true;
                return false;
            }
            if (rc != SQLITE_ROW) {
                done_ = true;
                throw Error(errorText(db_.get()));
            }
        }
        stepped_ = true;
        ++rowNumber_;
        row.resize(shown_.size());
        for (int i = 0; i < shown_.size(); ++i)
            row[i] = value(shown_[i]);
        return true;
    }

private:
    void describeColumns()
    {
        const int count = sqlite3_column_count(stmt_);
        for (int i = 0; i < count; ++i) {
            Column column;
            column.info.name = QString::fromUtf8(sqlite3_column_name(stmt_, i));
            column.origin = column.info.name;
            if (const char* table = sqlite3_column_table_name(stmt_, i))
                column.table = QString::fromUtf8(table);
            if (const char* origin = sqlite3_column_origin_name(stmt_, i))
                column.origin = QString::fromUtf8(origin);
            const char* declared = sqlite3_column_decltype(stmt_, i);
            if (std::size_t(i) < itemTypes_.size() && !itemTypes_[std::size_t(i)].empty())
                declared = itemTypes_[std::size_t(i)].c_str();
            if (declared) {
                column.declared = true;
                column.decl = parseOracleTypeDecl(QString::fromUtf8(declared));
                column.info.size = int(qMin<qint64>(column.decl.dataLength, INT_MAX));
            }
            column.info.type = kindOfRule(column);
            readNullable(column, i);
            columns_.append(column);
            // "select *" leaves out invisible columns, as Oracle's does.
            if (column.decl.invisible && starSelect_)
                continue;
            shown_.append(i);
            infos_.append(column.info);
        }
    }

    void readNullable(Column& column, int index)
    {
        const char* database = sqlite3_column_database_name(stmt_, index);
        const char* table = sqlite3_column_table_name(stmt_, index);
        const char* origin = sqlite3_column_origin_name(stmt_, index);
        if (!database || !table || !origin)
            return;
        int notNull = 0, primaryKey = 0;
        if (sqlite3_table_column_metadata(db_.get(), database, table, origin, nullptr, nullptr, &notNull,
                                          &primaryKey, nullptr) == SQLITE_OK)
            column.info.nullable = !notNull && !primaryKey;
    }

    static ValueKind kindOfRule(const Column& column)
    {
        if (!column.declared)
            return ValueKind::Text;
        switch (column.decl.rule) {
        case OracleValueRule::Number: return ValueKind::Decimal;
        case OracleValueRule::DateTime: return ValueKind::DateTime;
        case OracleValueRule::FixedChar:
        case OracleValueRule::Text: return ValueKind::Text;
        case OracleValueRule::Bytes: return ValueKind::Bytes;
        case OracleValueRule::Float: return ValueKind::Float;
        case OracleValueRule::StorageClass: return ValueKind::Text;
        }
        return ValueKind::Text;
    }

    // Columns typed by storage class report the kind of their first value.
    void takeKindsFromFirstRow()
    {
        for (int i = 0; i < columns_.size(); ++i) {
            Column& column = columns_[i];
            if (column.declared && column.decl.rule != OracleValueRule::StorageClass)
                continue;
            switch (sqlite3_column_type(stmt_, i)) {
            case SQLITE_INTEGER:
                column.info.type = column.declared ? ValueKind::Decimal : ValueKind::Integer;
                break;
            case SQLITE_FLOAT: column.info.type = ValueKind::Float; break;
            case SQLITE_BLOB: column.info.type = ValueKind::Bytes; break;
            default: break;
            }
            if (const qsizetype shown = shown_.indexOf(i); shown >= 0)
                infos_[shown].type = column.info.type;
        }
    }

    QString storedText(int i) const
    {
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt_, i));
        return decodeUtf8(QByteArrayView(text, sqlite3_column_bytes(stmt_, i)));
    }

    QByteArray storedBytes(int i) const
    {
        const void* data = sqlite3_column_blob(stmt_, i);
        return QByteArray(static_cast<const char*>(data), sqlite3_column_bytes(stmt_, i));
    }

    // The stored value as a message shows it.
    QString describeStored(int i, int storage) const
    {
        switch (storage) {
        case SQLITE_INTEGER: return QString::number(sqlite3_column_int64(stmt_, i));
        case SQLITE_FLOAT: return realText(sqlite3_column_double(stmt_, i));
        case SQLITE_BLOB: {
            const QByteArray bytes = storedBytes(i);
            const bool printable = std::all_of(bytes.begin(), bytes.end(),
                                               [](char c) { return c >= 0x20 && c < 0x7f; });
            if (printable && bytes.size() <= 60)
                return QLatin1Char('\'') + QString::fromLatin1(bytes) + QLatin1Char('\'');
            return QStringLiteral("binary data of %1 bytes").arg(bytes.size());
        }
        default: {
            QString text = storedText(i);
            if (text.size() > 60)
                text = text.left(60) + QStringLiteral("...");
            return QLatin1Char('\'') + text + QLatin1Char('\'');
        }
        }
    }

    // A stored value that its declared type does not allow.
    [[noreturn]] void refuse(int i, int storage) const
    {
        const Column& column = columns_[i];
        QString where = column.table.isEmpty()
                            ? QStringLiteral("Column %1, row %2").arg(column.origin).arg(rowNumber_)
                            : QStringLiteral("Table %1, column %2, row %3")
                                  .arg(column.table, column.origin)
                                  .arg(rowNumber_);
        throw Error(QStringLiteral("%1: the stored value %2 is not a valid %3 value")
                        .arg(where, describeStored(i, storage), column.decl.dataType));
    }

    DbValue value(int i) const
    {
        const int storage = sqlite3_column_type(stmt_, i);
        if (storage == SQLITE_NULL)
            return DbValue::null();
        const Column& column = columns_[i];
        if (!column.declared) {
            switch (storage) {
            case SQLITE_INTEGER: return DbValue::fromInteger(sqlite3_column_int64(stmt_, i));
            case SQLITE_FLOAT: return DbValue::fromFloat(sqlite3_column_double(stmt_, i));
            case SQLITE_BLOB: return DbValue::fromBytes(storedBytes(i));
            default: return DbValue::fromText(storedText(i));
            }
        }
        switch (column.decl.rule) {
        case OracleValueRule::Number: return numberValue(i, storage);
        case OracleValueRule::DateTime: return dateTimeValue(i, storage);
        case OracleValueRule::FixedChar:
        case OracleValueRule::Text: {
            // Bytes that are not UTF-8 stay bytes: a text column then refuses
            // them instead of taking replacement characters.
            // A number SQLite kept as such gives its text.
            QString text;
            if (storage == SQLITE_FLOAT) {
                text = realText(sqlite3_column_double(stmt_, i));
            } else {
                bool valid = false;
                const QByteArray bytes = storedBytes(i);
                text = decodeUtf8(bytes, &valid);
                if (!valid)
                    return DbValue::fromBytes(bytes);
            }
            if (column.decl.rule == OracleValueRule::FixedChar)
                text = padded(std::move(text), column.decl.charLength);
            return DbValue::fromText(std::move(text));
        }
        case OracleValueRule::Bytes:
            if (storage == SQLITE_INTEGER || storage == SQLITE_FLOAT)
                refuse(i, storage);
            return DbValue::fromBytes(storedBytes(i));
        case OracleValueRule::Float: {
            // BINARY_FLOAT holds single precision, as Oracle's client reads it.
            const DbValue value = floatValue(i, storage);
            if (column.decl.dataType == QLatin1String("BINARY_FLOAT"))
                return DbValue::fromFloat(shortestDouble(float(value.toFloat())));
            return value;
        }
        case OracleValueRule::StorageClass:
            switch (storage) {
            case SQLITE_INTEGER: return DbValue::fromDecimal(Decimal::fromInteger(sqlite3_column_int64(stmt_, i)));
            case SQLITE_FLOAT: return DbValue::fromFloat(sqlite3_column_double(stmt_, i));
            case SQLITE_BLOB: return DbValue::fromBytes(storedBytes(i));
            default: return DbValue::fromText(storedText(i));
            }
        }
        refuse(i, storage);
    }

    DbValue dateTimeValue(int i, int storage) const
    {
        if (storage == SQLITE_TEXT) {
            try {
                return DbValue::fromDateTime(DateTime::parse(storedText(i)));
            } catch (const Error&) {
            }
        }
        refuse(i, storage);
    }

    DbValue floatValue(int i, int storage) const
    {
        if (storage == SQLITE_INTEGER || storage == SQLITE_FLOAT)
            return DbValue::fromFloat(sqlite3_column_double(stmt_, i));
        if (storage == SQLITE_TEXT) {
            bool ok = false;
            const double d = storedText(i).trimmed().toDouble(&ok);
            if (ok)
                return DbValue::fromFloat(d);
        }
        refuse(i, storage);
    }

    DbValue numberValue(int i, int storage) const
    {
        try {
            switch (storage) {
            case SQLITE_INTEGER: return DbValue::fromDecimal(Decimal::fromInteger(sqlite3_column_int64(stmt_, i)));
            case SQLITE_FLOAT: return DbValue::fromDecimal(Decimal::parse(realText(sqlite3_column_double(stmt_, i))));
            case SQLITE_BLOB: return DbValue::fromDecimal(Decimal::parse(QString::fromLatin1(storedBytes(i))));
            default: return DbValue::fromDecimal(Decimal::parse(storedText(i)));
            }
        } catch (const Error&) {
            refuse(i, storage);
        }
    }

    // Blank-padded to `length` characters (not UTF-16 units); longer text stays.
    static QString padded(QString text, qint64 length)
    {
        qint64 chars = 0;
        for (const QChar c : std::as_const(text))
            if (!c.isLowSurrogate())
                ++chars;
        if (chars < length)
            text.append(QString(qsizetype(length - chars), QLatin1Char(' ')));
        return text;
    }

    Database db_;
    Statement statement_;
    sqlite3_stmt* stmt_;
    QVector<Column> columns_;
    QVector<ColumnInfo> infos_;  // of the columns shown
    QVector<int> shown_;         // the SQLite columns of infos_, in order
    bool starSelect_ = false;
    std::vector<std::string> itemTypes_;
    bool stepped_ = false;  // the statement stands on the row last fetched
    bool done_ = false;
    qint64 rowNumber_ = 0;
};

bool isDictionaryView(const QString& name)
{
    for (const char* view :
         {"USER_TABLES", "USER_TAB_COLUMNS", "USER_INDEXES", "USER_IND_COLUMNS", "USER_IND_EXPRESSIONS"})
        if (name.compare(QLatin1String(view), Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

bool isFileTable(sqlite3* db, const QString& name)
{
    const Statement stmt = prepareStatement(
        db, QStringLiteral("select 1 from main.sqlite_schema where type = 'table' and name = ?1 collate nocase"));
    const QByteArray utf8 = name.toUtf8();
    sqlite3_bind_text(stmt.get(), 1, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
    return sqlite3_step(stmt.get()) == SQLITE_ROW;
}

// A quoted name in a statement names the file's own table first, as a
// table of the user's own schema comes before the dictionary in Oracle: a
// data table named like a dictionary view is read from its own rows.
QString fileTablesFirst(sqlite3* db, const QString& sql)
{
    QString result;
    qsizetype copied = 0;
    bool inLiteral = false;
    for (qsizetype i = 0; i < sql.size(); ++i) {
        const QChar c = sql.at(i);
        if (c == QLatin1Char('\'')) {
            inLiteral = !inLiteral;  // a doubled apostrophe leaves and re-enters
            continue;
        }
        if (inLiteral || c != QLatin1Char('"'))
            continue;
        qsizetype end = i + 1;
        QString name;
        for (; end < sql.size(); ++end) {
            if (sql.at(end) == QLatin1Char('"')) {
                if (end + 1 < sql.size() && sql.at(end + 1) == QLatin1Char('"')) {
                    name += QLatin1Char('"');
                    ++end;
                    continue;
                }
                break;
            }
            name += sql.at(end);
        }
        if (end < sql.size() && isDictionaryView(name) && isFileTable(db, name)) {
            result += sql.mid(copied, i - copied) + QStringLiteral("main.");
            copied = i;
        }
        i = end;
    }
    return result + sql.mid(copied);
}

class SchemaFileSession final : public DriverSession {
public:
    explicit SchemaFileSession(Database db) : db_(std::move(db)) {}

    std::unique_ptr<DriverCursor> query(const QString& sql) override
    {
        const SqliteQuery translated = sqliteQueryFor(fileTablesFirst(db_.get(), sql).toStdString());
        return std::make_unique<SchemaFileCursor>(
            db_, prepareStatement(db_.get(), QString::fromStdString(translated.sql)), translated.itemTypes);
    }

    void execute(const QString& sql) override
    {
        const Statement stmt = prepareStatement(db_.get(), sql);
        int rc;
        while ((rc = sqlite3_step(stmt.get())) == SQLITE_ROW) {
        }
        if (rc != SQLITE_DONE)
            throw Error(errorText(db_.get()));
    }

    QString quoteChar() const override { return QStringLiteral("\""); }
    bool supportsTransactions() const override { return false; }

private:
    Database db_;
};

}  // namespace

std::unique_ptr<DriverSession> openSchemaFileSession(const QString& path)
{
    const QFileInfo info(path);
    if (path.isEmpty() || !info.exists())
        throw Error(QStringLiteral("Schema file '%1' does not exist").arg(path));
    if (!info.isFile())
        throw Error(QStringLiteral("Schema file '%1' is not a file").arg(path));

    // SQLite reads a name that begins with "file:" as a URI, which could ask
    // for a writable or a different file.
    QString name = path;
    if (name.startsWith(QLatin1String("file:")))
        name.prepend(QLatin1String("./"));

    sqlite3* raw = nullptr;
    const int rc = sqlite3_open_v2(QFile::encodeName(name).constData(), &raw, SQLITE_OPEN_READONLY, nullptr);
    Database db(raw, [](sqlite3* d) { sqlite3_close_v2(d); });
    if (rc != SQLITE_OK)
        throw Error(QStringLiteral("Schema file '%1': %2")
                        .arg(path, raw ? errorText(raw) : QString::fromUtf8(sqlite3_errstr(rc))));
    sqlite3_extended_result_codes(raw, 1);
    sqlite3_limit(raw, SQLITE_LIMIT_ATTACHED, 0);  // the views read "main"; nothing else is reachable

    try {
        installOracleDictionary(raw);
    } catch (const Error& e) {
        throw Error(QStringLiteral("Schema file '%1': %2").arg(path, e.message()));
    }
    return std::make_unique<SchemaFileSession>(std::move(db));
}

}  // namespace qv
