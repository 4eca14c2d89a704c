// The text codecs against the server's own conversions. For every character
// of the Basic Multilingual Plane and every connection character set that
// the program offers: what the codec sends, the server reads as that very
// character; what the server holds, the codec can send; and every byte
// sequence the server reads as a character decodes to that character.

#include "data/DbConnection.h"
#include "data/Errors.h"
#include "data/SqlQuery.h"
#include "data/drivers/MySqlCharset.h"
#include "support/TestDatabase.h"

#include <QHash>
#include <QStringDecoder>
#include <gtest/gtest.h>

using namespace qv;
using qv::test::TestDatabase;

namespace {

// The program's list (utf8 is utf8mb3 on the server; binary has no characters).
const char* const offeredCharsets[] = {
    "armscii8", "ascii",  "big5",  "cp1250", "cp1251",  "cp1256", "cp1257", "cp850",    "cp852", "cp866",
    "cp932",    "dec8",   "eucjpms", "euckr", "gb2312", "gbk",    "geostd8", "greek",   "hebrew", "hp8",
    "keybcs2",  "koi8r",  "koi8u", "latin1", "latin2",  "latin5", "latin7", "macce",    "macroman", "sjis",
    "swe7",     "tis620", "ujis",  "utf8mb3", "ucs2",
};

QString hexOf(const QByteArray& bytes) { return QString::fromLatin1(bytes.toHex().toUpper()); }
QString codePoint(char16_t c) { return QStringLiteral("U+%1").arg(uint(c), 4, 16, QLatin1Char('0')).toUpper(); }

class CharsetFidelity : public ::testing::Test {
protected:
    // `chars`: one row per character of the BMP, surrogates excluded.
    // `seqs`: every byte, every pair with a first byte from 0x80 and a second
    // from 0x40, and 0x8F with two bytes from 0xA1 (JIS X 0212 in EUC).
    void SetUp() override
    {
        db.exec(QStringLiteral("create table %1.chars (cp int primary key, ch varchar(1) character set utf8mb4 "
                               "collate utf8mb4_bin not null)")
                    .arg(db.name()));
        db.exec(QStringLiteral("create table %1.seqs (b varbinary(3) primary key)").arg(db.name()));
        db.exec(QStringLiteral("set session group_concat_max_len = 4000000"));
        QStringList rows;
        auto flush = [&](const char* table, bool force) {
            if (rows.size() >= 4000 || (force && !rows.isEmpty())) {
                db.exec(QStringLiteral("insert into %1.%2 values %3")
                            .arg(db.name(), QLatin1String(table), rows.join(QLatin1Char(','))));
                rows.clear();
            }
        };
        for (char32_t cp = 0; cp <= 0xFFFF; ++cp) {
            if (cp >= 0xD800 && cp <= 0xDFFF)
                continue;
            rows << QStringLiteral("(%1,X'%2')").arg(uint(cp)).arg(hexOf(QString(QChar(char16_t(cp))).toUtf8()));
            flush("chars", false);
        }
        flush("chars", true);
        QList<QByteArray> seqs;
        for (int a = 0; a < 256; ++a)
            seqs << QByteArray(1, char(a));
        for (int a = 0x80; a < 256; ++a)
            for (int b = 0x40; b < 256; ++b)
                seqs << QByteArray(1, char(a)) + char(b);
        for (int a = 0xA1; a < 0xFF; ++a)
            for (int b = 0xA1; b < 0xFF; ++b)
                seqs << QByteArray(1, char(0x8F)) + char(a) + char(b);
        for (const QByteArray& s : seqs) {
            rows << QStringLiteral("(X'%1')").arg(hexOf(s));
            flush("seqs", false);
        }
        flush("seqs", true);
    }

    // The rows of a query that groups "key value" pairs with commas.
    QStringList pairs(const QString& sql) { return db.column(sql).join(QLatin1Char(',')).split(QLatin1Char(',')); }

    // What the server reads each byte sequence as: one character, or
    // nothing when it reads '?', U+FFFD or more than one character.
    QHash<QByteArray, char16_t> serverReads(const QString& charset)
    {
        QHash<QByteArray, char16_t> reads;
        const QStringList rows =
            pairs(QStringLiteral("select group_concat(hex(b), ' ', hex(convert(convert(b using %1) using utf8mb4)) "
                                 "separator ',') from %2.seqs group by left(b, 1)")
                      .arg(charset, db.name()));
        for (const QString& row : rows) {
            const QByteArray bytes = QByteArray::fromHex(row.section(QLatin1Char(' '), 0, 0).toLatin1());
            // Keeps a leading byte-order mark, unlike QString::fromUtf8.
            QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::ConvertInitialBom);
            const QString text = utf8.decode(QByteArray::fromHex(row.section(QLatin1Char(' '), 1, 1).toLatin1()));
            const bool one = text.size() == 1 && text.at(0) != QChar::ReplacementCharacter;
            if (one && (text != QLatin1String("?") || bytes == "?"))
                reads.insert(bytes, text.at(0).unicode());
        }
        return reads;
    }

    // How the server writes each character, where it holds it.
    QHash<char16_t, QByteArray> serverWrites(const QString& charset)
    {
        QHash<char16_t, QByteArray> writes;
        const QStringList rows = pairs(QStringLiteral("select group_concat(cp, ' ', hex(convert(ch using %1)) "
                                                      "separator ',') from %2.chars group by cp div 256")
                                           .arg(charset, db.name()));
        for (const QString& row : rows) {
            const auto c = static_cast<char16_t>(row.section(QLatin1Char(' '), 0, 0).toUInt());
            const QByteArray bytes = QByteArray::fromHex(row.section(QLatin1Char(' '), 1, 1).toLatin1());
            if (bytes != "?" || c == u'?')
                writes.insert(c, bytes);
        }
        return writes;
    }

    TestDatabase db;
};

struct Findings {
    QStringList alteredIn;   // characters the server would read as another
    QStringList alteredOut;  // byte sequences decoded to another character
    QStringList refused;     // characters the server holds that the codec refuses
    int sent = 0;

    std::string summary(const QStringList& list) const
    {
        return QString::number(list.size()).toStdString() + ": "
               + list.mid(0, 10).join(QStringLiteral("; ")).toStdString();
    }
};

}  // namespace

TEST_F(CharsetFidelity, EveryOfferedCharsetCarriesCharactersExactlyAsTheServerReadsThem)
{
    for (const char* name : offeredCharsets) {
        SCOPED_TRACE(name);
        const QString charset = QString::fromLatin1(name);
        const MySqlTextCodec codec = MySqlTextCodec::forCharset(charset);
        // ucs2 never serves as a connection character set; its bytes are
        // UTF-16 and get the same check.
        const QHash<QByteArray, char16_t> reads = serverReads(charset);
        const QHash<char16_t, QByteArray> writes = serverWrites(charset);
        Findings f;

        for (auto it = reads.cbegin(); it != reads.cend(); ++it) {
            if (!codec.isComplete() && (it.key().size() > 1 || uchar(it.key().at(0)) >= 0x80))
                continue;  // such sets carry ASCII only
            if (charset == QLatin1String("ucs2") && it.key().size() != 2)
                continue;  // the server pads a lone byte
            QString decoded;
            if (!codec.tryDecode(it.key(), &decoded) || decoded != QString(QChar(it.value())))
                f.alteredOut << hexOf(it.key()) + QStringLiteral(" is ") + codePoint(it.value())
                                    + QStringLiteral(", decoded ") + hexOf(decoded.toUtf8());
        }

        for (char32_t cp = 0; cp <= 0xFFFF; ++cp) {
            const auto c = static_cast<char16_t>(cp);
            if ((cp >= 0xD800 && cp <= 0xDFFF) || c == u'\uFFFD')
                continue;
            if (!codec.canRepresent(c)) {
                // A gap only where the server reads its own bytes back as the character.
                const auto held = writes.constFind(c);
                const bool heldBack = held != writes.cend() && reads.value(held.value(), c) == c;
                if (heldBack && (codec.isComplete() || cp < 0x80))
                    f.refused << codePoint(c) + QStringLiteral(" (server: ") + hexOf(held.value()) + QLatin1Char(')');
                continue;
            }
            const QByteArray ours = codec.encode(QString(QChar(c)));
            ++f.sent;
            // Longer sequences than the probe holds (UTF-8) compare with the
            // server's own bytes.
            const auto read = reads.constFind(ours);
            const bool readBack = read != reads.cend() ? read.value() == c : writes.value(c) == ours;
            if (!readBack)
                f.alteredIn << codePoint(c) + QStringLiteral(" sent as ") + hexOf(ours);
        }

        EXPECT_TRUE(f.alteredIn.isEmpty()) << "altered on the way in, " << f.summary(f.alteredIn);
        EXPECT_TRUE(f.alteredOut.isEmpty()) << "altered on the way out, " << f.summary(f.alteredOut);
        EXPECT_TRUE(f.refused.isEmpty()) << "refused although the server holds them, " << f.summary(f.refused);
        // The check has teeth: every set carries at least ASCII.
        EXPECT_GE(f.sent, 118);
    }
}
