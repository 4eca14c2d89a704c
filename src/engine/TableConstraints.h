#pragma once

// What Oracle's dictionary says of one table's keys and constraints, as
// plain values (user_constraints, user_cons_columns, user_tab_identity_cols,
// user_tab_comments, user_col_comments).

#include <QHash>
#include <QString>
#include <QStringList>
#include <QVector>
#include <optional>

namespace qv {

struct PrimaryKey {
    QString name;
    QString indexName;    // the index that enforces it; empty when none
    QStringList columns;  // in key order
};

struct CheckConstraint {
    QString name;
    QString condition;     // as Oracle keeps it
    bool enforced = true;  // enabled and validated: every row meets it
};

struct ForeignKey {
    QString name;
    QString table;               // the Oracle table that holds the key
    QStringList columns;
    QString parentTable;         // empty when another schema holds it
    QStringList parentColumns;
    QString deleteRule;          // CASCADE, SET NULL or NO ACTION
    bool enabled = true;
};

struct TableConstraints {
    std::optional<PrimaryKey> primaryKey;
    QVector<CheckConstraint> checks;
    QVector<ForeignKey> foreignKeys;
    QStringList identityColumns;
    QString comment;
    QHash<QString, QString> columnComments;  // by column name
};

}  // namespace qv
