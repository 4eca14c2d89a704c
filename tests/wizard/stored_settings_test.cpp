#include "data/Errors.h"
#include "support/Controls.h"
#include "support/Files.h"
#include "support/QtPrinters.h"
#include "support/ScriptedDialogs.h"
#include "support/SettingsValues.h"
#include "wizard/IntegerText.h"
#include "wizard/RadioGroup.h"
#include "wizard/StoredSettings.h"
#include "wizard/Taaform1.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QListWidget>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>

// Designated initializers leave the inputs they do not name at their defaults.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

using namespace qv;
using namespace qv::test;
using S = ConversionSettings;

namespace {

// The store's names in the order the inputs are loaded.
const QStringList storedNames{"accessmode", "mysqldatabase", "mysqlu", "mysqlp", "host", "port", "Character Set",
                              "oracleh", "oracleu", "oraclep", "processtable", "tabledefonly", "nameuppercase",
                              "skipindex", "roundvalues", "constraints", "sslmode", "sslca", "cleartextlogin"};

QSettings::SettingsMap ordinaryValues()
{
    return {{"accessmode", "1"},       {"mysqldatabase", "shop"}, {"mysqlu", "root"},     {"mysqlp", "pw"},
            {"host", "db.example"},    {"port", "3307"},          {"Character Set", "36"}, {"oracleh", "ORCL"},
            {"oracleu", "scott"},      {"oraclep", "tiger"},      {"processtable", "1"},  {"tabledefonly", "1"},
            {"nameuppercase", "1"},    {"skipindex", "1"},     {"roundvalues", "1"},     {"constraints", "1"},
            {"sslmode", "VERIFY_CA"},  {"sslca", "/etc/ssl/rds.pem"}, {"cleartextlogin", "1"}};
}

// What ordinaryValues() load as.
const S ordinary{.accessMode = 1, .host = "db.example", .port = "3307", .database = "shop", .user = "root",
                 .password = "pw", .characterSetEntry = 36, .oracleService = "ORCL", .oracleUser = "scott",
                 .oraclePassword = "tiger", .existingTablePolicy = 1, .tableDefinitionsOnly = true,
                 .skipIndexes = true, .namesUppercase = true, .roundValues = true, .keysAndConstraints = true,
                 .sslMode = "VERIFY_CA", .sslCa = "/etc/ssl/rds.pem", .clearTextLogin = true};

// Every test has a home of its own; the user's real settings are never seen.
class StoredSettingsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(home.isValid());
        ensureApplication();  // first: it sets a home of its own once per process
        qputenv("HOME", QFile::encodeName(home.path()));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(configHome()));
        qputenv("XDG_DATA_HOME", QFile::encodeName(home.path() + "/data"));
        qputenv("QUORVANE_LANGUAGE", "en");
        // QSettings looks the configuration folder up once per process.
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                           QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation));
    }

    QString configHome() const { return home.path() + "/config"; }
    QString settingsFile() const { return configHome() + "/Zembrix/Quorvane.conf"; }

    static QSettings open() { return QSettings(QSettings::NativeFormat, QSettings::UserScope, "Zembrix", "Quorvane"); }

    // A store holding exactly these values.
    void store(const QSettings::SettingsMap& values)
    {
        QFile::remove(settingsFile());
        QSettings settings = open();
        for (auto it = values.begin(); it != values.end(); ++it)
            settings.setValue(it.key(), it.value());
    }

    // Writes the file as a user's editor would leave it.
    void writeFile(const QByteArray& text)
    {
        ASSERT_TRUE(QDir().mkpath(configHome() + "/Zembrix"));
        QFile file(settingsFile());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(text);
    }

    // The ordinary store with one value replaced (an invalid variant: left
    // out) loads as the ordinary settings with that one input changed.
    template <class T>
    void expectEach(const QString& name, T S::*field, const QList<std::pair<QVariant, T>>& cases)
    {
        for (const auto& [stored, expected] : cases) {
            SCOPED_TRACE(name.toStdString() + " = " +
                         (stored.isValid() ? "'" + stored.toString().toStdString() + "'" : "(missing)"));
            QSettings::SettingsMap values = ordinaryValues();
            values.remove(name);
            if (stored.isValid())
                values.insert(name, stored);
            store(values);
            S want = ordinary;
            want.*field = expected;
            S loaded = unlike(want);
            want.tables = loaded.tables;
            EXPECT_NO_THROW(loadStoredSettings(loaded));
            EXPECT_EQ(loaded, want);
        }
    }

    QTemporaryDir home;
    ScriptedDialogs dialogs;
};

TEST_F(StoredSettingsTest, EachInputIsStoredAsTextAndLoadsBack)
{
    const QString awkward = QStringLiteral(" p@ss, w0rd;=\"x\" #[General] \\ 密码 ");
    struct Case {
        const char* what;
        S settings;
        QStringList texts;  // in storedNames order
    };
    const Case cases[] = {
        {"first start", S{}, {"0", "", "", "", "", "3306", "0", "", "", "", "0", "0", "1", "0", "0", "0", "", "", "0"}},
        {"every input",
         {.accessMode = 1, .host = "@db.example", .port = "not a port", .database = "shop", .user = "admin",
          .password = awkward, .characterSetEntry = 36, .oracleService = "sqlite:/tmp/x.db", .oracleUser = "scott",
          .oraclePassword = "tiger", .existingTablePolicy = 2, .tableDefinitionsOnly = true, .skipIndexes = true,
          .namesUppercase = false, .roundValues = true, .keysAndConstraints = true, .sslMode = "VERIFY_IDENTITY",
          .sslCa = "/ca dir/ca.pem", .clearTextLogin = true},
         {"1", "shop", "admin", awkward, "@db.example", "not a port", "36", "sqlite:/tmp/x.db", "scott", "tiger", "2",
          "1", "0", "1", "1", "1", "VERIFY_IDENTITY", "/ca dir/ca.pem", "1"}},
        {"keys and constraints alone", {.keysAndConstraints = true},
         {"0", "", "", "", "", "3306", "0", "", "", "", "0", "0", "1", "0", "0", "1", "", "", "0"}},
        {"no choice", {.accessMode = -1, .characterSetEntry = -1, .existingTablePolicy = -1},
         {"-1", "", "", "", "", "3306", "-1", "", "", "", "-1", "0", "1", "0", "0", "0", "", "", "0"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        store({{"unrelated", "kept"}});
        saveStoredSettings(c.settings);
        {
            QSettings settings = open();
            QStringList names = settings.childKeys();
            QStringList expected = storedNames + QStringList{"unrelated"};
            names.sort();
            expected.sort();
            EXPECT_EQ(names, expected) << "the tables are not stored";
            EXPECT_EQ(settings.value("unrelated").toString(), "kept");
            for (qsizetype i = 0; i < storedNames.size(); ++i) {
                const QVariant value = settings.value(storedNames[i]);
                EXPECT_EQ(value.typeId(), QMetaType::QString) << storedNames[i].toStdString();
                EXPECT_EQ(value.toString(), c.texts[i]) << storedNames[i].toStdString();
            }
        }
        S loaded = unlike(c.settings);
        S want = c.settings;
        want.tables = loaded.tables;
        loadStoredSettings(loaded);
        EXPECT_EQ(loaded, want);
    }
}

TEST_F(StoredSettingsTest, WithoutAStoreTheValuesAreKept)
{
    // An organisation-wide file is not the store.
    QSettings("Zembrix").setValue("port", "1");
    S settings = unlike(ordinary);
    const S before = settings;
    loadStoredSettings(settings);
    EXPECT_EQ(settings, before);
    EXPECT_FALSE(QFileInfo::exists(settingsFile())) << "loading must not create the store";
}

TEST_F(StoredSettingsTest, AStoreWithoutTheValuesEmptiesTextsClearsFlagsAndChoosesFirstItems)
{
    store({{"unrelated", "x"}});
    QSettings("Zembrix").setValue("port", "1");  // not a fallback either
    S loaded = unlike(ordinary);
    const S want{.port = "", .namesUppercase = false, .tables = loaded.tables};
    loadStoredSettings(loaded);
    EXPECT_EQ(loaded, want);
}

TEST_F(StoredSettingsTest, OneMissingOrMalformedValueChangesOnlyItsInput)
{
    const QVariant missing;
    // Choices: clamped to -1 .. count - 1; missing, malformed or not a string
    // is the first item, silently.
    expectEach<int>("accessmode", &S::accessMode,
                    {{"0", 0}, {"1", 1}, {"5", 1}, {"-1", -1}, {"-7", -1}, {"abc", 0}, {"", 0}, {missing, 0},
                     {" 1", 1}, {"1 ", 0}, {"$1", 1}, {"0x1", 1}, {"+1", 1}, {"1.0", 0}, {"99999999999", 0},
                     {QStringList{"1", "1"}, 0}});
    expectEach<int>("processtable", &S::existingTablePolicy,
                    {{"1", 1}, {"2", 2}, {"9", 2}, {"x2", 2}, {"-2", -1}, {"abc", 0}, {"", 0}, {missing, 0},
                     {"2x", 0}, {QStringList{"2", "2"}, 0}});
    // A character set position outside the list is none chosen.
    expectEach<int>("Character Set", &S::characterSetEntry,
                    {{"36", 36}, {"$10", 16}, {"0", 0}, {"-1", -1}, {"37", -1}, {"-5", -1}, {"abc", 0}, {"", 0},
                     {missing, 0}, {QByteArray("5"), 0}});
    // A flag is set exactly by the text "1".
    for (const auto& [name, field] : {std::pair{"tabledefonly", &S::tableDefinitionsOnly},
                                      std::pair{"nameuppercase", &S::namesUppercase},
                                      std::pair{"skipindex", &S::skipIndexes},
                                      std::pair{"roundvalues", &S::roundValues},
                                      std::pair{"constraints", &S::keysAndConstraints},
                                      std::pair{"cleartextlogin", &S::clearTextLogin}})
        expectEach<bool>(name, field,
                         {{"1", true}, {"yes", false}, {"0", false}, {"01", false}, {" 1", false}, {"1 ", false},
                          {"", false}, {"true", false}, {missing, false}});
    // Texts are taken unchanged up to the first NUL.
    expectEach<QString>("host", &S::host, {{"  spaced  ", "  spaced  "}, {missing, ""}});
    expectEach<QString>("mysqlu", &S::user, {{QString::fromLatin1("ab\0cd", 5), "ab"}});
    expectEach<QString>("oracleu", &S::oracleUser, {{"", ""}});
    expectEach<QString>("port", &S::port, {{missing, ""}});
    expectEach<QString>("sslmode", &S::sslMode, {{" verify_ca ", " verify_ca "}, {missing, ""}});
    expectEach<QString>("sslca", &S::sslCa, {{"/a b.pem", "/a b.pem"}});
}

TEST_F(StoredSettingsTest, ATextOrFlagThatIsNotAStringEndsTheLoadWithAnError)
{
    struct Case {
        std::function<void()> write;
        QString message;
        S loaded;  // from S{}, the window's own values
    };
    const Case cases[] = {
        // A list (host=a, b) is not a string; the values before it are
        // loaded, it and the ones after it are not.
        {[this] {
             writeFile("[General]\naccessmode=1\nmysqldatabase=shop\nmysqlu=root\nmysqlp=pw\nhost=a, b\nport=3307\n"
                       "Character%20Set=5\noracleh=ORCL\nprocesstable=2\nskipindex=1\n");
         },
         "Invalid data type for 'host'", S{.accessMode = 1, .database = "shop", .user = "root", .password = "pw"}},
        {[this] {
             QSettings::SettingsMap values = ordinaryValues();
             values.insert("skipindex", QByteArray("1"));
             store(values);
         },
         "Invalid data type for 'skipindex'",
         [] {
             S s = ordinary;
             s.skipIndexes = false;
             s.roundValues = false;  // loaded after skipindex
             s.keysAndConstraints = false;
             s.sslMode.clear();
             s.sslCa.clear();
             s.clearTextLogin = false;
             return s;
         }()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message.toStdString());
        c.write();
        S loaded;
        try {
            loadStoredSettings(loaded);
            ADD_FAILURE() << "no error";
        } catch (const Error& e) {
            EXPECT_EQ(e.message(), c.message);
        }
        EXPECT_EQ(loaded, c.loaded);
        // A new window shows what was loaded and tells what failed.
        ScriptedDialogs windowDialogs;
        Taaform1 form(windowDialogs);
        EXPECT_EQ(form.settings(), c.loaded);
        EXPECT_EQ(windowDialogs.texts("error"), QStringList{c.message});
    }
}

TEST_F(StoredSettingsTest, TheStoreIsReadableByItsOwnerOnly)
{
    const mode_t previous = ::umask(0);  // the most open setting a user can have
    S settings;
    for (const char* password : {"first", "second"}) {
        settings.password = password;
        saveStoredSettings(settings);
        EXPECT_EQ(fileMode(settingsFile()), 0600) << password;
    }
    // An older store that others could read is closed down.
    open().setValue("unrelated", "kept");
    EXPECT_EQ(::chmod(QFile::encodeName(settingsFile()).constData(), 0644), 0);
    settings.password = "third";
    saveStoredSettings(settings);
    ::umask(previous);
    EXPECT_EQ(fileMode(settingsFile()), 0600);
    EXPECT_EQ(open().value("mysqlp").toString(), "third");
    EXPECT_EQ(open().value("unrelated").toString(), "kept");
    EXPECT_EQ(QDir(configHome() + "/Zembrix").entryList(QDir::Files | QDir::Hidden), QStringList{"Quorvane.conf"});
}

TEST_F(StoredSettingsTest, AStoreThatCannotBeCreatedIsSkippedSilently)
{
    QFile blocker(configHome());  // a file where the folder should be
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    S settings = unlike(ordinary);
    const S before = settings;
    EXPECT_NO_THROW(saveStoredSettings(settings));
    EXPECT_TRUE(QFileInfo(configHome()).isFile());
    EXPECT_NO_THROW(loadStoredSettings(settings));
    EXPECT_EQ(settings, before);
}

TEST_F(StoredSettingsTest, TheDataFolderIsCreatedWithItsParents)
{
    const QString expected = home.path() + "/data/Zembrix/";
    EXPECT_EQ(dataFolder(), expected);
    ASSERT_FALSE(QFileInfo::exists(home.path() + "/data"));
    ensureDataFolder();
    EXPECT_TRUE(QFileInfo(expected).isDir());
    QFile marker(expected + "keep");
    ASSERT_TRUE(marker.open(QIODevice::WriteOnly));
    marker.close();
    ensureDataFolder();  // an existing folder is left as it is
    EXPECT_TRUE(marker.exists());
}

TEST_F(StoredSettingsTest, ADataFolderThatCannotBeCreatedIsNotReported)
{
    QFile blocker(home.path() + "/data");
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    EXPECT_NO_THROW(ensureDataFolder());
    EXPECT_TRUE(QFileInfo(home.path() + "/data").isFile());
}

// ---- The window's controls ---------------------------------------------------

const std::pair<const char*, QString S::*> textControls[] = {
    {"edthost", &S::host},         {"edtport", &S::port},           {"edtdatabase", &S::database},
    {"edtname", &S::user},         {"edtpassword", &S::password},   {"edtservice", &S::oracleService},
    {"edtoracleusername", &S::oracleUser}, {"edtoraclepassword", &S::oraclePassword}};
const std::pair<const char*, bool S::*> checkControls[] = {{"chktabledefi", &S::tableDefinitionsOnly},
                                                           {"chkskipindex", &S::skipIndexes},
                                                           {"chkuppercase", &S::namesUppercase},
                                                           {"chkroundvalues", &S::roundValues},
                                                           {"chkconstraints", &S::keysAndConstraints}};

// The inputs as the window's controls show them, found by their names.
S shownBy(const Taaform1& form)
{
    S s;
    s.accessMode = control<RadioGroup>(form, "accessmode")->itemIndex();
    s.characterSetEntry = control<QComboBox>(form, "cbcharset")->currentIndex();
    s.setCharacterSetText(control<QComboBox>(form, "cbcharset")->currentText());
    s.existingTablePolicy = control<RadioGroup>(form, "processtable")->itemIndex();
    for (const auto& [name, field] : textControls)
        s.*field = control<QLineEdit>(form, name)->text();
    for (const auto& [name, field] : checkControls)
        s.*field = control<QCheckBox>(form, name)->isChecked();
    const QListWidget* selected = control<QListWidget>(form, "selecttables");
    for (int i = 0; i < selected->count(); ++i)
        s.tables.names << selected->item(i)->text();
    return s;
}

// Types and chooses s in the controls, as a user would.
void enter(Taaform1& form, const S& s)
{
    control<RadioGroup>(form, "accessmode")->setItemIndex(s.accessMode);
    control<QComboBox>(form, "cbcharset")->setCurrentIndex(s.characterSetEntry);
    if (s.characterSetTyped)
        control<QComboBox>(form, "cbcharset")->setEditText(*s.characterSetTyped);
    control<RadioGroup>(form, "processtable")->setItemIndex(s.existingTablePolicy);
    for (const auto& [name, field] : textControls)
        control<QLineEdit>(form, name)->setText(s.*field);
    for (const auto& [name, field] : checkControls)
        control<QCheckBox>(form, name)->setChecked(s.*field);
    control<QListWidget>(form, "selecttables")->clear();
    control<QListWidget>(form, "selecttables")->addItems(s.tables.names);
}

TEST_F(StoredSettingsTest, TheWindowShowsEachInputInItsControlAndReadsItBack)
{
    Taaform1 form(dialogs);
    const QComboBox* charset = control<QComboBox>(form, "cbcharset");
    const QLineEdit* host = control<QLineEdit>(form, "edthost");
    EXPECT_EQ(form.settings(), S{}) << "first start";
    EXPECT_EQ(shownBy(form), S{});
    EXPECT_EQ(charset->currentText(), "Default");
    EXPECT_FALSE(host->isEnabled());

    struct Case {
        const char* what;
        S applied;
        S shown;
        const char* charsetText;
    };
    const S every{.accessMode = 1, .host = "db.example", .port = "3307", .database = "shop", .user = "admin",
                  .password = "pw", .characterSetEntry = 16, .oracleService = "ORCL", .oracleUser = "scott",
                  .oraclePassword = "tiger", .existingTablePolicy = 2, .tableDefinitionsOnly = true,
                  .skipIndexes = true, .namesUppercase = false, .keysAndConstraints = true};
    const Case cases[] = {
        {"no choice", {.accessMode = -1, .characterSetEntry = -1, .existingTablePolicy = -1},
         {.accessMode = -1, .characterSetEntry = -1, .existingTablePolicy = -1}, ""},
        {"out of range", {.accessMode = 5, .characterSetEntry = 37, .existingTablePolicy = 9},
         {.accessMode = 1, .characterSetEntry = -1, .existingTablePolicy = 2}, ""},
        {"local", {.host = "kept", .characterSetEntry = 36}, {.host = "kept", .characterSetEntry = 36}, "utf8"},
        {"typed over an entry", {.characterSetEntry = 36, .characterSetTyped = "utf8mb4"},
         {.characterSetEntry = 36, .characterSetTyped = "utf8mb4"}, "utf8mb4"},
        {"an entry again over typed text", {.characterSetEntry = 36}, {.characterSetEntry = 36}, "utf8"},
        {"every input, tables not applied",
         [&] {
             S s = every;
             s.tables = {true, {"ORDERS"}};
             return s;
         }(),
         every, "gb2312"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        form.applySettings(c.applied);
        EXPECT_EQ(shownBy(form), c.shown);
        EXPECT_EQ(form.settings(), c.shown);
        EXPECT_EQ(charset->currentText(), c.charsetText);
        EXPECT_EQ(host->isEnabled(), c.shown.accessMode != 0) << "the host field follows the access mode";
    }

    // What the user enters, and the tables in the selected list.
    const S entered{.accessMode = 0, .host = "h", .port = "1", .database = "d", .user = "u", .password = "p",
                    .characterSetEntry = 25, .characterSetTyped = "latin1 typed", .oracleService = "s",
                    .oracleUser = "ou", .oraclePassword = "op", .existingTablePolicy = 1, .tableDefinitionsOnly = false, .skipIndexes = false,
                    .namesUppercase = true, .roundValues = true, .tables = {false, {"ORDERS", "CUSTOMERS"}}};
    enter(form, entered);
    EXPECT_EQ(form.settings(), entered);
    EXPECT_FALSE(host->isEnabled());
}

TEST_F(StoredSettingsTest, TheWindowLoadsItsInputsWhenCreatedAndStoresThemWhenDestroyed)
{
    const S inputs{.accessMode = 1, .host = "db.example", .oracleService = "sqlite:/data/schema.sqlite",
                   .namesUppercase = false, .keysAndConstraints = true};
    {
        Taaform1 form(dialogs);
        form.applySettings(inputs);
        control<QListWidget>(form, "selecttables")->addItems({"EMP"});
    }
    EXPECT_EQ(fileMode(settingsFile()), 0600);
    Taaform1 again(dialogs);
    EXPECT_EQ(again.settings(), inputs) << "the selected tables are not kept";
    EXPECT_TRUE(control<QLineEdit>(again, "edthost")->isEnabled());
    EXPECT_TRUE(QFileInfo::exists(home.path() + "/data/Zembrix"));
    EXPECT_TRUE(dialogs.shown.isEmpty());
}

TEST(IntegerText, AcceptsDecimalAndHexadecimalWholeNumbers)
{
    const std::pair<const char*, int> accepted[] = {
        {"0", 0},           {"7", 7},           {"007", 7},          {"-12", -12},   {"+12", 12},
        {"   42", 42},      {"2147483647", 2147483647},              {"-2147483648", -2147483647 - 1},
        {"$1F", 31},        {"$1f", 31},        {"x10", 16},         {"X10", 16},    {"0x10", 16},
        {"0X10", 16},       {"-$10", -16},      {" +0x7fffffff", 2147483647},         {"$FFFFFFFF", -1},
        {"$80000000", -2147483647 - 1},         {"-$FFFFFFFF", 1},   {"$000000001", 1}};
    for (const auto& [text, value] : accepted) {
        SCOPED_TRACE(text);
        const std::optional<int> parsed = parseIntegerText(QString::fromLatin1(text));
        ASSERT_TRUE(parsed.has_value());
        EXPECT_EQ(*parsed, value);
    }
    EXPECT_EQ(parseIntegerText(QString::fromLatin1("12\0x", 4)), 12) << "the text ends at a NUL";
}

TEST(IntegerText, RejectsEverythingElse)
{
    const char* const rejected[] = {"",    " ",   "-",       "+",         "$",           "0x",
                                    "x",   "1 ",  "\t1",     "1\t",       "- 1",         "--1",
                                    "+-1", "1.5", "1e3",     "12abc",     "abc",         "$G",
                                    "0x1g", "00x1", "2147483648", "-2147483649", "$100000000", "99999999999999999999",
                                    "１"};
    for (const char* text : rejected) {
        SCOPED_TRACE(text);
        EXPECT_FALSE(parseIntegerText(QString::fromUtf8(text)).has_value());
    }
}

}  // namespace
