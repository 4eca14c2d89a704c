// The text codecs on their own: refusals and the odd characters.

#include "data/Errors.h"
#include "data/drivers/MySqlCharset.h"

#include <gtest/gtest.h>

using namespace qv;

TEST(CharsetCodec, RefusalsNameTheCharsetAndEveryCharacterOnce)
{
    const MySqlTextCodec latin1 = MySqlTextCodec::forCharset(QStringLiteral("latin1"));
    try {
        latin1.encode(QStringLiteral("a中b中c😀d") + QChar(0xD800));
        FAIL() << "no refusal";
    } catch (const Error& e) {
        EXPECT_EQ(e.message(), QStringLiteral("The text contains characters that the connection character set latin1 "
                                              "cannot represent: 中 (U+4E2D), 😀 (U+1F600), U+D800"));
    }
    // A Unicode set refuses only what is no character at all.
    const MySqlTextCodec utf8mb4 = MySqlTextCodec::forCharset(QStringLiteral("utf8mb4"));
    EXPECT_EQ(utf8mb4.encode(QStringLiteral("a😀")), QByteArray("a\xF0\x9F\x98\x80"));
    EXPECT_THROW(utf8mb4.encode(QStringLiteral("a") + QChar(0xDC00)), Error);
    // Twelve different characters: ten are listed.
    const MySqlTextCodec ascii = MySqlTextCodec::forCharset(QStringLiteral("ascii"));
    try {
        ascii.encode(QStringLiteral("àáâãäåæçèéêë"));
        FAIL() << "no refusal";
    } catch (const Error& e) {
        EXPECT_TRUE(e.message().endsWith(QStringLiteral("é (U+00E9), ..."))) << e.what();
    }
}

TEST(CharsetCodec, TextSurvivesUntouchedWhereNoConversionIsNeeded)
{
    // A leading byte-order mark and NUL are characters like any other.
    const QString text = QChar(0xFEFF) + QStringLiteral("x") + QChar(0) + QStringLiteral("y");
    for (const char* name : {"utf8mb4", "utf8", "ucs2"}) {
        SCOPED_TRACE(name);
        const MySqlTextCodec codec = MySqlTextCodec::forCharset(QString::fromLatin1(name));
        EXPECT_EQ(codec.decode(codec.encode(text)), text);
    }
    const MySqlTextCodec gbk = MySqlTextCodec::forCharset(QStringLiteral("gbk"));
    EXPECT_EQ(gbk.decode(QByteArray("a\0b", 3)), QString::fromUtf8("a\0b", 3));
    // A stray lead byte costs one character, not the ASCII after it.
    QString decoded;
    EXPECT_FALSE(gbk.tryDecode(QByteArray("\xD6") + "'x", &decoded));
    EXPECT_EQ(decoded, QStringLiteral("\uFFFD'x"));
    // Unknown names carry ASCII and nothing else.
    const MySqlTextCodec unknown = MySqlTextCodec::forCharset(QStringLiteral("klingon"));
    EXPECT_FALSE(unknown.isComplete());
    EXPECT_EQ(unknown.encode(QStringLiteral("plain")), QByteArray("plain"));
    EXPECT_THROW(unknown.encode(QStringLiteral("é")), Error);
}
