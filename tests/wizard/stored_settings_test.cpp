#include "data/Errors.h"
#include "support/Files.h"
#include "support/ScriptedDialogs.h"
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
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace qv;
using namespace qv::test;

namespace {

const QStringList storedNames{"accessmode", "mysqldatabase", "mysqlu", "mysqlp", "host", "port", "Character Set",
                              "oracleh", "oracleu", "oraclep", "processtable", "tabledefonly", "nameuppercase",
                              "skipindex"};

QSettings::SettingsMap ordinaryValues()
{
    return {{"accessmode", "1"},       {"mysqldatabase", "shop"}, {"mysqlu", "root"},     {"mysqlp", "pw"},
            {"host", "db.example"},    {"port", "3307"},          {"Character Set", "36"}, {"oracleh", "ORCL"},
            {"oracleu", "scott"},      {"oraclep", "tiger"},      {"processtable", "1"},  {"tabledefonly", "1"},
            {"nameuppercase", "1"},    {"skipindex", "1"}};
}

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

    static void store(const QSettings::SettingsMap& values)
    {
        QSettings settings(QSettings::NativeFormat, QSettings::UserScope, "Zembrix", "Quorvane");
        for (auto it = values.begin(); it != values.end(); ++it)
            settings.setValue(it.key(), it.value());
    }

    static void storeWithout(const QString& name, const QSettings::SettingsMap& changes = {})
    {
        QSettings::SettingsMap values = ordinaryValues();
        values.remove(name);
        values.insert(changes);
        store(values);
    }

    // Writes the file as a user's editor would leave it.
    void writeFile(const QByteArray& text)
    {
        ASSERT_TRUE(QDir().mkpath(configHome() + "/Zembrix"));
        QFile file(settingsFile());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(text);
    }

    QTemporaryDir home;
    ScriptedDialogs dialogs;
};

void expectFirstStartControls(const Taaform1& form)
{
    EXPECT_EQ(form.accessmode->itemIndex(), 0);
    EXPECT_FALSE(form.edthost->isEnabled());
    EXPECT_EQ(form.edthost->text(), "");
    EXPECT_EQ(form.edtport->text(), "3306");
    EXPECT_EQ(form.cbcharset->currentIndex(), 0);
    EXPECT_EQ(form.cbcharset->currentText(), "Default");
    EXPECT_EQ(form.processtable->itemIndex(), 0);
    EXPECT_TRUE(form.chkuppercase->isChecked());
    EXPECT_FALSE(form.chktabledefi->isChecked());
    EXPECT_FALSE(form.chkskipindex->isChecked());
    for (const QLineEdit* edit : {form.edtdatabase, form.edtname, form.edtpassword, form.edtservice,
                                  form.edtoracleusername, form.edtoraclepassword})
        EXPECT_EQ(edit->text(), "") << edit->objectName().toStdString();
}

TEST_F(StoredSettingsTest, FirstStartKeepsTheWindowsValuesAndStoresAllFourteen)
{
    Taaform1 form(dialogs);
    loadStoredSettings(form);
    expectFirstStartControls(form);
    EXPECT_FALSE(QFileInfo::exists(settingsFile())) << "loading must not create the store";

    saveStoredSettings(form);
    ASSERT_TRUE(QFileInfo::exists(settingsFile()));
    QSettings settings = open();
    QStringList names = settings.childKeys();
    QStringList expected = storedNames;
    names.sort();
    expected.sort();
    EXPECT_EQ(names, expected);
    const QSettings::SettingsMap values{{"accessmode", "0"},    {"port", "3306"},       {"Character Set", "0"},
                                        {"processtable", "0"},  {"tabledefonly", "0"},  {"nameuppercase", "1"},
                                        {"skipindex", "0"},     {"host", ""},           {"mysqlp", ""}};
    for (auto it = values.begin(); it != values.end(); ++it) {
        const QVariant value = settings.value(it.key());
        EXPECT_EQ(value.typeId(), QMetaType::QString) << it.key().toStdString();
        EXPECT_EQ(value.toString(), it.value().toString()) << it.key().toStdString();
    }
}

TEST_F(StoredSettingsTest, EveryControlSurvivesARoundTripAndPasswordsArePlainText)
{
    store({{"unrelated", "kept"}});
    const QString awkward = QStringLiteral(" p@ss, w0rd;=\"x\" #[General] \\ 密码 ");
    {
        Taaform1 form(dialogs);
        form.accessmode->setItemIndex(1);
        form.edtdatabase->setText("shop");
        form.edtname->setText("admin");
        form.edtpassword->setText(awkward);
        form.edthost->setText("@db.example");
        form.edtport->setText("not a port");
        form.cbcharset->setCurrentIndex(36);
        form.edtservice->setText("sqlite:/tmp/x.db");
        form.edtoracleusername->setText("scott");
        form.edtoraclepassword->setText("tiger");
        form.processtable->setItemIndex(2);
        form.chktabledefi->setChecked(true);
        form.chkskipindex->setChecked(true);
        form.chkuppercase->setChecked(false);
        saveStoredSettings(form);
    }
    {
        QSettings settings = open();
        EXPECT_EQ(settings.value("mysqlp").toString(), awkward);
        EXPECT_EQ(settings.value("oraclep").toString(), "tiger");
        EXPECT_EQ(settings.value("Character Set").toString(), "36");
        EXPECT_EQ(settings.value("processtable").toString(), "2");
        EXPECT_EQ(settings.value("unrelated").toString(), "kept");
    }
    Taaform1 form(dialogs);
    loadStoredSettings(form);
    EXPECT_EQ(form.accessmode->itemIndex(), 1);
    EXPECT_TRUE(form.edthost->isEnabled());
    EXPECT_EQ(form.edtdatabase->text(), "shop");
    EXPECT_EQ(form.edtname->text(), "admin");
    EXPECT_EQ(form.edtpassword->text(), awkward);
    EXPECT_EQ(form.edthost->text(), "@db.example");
    EXPECT_EQ(form.edtport->text(), "not a port");
    EXPECT_EQ(form.cbcharset->currentText(), "utf8");
    EXPECT_EQ(form.edtservice->text(), "sqlite:/tmp/x.db");
    EXPECT_EQ(form.edtoracleusername->text(), "scott");
    EXPECT_EQ(form.edtoraclepassword->text(), "tiger");
    EXPECT_EQ(form.processtable->itemIndex(), 2);
    EXPECT_TRUE(form.chktabledefi->isChecked());
    EXPECT_TRUE(form.chkskipindex->isChecked());
    EXPECT_FALSE(form.chkuppercase->isChecked());
}

TEST_F(StoredSettingsTest, NoChoiceIsStoredAsMinusOneAndComesBack)
{
    {
        Taaform1 form(dialogs);
        form.accessmode->setItemIndex(-1);
        form.processtable->setItemIndex(-1);
        form.cbcharset->setCurrentIndex(-1);
        saveStoredSettings(form);
    }
    QSettings settings = open();
    EXPECT_EQ(settings.value("accessmode").toString(), "-1");
    EXPECT_EQ(settings.value("processtable").toString(), "-1");
    EXPECT_EQ(settings.value("Character Set").toString(), "-1");
    Taaform1 form(dialogs);
    loadStoredSettings(form);
    EXPECT_EQ(form.accessmode->itemIndex(), -1);
    EXPECT_EQ(form.processtable->itemIndex(), -1);
    EXPECT_EQ(form.cbcharset->currentIndex(), -1);
    EXPECT_EQ(form.cbcharset->currentText(), "");
}

TEST_F(StoredSettingsTest, WithoutAStoreTheControlsKeepTheirValues)
{
    // An organisation-wide file is not the store.
    QSettings("Zembrix").setValue("port", "1");
    Taaform1 form(dialogs);
    form.accessmode->setItemIndex(1);
    form.edtport->setText("4000");
    form.cbcharset->setCurrentIndex(5);
    form.chkuppercase->setChecked(false);
    form.chkskipindex->setChecked(true);
    loadStoredSettings(form);
    EXPECT_EQ(form.accessmode->itemIndex(), 1);
    EXPECT_EQ(form.edtport->text(), "4000");
    EXPECT_EQ(form.cbcharset->currentIndex(), 5);
    EXPECT_FALSE(form.chkuppercase->isChecked());
    EXPECT_TRUE(form.chkskipindex->isChecked());
}

TEST_F(StoredSettingsTest, MissingValuesEmptyFieldsClearBoxesAndChooseTheFirstItem)
{
    store({{"unrelated", "x"}});
    QSettings("Zembrix").setValue("port", "1");  // not a fallback either
    Taaform1 form(dialogs);
    form.accessmode->setItemIndex(1);
    form.processtable->setItemIndex(2);
    form.cbcharset->setCurrentIndex(5);
    form.edtdatabase->setText("old");
    form.chktabledefi->setChecked(true);
    form.chkskipindex->setChecked(true);
    loadStoredSettings(form);
    EXPECT_EQ(form.accessmode->itemIndex(), 0);
    EXPECT_FALSE(form.edthost->isEnabled());
    EXPECT_EQ(form.edtport->text(), "");
    EXPECT_EQ(form.edtdatabase->text(), "");
    EXPECT_EQ(form.cbcharset->currentIndex(), 0);
    EXPECT_EQ(form.processtable->itemIndex(), 0);
    EXPECT_FALSE(form.chkuppercase->isChecked());
    EXPECT_FALSE(form.chktabledefi->isChecked());
    EXPECT_FALSE(form.chkskipindex->isChecked());
}

TEST_F(StoredSettingsTest, OneMissingValueAffectsOnlyItsControl)
{
    storeWithout("port");
    Taaform1 form(dialogs);
    loadStoredSettings(form);
    EXPECT_EQ(form.edtport->text(), "");
    EXPECT_EQ(form.edthost->text(), "db.example");
    EXPECT_EQ(form.edtoraclepassword->text(), "tiger");
    EXPECT_TRUE(form.chkskipindex->isChecked());
}

struct NumberCase {
    const char* stored;  // nullptr: the value is missing
    int expected;
};

// The control starts on a different item, so "item 0 after a failure" and
// "left alone" cannot be mistaken for each other.
TEST_F(StoredSettingsTest, AccessModeAndPolicyAreClampedAndFallBackToTheFirstItem)
{
    const NumberCase accessCases[] = {{"0", 0},   {"1", 1},   {"5", 1},  {"-1", -1}, {"-7", -1}, {"abc", 0},
                                      {"", 0},    {nullptr, 0}, {" 1", 1}, {"1 ", 0},  {"$1", 1},  {"0x1", 1},
                                      {"+1", 1},  {"1.0", 0}, {"99999999999", 0}};
    for (const NumberCase& c : accessCases) {
        SCOPED_TRACE(c.stored ? c.stored : "(missing)");
        c.stored ? storeWithout("accessmode", {{"accessmode", c.stored}}) : storeWithout("accessmode");
        Taaform1 form(dialogs);
        form.accessmode->setItemIndex(c.expected == 0 ? 1 : 0);
        loadStoredSettings(form);
        EXPECT_EQ(form.accessmode->itemIndex(), c.expected);
        if (c.expected >= 0) {
            EXPECT_EQ(form.edthost->isEnabled(), c.expected == 1) << "the host field follows the access mode";
        }
    }
    const NumberCase policyCases[] = {{"1", 1},  {"2", 2},  {"9", 2},   {"x2", 2}, {"-2", -1},
                                      {"abc", 0}, {"", 0},  {nullptr, 0}, {"2x", 0}};
    for (const NumberCase& c : policyCases) {
        SCOPED_TRACE(c.stored ? c.stored : "(missing)");
        c.stored ? storeWithout("processtable", {{"processtable", c.stored}}) : storeWithout("processtable");
        Taaform1 form(dialogs);
        form.processtable->setItemIndex(c.expected == 0 ? 1 : 0);
        loadStoredSettings(form);
        EXPECT_EQ(form.processtable->itemIndex(), c.expected);
    }
}

TEST_F(StoredSettingsTest, CharacterSetPositionOutsideTheListChoosesNothingAndFailureChoosesDefault)
{
    struct Case {
        const char* stored;
        int expected;
        const char* text;
    };
    const Case cases[] = {{"36", 36, "utf8"}, {"$10", 16, "gb2312"}, {"0", 0, "Default"}, {"-1", -1, ""},
                          {"37", -1, ""},     {"-5", -1, ""},        {"abc", 0, "Default"}, {"", 0, "Default"},
                          {nullptr, 0, "Default"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.stored ? c.stored : "(missing)");
        c.stored ? storeWithout("Character Set", {{"Character Set", c.stored}}) : storeWithout("Character Set");
        Taaform1 form(dialogs);
        form.cbcharset->setCurrentIndex(c.expected == 5 ? 6 : 5);
        loadStoredSettings(form);
        EXPECT_EQ(form.cbcharset->currentIndex(), c.expected);
        EXPECT_EQ(form.cbcharset->currentText(), c.text);
    }
}

TEST_F(StoredSettingsTest, ABoxIsCheckedExactlyByTheText1)
{
    const std::pair<const char*, bool> cases[] = {{"1", true},  {"yes", false}, {"0", false}, {"01", false},
                                                  {" 1", false}, {"1 ", false}, {"", false},  {"true", false}};
    for (const QString name : {"tabledefonly", "nameuppercase", "skipindex"}) {
        for (const auto& [stored, checked] : cases) {
            SCOPED_TRACE(name.toStdString() + " = '" + stored + "'");
            storeWithout(name, {{name, stored}});
            Taaform1 form(dialogs);
            QCheckBox* box = name == "tabledefonly"    ? form.chktabledefi
                             : name == "nameuppercase" ? form.chkuppercase
                                                       : form.chkskipindex;
            box->setChecked(!checked);
            loadStoredSettings(form);
            EXPECT_EQ(box->isChecked(), checked);
        }
    }
}

TEST_F(StoredSettingsTest, TextsAreTakenUnchangedUpToTheFirstNul)
{
    storeWithout("host", {{"host", "  spaced  "}, {"mysqlu", QString::fromLatin1("ab\0cd", 5)}, {"oracleu", ""}});
    Taaform1 form(dialogs);
    form.edtoracleusername->setText("old");
    loadStoredSettings(form);
    EXPECT_EQ(form.edthost->text(), "  spaced  ");
    EXPECT_EQ(form.edtname->text(), "ab");
    EXPECT_EQ(form.edtoracleusername->text(), "");
}

TEST_F(StoredSettingsTest, ATextOrFlagOfAnotherTypeEndsTheLoadWithAnError)
{
    // A list (host=a, b) is not a string; the values before it are loaded,
    // it and the ones after it are not.
    writeFile("[General]\naccessmode=1\nmysqldatabase=shop\nmysqlu=root\nmysqlp=pw\nhost=a, b\nport=3307\n"
              "Character%20Set=5\noracleh=ORCL\nprocesstable=2\nskipindex=1\n");
    {
        Taaform1 form(dialogs);
        try {
            loadStoredSettings(form);
            ADD_FAILURE() << "no error";
        } catch (const Error& e) {
            EXPECT_EQ(e.message(), "Invalid data type for 'host'");
        }
        EXPECT_EQ(form.accessmode->itemIndex(), 1);
        EXPECT_EQ(form.edtdatabase->text(), "shop");
        EXPECT_EQ(form.edtname->text(), "root");
        EXPECT_EQ(form.edtpassword->text(), "pw");
        EXPECT_EQ(form.edthost->text(), "");
        EXPECT_EQ(form.edtport->text(), "3306");
        EXPECT_EQ(form.cbcharset->currentIndex(), 0);
        EXPECT_EQ(form.edtservice->text(), "");
        EXPECT_EQ(form.processtable->itemIndex(), 0);
        EXPECT_FALSE(form.chkskipindex->isChecked());
    }
    storeWithout("skipindex", {{"skipindex", QByteArray("1")}});
    Taaform1 form(dialogs);
    try {
        loadStoredSettings(form);
        ADD_FAILURE() << "no error";
    } catch (const Error& e) {
        EXPECT_EQ(e.message(), "Invalid data type for 'skipindex'");
    }
    EXPECT_TRUE(form.chkuppercase->isChecked());
    EXPECT_EQ(form.processtable->itemIndex(), 1);
}

TEST_F(StoredSettingsTest, ANumberOfAnotherTypeChoosesTheFirstItemSilently)
{
    storeWithout("accessmode", {{"accessmode", QStringList{"1", "1"}},
                                {"Character Set", QByteArray("5")},
                                {"processtable", QStringList{"2", "2"}}});
    Taaform1 form(dialogs);
    form.accessmode->setItemIndex(1);
    form.processtable->setItemIndex(2);
    EXPECT_NO_THROW(loadStoredSettings(form));
    EXPECT_EQ(form.accessmode->itemIndex(), 0);
    EXPECT_EQ(form.cbcharset->currentIndex(), 0);
    EXPECT_EQ(form.processtable->itemIndex(), 0);
    EXPECT_TRUE(form.chkskipindex->isChecked()) << "loading went on after them";
}

TEST_F(StoredSettingsTest, TheStoreIsReadableByItsOwnerOnly)
{
    const mode_t previous = ::umask(0);  // the most open setting a user can have
    Taaform1 form(dialogs);
    form.edtpassword->setText("first");
    saveStoredSettings(form);
    EXPECT_EQ(fileMode(settingsFile()), 0600) << "first save";

    form.edtpassword->setText("second");
    saveStoredSettings(form);
    ::umask(previous);
    EXPECT_EQ(fileMode(settingsFile()), 0600) << "rewrite";
    EXPECT_EQ(open().value("mysqlp").toString(), "second");
    EXPECT_EQ(QDir(configHome() + "/Zembrix").entryList(QDir::Files | QDir::Hidden),
              QStringList{"Quorvane.conf"});
}

TEST_F(StoredSettingsTest, AnOlderWorldReadableStoreIsClosedDown)
{
    store({{"unrelated", "kept"}, {"mysqlp", "old"}});
    ASSERT_EQ(::chmod(QFile::encodeName(settingsFile()).constData(), 0644), 0);
    Taaform1 form(dialogs);
    form.edtpassword->setText("new");
    saveStoredSettings(form);
    EXPECT_EQ(fileMode(settingsFile()), 0600);
    QSettings settings = open();
    EXPECT_EQ(settings.value("mysqlp").toString(), "new");
    EXPECT_EQ(settings.value("unrelated").toString(), "kept");
}

TEST_F(StoredSettingsTest, AStoreThatCannotBeCreatedIsSkippedSilently)
{
    QFile blocker(configHome());  // a file where the folder should be
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    Taaform1 form(dialogs);
    EXPECT_NO_THROW(saveStoredSettings(form));
    EXPECT_TRUE(QFileInfo(configHome()).isFile());
    EXPECT_NO_THROW(loadStoredSettings(form));
    expectFirstStartControls(form);
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

TEST_F(StoredSettingsTest, TheWindowStoresItsInputsWhenDestroyedAndLoadsThemWhenCreated)
{
    {
        Taaform1 form(dialogs);
        form.edtservice->setText("sqlite:/data/schema.sqlite");
        form.accessmode->setItemIndex(1);
        form.edthost->setText("db.example");
        form.chkuppercase->setChecked(false);
    }
    EXPECT_EQ(fileMode(settingsFile()), 0600);
    Taaform1 again(dialogs);
    EXPECT_EQ(again.edtservice->text(), "sqlite:/data/schema.sqlite");
    EXPECT_EQ(again.accessmode->itemIndex(), 1);
    EXPECT_TRUE(again.edthost->isEnabled());
    EXPECT_EQ(again.edthost->text(), "db.example");
    EXPECT_FALSE(again.chkuppercase->isChecked());
    EXPECT_TRUE(QFileInfo::exists(home.path() + "/data/Zembrix"));
}
