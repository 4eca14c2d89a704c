#pragma once

// What only a table's CREATE TABLE text says: the names written for its
// constraints, the text of its CHECK conditions and which columns were
// declared NOT NULL. Read with SQLite's lexical rules: '..' texts, "..",
// `..` and [..] names, -- and /* */ comments, nested parentheses.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qv {

struct DeclaredColumn {
    std::string name;
    std::size_t offset = 0;
    std::optional<std::size_t> notNullOffset;  // where NOT NULL is written
    std::optional<std::string> notNullName;
};

struct DeclaredCheck {
    std::size_t offset = 0;
    std::optional<std::string> name;
    std::string condition;                 // as written between its parentheses
    std::vector<std::string> identifiers;  // the words and names in it
};

struct DeclaredForeignKey {
    std::size_t offset = 0;
    std::optional<std::string> name;
    std::vector<std::string> columns;
};

struct DeclaredTable {
    std::vector<DeclaredColumn> columns;
    std::vector<DeclaredCheck> checks;
    std::vector<DeclaredForeignKey> foreignKeys;  // in the order written
};

// Whether two names are one to SQLite, which folds ASCII letters only.
bool sameName(std::string_view a, std::string_view b);

// The declarations of one CREATE TABLE text; offsets are byte positions in
// it, which order them as written. Text it cannot read gives what it read.
DeclaredTable scanCreateTable(std::string_view sql);

}  // namespace qv
