#pragma once

#include <QByteArray>
#include <QString>
#include <QStringConverter>

#include <memory>

namespace qv {

struct MySqlCharTable;

// Converts text to and from the bytes of one MySQL character set, so that
// every character the character set holds passes unchanged. A character
// that it cannot hold is refused, never replaced by '?'.
//
// The Unicode sets use Qt's own codecs (utf8 = utf8mb3 holds the Basic
// Multilingual Plane only; binary is taken as UTF-8). The tables of the
// others follow MySQL's own mapping (gb18030, which maps all of Unicode,
// through ICU's converter): they are read from Qt's ICU converters
// and corrected where MySQL differs. Character sets that ICU does not know
// (armscii8, dec8, geostd8, keybcs2) and unknown names pass ASCII only.
class MySqlTextCodec {
public:
    static MySqlTextCodec forCharset(const QString& mysqlName);

    const QString& charsetName() const { return mysqlName_; }
    // False when only ASCII text is accepted because no converter exists.
    bool isComplete() const;

    // Raises qv::Error naming the character set and the characters it
    // cannot represent.
    QByteArray encode(const QString& text) const;
    // Appends what encode() gives to `out`, without a buffer of its own when
    // `out` has room enough (three bytes a UTF-16 unit suffice).
    void encodeAppend(const QString& text, QByteArray& out) const;
    // The bytes of a statement: as encode(), except that ASCII characters
    // are always their own bytes, as the server's parser reads its syntax
    // (swe7 has no backquote of its own, yet the server quotes names with
    // byte 0x60).
    QByteArray encodeStatement(const QString& text) const;
    // Whether encode() accepts this character.
    bool canRepresent(char32_t codePoint) const;
    // Bytes that are not valid in the character set become U+FFFD.
    QString decode(const QByteArray& bytes) const;
    // False when `bytes` is not valid in the character set.
    bool tryDecode(const QByteArray& bytes, QString* text) const;

private:
    enum class Method { Utf8, Utf16BE, Utf16LE, Utf32BE, Gb18030, Table };

    MySqlTextCodec(QString mysqlName, Method method, bool bmpOnly, std::shared_ptr<const MySqlCharTable> table);
    QStringConverter::Encoding unicodeEncoding() const;
    [[noreturn]] void refuse(const QString& text) const;
    QByteArray encodeTable(const QString& text, bool asciiAsIs) const;

    QString mysqlName_;
    Method method_;
    bool bmpOnly_;  // refuses characters beyond U+FFFF
    std::shared_ptr<const MySqlCharTable> table_;
};

}  // namespace qv
