#include "OracleTypeDecl.h"

#include <QVector>

namespace qv {

namespace {

struct Token {
    enum Kind { Word, Number, Symbol } kind;
    QString text;       // words in upper case
    qint64 value = 0;   // for numbers
};

bool isWordChar(QChar c)
{
    return c.isLetterOrNumber() || c == QLatin1Char('_') || c == QLatin1Char('$') || c == QLatin1Char('#');
}

// Splits a declared type into words, signed whole numbers and single symbols.
// Returns false for a number too large to be a length.
bool tokenize(const QString& text, QVector<Token>& tokens)
{
    constexpr qint64 maxNumber = qint64(1) << 40;
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n) {
        const QChar c = text[i];
        if (c.isSpace()) {
            ++i;
            continue;
        }
        const bool sign = (c == QLatin1Char('-') || c == QLatin1Char('+')) && i + 1 < n && text[i + 1].isDigit();
        if (c.isDigit() || sign) {
            const qsizetype start = i;
            ++i;
            while (i < n && text[i].isDigit())
                ++i;
            bool ok = false;
            const qint64 value = text.mid(start, i - start).toLongLong(&ok);
            if (!ok || value > maxNumber || value < -maxNumber)
                return false;
            tokens.append({Token::Number, text.mid(start, i - start), value});
        } else if (isWordChar(c)) {
            const qsizetype start = i;
            while (i < n && isWordChar(text[i]))
                ++i;
            tokens.append({Token::Word, text.mid(start, i - start).toUpper(), 0});
        } else {
            tokens.append({Token::Symbol, QString(c), 0});
            ++i;
        }
    }
    return true;
}

// A cursor over the tokens; each accept* moves on only when it matches.
class Reader {
public:
    explicit Reader(const QVector<Token>& tokens) : tokens_(tokens) {}

    bool atEnd() const { return pos_ == tokens_.size(); }

    bool word(const char* w)
    {
        if (atEnd() || tokens_[pos_].kind != Token::Word || tokens_[pos_].text != QLatin1String(w))
            return false;
        ++pos_;
        return true;
    }

    bool symbol(char s)
    {
        if (atEnd() || tokens_[pos_].kind != Token::Symbol || tokens_[pos_].text != QLatin1Char(s))
            return false;
        ++pos_;
        return true;
    }

    std::optional<qint64> number(bool allowNegative = false)
    {
        if (atEnd() || tokens_[pos_].kind != Token::Number)
            return std::nullopt;
        const Token& t = tokens_[pos_];
        if (!t.text[0].isDigit() && !allowNegative)
            return std::nullopt;
        ++pos_;
        return t.value;
    }

    // "( n )" when present; the fallback when the text has no parenthesis.
    // Empty when a parenthesis is there but malformed.
    std::optional<qint64> optionalParenNumber(qint64 fallback)
    {
        if (!symbol('('))
            return fallback;
        const auto n = number();
        if (!n || !symbol(')'))
            return std::nullopt;
        return n;
    }

    // "( n )", required.
    std::optional<qint64> parenNumber()
    {
        if (!symbol('('))
            return std::nullopt;
        const auto n = number();
        if (!n || !symbol(')'))
            return std::nullopt;
        return n;
    }

private:
    const QVector<Token>& tokens_;
    qsizetype pos_ = 0;
};

OracleTypeDecl make(QString type, qint64 length, OracleValueRule rule)
{
    OracleTypeDecl decl;
    decl.dataType = std::move(type);
    decl.dataLength = length;
    decl.rule = rule;
    return decl;
}

OracleTypeDecl number(std::optional<qint64> precision, std::optional<qint64> scale)
{
    OracleTypeDecl decl = make(QStringLiteral("NUMBER"), 22, OracleValueRule::Number);
    decl.dataPrecision = precision;
    decl.dataScale = scale;
    return decl;
}

OracleTypeDecl character(const char* type, qint64 length, qint64 chars, OracleValueRule rule)
{
    OracleTypeDecl decl = make(QString::fromLatin1(type), length, rule);
    decl.charLength = chars;
    return decl;
}

std::optional<OracleTypeDecl> parseNumber(Reader& r)
{
    if (!r.symbol('('))
        return number(std::nullopt, std::nullopt);
    std::optional<qint64> precision;
    if (!r.symbol('*')) {
        precision = r.number();
        if (!precision)
            return std::nullopt;
    }
    if (r.symbol(')')) {
        if (!precision)
            return std::nullopt;  // NUMBER(*) is not among the forms we read
        return number(precision, 0);
    }
    if (!r.symbol(','))
        return std::nullopt;
    const auto scale = r.number(true);
    if (!scale || !r.symbol(')'))
        return std::nullopt;
    return number(precision, scale);
}

std::optional<OracleTypeDecl> parseDecimal(Reader& r)
{
    if (!r.symbol('('))
        return std::nullopt;
    const auto precision = r.number();
    if (!precision || !r.symbol(','))
        return std::nullopt;
    const auto scale = r.number(true);
    if (!scale || !r.symbol(')'))
        return std::nullopt;
    return number(precision, scale);
}

std::optional<OracleTypeDecl> parseVarchar2(Reader& r)
{
    if (!r.symbol('('))
        return std::nullopt;
    const auto n = r.number();
    if (!n)
        return std::nullopt;
    bool chars = false;
    if (r.word("CHAR"))
        chars = true;
    else
        r.word("BYTE");
    if (!r.symbol(')'))
        return std::nullopt;
    OracleTypeDecl decl = character("VARCHAR2", chars ? 4 * *n : *n, *n, OracleValueRule::Text);
    decl.charUsed = chars;
    return decl;
}

std::optional<OracleTypeDecl> parseTimestamp(Reader& r)
{
    const auto p = r.optionalParenNumber(6);
    if (!p)
        return std::nullopt;
    const QString base = QStringLiteral("TIMESTAMP(%1)").arg(*p);
    if (!r.word("WITH"))
        return make(base, 11, OracleValueRule::DateTime);
    const bool local = r.word("LOCAL");
    if (!r.word("TIME") || !r.word("ZONE"))
        return std::nullopt;
    if (local)
        return make(base + QStringLiteral(" WITH LOCAL TIME ZONE"), 11, OracleValueRule::DateTime);
    return make(base + QStringLiteral(" WITH TIME ZONE"), 13, OracleValueRule::DateTime);
}

std::optional<OracleTypeDecl> parseInterval(Reader& r)
{
    if (r.word("YEAR")) {
        const auto p = r.optionalParenNumber(2);
        if (!p || !r.word("TO") || !r.word("MONTH"))
            return std::nullopt;
        return make(QStringLiteral("INTERVAL YEAR(%1) TO MONTH").arg(*p), 5, OracleValueRule::Text);
    }
    if (r.word("DAY")) {
        const auto p = r.optionalParenNumber(2);
        if (!p || !r.word("TO") || !r.word("SECOND"))
            return std::nullopt;
        const auto s = r.optionalParenNumber(6);
        if (!s)
            return std::nullopt;
        return make(QStringLiteral("INTERVAL DAY(%1) TO SECOND(%2)").arg(*p).arg(*s), 11,
                    OracleValueRule::Text);
    }
    return std::nullopt;
}

std::optional<OracleTypeDecl> parseBuiltIn(Reader& r)
{
    using Rule = OracleValueRule;
    if (r.word("NUMBER"))
        return parseNumber(r);
    if (r.word("INTEGER") || r.word("INT") || r.word("SMALLINT"))
        return number(std::nullopt, 0);
    if (r.word("DECIMAL") || r.word("NUMERIC"))
        return parseDecimal(r);
    if (r.word("FLOAT")) {
        const auto p = r.optionalParenNumber(126);
        if (!p)
            return std::nullopt;
        OracleTypeDecl decl = make(QStringLiteral("FLOAT"), 22, Rule::Number);
        decl.dataPrecision = p;
        return decl;
    }
    if (r.word("REAL")) {
        OracleTypeDecl decl = make(QStringLiteral("FLOAT"), 22, Rule::Number);
        decl.dataPrecision = 63;
        return decl;
    }
    if (r.word("DOUBLE")) {
        if (!r.word("PRECISION"))
            return std::nullopt;
        OracleTypeDecl decl = make(QStringLiteral("FLOAT"), 22, Rule::Number);
        decl.dataPrecision = 126;
        return decl;
    }
    if (r.word("BINARY_FLOAT"))
        return make(QStringLiteral("BINARY_FLOAT"), 4, Rule::Float);
    if (r.word("BINARY_DOUBLE"))
        return make(QStringLiteral("BINARY_DOUBLE"), 8, Rule::Float);
    if (r.word("VARCHAR2"))
        return parseVarchar2(r);
    if (r.word("VARCHAR")) {
        const auto n = r.parenNumber();
        return n ? std::optional(character("VARCHAR2", *n, *n, Rule::Text)) : std::nullopt;
    }
    if (r.word("NVARCHAR2")) {
        const auto n = r.parenNumber();
        if (!n)
            return std::nullopt;
        OracleTypeDecl decl = character("NVARCHAR2", 2 * *n, *n, Rule::Text);
        decl.charUsed = true;
        return decl;
    }
    if (r.word("CHAR")) {
        const auto n = r.optionalParenNumber(1);
        return n ? std::optional(character("CHAR", *n, *n, Rule::FixedChar)) : std::nullopt;
    }
    if (r.word("NCHAR")) {
        const auto n = r.optionalParenNumber(1);
        if (!n)
            return std::nullopt;
        OracleTypeDecl decl = character("NCHAR", 2 * *n, *n, Rule::FixedChar);
        decl.charUsed = true;
        return decl;
    }
    if (r.word("DATE"))
        return make(QStringLiteral("DATE"), 7, Rule::DateTime);
    if (r.word("TIMESTAMP"))
        return parseTimestamp(r);
    if (r.word("INTERVAL"))
        return parseInterval(r);
    if (r.word("CLOB"))
        return make(QStringLiteral("CLOB"), 4000, Rule::Text);
    if (r.word("NCLOB"))
        return make(QStringLiteral("NCLOB"), 4000, Rule::Text);
    if (r.word("BLOB"))
        return make(QStringLiteral("BLOB"), 4000, Rule::Bytes);
    if (r.word("RAW")) {
        const auto n = r.parenNumber();
        return n ? std::optional(make(QStringLiteral("RAW"), *n, Rule::Bytes)) : std::nullopt;
    }
    if (r.word("LONG")) {
        if (r.word("RAW"))
            return make(QStringLiteral("LONG RAW"), 0, Rule::Bytes);
        return make(QStringLiteral("LONG"), 0, Rule::Text);
    }
    if (r.word("ROWID"))
        return make(QStringLiteral("ROWID"), 10, Rule::Text);
    if (r.word("UROWID")) {
        const auto n = r.optionalParenNumber(4000);
        return n ? std::optional(make(QStringLiteral("UROWID"), *n, Rule::Text)) : std::nullopt;
    }
    // Types of Oracle's own schemas: the document as text, a geometry as
    // well-known text (an "SRID=n;" before it names its SRID).
    if (r.word("XMLTYPE")) {
        OracleTypeDecl decl = make(QStringLiteral("XMLTYPE"), 2000, Rule::Text);
        decl.dataTypeOwner = QStringLiteral("SYS");
        return decl;
    }
    if (r.word("SDO_GEOMETRY")) {
        OracleTypeDecl decl = make(QStringLiteral("SDO_GEOMETRY"), 1, Rule::Text);
        decl.dataTypeOwner = QStringLiteral("MDSYS");
        return decl;
    }
    if (r.word("BFILE"))
        return make(QStringLiteral("BFILE"), 530, Rule::StorageClass);
    for (const char* newer : {"JSON", "BOOLEAN", "VECTOR"})
        if (r.word(newer))
            return make(QString::fromLatin1(newer), 0, Rule::StorageClass);
    return std::nullopt;
}

}  // namespace

OracleTypeDecl parseOracleTypeDecl(const QString& declared)
{
    QVector<Token> tokens;
    if (tokenize(declared, tokens)) {
        Reader reader(tokens);
        std::optional<OracleTypeDecl> decl = parseBuiltIn(reader);
        if (decl && reader.word("INVISIBLE"))
            decl->invisible = true;
        else if (decl)
            reader.word("VISIBLE");
        if (decl && reader.atEnd())
            return *decl;
    }
    return make(declared.toUpper(), 0, OracleValueRule::StorageClass);
}

}  // namespace qv
