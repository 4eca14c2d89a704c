#include "MySqlSession.h"

#include "MySqlCursor.h"
#include "MySqlServer.h"
#include "MySqlStatement.h"
#include "data/Errors.h"

#include <errmsg.h>

#include <algorithm>
#include <cstdlib>

namespace qv {

namespace {

unsigned secondsFrom(const char* variable, unsigned fallback)
{
    bool ok = false;
    const uint value = qEnvironmentVariable(variable).trimmed().toUInt(&ok);
    return ok && value > 0 ? value : fallback;
}

// A lost connection after the whole time limit is a server that did not answer.
bool silentFor(unsigned code, const QElapsedTimer& call, unsigned seconds)
{
    return (code == CR_SERVER_LOST || code == CR_SERVER_GONE_ERROR) && call.isValid()
           && call.elapsed() + 500 >= qint64(seconds) * 1000;
}

}  // namespace

TimeLimits TimeLimits::fromEnvironment()
{
    TimeLimits limits;
    limits.connectSeconds = secondsFrom("QUORVANE_MYSQL_CONNECT_TIMEOUT", limits.connectSeconds);
    limits.answerSeconds = secondsFrom("QUORVANE_MYSQL_TIMEOUT", limits.answerSeconds);
    return limits;
}

QString decodedMessage(const char* message, const MySqlTextCodec& codec)
{
    const QByteArray bytes(message);
    QString text;
    if (codec.tryDecode(bytes, &text))
        return text;
    return QString::fromUtf8(bytes);
}

QString lastError(MYSQL* mysql, const MySqlTextCodec& codec)
{
    return decodedMessage(mysql_error(mysql), codec);
}

MySqlSession::MySqlSession(MYSQL* mysql, MySqlTextCodec codec, TimeLimits limits)
    : mysql_(mysql), codec_(std::move(codec)), limits_(limits)
{
    const MySqlServerFacts facts = askServer(mysql_);
    // A server that lacks the character set the client asked for reads the
    // statements in its own default instead, without a word (MariaDB and
    // gb18030, TiDB and most sets): every text would arrive as other
    // characters.
    const auto canonical = [](QString name) {
        name = name.toLower();
        return name == QLatin1String("utf8") ? QStringLiteral("utf8mb3") : name;
    };
    if (!facts.clientCharset.isEmpty() && canonical(facts.clientCharset) != canonical(codec_.charsetName()))
        throw Error(QStringLiteral("The MySQL server has no character set %1 (it reads this connection as %2); "
                                   "choose one of the character sets it has")
                        .arg(codec_.charsetName(), facts.clientCharset));
    server_ = facts.traits;
    transactions_ = facts.transactions;
    writePath_ = facts.offersArrays ? WritePath::Arrays : WritePath::MultiRow;
    largestValue_ = facts.largestPacket;
}

MySqlSession::~MySqlSession()
{
    if (activeCursor_)
        activeCursor_->release();
    for (const auto& [text, stmt] : manyRows_)
        mysql_stmt_close(stmt);
    mysql_close(mysql_);
}

std::unique_ptr<DriverCursor> MySqlSession::query(const QString& sql)
{
    send(sql);
    MYSQL_RES* result = mysql_use_result(mysql_);
    if (!result && mysql_field_count(mysql_) != 0)
        fail();
    auto cursor = std::make_unique<MySqlCursor>(this, result);
    if (result)
        activeCursor_ = cursor.get();
    else
        discardResults(true);
    return cursor;
}

void MySqlSession::execute(const QString& sql)
{
    send(sql);
    if (MYSQL_RES* result = mysql_use_result(mysql_))
        mysql_free_result(result);
    else if (mysql_field_count(mysql_) != 0)
        fail();
    discardResults(true);
}

bool MySqlSession::rollsBackRowsOf(const QString& table)
{
    // A name in backquotes, or a plain one without a database part.
    QString name = table;
    if (name.size() >= 2 && name.startsWith(u'`') && name.endsWith(u'`'))
        name = name.mid(1, name.size() - 2).replace(QStringLiteral("``"), QStringLiteral("`"));
    else if (name.contains(u'.') || name.contains(u'`'))
        return false;
    const std::unique_ptr<DriverCursor> cursor = query(
        QStringLiteral("select e.TRANSACTIONS from information_schema.TABLES t join information_schema.ENGINES e "
                       "on e.ENGINE = t.ENGINE where t.TABLE_SCHEMA = database() and t.TABLE_NAME = ")
        + quoteLiteral(name));
    Row row;
    bool transactional = false;
    while (cursor->fetch(row))
        transactional = !row.isEmpty() && row.at(0).kind() == ValueKind::Text
                        && row.at(0).toText() == QLatin1String("YES");
    return transactional;
}

QString MySqlSession::quoteIdentifier(const QString& name) const
{
    // A character the connection cannot carry would reach the server as
    // another name; the server quotes with byte 0x60, whatever
    // character that byte is in the connection's set.
    QString quoted = QStringLiteral("`");
    for (const char32_t cp : name.toUcs4()) {
        if (!codec_.canRepresent(cp))
            throw Error(QStringLiteral("The name %1 cannot be written in the connection character set %2")
                            .arg(name, codec_.charsetName()));
        const QString character = QString::fromUcs4(&cp, 1);
        quoted += character;
        if (codec_.encode(character) == "`")
            quoted += character;
    }
    return quoted + QLatin1Char('`');
}

QString MySqlSession::quoteLiteral(const QString& text) const
{
    // Decided by the bytes each character becomes: in swe7 the letter Ö
    // is byte 0x5C, which the server reads as the escape character.
    unsigned status = 0;
    mariadb_get_infov(mysql_, MARIADB_CONNECTION_SERVER_STATUS, &status);
    const bool backslashEscapes = (status & SERVER_STATUS_NO_BACKSLASH_ESCAPES) == 0;
    QString quoted = QStringLiteral("'");
    for (const char32_t cp : text.toUcs4()) {
        const QString character = QString::fromUcs4(&cp, 1);
        const QByteArray bytes = codec_.canRepresent(cp) ? codec_.encode(character)
                                 : cp < 0x80            ? QByteArray(1, char(cp))
                                                        : QByteArray();
        if (bytes == "'")
            quoted += character;
        else if (bytes == "\\" && backslashEscapes)
            quoted += QLatin1Char('\\');
        quoted += character;
    }
    return quoted + QLatin1Char('\'');
}

MYSQL_STMT* MySqlSession::prepared(const QByteArray& text)
{
    MYSQL_STMT* stmt = mysql_stmt_init(mysql_);
    if (!stmt)
        fail();
    calling();
    if (mysql_stmt_prepare(stmt, text.constData(), static_cast<unsigned long>(text.size())) != 0) {
        const unsigned code = mysql_stmt_errno(stmt);
        const QString message = decodedMessage(mysql_stmt_error(stmt), codec_);
        mysql_stmt_close(stmt);
        raise(code, message);
    }
    return stmt;
}

std::unique_ptr<DriverStatement> MySqlSession::prepare(const QString& sql)
{
    const QByteArray bytes = codec_.encodeStatement(sql);
    return std::make_unique<MySqlStatement>(this, prepared(bytes), bytes);
}

void MySqlSession::commit()
{
    calling();
    if (mysql_commit(mysql_) != 0)
        fail();
}

bool MySqlSession::rollback()
{
    calling();
    if (mysql_rollback(mysql_) != 0)
        fail();
    // A rollback that could not take back the rows of a table without
    // transactions warns with ER_WARNING_NOT_COMPLETE_ROLLBACK (MySQL
    // manual, "START TRANSACTION, COMMIT, and ROLLBACK Statements"); a
    // plain rollback leaves no warning.
    return mysql_warning_count(mysql_) == 0;
}

void MySqlSession::raise(unsigned code, const QString& text) const
{
    if (code >= CR_MIN_ERROR && code <= CR_MAX_ERROR)
        throw ConnectionFailure(failureText(code, text));
    throw Error(failureText(code, text));
}

QString MySqlSession::failureText(unsigned code, const QString& text) const
{
    if (silentFor(code, call_, limits_.answerSeconds))
        return QStringLiteral("The MySQL server did not answer within %1 seconds (%2)")
            .arg(limits_.answerSeconds)
            .arg(text);
    return text;
}

void MySqlSession::discardResults(bool raise)
{
    while (mysql_more_results(mysql_)) {
        if (mysql_next_result(mysql_) > 0) {
            if (raise)
                fail();
            return;
        }
        if (MYSQL_RES* result = mysql_use_result(mysql_))
            mysql_free_result(result);
    }
}

void MySqlSession::cursorReleased(MySqlCursor* cursor)
{
    if (activeCursor_ == cursor)
        activeCursor_ = nullptr;
}

void MySqlSession::send(const QString& sql)
{
    const QByteArray bytes = codec_.encodeStatement(sql);
    calling();
    if (mysql_real_query(mysql_, bytes.constData(), static_cast<unsigned long>(bytes.size())) != 0)
        fail();
}

void MySqlSession::beginTransaction()
{
    send(QStringLiteral("START TRANSACTION"));
}

// Asked at each write, so that the variable may be set for one table.
WritePath MySqlSession::writePath() const
{
    const QString forced = qEnvironmentVariable("QUORVANE_BULK_APPLY");
    if (forced == QLatin1String("0"))
        return WritePath::SingleRows;
    if (forced == QLatin1String("rows"))
        return WritePath::MultiRow;
    return writePath_;
}

bool MySqlSession::takesArrays() const
{
    return writePath() != WritePath::SingleRows;
}

std::vector<ParameterColumn>& MySqlSession::arrayColumns(size_t count)
{
    if (arrayColumns_.size() < count)
        arrayColumns_.resize(count);
    return arrayColumns_;
}

MYSQL_STMT* MySqlSession::preparedForManyRows(const QByteArray& text)
{
    for (auto it = manyRows_.begin(); it != manyRows_.end(); ++it) {
        if (it->first == text) {
            std::rotate(it, it + 1, manyRows_.end());
            return manyRows_.back().second;
        }
    }
    // A table's writes need a full statement and a few of 2^k rows.
    constexpr size_t kept = 24;
    if (manyRows_.size() >= kept) {
        mysql_stmt_close(manyRows_.front().second);
        manyRows_.erase(manyRows_.begin());
    }
    MYSQL_STMT* stmt = prepared(text);
    manyRows_.emplace_back(text, stmt);
    return stmt;
}

void MySqlSession::fail() const
{
    raise(mysql_errno(mysql_), lastError(mysql_, codec_));
}

}  // namespace qv
