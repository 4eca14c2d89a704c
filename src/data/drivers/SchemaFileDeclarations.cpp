#include "SchemaFileDeclarations.h"

#include <algorithm>
#include <cctype>
#include <utility>

namespace qv {

namespace {

struct Token {
    enum Kind { Word, Name, Text, Symbol } kind;
    std::string value;  // a name or text without its quotes
    std::size_t begin, end;
};

// ASCII only, as SQLite's tokenizer and its folding of names.
bool isWordByte(unsigned char c)
{
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c == '$'
           || c >= 0x80;
}

char asciiLower(char c)
{
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

std::vector<Token> tokens(std::string_view sql)
{
    std::vector<Token> out;
    std::size_t i = 0;
    while (i < sql.size()) {
        const auto c = static_cast<unsigned char>(sql[i]);
        if (c == ' ' || (c >= '\t' && c <= '\r')) {
            ++i;
        } else if (sql.substr(i, 2) == "--") {
            i = std::min(sql.find('\n', i), sql.size());
        } else if (sql.substr(i, 2) == "/*") {
            const std::size_t close = sql.find("*/", i + 2);
            i = close == std::string_view::npos ? sql.size() : close + 2;
        } else if (c == '\'' || c == '"' || c == '`' || c == '[') {
            const char close = c == '[' ? ']' : char(c);
            const std::size_t begin = i;
            std::string value;
            for (++i; i < sql.size(); ++i) {
                if (sql[i] != close) {
                    value += sql[i];
                } else if (close != ']' && i + 1 < sql.size() && sql[i + 1] == close) {
                    value += close;  // a doubled quote is one
                    ++i;
                } else {
                    break;
                }
            }
            i = std::min(i + 1, sql.size());
            out.push_back({c == '\'' ? Token::Text : Token::Name, value, begin, i});
        } else if (isWordByte(c)) {
            const std::size_t begin = i;
            while (i < sql.size() && isWordByte(static_cast<unsigned char>(sql[i])))
                ++i;
            out.push_back({Token::Word, std::string(sql.substr(begin, i - begin)), begin, i});
        } else {
            out.push_back({Token::Symbol, std::string(1, char(c)), i, i + 1});
            ++i;
        }
    }
    return out;
}


bool isWord(const Token& token, std::string_view word)
{
    return token.kind == Token::Word && sameName(token.value, word);
}

bool isSymbol(const Token& token, char symbol)
{
    return token.kind == Token::Symbol && token.value[0] == symbol;
}

// The index of the ')' that closes the '(' at `open`; t.size() when none does.
std::size_t closing(const std::vector<Token>& t, std::size_t open)
{
    int depth = 0;
    for (std::size_t i = open; i < t.size(); ++i) {
        if (isSymbol(t[i], '('))
            ++depth;
        else if (isSymbol(t[i], ')') && --depth == 0)
            return i;
    }
    return t.size();
}

// One column definition or table constraint, tokens [i, end).
void scanDefinition(std::string_view sql, const std::vector<Token>& t, std::size_t i, std::size_t end,
                    DeclaredTable& table)
{
    if (i >= end)
        return;
    const bool column = !(isWord(t[i], "CONSTRAINT") || isWord(t[i], "PRIMARY") || isWord(t[i], "UNIQUE")
                          || isWord(t[i], "CHECK") || isWord(t[i], "FOREIGN"));
    if (column) {
        table.columns.push_back({t[i].value, t[i].begin, {}, {}});
        ++i;
    }
    // CONSTRAINT name names the constraint that follows it.
    std::optional<std::string> name;
    while (i < end) {
        const Token& token = t[i];
        if (isWord(token, "CONSTRAINT") && i + 1 < end) {
            name = t[i + 1].value;
            i += 2;
        } else if (isWord(token, "CHECK") && i + 1 < end && isSymbol(t[i + 1], '(')) {
            const std::size_t last = std::min(closing(t, i + 1), end);
            DeclaredCheck check{token.begin, std::exchange(name, std::nullopt), {}, {}};
            const std::size_t from = t[i + 1].end;
            const std::size_t to = last < t.size() ? t[last].begin : sql.size();
            check.condition = std::string(sql.substr(from, to - from));
            for (std::size_t j = i + 2; j < last; ++j)
                if (t[j].kind == Token::Word || t[j].kind == Token::Name)
                    check.identifiers.push_back(t[j].value);
            table.checks.push_back(std::move(check));
            i = last + 1;
        } else if (column && isWord(token, "REFERENCES")) {
            table.foreignKeys.push_back({token.begin, std::exchange(name, std::nullopt), {table.columns.back().name}});
            ++i;
        } else if (!column && isWord(token, "FOREIGN")) {
            DeclaredForeignKey key{token.begin, std::exchange(name, std::nullopt), {}};
            std::size_t j = i + 1;
            while (j < end && !isSymbol(t[j], '('))
                ++j;
            const std::size_t last = std::min(closing(t, j), end);
            for (++j; j < last; ++j)
                if (t[j].kind != Token::Symbol)
                    key.columns.push_back(t[j].value);
            table.foreignKeys.push_back(std::move(key));
            i = last + 1;
        } else if (column && isWord(token, "NOT") && i + 1 < end && isWord(t[i + 1], "NULL")) {
            table.columns.back().notNullOffset = token.begin;
            table.columns.back().notNullName = std::exchange(name, std::nullopt);
            i += 2;
        } else {
            for (const char* other : {"PRIMARY", "UNIQUE", "NULL", "DEFAULT", "COLLATE", "GENERATED", "AS"})
                if (isWord(token, other))
                    name.reset();
            i = isSymbol(token, '(') ? closing(t, i) + 1 : i + 1;
        }
    }
}

}  // namespace

bool sameName(std::string_view a, std::string_view b)
{
    return a.size() == b.size()
           && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return asciiLower(x) == asciiLower(y); });
}

DeclaredTable scanCreateTable(std::string_view sql)
{
    DeclaredTable table;
    const std::vector<Token> t = tokens(sql);
    std::size_t open = 0;
    for (; open < t.size() && !isSymbol(t[open], '('); ++open)
        if (isWord(t[open], "AS"))
            return table;  // CREATE TABLE ... AS SELECT declares no constraints
    const std::size_t close = closing(t, open);
    for (std::size_t i = open + 1; i < close;) {
        std::size_t end = i;
        while (end < close && !isSymbol(t[end], ','))
            end = isSymbol(t[end], '(') ? closing(t, end) + 1 : end + 1;
        end = std::min(end, close);
        scanDefinition(sql, t, i, end, table);
        i = end + 1;
    }
    return table;
}

}  // namespace qv
