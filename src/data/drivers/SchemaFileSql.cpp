#include "SchemaFileSql.h"

#include "data/Errors.h"

#include <QString>
#include <cctype>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <optional>
#include <sqlite3.h>

namespace qv {

namespace {

// --- to_char(number, 'TM9') -----------------------------------------------

// "[-]digits[.digits][e[+-]digits]" as sign, integer digits and fraction
// digits, without leading or trailing zeros; empty when it is no number.
struct PlainNumber {
    bool negative = false;
    std::string whole, fraction;
};

std::optional<PlainNumber> parseNumber(std::string_view text)
{
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front())))
        text.remove_prefix(1);
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())))
        text.remove_suffix(1);
    PlainNumber n;
    std::size_t i = 0;
    if (i < text.size() && (text[i] == '-' || text[i] == '+'))
        n.negative = text[i++] == '-';
    std::string digits;
    long long point = -1;
    for (; i < text.size() && (std::isdigit(static_cast<unsigned char>(text[i])) || text[i] == '.'); ++i) {
        if (text[i] == '.') {
            if (point >= 0)
                return std::nullopt;
            point = static_cast<long long>(digits.size());
        } else {
            digits += text[i];
        }
    }
    if (digits.empty())
        return std::nullopt;
    if (point < 0)
        point = static_cast<long long>(digits.size());
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        long long exponent = 0;
        const auto result = std::from_chars(text.data() + i + 1 + (text[i + 1] == '+' ? 1 : 0),
                                            text.data() + text.size(), exponent);
        if (result.ec != std::errc() || result.ptr != text.data() + text.size() || exponent > 1000 || exponent < -1000)
            return std::nullopt;
        point += exponent;
    } else if (i != text.size()) {
        return std::nullopt;
    }
    // The point may lie beyond either end of the digits.
    if (point < 0) {
        digits.insert(0, std::size_t(-point), '0');
        point = 0;
    }
    if (point > static_cast<long long>(digits.size()))
        digits.append(std::size_t(point) - digits.size(), '0');
    n.whole = digits.substr(0, std::size_t(point));
    n.fraction = digits.substr(std::size_t(point));
    n.whole.erase(0, n.whole.find_first_not_of('0') == std::string::npos ? n.whole.size() : n.whole.find_first_not_of('0'));
    while (!n.fraction.empty() && n.fraction.back() == '0')
        n.fraction.pop_back();
    if (n.whole.empty() && n.fraction.empty())
        n.negative = false;
    return n;
}

std::string textMinimum(const PlainNumber& n)
{
    if (n.whole.empty() && n.fraction.empty())
        return "0";
    std::string text = n.negative ? "-" : "";
    text += n.whole;
    if (!n.fraction.empty())
        text += "." + n.fraction;
    if (text.size() <= 64)
        return text;
    // Scientific: the significant digits as d.ddd, and the power of ten.
    const std::string all = n.whole + n.fraction;
    const std::size_t first = all.find_first_not_of('0');
    std::string significant = all.substr(first);
    while (significant.size() > 1 && significant.back() == '0')
        significant.pop_back();
    const long long exponent = static_cast<long long>(n.whole.size()) - static_cast<long long>(first) - 1;
    std::string result = n.negative ? "-" : "";
    result += significant.substr(0, 1);
    if (significant.size() > 1)
        result += "." + significant.substr(1);
    result += exponent < 0 ? "E-" : "E+";
    result += std::to_string(exponent < 0 ? -exponent : exponent);
    return result;
}

void toCharFunction(sqlite3_context* context, int argc, sqlite3_value** argv)
{
    const int type = sqlite3_value_type(argv[0]);
    if (type == SQLITE_NULL) {
        sqlite3_result_null(context);
        return;
    }
    if (argc > 1) {
        const auto* format = reinterpret_cast<const char*>(sqlite3_value_text(argv[1]));
        if (!format || (std::strcmp(format, "TM9") != 0 && std::strcmp(format, "TM") != 0)) {
            sqlite3_result_error(context, "the schema file knows TO_CHAR with the format 'TM9' only", -1);
            return;
        }
    }
    std::string text;
    if (type == SQLITE_INTEGER) {
        text = std::to_string(sqlite3_value_int64(argv[0]));
    } else if (type == SQLITE_FLOAT) {
        char buffer[64];
        const auto written = std::to_chars(buffer, buffer + sizeof buffer, sqlite3_value_double(argv[0]));
        text.assign(buffer, written.ptr);
    } else {
        text.assign(reinterpret_cast<const char*>(sqlite3_value_blob(argv[0])),
                    std::size_t(sqlite3_value_bytes(argv[0])));
    }
    const auto number = parseNumber(text);
    if (!number) {
        sqlite3_result_error(context, "invalid number", -1);
        return;
    }
    const std::string result = textMinimum(*number);
    sqlite3_result_text(context, result.data(), int(result.size()), SQLITE_TRANSIENT);
}

// --- geometries kept as "[SRID=n;]WKT" -------------------------------------

// A geometry's text: its SRID when it names one, and its well-known text.
struct GeometryText {
    std::optional<long long> srid;
    std::string_view wkt;
};

GeometryText splitGeometry(std::string_view text)
{
    GeometryText g{std::nullopt, text};
    if (text.size() > 5 && QByteArray(text.data(), 5).toUpper() == "SRID=") {
        const std::size_t semicolon = text.find(';');
        long long srid = 0;
        if (semicolon != std::string_view::npos &&
            std::from_chars(text.data() + 5, text.data() + semicolon, srid).ec == std::errc()) {
            g.srid = srid;
            g.wkt = text.substr(semicolon + 1);
        }
    }
    return g;
}

// Reads the well-known text of a point, line string or polygon and writes
// its well-known binary, big-endian (the OGC format lets a writer choose the
// byte order; a reader takes either).
class WkbWriter {
public:
    explicit WkbWriter(std::string_view wkt) : text_(wkt) {}

    std::string geometry()
    {
        const std::string kind = word();
        std::uint32_t type = 0;
        if (kind == "POINT")
            type = 1;
        else if (kind == "LINESTRING")
            type = 2;
        else if (kind == "POLYGON")
            type = 3;
        else
            throw Error(QStringLiteral("the schema file keeps points, line strings and polygons, not %1")
                            .arg(QString::fromStdString(kind)));
        out_ += '\0';  // big-endian
        number(type);
        expect('(');
        if (type == 1) {
            point();
        } else if (type == 2) {
            points();
        } else {
            std::string rings;
            std::uint32_t count = 0;
            std::string saved;
            saved.swap(out_);
            do {
                expect('(');
                points();
                expect(')');
                ++count;
            } while (accept(','));
            rings.swap(out_);
            out_.swap(saved);
            number(count);
            out_ += rings;
        }
        expect(')');
        return out_;
    }

private:
    void skipBlanks()
    {
        while (at_ < text_.size() && std::isspace(static_cast<unsigned char>(text_[at_])))
            ++at_;
    }
    std::string word()
    {
        skipBlanks();
        std::string w;
        while (at_ < text_.size() && std::isalpha(static_cast<unsigned char>(text_[at_])))
            w += char(std::toupper(static_cast<unsigned char>(text_[at_++])));
        return w;
    }
    bool accept(char c)
    {
        skipBlanks();
        if (at_ < text_.size() && text_[at_] == c) {
            ++at_;
            return true;
        }
        return false;
    }
    void expect(char c)
    {
        if (!accept(c))
            throw Error(QStringLiteral("the geometry text '%1' is not well-known text")
                            .arg(QString::fromUtf8(text_.data(), qsizetype(text_.size()))));
    }
    void number(std::uint32_t value)
    {
        for (int shift = 24; shift >= 0; shift -= 8)
            out_ += char((value >> shift) & 0xff);
    }
    void coordinate()
    {
        skipBlanks();
        double value = 0;
        const auto result = std::from_chars(text_.data() + at_, text_.data() + text_.size(), value);
        if (result.ec != std::errc())
            throw Error(QStringLiteral("the geometry text '%1' has a coordinate that is no number")
                            .arg(QString::fromUtf8(text_.data(), qsizetype(text_.size()))));
        at_ = std::size_t(result.ptr - text_.data());
        std::uint64_t bits = 0;
        std::memcpy(&bits, &value, sizeof value);
        for (int shift = 56; shift >= 0; shift -= 8)
            out_ += char((bits >> shift) & 0xff);
    }
    void point()
    {
        coordinate();
        coordinate();
    }
    void points()
    {
        std::string saved;
        saved.swap(out_);
        std::uint32_t count = 0;
        do {
            point();
            ++count;
        } while (accept(','));
        std::string coordinates;
        coordinates.swap(out_);
        out_.swap(saved);
        number(count);
        out_ += coordinates;
    }

    std::string_view text_;
    std::size_t at_ = 0;
    std::string out_;
};

std::string_view textOf(sqlite3_value* value)
{
    return {reinterpret_cast<const char*>(sqlite3_value_text(value)), std::size_t(sqlite3_value_bytes(value))};
}

void wkbFunction(sqlite3_context* context, int, sqlite3_value** argv)
{
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) {
        sqlite3_result_null(context);
        return;
    }
    try {
        const std::string wkb = WkbWriter(splitGeometry(textOf(argv[0])).wkt).geometry();
        sqlite3_result_blob(context, wkb.data(), int(wkb.size()), SQLITE_TRANSIENT);
    } catch (const Error& e) {
        sqlite3_result_error(context, e.what(), -1);
    }
}

void sridFunction(sqlite3_context* context, int, sqlite3_value** argv)
{
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) {
        sqlite3_result_null(context);
        return;
    }
    const auto srid = splitGeometry(textOf(argv[0])).srid;
    if (srid)
        sqlite3_result_int64(context, *srid);
    else
        sqlite3_result_null(context);
}

// --- the query's text -------------------------------------------------------

bool startsWithWord(std::string_view text, std::size_t at, std::string_view word)
{
    if (text.size() - at < word.size())
        return false;
    for (std::size_t i = 0; i < word.size(); ++i)
        if (std::toupper(static_cast<unsigned char>(text[at + i])) != word[i])
            return false;
    const std::size_t end = at + word.size();
    const bool before = at == 0 || !(std::isalnum(static_cast<unsigned char>(text[at - 1])) || text[at - 1] == '_');
    const bool after = end == text.size() || !(std::isalnum(static_cast<unsigned char>(text[end])) || text[end] == '_');
    return before && after;
}

// The index just past the quoted part or the parenthesis that starts at `at`.
std::size_t skipQuoted(std::string_view text, std::size_t at)
{
    const char quote = text[at];
    for (std::size_t i = at + 1; i < text.size(); ++i)
        if (text[i] == quote) {
            if (i + 1 < text.size() && text[i + 1] == quote) {
                ++i;
                continue;
            }
            return i + 1;
        }
    return text.size();
}

std::size_t matchingParenthesis(std::string_view text, std::size_t open)
{
    int depth = 0;
    for (std::size_t i = open; i < text.size(); ++i) {
        if (text[i] == '\'' || text[i] == '"') {
            i = skipQuoted(text, i) - 1;
        } else if (text[i] == '(') {
            ++depth;
        } else if (text[i] == ')' && --depth == 0) {
            return i;
        }
    }
    return std::string_view::npos;
}

// The select list's items: [begin, end) of each, and where the list ends.
std::vector<std::pair<std::size_t, std::size_t>> selectItems(std::string_view sql)
{
    std::size_t i = 0;
    while (i < sql.size() && std::isspace(static_cast<unsigned char>(sql[i])))
        ++i;
    if (!startsWithWord(sql, i, "SELECT"))
        return {};
    std::vector<std::pair<std::size_t, std::size_t>> items;
    std::size_t begin = i + 6;
    int depth = 0;
    for (i = begin; i < sql.size(); ++i) {
        const char c = sql[i];
        if (c == '\'' || c == '"') {
            i = skipQuoted(sql, i) - 1;
        } else if (c == '(') {
            ++depth;
        } else if (c == ')') {
            --depth;
        } else if (depth == 0 && c == ',') {
            items.push_back({begin, i});
            begin = i + 1;
        } else if (depth == 0 && startsWithWord(sql, i, "FROM")) {
            break;
        }
    }
    items.push_back({begin, i});
    return items;
}

// One select-list item as SQLite reads it, and the type its rewriting gave.
std::string rewriteItem(std::string item, std::string& type)
{
    for (std::size_t at = 0; at < item.size(); ++at) {
        if (item[at] == '\'' || item[at] == '"') {
            at = skipQuoted(item, at) - 1;
            continue;
        }
        if (startsWithWord(item, at, "XMLSERIALIZE")) {
            std::size_t open = at + 12;
            while (open < item.size() && std::isspace(static_cast<unsigned char>(item[open])))
                ++open;
            const std::size_t close = open < item.size() && item[open] == '(' ? matchingParenthesis(item, open)
                                                                               : std::string::npos;
            if (close == std::string::npos)
                continue;
            std::string inner = item.substr(open + 1, close - open - 1);
            const QString trimmed = QString::fromStdString(inner).trimmed();
            QString body = trimmed;
            if (body.startsWith(QLatin1String("CONTENT "), Qt::CaseInsensitive))
                body = body.mid(8);
            if (body.endsWith(QLatin1String(" AS CLOB"), Qt::CaseInsensitive))
                body.chop(8);
            const std::string replacement = "(" + body.toStdString() + ")";
            item.replace(at, close + 1 - at, replacement);
            type = "CLOB";
            at += replacement.size() - 1;
        } else if (startsWithWord(item, at, "SDO_UTIL") && item.compare(at + 8, 16, ".TO_WKBGEOMETRY(") == 0) {
            item.replace(at, 24, "quorvane_sdo_wkb(");
            type = "BLOB";
        } else if (item[at] == '.' && startsWithWord(item, at + 1, "SDO_SRID")) {
            // The path before it: quoted or plain names joined by dots.
            std::size_t start = at;
            while (start > 0) {
                const char c = item[start - 1];
                if (c == '"') {
                    const std::size_t open = item.rfind('"', start - 2);
                    start = open == std::string::npos ? start : open;
                } else if (std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '$' || c == '#' || c == '.') {
                    --start;
                } else {
                    break;
                }
            }
            const std::string replacement = "quorvane_sdo_srid(" + item.substr(start, at - start) + ")";
            item.replace(start, at + 9 - start, replacement);
            type = "NUMBER";
            at = start + replacement.size() - 1;
        }
    }
    return item;
}

}  // namespace

void registerOracleFunctions(sqlite3* db)
{
    constexpr int flags = SQLITE_UTF8 | SQLITE_DETERMINISTIC | SQLITE_INNOCUOUS;
    const struct {
        const char* name;
        int arguments;
        void (*function)(sqlite3_context*, int, sqlite3_value**);
    } functions[] = {
        {"to_char", 1, toCharFunction},
        {"to_char", 2, toCharFunction},
        {"quorvane_sdo_wkb", 1, wkbFunction},
        {"quorvane_sdo_srid", 1, sridFunction},
    };
    for (const auto& f : functions)
        if (sqlite3_create_function_v2(db, f.name, f.arguments, flags, nullptr, f.function, nullptr, nullptr, nullptr)
            != SQLITE_OK)
            throw Error(QString::fromUtf8(sqlite3_errmsg(db)));
}

SqliteQuery sqliteQueryFor(std::string_view oracleSql)
{
    SqliteQuery query;
    const auto items = selectItems(oracleSql);
    if (items.empty()) {
        query.sql = std::string(oracleSql);
        return query;
    }
    query.sql = std::string(oracleSql.substr(0, items.front().first));
    for (std::size_t i = 0; i < items.size(); ++i) {
        std::string type;
        query.sql += rewriteItem(std::string(oracleSql.substr(items[i].first, items[i].second - items[i].first)), type);
        if (i + 1 < items.size())
            query.sql += ',';
        query.itemTypes.push_back(type);
    }
    query.sql += oracleSql.substr(items.back().second);
    return query;
}

}  // namespace qv
