#pragma once

// A column default's or a check condition's Oracle text as MySQL reads it,
// translated token by token: names and literals are written again by the
// target's own quoting, never passed on as they stand. Pure functions of
// their inputs.

#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

namespace qv {

// Writes a name or a text literal as the target reads it; may raise
// qv::Error (a character the connection cannot carry), which reads as "no
// translation".
struct TargetQuoting {
    std::function<QString(const QString&)> name;
    std::function<QString(const QString&)> text;
};

// The MySQL DEFAULT clause's value for an Oracle data_default on a column of
// type `mysqlType` (with its leading blank, as the type rules give it):
// NULL; a number or a quoted string that the column holds as it is; DATE and
// TIMESTAMP literals; SYSDATE, SYSTIMESTAMP, CURRENT_DATE and
// CURRENT_TIMESTAMP as CURRENT_TIMESTAMP on a DATETIME. Nothing for any
// other text (an expression, a function call, a sequence's NEXTVAL).
std::optional<QString> mysqlDefault(const QString& oracleDefault, const QString& mysqlType,
                                    const TargetQuoting& quoting);

// The MySQL text of a check condition that uses only the given columns,
// numbers, strings, comparisons, AND, OR, NOT, IN, BETWEEN, LIKE [ESCAPE]
// and IS [NOT] NULL; nothing for any other.
std::optional<QString> mysqlCheck(const QString& condition, const QStringList& columns,
                                  const TargetQuoting& quoting);

// Whether the condition is the check Oracle keeps for a NOT NULL column
// ("COL" IS NOT NULL), which the column's own NOT NULL carries.
bool isNotNullCheck(const QString& condition);

// The text on one line with its runs of white space as single blanks, as
// the log names a default or a condition.
QString oneLine(const QString& text);

}  // namespace qv
