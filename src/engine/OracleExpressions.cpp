#include "OracleExpressions.h"

#include "data/DbValue.h"
#include "data/Errors.h"

#include <QVector>

#include <limits>

namespace qv {

namespace {

struct Token {
    enum class Kind { Word, QuotedName, String, Number, Symbol };
    Kind kind;
    QString text;  // a word in upper case; a name or a string as its value
};

bool isWordStart(QChar c)
{
    return c.isLetter();
}

bool isWordPart(QChar c)
{
    return c.isLetterOrNumber() || c == u'_' || c == u'$' || c == u'#';
}

// Oracle's lexical units (SQL Language Reference, "Literals", "Database
// Object Names and Qualifiers"); nothing for text the translation does not
// read: comments, q'..' quoting, binary float literals, unknown symbols.
std::optional<QVector<Token>> tokensOf(const QString& s)
{
    QVector<Token> tokens;
    qsizetype i = 0;
    const qsizetype n = s.size();
    while (i < n) {
        const QChar c = s.at(i);
        if (c.isSpace()) {
            ++i;
        } else if (c == u'\'' || ((c == u'N' || c == u'n') && i + 1 < n && s.at(i + 1) == u'\'')) {
            if (c != u'\'')
                ++i;  // N'..': a national string literal, the same text
            QString value;
            ++i;
            for (;;) {
                if (i >= n)
                    return std::nullopt;
                if (s.at(i) == u'\'') {
                    if (i + 1 < n && s.at(i + 1) == u'\'') {
                        value += u'\'';
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                value += s.at(i++);
            }
            tokens.append({Token::Kind::String, value});
        } else if (c == u'"') {
            const qsizetype end = s.indexOf(u'"', i + 1);
            if (end < 0 || end == i + 1)
                return std::nullopt;
            tokens.append({Token::Kind::QuotedName, s.mid(i + 1, end - i - 1)});
            i = end + 1;
        } else if (c.isDigit() || (c == u'.' && i + 1 < n && s.at(i + 1).isDigit())) {
            const qsizetype start = i;
            while (i < n && s.at(i).isDigit())
                ++i;
            if (i < n && s.at(i) == u'.')
                for (++i; i < n && s.at(i).isDigit();)
                    ++i;
            if (i < n && (s.at(i) == u'e' || s.at(i) == u'E')) {
                ++i;
                if (i < n && (s.at(i) == u'+' || s.at(i) == u'-'))
                    ++i;
                if (i >= n || !s.at(i).isDigit())
                    return std::nullopt;
                while (i < n && s.at(i).isDigit())
                    ++i;
            }
            if (i < n && isWordPart(s.at(i)))
                return std::nullopt;  // 1.5f, 2d: binary float literals
            tokens.append({Token::Kind::Number, s.mid(start, i - start)});
        } else if (isWordStart(c)) {
            const qsizetype start = i;
            while (i < n && isWordPart(s.at(i)))
                ++i;
            tokens.append({Token::Kind::Word, s.mid(start, i - start).toUpper()});
        } else {
            static const QStringList pairs{"<=", ">=", "<>", "!=", "^=", "~=", "||"};
            const QString two = s.mid(i, 2);
            if (pairs.contains(two)) {
                tokens.append({Token::Kind::Symbol, two});
                i += 2;
            } else if (QStringLiteral("=<>(),+-*/.").contains(c)) {
                if (c == u'-' && i + 1 < n && s.at(i + 1) == u'-')
                    return std::nullopt;  // a comment
                if (c == u'/' && i + 1 < n && s.at(i + 1) == u'*')
                    return std::nullopt;
                tokens.append({Token::Kind::Symbol, QString(c)});
                ++i;
            } else {
                return std::nullopt;
            }
        }
    }
    return tokens;
}

bool isSymbol(const Token& t, const char* text)
{
    return t.kind == Token::Kind::Symbol && t.text == QLatin1String(text);
}

bool isWord(const Token& t, const char* text)
{
    return t.kind == Token::Kind::Word && t.text == QLatin1String(text);
}

// Without the parentheses that enclose the whole of it: "(0)" is 0.
QVector<Token> unwrapped(QVector<Token> tokens)
{
    while (tokens.size() >= 2 && isSymbol(tokens.front(), "(") && isSymbol(tokens.back(), ")")) {
        int depth = 0;
        bool enclosesAll = true;
        for (qsizetype i = 0; i < tokens.size(); ++i) {
            if (isSymbol(tokens.at(i), "("))
                ++depth;
            else if (isSymbol(tokens.at(i), ")") && --depth == 0 && i + 1 < tokens.size())
                enclosesAll = false;
        }
        if (!enclosesAll)
            break;
        tokens = tokens.mid(1, tokens.size() - 2);
    }
    return tokens;
}

// What kind of value a MySQL type text holds, and its length or its
// fractional-second digits.
struct TargetType {
    enum class Kind { Integer, Decimal, Float, Character, Text, DateTime, Other } kind = Kind::Other;
    qint64 length = 0;        // a VARCHAR's characters
    int precision = 0, scale = 0;  // a DECIMAL's
    qint64 integerMost = 0;   // an integer type's largest value
    int fractionDigits = 0;   // a DATETIME's
};

TargetType targetTypeOf(const QString& mysqlType)
{
    const QString type = mysqlType.trimmed().toLower();
    const QString base = type.section(u'(', 0, 0).trimmed();
    const QStringList arguments = type.section(u'(', 1).section(u')', 0, 0).split(u',');
    const auto argument = [&](int i) { return i < arguments.size() ? arguments.at(i).trimmed().toInt() : 0; };
    TargetType t;
    if (base == QLatin1String("int")) {
        t.kind = TargetType::Kind::Integer;
        t.integerMost = 2147483647;
    } else if (base == QLatin1String("bigint")) {
        t.kind = TargetType::Kind::Integer;
        t.integerMost = std::numeric_limits<qint64>::max();
    } else if (base == QLatin1String("decimal")) {
        t.kind = TargetType::Kind::Decimal;
        t.precision = argument(0);
        t.scale = argument(1);
    } else if (base == QLatin1String("double") || base == QLatin1String("float")) {
        t.kind = TargetType::Kind::Float;
    } else if (base == QLatin1String("varchar") || base == QLatin1String("char")) {
        t.kind = TargetType::Kind::Character;
        t.length = argument(0);
    } else if (base.endsWith(QLatin1String("text"))) {
        t.kind = TargetType::Kind::Text;
    } else if (base == QLatin1String("datetime")) {
        t.kind = TargetType::Kind::DateTime;
        t.fractionDigits = argument(0);
    }
    return t;
}

// A number's text as the column holds it exactly; nothing when it holds it
// only rounded or not at all.
std::optional<QString> numberFor(const QString& text, const TargetType& type)
{
    Decimal value;
    try {
        value = Decimal::parse(text);
    } catch (const Error&) {
        return std::nullopt;
    }
    // Trailing zeros of the fraction are no digits the column must hold.
    while (value.scale > 0 && value.digits.size() > 1 && value.digits.endsWith('0')) {
        value.digits.chop(1);
        --value.scale;
    }
    const qint64 integerDigits = value.isZero() ? 0 : std::max<qint64>(value.digits.size() - value.scale, 0);
    switch (type.kind) {
    case TargetType::Kind::Integer: {
        if (value.hasFraction() || integerDigits > 19)
            return std::nullopt;
        bool ok = false;
        const qint64 whole = value.toString().section(u'.', 0, 0).toLongLong(&ok);
        if (!ok || whole > type.integerMost || whole < -type.integerMost - 1)
            return std::nullopt;
        return QString::number(whole);
    }
    case TargetType::Kind::Decimal:
        if (integerDigits > type.precision - type.scale || value.scale > type.scale)
            return std::nullopt;
        return value.toString();
    case TargetType::Kind::Float: return value.toString();
    case TargetType::Kind::Character:
    case TargetType::Kind::Text:
    case TargetType::Kind::DateTime:
    case TargetType::Kind::Other: return std::nullopt;
    }
    return std::nullopt;
}

std::optional<QString> quoted(const QString& text, const TargetQuoting& quoting)
{
    try {
        return quoting.text(text);
    } catch (const Error&) {
        return std::nullopt;
    }
}

// A string for a character column: a literal, or on a TEXT column the
// expression MySQL 8.0.13 requires there (manual, "Data Type Default
// Values": BLOB and TEXT defaults only as expressions), which MariaDB 10.2
// takes too.
std::optional<QString> stringFor(const QString& value, const TargetType& type, const TargetQuoting& quoting)
{
    if (type.kind == TargetType::Kind::Character) {
        if (value.toUcs4().size() > type.length)
            return std::nullopt;
        return quoted(value, quoting);
    }
    if (type.kind == TargetType::Kind::Text) {
        const std::optional<QString> literal = quoted(value, quoting);
        return literal ? std::optional<QString>(QLatin1Char('(') + *literal + QLatin1Char(')')) : std::nullopt;
    }
    return std::nullopt;
}

// The text of a DATE or TIMESTAMP literal that the DATETIME holds whole.
std::optional<QString> dateTimeFor(const QString& value, const TargetType& type, const TargetQuoting& quoting)
{
    DateTime stamp;
    try {
        stamp = DateTime::parse(value.trimmed());
    } catch (const Error&) {
        return std::nullopt;
    }
    int unit = 1;
    for (int i = type.fractionDigits; i < 9; ++i)
        unit *= 10;
    if (stamp.nanosecond % unit != 0)
        return std::nullopt;
    return quoted(stamp.toString(), quoting);
}

}  // namespace

std::optional<QString> mysqlDefault(const QString& oracleDefault, const QString& mysqlType,
                                    const TargetQuoting& quoting)
{
    const std::optional<QVector<Token>> read = tokensOf(oracleDefault);
    if (!read || read->isEmpty())
        return std::nullopt;
    QVector<Token> t = unwrapped(*read);
    const TargetType type = targetTypeOf(mysqlType);

    if (t.size() == 1 && isWord(t[0], "NULL"))
        return QStringLiteral("NULL");
    // A signed number.
    QString sign;
    if (t.size() == 2 && (isSymbol(t[0], "-") || isSymbol(t[0], "+")) && t[1].kind == Token::Kind::Number) {
        sign = t[0].text == QLatin1String("-") ? QStringLiteral("-") : QString();
        t.removeFirst();
    }
    if (t.size() == 1 && t[0].kind == Token::Kind::Number) {
        const QString number = sign + t[0].text;
        if (type.kind == TargetType::Kind::Character || type.kind == TargetType::Kind::Text) {
            // A whole number reads as its digits in a character column.
            const std::optional<QString> whole = numberFor(number, TargetType{TargetType::Kind::Integer, 0, 0, 0,
                                                                              std::numeric_limits<qint64>::max()});
            return whole ? stringFor(*whole, type, quoting) : std::nullopt;
        }
        return numberFor(number, type);
    }
    if (!sign.isEmpty())
        return std::nullopt;
    if (t.size() == 1 && t[0].kind == Token::Kind::String) {
        // Oracle reads '' as NULL.
        if (t[0].text.isEmpty())
            return QStringLiteral("NULL");
        if (type.kind == TargetType::Kind::Integer || type.kind == TargetType::Kind::Decimal
            || type.kind == TargetType::Kind::Float)
            return numberFor(t[0].text.trimmed(), type);
        return stringFor(t[0].text, type, quoting);
    }
    if (type.kind != TargetType::Kind::DateTime)
        return std::nullopt;
    if (t.size() == 2 && (isWord(t[0], "DATE") || isWord(t[0], "TIMESTAMP")) && t[1].kind == Token::Kind::String)
        return dateTimeFor(t[1].text, type, quoting);
    // The time of the insert, at the column's own fractional digits, which
    // MySQL requires to match (manual, "Automatic Initialization and
    // Updating for TIMESTAMP and DATETIME").
    static const QStringList now{"SYSDATE", "SYSTIMESTAMP", "CURRENT_DATE", "CURRENT_TIMESTAMP", "LOCALTIMESTAMP"};
    const bool precise = t.size() == 4 && isSymbol(t[1], "(") && t[2].kind == Token::Kind::Number
                         && isSymbol(t[3], ")") && !isWord(t[0], "SYSDATE") && !isWord(t[0], "CURRENT_DATE");
    if ((t.size() == 1 || precise) && t[0].kind == Token::Kind::Word && now.contains(t[0].text))
        return type.fractionDigits > 0 ? QStringLiteral("CURRENT_TIMESTAMP(%1)").arg(type.fractionDigits)
                                       : QStringLiteral("CURRENT_TIMESTAMP");
    return std::nullopt;
}

std::optional<QString> mysqlCheck(const QString& condition, const QStringList& columns, const TargetQuoting& quoting)
{
    const std::optional<QVector<Token>> read = tokensOf(condition);
    if (!read || read->isEmpty())
        return std::nullopt;
    const QVector<Token>& t = *read;
    static const QStringList keywords{"AND", "OR", "NOT", "IN", "BETWEEN", "LIKE", "ESCAPE", "IS", "NULL"};
    static const QStringList comparisons{"=", "<", ">", "<=", ">=", "<>", "!=", "^=", "~="};
    // A + or - signs the number after it where no operand precedes it.
    const auto signsNext = [&](qsizetype i) {
        if (i == 0)
            return true;
        const Token& before = t.at(i - 1);
        if (before.kind == Token::Kind::Symbol)
            return !isSymbol(before, ")");
        return before.kind == Token::Kind::Word && keywords.contains(before.text) && !isWord(before, "NULL");
    };
    QStringList parts;
    int depth = 0;
    try {
        for (qsizetype i = 0; i < t.size(); ++i) {
            const Token& token = t.at(i);
            switch (token.kind) {
            case Token::Kind::Word:
                if (keywords.contains(token.text)) {
                    // MySQL's LIKE reads a backslash as its escape; Oracle's
                    // has none unless ESCAPE names one.
                    if (token.text == QLatin1String("LIKE") && i + 1 < t.size()
                        && t.at(i + 1).kind == Token::Kind::String && t.at(i + 1).text.contains(u'\\')
                        && !(i + 2 < t.size() && isWord(t.at(i + 2), "ESCAPE")))
                        return std::nullopt;
                    parts << token.text;
                } else if (columns.contains(token.text)) {
                    parts << quoting.name(token.text);
                } else {
                    return std::nullopt;  // a function, a pseudo-column, another table's column
                }
                break;
            case Token::Kind::QuotedName:
                if (!columns.contains(token.text))
                    return std::nullopt;
                parts << quoting.name(token.text);
                break;
            case Token::Kind::String:
                if (token.text.isEmpty())
                    return std::nullopt;  // Oracle's '' is NULL, MySQL's a text
                parts << quoting.text(token.text);
                break;
            case Token::Kind::Number: parts << token.text; break;
            case Token::Kind::Symbol:
                if (comparisons.contains(token.text)) {
                    const bool unequal = token.text == QLatin1String("!=") || token.text == QLatin1String("^=")
                                         || token.text == QLatin1String("~=");
                    parts << (unequal ? QStringLiteral("<>") : token.text);
                } else if (token.text == QLatin1String("(")) {
                    ++depth;
                    parts << token.text;
                } else if (token.text == QLatin1String(")")) {
                    if (--depth < 0)
                        return std::nullopt;
                    parts << token.text;
                } else if (token.text == QLatin1String(",")) {
                    parts << token.text;
                } else if ((token.text == QLatin1String("-") || token.text == QLatin1String("+")) && i + 1 < t.size()
                           && t.at(i + 1).kind == Token::Kind::Number && signsNext(i)) {
                    // A sign of the number that follows, never arithmetic.
                    parts << token.text + t.at(i + 1).text;
                    ++i;
                } else {
                    return std::nullopt;  // arithmetic, concatenation, a qualified name
                }
                break;
            }
        }
    } catch (const Error&) {
        return std::nullopt;
    }
    if (depth != 0)
        return std::nullopt;
    QString text;
    for (const QString& part : std::as_const(parts)) {
        if (!text.isEmpty() && !text.endsWith(u'(') && part != QLatin1String(")") && part != QLatin1String(","))
            text += u' ';
        text += part;
    }
    return text;
}

bool isNotNullCheck(const QString& condition)
{
    const std::optional<QVector<Token>> t = tokensOf(condition);
    return t && t->size() == 4 && t->at(0).kind == Token::Kind::QuotedName && isWord(t->at(1), "IS")
           && isWord(t->at(2), "NOT") && isWord(t->at(3), "NULL");
}

QString oneLine(const QString& text)
{
    return text.simplified();
}

}  // namespace qv
