#include "MySqlCharset.h"

#include "MySqlCharsetData.h"
#include "data/Errors.h"

#include <QHash>
#include <QMutex>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QStringList>

#include <algorithm>
#include <vector>

namespace qv {

namespace {

constexpr char16_t none = 0xFFFF;  // a noncharacter: marks a byte sequence without a character

bool isPrivateUse(char16_t c) { return c >= 0xE000 && c <= 0xF8FF; }

}  // namespace

// Both directions of one character set: byte sequence (token) to character
// and back. A token packs its bytes big-endian; the layout tells its length.
struct MySqlCharTable {
    charset::Layout layout = charset::Layout::SingleByte;
    bool complete = false;
    std::vector<char16_t> decode2 = std::vector<char16_t>(0x10000, none);  // one byte, or lead << 8 | trail
    std::vector<char16_t> decode3;                                          // 0x8F xx yy as xx << 8 | yy
    std::vector<quint32> encode = std::vector<quint32>(0x10000, 0);         // character to token | length << 24

    char16_t decodeToken(quint32 token, int length) const
    {
        if (length == 3)
            return decode3.empty() ? none : decode3[token & 0xFFFF];
        return decode2[token];
    }
    void setToken(quint32 token, int length, char16_t c)
    {
        if (length == 3)
            decode3[token & 0xFFFF] = c;
        else
            decode2[token] = c;
    }
};

namespace {

using charset::Layout;

int tokenLength(Layout layout, uchar lead)
{
    switch (layout) {
    case Layout::SingleByte:
        return 1;
    case Layout::Lead81:
        return lead >= 0x81 && lead <= 0xFE ? 2 : 1;
    case Layout::ShiftJis:
        return (lead >= 0x81 && lead <= 0x9F) || (lead >= 0xE0 && lead <= 0xFC) ? 2 : 1;
    case Layout::Euc:
        if (lead == 0x8F)
            return 3;
        return lead == 0x8E || (lead >= 0xA1 && lead <= 0xFE) ? 2 : 1;
    }
    return 1;
}

int lengthOfToken(quint32 token) { return token > 0xFFFF ? 3 : token > 0xFF ? 2 : 1; }

QByteArray bytesOfToken(quint32 token)
{
    QByteArray bytes;
    for (int shift = (lengthOfToken(token) - 1) * 8; shift >= 0; shift -= 8)
        bytes.append(static_cast<char>((token >> shift) & 0xFF));
    return bytes;
}

// ICU's character for each token; tokens it does not decode to exactly one
// character of the Basic Multilingual Plane stay empty. Whole runs are tried
// first, single tokens where a run fails.
void readFromIcu(const char* icuName, const std::vector<quint32>& tokens, MySqlCharTable& table)
{
    auto decodeOne = [&](quint32 token) {
        QStringDecoder decoder(icuName, QStringConverter::Flag::Stateless | QStringConverter::Flag::ConvertInitialBom);
        const QString text = decoder.decode(bytesOfToken(token));
        const bool one = text.size() == 1 && !text.at(0).isSurrogate() && text.at(0) != QChar::ReplacementCharacter;
        if (!decoder.hasError() && one)
            table.setToken(token, lengthOfToken(token), text.at(0).unicode());
    };
    constexpr size_t run = 64;
    for (size_t start = 0; start < tokens.size(); start += run) {
        const size_t end = std::min(tokens.size(), start + run);
        QByteArray bytes;
        for (size_t i = start; i < end; ++i)
            bytes += bytesOfToken(tokens[i]);
        QStringDecoder decoder(icuName, QStringConverter::Flag::Stateless | QStringConverter::Flag::ConvertInitialBom);
        const QString text = decoder.decode(bytes);
        const bool whole = !decoder.hasError() && static_cast<size_t>(text.size()) == end - start
                           && std::none_of(text.cbegin(), text.cend(), [](QChar c) {
                                  return c.isSurrogate() || c == QChar::ReplacementCharacter;
                              });
        for (size_t i = start; i < end; ++i) {
            if (whole)
                table.setToken(tokens[i], lengthOfToken(tokens[i]), text.at(qsizetype(i - start)).unicode());
            else
                decodeOne(tokens[i]);
        }
    }
}

// Every token that the layout allows outside ASCII.
std::vector<quint32> candidateTokens(Layout layout)
{
    std::vector<quint32> tokens;
    for (quint32 b = 0x80; b <= 0xFF; ++b) {
        if (tokenLength(layout, static_cast<uchar>(b)) == 1) {
            tokens.push_back(b);
            continue;
        }
        if (layout == Layout::Euc && b == 0x8F) {
            for (quint32 b2 = 0xA1; b2 <= 0xFE; ++b2)
                for (quint32 b3 = 0xA1; b3 <= 0xFE; ++b3)
                    tokens.push_back(0x8F0000 | b2 << 8 | b3);
            continue;
        }
        const quint32 firstTrail = layout == Layout::Euc ? 0xA1 : 0x40;
        for (quint32 trail = firstTrail; trail <= 0xFE; ++trail)
            tokens.push_back(b << 8 | trail);
    }
    return tokens;
}

quint32 nextBig5Token(quint32 token)
{
    const quint32 trail = token & 0xFF;
    if (trail == 0x7E)
        return (token & ~0xFFu) | 0xA1;
    if (trail == 0xFE)
        return (token & ~0xFFu) + 0x100 + 0x40;
    return token + 1;
}

// eucJP-ms: the IBM extensions of code page 932 (0xFA40-0xFC4B) that are
// neither in JIS X 0208 nor among the kanji of JIS X 0212 follow one another
// from 0x8F 0xF3 0xF3 on, even where NEC row 13 or a symbol row has them.
void addIbmExtensions(MySqlCharTable& table)
{
    std::vector<bool> present(0x10000, false);
    for (quint32 token = 0; token < table.decode2.size(); ++token)
        if (token >> 8 != 0xAD)  // NEC row 13 does not count
            present[table.decode2[token]] = true;
    for (quint32 i = 0xB0A1; i <= 0xEDFE; ++i)  // the kanji of JIS X 0212
        present[table.decode3[i]] = true;
    for (const charset::Fix& fix : charset::fixes)  // the broken bar, placed in JIS X 0212
        if (qstrcmp(fix.charset, "eucjpms") == 0)
            present[fix.character] = true;
    quint32 slot = 0xF3F3;
    for (quint32 token = 0xFA40; token <= 0xFC4B && slot <= 0xF4FE; ++token) {
        const quint32 trail = token & 0xFF;
        if (trail < 0x40 || trail == 0x7F || trail > 0xFC)
            continue;
        QStringDecoder decoder("windows-31j", QStringConverter::Flag::Stateless);
        const QString text = decoder.decode(bytesOfToken(token));
        if (decoder.hasError() || text.size() != 1 || present[text.at(0).unicode()])
            continue;
        table.decode3[slot] = text.at(0).unicode();
        present[text.at(0).unicode()] = true;
        slot = (slot & 0xFF) == 0xFE ? (slot & 0xFF00) + 0x100 + 0xA1 : slot + 1;
    }
}

std::shared_ptr<const MySqlCharTable> buildTable(const charset::Mapping& mapping)
{
    auto table = std::make_shared<MySqlCharTable>();
    table->layout = mapping.layout;
    if (mapping.layout == Layout::Euc)
        table->decode3.assign(0x10000, none);
    for (char16_t b = 0; b < 0x80; ++b)
        table->decode2[b] = b;

    const bool icuAvailable = mapping.icuName && QStringDecoder(mapping.icuName).isValid();
    table->complete = icuAvailable || !mapping.icuName;
    if (icuAvailable)
        readFromIcu(mapping.icuName, candidateTokens(mapping.layout), *table);
    if (!mapping.icuName && mapping.layout == Layout::SingleByte && mapping.asciiOnly)
        table->complete = false;

    if (mapping.noPrivateUse) {
        for (char16_t& c : table->decode2)
            if (isPrivateUse(c))
                c = none;
        for (char16_t& c : table->decode3)
            if (isPrivateUse(c))
                c = none;
    }
    for (const charset::DroppedRange& range : charset::droppedRanges) {
        if (qstrcmp(range.charset, mapping.mysqlName) != 0)
            continue;
        for (quint32 token = range.first; token <= range.last; ++token)
            table->setToken(token, lengthOfToken(token), none);
    }
    if (mapping.eucUserArea) {
        // Rows 0xF5-0xFE of both planes hold the user-defined characters.
        char16_t c = 0xE000;
        for (quint32 prefix : {0u, 0x8F0000u})
            for (quint32 row = 0xF5; row <= 0xFE; ++row)
                for (quint32 cell = 0xA1; cell <= 0xFE; ++cell) {
                    const quint32 token = prefix | row << 8 | cell;
                    table->setToken(token, lengthOfToken(token), c++);
                }
    }
    for (const charset::Fix& fix : charset::fixes) {
        if (qstrcmp(fix.charset, mapping.mysqlName) != 0)
            continue;
        quint32 token = fix.token;
        for (int i = 0; i < fix.count; ++i, token = nextBig5Token(token))
            table->setToken(token, lengthOfToken(token), fix.character == none ? none : fix.character + i);
    }
    if (mapping.ibmPlane2 && icuAvailable)
        addIbmExtensions(*table);

    // The way back: the first token of a character, unless ICU's own
    // encoding is another of its tokens.
    std::vector<bool> duplicate(0x10000, false);
    auto addBack = [&](quint32 token, char16_t c) {
        if (c == none)
            return;
        if (table->encode[c] == 0)
            table->encode[c] = token | static_cast<quint32>(lengthOfToken(token)) << 24;
        else
            duplicate[c] = true;
    };
    for (quint32 token = 0; token <= 0xFFFF; ++token)
        addBack(token, table->decode2[token]);
    for (quint32 i = 0; i < table->decode3.size(); ++i)
        addBack(0x8F0000 | i, table->decode3[i]);
    if (icuAvailable) {
        for (char16_t c = 0x80; c < 0xFFFF; ++c) {  // ASCII stays ASCII
            if (!duplicate[c])
                continue;
            QStringEncoder encoder(mapping.icuName, QStringConverter::Flag::Stateless);
            const QByteArray bytes = encoder.encode(QString(QChar(c)));
            if (encoder.hasError() || bytes.isEmpty() || bytes.size() > 3)
                continue;
            quint32 token = 0;
            for (char b : bytes)
                token = token << 8 | static_cast<uchar>(b);
            if (tokenLength(mapping.layout, static_cast<uchar>(bytes.at(0))) == bytes.size()
                && table->decodeToken(token, bytes.size()) == c)
                table->encode[c] = token | static_cast<quint32>(bytes.size()) << 24;
        }
    }
    return table;
}

std::shared_ptr<const MySqlCharTable> tableFor(const charset::Mapping& mapping)
{
    static QMutex mutex;
    static QHash<QByteArray, std::shared_ptr<const MySqlCharTable>> tables;
    QMutexLocker lock(&mutex);
    auto& table = tables[QByteArray(mapping.mysqlName)];
    if (!table)
        table = buildTable(mapping);
    return table;
}

const charset::Mapping* findSpec(const QString& name)
{
    for (const charset::Mapping& mapping : charset::mappings)
        if (name == QLatin1String(mapping.mysqlName))
            return &mapping;
    return nullptr;
}

QString describeCodePoint(char32_t cp)
{
    const QString code = QStringLiteral("U+%1").arg(static_cast<uint>(cp), 4, 16, QLatin1Char('0')).toUpper();
    const bool printable = !(cp >= 0xD800 && cp <= 0xDFFF) && QChar::isPrint(cp);
    if (!printable)
        return code;
    const QString character = cp > 0xFFFF ? QString(QChar(QChar::highSurrogate(cp))) + QChar(QChar::lowSurrogate(cp))
                                          : QString(QChar(static_cast<char16_t>(cp)));
    return character + QStringLiteral(" (") + code + QLatin1Char(')');
}

}  // namespace

MySqlTextCodec::MySqlTextCodec(QString mysqlName, Method method, bool bmpOnly,
                               std::shared_ptr<const MySqlCharTable> table)
    : mysqlName_(std::move(mysqlName)), method_(method), bmpOnly_(bmpOnly), table_(std::move(table))
{
}

MySqlTextCodec MySqlTextCodec::forCharset(const QString& mysqlName)
{
    const QString name = mysqlName.trimmed().toLower();
    // binary: no characters at all; the bytes are taken as UTF-8.
    if (name == QLatin1String("utf8mb4") || name == QLatin1String("binary"))
        return MySqlTextCodec(name, Method::Utf8, false, nullptr);
    if (name == QLatin1String("utf8") || name == QLatin1String("utf8mb3"))
        return MySqlTextCodec(name, Method::Utf8, true, nullptr);
    if (name == QLatin1String("ucs2") || name == QLatin1String("utf16"))
        return MySqlTextCodec(name, Method::Utf16BE, name == QLatin1String("ucs2"), nullptr);
    if (name == QLatin1String("utf16le"))
        return MySqlTextCodec(name, Method::Utf16LE, false, nullptr);
    if (name == QLatin1String("utf32"))
        return MySqlTextCodec(name, Method::Utf32BE, false, nullptr);
    // MySQL 8's gb18030 is GB 18030-2005, every Unicode character in one to
    // four bytes (MySQL manual, "The gb18030 Character Set"), as ICU's
    // converter maps it.
    if (name == QLatin1String("gb18030") && QStringEncoder("GB18030").isValid())
        return MySqlTextCodec(name, Method::Gb18030, false, nullptr);
    static const charset::Mapping asciiOnly{"", nullptr, Layout::SingleByte, false, false, true};
    const charset::Mapping* mapping = findSpec(name);
    return MySqlTextCodec(name, Method::Table, true, tableFor(mapping ? *mapping : asciiOnly));
}

QStringConverter::Encoding MySqlTextCodec::unicodeEncoding() const
{
    switch (method_) {
    case Method::Utf16BE: return QStringConverter::Utf16BE;
    case Method::Utf16LE: return QStringConverter::Utf16LE;
    case Method::Utf32BE: return QStringConverter::Utf32BE;
    default: return QStringConverter::Utf8;
    }
}

bool MySqlTextCodec::isComplete() const { return method_ != Method::Table || table_->complete; }

QByteArray MySqlTextCodec::encode(const QString& text) const
{
    if (method_ == Method::Gb18030) {
        QStringEncoder encoder("GB18030", QStringConverter::Flag::Stateless);
        QByteArray bytes = encoder.encode(text);
        if (encoder.hasError())
            refuse(text);
        return bytes;
    }
    if (method_ != Method::Table) {
        if (bmpOnly_ && std::any_of(text.cbegin(), text.cend(), [](QChar c) { return c.isSurrogate(); }))
            refuse(text);
        QStringEncoder encoder(unicodeEncoding(), QStringConverter::Flag::Stateless);
        QByteArray bytes = encoder.encode(text);
        if (encoder.hasError())
            refuse(text);
        return bytes;
    }
    return encodeTable(text, false);
}

void MySqlTextCodec::encodeAppend(const QString& text, QByteArray& out) const
{
    if (method_ != Method::Utf8) {
        out.append(encode(text));
        return;
    }
    if (bmpOnly_ && std::any_of(text.cbegin(), text.cend(), [](QChar c) { return c.isSurrogate(); }))
        refuse(text);
    QStringEncoder encoder(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    const qsizetype at = out.size();
    out.resize(at + encoder.requiredSpace(text.size()));
    const char* end = encoder.appendToBuffer(out.data() + at, text);
    if (encoder.hasError()) {
        out.truncate(at);
        refuse(text);
    }
    out.truncate(end - out.constData());
}

QByteArray MySqlTextCodec::encodeStatement(const QString& text) const
{
    return method_ == Method::Table ? encodeTable(text, true) : encode(text);
}

QByteArray MySqlTextCodec::encodeTable(const QString& text, bool asciiAsIs) const
{
    QByteArray bytes;
    bytes.reserve(text.size());
    for (QChar c : text) {
        const quint32 entry = table_->encode[c.unicode()];
        if (entry == 0 && asciiAsIs && c.unicode() < 0x80) {
            bytes.append(char(c.unicode()));
            continue;
        }
        if (entry == 0 || c.isSurrogate())
            refuse(text);
        const quint32 token = entry & 0xFFFFFF;
        for (int shift = (static_cast<int>(entry >> 24) - 1) * 8; shift >= 0; shift -= 8)
            bytes.append(static_cast<char>((token >> shift) & 0xFF));
    }
    return bytes;
}

bool MySqlTextCodec::tryDecode(const QByteArray& bytes, QString* text) const
{
    if (method_ == Method::Gb18030) {
        QStringDecoder decoder("GB18030", QStringConverter::Flag::Stateless);
        *text = decoder.decode(bytes);
        return !decoder.hasError();
    }
    if (method_ != Method::Table) {
        QStringDecoder decoder(unicodeEncoding(),
                               QStringConverter::Flag::Stateless | QStringConverter::Flag::ConvertInitialBom);
        *text = decoder.decode(bytes);
        return !decoder.hasError();
    }
    text->clear();
    text->reserve(bytes.size());
    bool valid = true;
    const auto* p = reinterpret_cast<const uchar*>(bytes.constData());
    const qsizetype size = bytes.size();
    for (qsizetype i = 0; i < size;) {
        const int length = tokenLength(table_->layout, p[i]);
        char16_t c = none;
        if (i + length <= size) {
            quint32 token = 0;
            for (int k = 0; k < length; ++k)
                token = token << 8 | p[i + k];
            c = table_->decodeToken(token, length);
        }
        if (c == none) {
            // Resume at the next byte, so that ASCII after a stray lead byte survives.
            text->append(QChar::ReplacementCharacter);
            valid = false;
            ++i;
            continue;
        }
        text->append(QChar(c));
        i += length;
    }
    return valid;
}

QString MySqlTextCodec::decode(const QByteArray& bytes) const
{
    QString text;
    tryDecode(bytes, &text);
    return text;
}

bool MySqlTextCodec::canRepresent(char32_t cp) const
{
    if ((cp >= 0xD800 && cp <= 0xDFFF) || (bmpOnly_ && cp > 0xFFFF))
        return false;
    if (method_ != Method::Table)
        return true;
    return cp <= 0xFFFF && table_->encode[cp] != 0;
}

void MySqlTextCodec::refuse(const QString& text) const
{
    constexpr int maxListed = 10;
    QStringList listed;
    QList<char32_t> seen;
    bool more = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        char32_t cp = text.at(i).unicode();
        if (text.at(i).isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            cp = QChar::surrogateToUcs4(text.at(i), text.at(i + 1));
            ++i;
        }
        if (seen.contains(cp) || canRepresent(cp))
            continue;
        if (listed.size() == maxListed) {
            more = true;
            break;
        }
        seen.append(cp);
        listed.append(describeCodePoint(cp));
    }
    QString message = QStringLiteral("The text contains characters that the connection character set %1 "
                                     "cannot represent")
                          .arg(mysqlName_);
    if (!listed.isEmpty())
        message += QStringLiteral(": ") + listed.join(QStringLiteral(", "))
                   + (more ? QStringLiteral(", ...") : QString());
    throw Error(message);
}

}  // namespace qv
