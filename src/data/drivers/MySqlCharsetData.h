#pragma once

// Which Qt/ICU converter each MySQL character set is read from, and where
// MySQL's mapping differs from that converter's.

#include <QtGlobal>

namespace qv::charset {

// How a byte string splits into characters.
enum class Layout {
    SingleByte,
    Lead81,    // 0x81-0xFE begins a two-byte character (big5, euckr, gb2312, gbk)
    ShiftJis,  // 0x81-0x9F and 0xE0-0xFC begin a two-byte character
    Euc,       // 0x8E and 0xA1-0xFE begin two bytes, 0x8F three (JIS X 0212)
};

struct Mapping {
    const char* mysqlName;
    const char* icuName;  // null: no converter
    Layout layout;
    bool noPrivateUse;    // MySQL maps no byte sequence to a private-use character
    bool eucUserArea;     // rows 0xF5-0xFE of both planes are U+E000-U+E757
    bool asciiOnly;       // no converter exists: ASCII only
    bool ibmPlane2 = false;  // JIS X 0212 rows 0x73-0x74 from 0x73 0x73 on hold the IBM
                             // extensions that neither plane has otherwise, in code page 932's order
};

inline constexpr Mapping mappings[] = {
    {"armscii8", nullptr, Layout::SingleByte, false, false, true},
    {"ascii", nullptr, Layout::SingleByte, false, false, false},
    {"big5", "Big5", Layout::Lead81, true, false, false},
    {"cp1250", "windows-1250", Layout::SingleByte, false, false, false},
    {"cp1251", "windows-1251", Layout::SingleByte, false, false, false},
    {"cp1256", "windows-1256", Layout::SingleByte, false, false, false},
    {"cp1257", "windows-1257", Layout::SingleByte, false, false, false},
    {"cp850", "IBM850", Layout::SingleByte, false, false, false},
    {"cp852", "IBM852", Layout::SingleByte, false, false, false},
    {"cp866", "IBM866", Layout::SingleByte, false, false, false},
    {"cp932", "windows-31j", Layout::ShiftJis, false, false, false},
    {"dec8", nullptr, Layout::SingleByte, false, false, true},
    {"eucjpms", "EUC-JP", Layout::Euc, true, true, false, true},
    {"euckr", "windows-949", Layout::Lead81, true, false, false},
    {"gb2312", "GB2312", Layout::Lead81, true, false, false},
    {"gbk", "GBK", Layout::Lead81, true, false, false},
    {"geostd8", nullptr, Layout::SingleByte, false, false, true},
    {"greek", "ISO-8859-7", Layout::SingleByte, false, false, false},
    {"hebrew", "ISO-8859-8", Layout::SingleByte, false, false, false},
    {"hp8", "hp-roman8", Layout::SingleByte, false, false, false},
    {"keybcs2", nullptr, Layout::SingleByte, false, false, true},
    {"koi8r", "KOI8-R", Layout::SingleByte, false, false, false},
    {"koi8u", "KOI8-U", Layout::SingleByte, false, false, false},
    // MySQL's latin1 is Windows-1252, with 0x81, 0x8D, 0x8F, 0x90 and 0x9D
    // as the C1 controls, as ICU has them too.
    {"latin1", "windows-1252", Layout::SingleByte, false, false, false},
    {"latin2", "ISO-8859-2", Layout::SingleByte, false, false, false},
    {"latin5", "ISO-8859-9", Layout::SingleByte, false, false, false},
    {"latin7", "ISO-8859-13", Layout::SingleByte, false, false, false},
    {"macce", "x-mac-centraleurope", Layout::SingleByte, false, false, false},
    {"macroman", "macintosh", Layout::SingleByte, false, false, false},
    {"sjis", "Shift_JIS", Layout::ShiftJis, true, false, false},
    {"swe7", nullptr, Layout::SingleByte, false, false, false},
    {"tis620", "TIS-620", Layout::SingleByte, false, false, false},
    {"ujis", "EUC-JP", Layout::Euc, true, true, false},
};

// Byte sequences that the converter maps and MySQL does not (inclusive).
struct DroppedRange {
    const char* charset;
    quint32 first;
    quint32 last;
};

inline constexpr DroppedRange droppedRanges[] = {
    {"big5", 0x80, 0x80},
    {"big5", 0xA3E1, 0xA3E1},      // euro sign of code page 950
    {"big5", 0xF9DD, 0xF9FE},      // code page 950's box drawing
    {"cp1250", 0x81, 0x81},
    {"cp1250", 0x83, 0x83},
    {"cp1250", 0x88, 0x88},
    {"cp1250", 0x90, 0x90},
    {"cp1250", 0x98, 0x98},
    {"cp1251", 0x98, 0x98},
    {"cp1256", 0x8A, 0x8A},        // MySQL keeps the older code page 1256
    {"cp1256", 0x8F, 0x8F},
    {"cp1256", 0x98, 0x98},
    {"cp1256", 0x9A, 0x9A},
    {"cp1256", 0x9F, 0x9F},
    {"cp1256", 0xAA, 0xAA},
    {"cp1256", 0xC0, 0xC0},
    {"cp1256", 0xFF, 0xFF},
    {"cp1257", 0x81, 0x81},
    {"cp1257", 0x83, 0x83},
    {"cp1257", 0x88, 0x88},
    {"cp1257", 0x8A, 0x8A},
    {"cp1257", 0x8C, 0x8C},
    {"cp1257", 0x90, 0x90},
    {"cp1257", 0x98, 0x98},
    {"cp1257", 0x9A, 0x9A},
    {"cp1257", 0x9C, 0x9C},
    {"cp1257", 0x9F, 0x9F},
    {"eucjpms", 0x80, 0x9F},       // C1 controls
    {"eucjpms", 0x8EE0, 0x8EE2},
    {"eucjpms", 0x8FF3A1, 0x8FF4FE},  // refilled with the IBM extensions, see Mapping
    {"euckr", 0x80, 0x80},
    {"gb2312", 0x80, 0x9F},
    {"gb2312", 0xFEE0, 0xFEFE},
    {"gbk", 0x80, 0x80},           // the euro sign of code page 936
    {"greek", 0xA4, 0xA5},         // the 2003 additions to ISO 8859-7
    {"greek", 0xAA, 0xAA},
    {"sjis", 0x8740, 0x879F},      // NEC row 13: code page 932 only
    {"sjis", 0xED40, 0xEEFC},      // NEC-selected IBM extensions
    {"sjis", 0xFA40, 0xFC4B},      // IBM extensions
    {"swe7", 0x7F, 0x7F},
    {"tis620", 0xA0, 0xA0},
    {"tis620", 0xDB, 0xDE},
    {"tis620", 0xFC, 0xFF},
    {"ujis", 0x80, 0x9F},          // C1 controls
    {"ujis", 0x8EE0, 0x8EE2},
    {"ujis", 0xADA1, 0xADFE},      // NEC row 13
    {"ujis", 0x8FF3A1, 0x8FF4FE},
};

// Byte sequences that MySQL reads as another character than the converter
// does. `count` consecutive sequences hold consecutive characters (a run is
// stepped as Big5 is: trail bytes 0x40-0x7E, then 0xA1-0xFE).
struct Fix {
    const char* charset;
    quint32 token;
    char16_t character;
    int count = 1;
};

inline constexpr Fix fixes[] = {
    {"big5", 0xA145, 0x2022},
    {"big5", 0xA14E, 0xFF64},
    {"big5", 0xA15A, 0xFFFF},
    {"big5", 0xA1C2, 0x203E},
    {"big5", 0xA1C3, 0xFFFF},
    {"big5", 0xA1C5, 0xFFFF},
    {"big5", 0xA1E3, 0x223C},
    {"big5", 0xA1F2, 0x2641},
    {"big5", 0xA1F3, 0x2609},
    {"big5", 0xA1FE, 0xFFFF},
    {"big5", 0xA240, 0xFFFF},
    {"big5", 0xA241, 0xFF0F},
    {"big5", 0xA242, 0xFF3C},
    {"big5", 0xA244, 0x00A5},
    {"big5", 0xA246, 0x00A2},
    {"big5", 0xA247, 0x00A3},
    {"big5", 0xA2CC, 0xFFFF},
    {"big5", 0xA2CE, 0xFFFF},
    // The ETEN extensions: kana, Cyrillic, enclosed numbers.
    {"big5", 0xC6A1, 0x30FE},
    {"big5", 0xC6A2, 0x309D, 2},
    {"big5", 0xC6A4, 0x3005},
    {"big5", 0xC6A5, 0x3041, 83},
    {"big5", 0xC6F8, 0x30A1, 86},
    {"big5", 0xC7B1, 0x0414, 2},
    {"big5", 0xC7B3, 0x0401},
    {"big5", 0xC7B4, 0x0416, 7},
    {"big5", 0xC7BB, 0x0423, 19},
    {"big5", 0xC7CE, 0x0451},
    {"big5", 0xC7CF, 0x0436, 26},
    {"big5", 0xC7E9, 0x2460, 10},
    {"big5", 0xC7F3, 0x2474, 10},
    {"cp852", 0xAA, 0x00AC},
    {"cp866", 0xFC, 0x207F},       // the original IBM code page 866
    {"cp866", 0xFD, 0x00B2},
    {"eucjpms", 0x8FA2C3, 0xFFE4},
    {"gb2312", 0xA3A7, 0xFF07},
    {"greek", 0xA1, 0x02BD},       // ISO 8859-7 as of 1987
    {"greek", 0xA2, 0x02BC},
    {"hebrew", 0xAF, 0x203E},
    {"hp8", 0xA0, 0x00A0},
    {"hp8", 0xA9, 0x02CB},
    {"hp8", 0xAF, 0x20A4},
    {"hp8", 0xB0, 0x00AF},
    {"hp8", 0xB3, 0x00B0},
    {"hp8", 0xF3, 0x00B5},
    {"hp8", 0xF6, 0x2014},
    {"koi8u", 0x95, 0x2022},
    {"sjis", 0x815F, 0x005C},      // JIS X 0208 as mapped by JIS, not by Microsoft
    {"sjis", 0x8160, 0x301C},
    {"sjis", 0x8161, 0x2016},
    {"sjis", 0x817C, 0x2212},
    {"sjis", 0x8191, 0x00A2},
    {"sjis", 0x8192, 0x00A3},
    {"sjis", 0x81CA, 0x00AC},
    // swe7 is ASCII with Swedish letters in ten places.
    {"swe7", 0x40, 0x00C9},
    {"swe7", 0x5B, 0x00C4},
    {"swe7", 0x5C, 0x00D6},
    {"swe7", 0x5D, 0x00C5},
    {"swe7", 0x5E, 0x00DC},
    {"swe7", 0x60, 0x00E9},
    {"swe7", 0x7B, 0x00E4},
    {"swe7", 0x7C, 0x00F6},
    {"swe7", 0x7D, 0x00E5},
    {"swe7", 0x7E, 0x00FC},
    {"tis620", 0x80, 0x0080},      // C1 controls where code page 874 has punctuation
    {"tis620", 0x85, 0x0085},
    {"tis620", 0x91, 0x0091, 7},
    {"ujis", 0x8FA2B7, 0x007E},
    {"ujis", 0xA1C0, 0x005C},      // JIS X 0208 as mapped by JIS, not by Microsoft
    {"ujis", 0xA1C1, 0x301C},
    {"ujis", 0xA1C2, 0x2016},
    {"ujis", 0xA1DD, 0x2212},
    {"ujis", 0xA1F1, 0x00A2},
    {"ujis", 0xA1F2, 0x00A3},
    {"ujis", 0xA2CC, 0x00AC},
};

}  // namespace qv::charset
