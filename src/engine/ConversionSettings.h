#pragma once

#include <QString>
#include <QStringList>
#include <optional>

namespace qv {

// What happens to a table that already exists in MySQL; the values are the
// item indexes of the choice in the wizard and in job files.
enum class ExistingTablePolicy { Overwrite = 0, Merge = 1, Skip = 2 };

// The tables a conversion takes: all of the source's, or the named ones in
// their order.
struct TableSelection {
    bool all = false;
    QStringList names;

    friend bool operator==(const TableSelection&, const TableSelection&) = default;
};

// The inputs of one conversion: the two connections, the existing-table
// policy, the three options and the tables. The window shows them, stored
// settings and job files keep them, the session connects and runs from them.
//
// Choices hold item indexes as the window's controls do: -1 is "none chosen",
// which a store or a job can give and which the steps then meet.
struct ConversionSettings {
    int accessMode = 0;  // 0 Local (the host is "localhost"), 1 Remote
    QString host;
    QString port = QStringLiteral("3306");
    QString database;
    QString user;
    QString password;
    int characterSetEntry = 0;  // index into characterSetEntries(); 0 is "Default", no character set
    // What the character set box shows when the user typed over the chosen
    // entry; nothing when it shows the entry's own text.
    std::optional<QString> characterSetTyped;
    QString oracleService;
    QString oracleUser;
    QString oraclePassword;
    int existingTablePolicy = 0;  // ExistingTablePolicy's value
    bool tableDefinitionsOnly = false;
    bool skipIndexes = false;
    bool namesUppercase = true;
    // A number or a time that its MySQL column cannot hold exactly is
    // rounded to what it holds (and counted) rather than refused.
    bool roundValues = false;
    // The tables the run creates carry the source's keys and constraints:
    // NOT NULL, defaults, primary and foreign keys, identities, checks and
    // comments, where MySQL has a sound form of them.
    bool keysAndConstraints = false;
    // How the target connection protects itself: the TLS mode as the mysql
    // client's --ssl-mode names it (empty: QUORVANE_MYSQL_SSL_MODE, else
    // PREFERRED), the CA file that verifies the server, and the user's leave
    // to log in with the clear-text method over a verified connection.
    QString sslMode;
    QString sslCa;
    bool clearTextLogin = false;
    TableSelection tables;

    friend bool operator==(const ConversionSettings&, const ConversionSettings&) = default;

    static constexpr int accessModeCount = 2;
    static constexpr int policyCount = 3;
    // The 37 entries of the character set choice; entry 0 means none.
    static const QStringList& characterSetEntries();

    // The entry's text; empty for "none chosen".
    QString characterSetEntryText() const;
    // The text the character set box shows: typed, or the entry's.
    QString characterSetText() const { return characterSetTyped.value_or(characterSetEntryText()); }
    // Sets the shown text; text equal to the entry's own is not typed.
    void setCharacterSetText(const QString& text);
    // The character set of the tables the run creates: the entry's text;
    // empty for entry 0 and for none chosen (the server's default).
    QString characterSet() const;
    // The character set the target connection asks for: the text the box
    // shows, when an entry after 0 is chosen; otherwise empty.
    QString connectionCharacterSet() const { return characterSetEntry > 0 ? characterSetText() : QString(); }
    // The entry whose text is exactly `text`, letter for letter; -1 when none is.
    static int characterSetEntryOf(const QString& text);

    // 0 is Overwrite, 2 Skip; anything else (1, or no choice) Merge.
    ExistingTablePolicy policy() const;
    // The MySQL host the target connection names: "localhost" in Local mode.
    QString targetHost() const;

    // A stored or written choice as its control takes it: kept within
    // -1 .. count - 1.
    static int clampedChoice(int index, int count);
    // Flags are stored as "1" and "0"; only "1" is set.
    static QString flagText(bool on) { return on ? QStringLiteral("1") : QStringLiteral("0"); }
    static bool flagOf(const QString& text) { return text == QLatin1String("1"); }
};

}  // namespace qv
