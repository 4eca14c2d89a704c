#include "batch/JobFile.h"
#include "data/Errors.h"
#include "support/Controls.h"
#include "support/Files.h"
#include "support/QtPrinters.h"
#include "support/ScriptedDialogs.h"
#include "support/SettingsValues.h"
#include "wizard/Taaform1.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QListWidget>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>

// Designated initializers leave the inputs they do not name at their defaults.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

using namespace qv;
using namespace qv::test;
using S = ConversionSettings;

namespace {

// The job of a local server with two listed tables and empty passwords.
S shopJob()
{
    return {.port = "3306", .database = "shop", .user = "loader", .characterSetEntry = S::characterSetEntryOf("utf8"),
            .oracleService = "ORCL", .oracleUser = "app", .tables = {false, {"CUSTOMERS", "ORDERS"}}};
}

const QStringList shopLines{"accessmode=0", "mysqldatabase=shop", "port=3306",     "mysqlu=loader",
                            "mysqlp=",      "host=",              "oracleh=ORCL",  "oracleu=app",
                            "oraclep=",     "processtable=0",     "character_set=utf8", "tabledefonly=0",
                            "skipindex=0",  "nameuppercase=1",    "roundvalues=0", "constraints=0",
                            "alltables=0",  "sslmode=",           "sslca=",        "cleartextlogin=0",
                            "tables1=CUSTOMERS",
                            "tables2=ORDERS"};

S shopWith(bool all, const QStringList& tables)
{
    S s = shopJob();
    s.tables = {all, tables};
    return s;
}

void putFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(file.write(bytes), bytes.size());
}

JobFile jobOf(const QByteArray& text)
{
    return JobFile::fromBytes(text);
}

QByteArray utf16(const QString& text, bool bigEndian)
{
    QByteArray bytes = bigEndian ? QByteArray("\xFE\xFF") : QByteArray("\xFF\xFE");
    for (QChar c : text) {
        const char high = char(c.unicode() >> 8), low = char(c.unicode() & 0xFF);
        bytes.append(bigEndian ? high : low).append(bigEndian ? low : high);
    }
    return bytes;
}

// ---- Writing ---------------------------------------------------------------

TEST(JobWriter, EachSettingIsALineInFileOrderThenTheListedTables)
{
    struct Case {
        const char* what;
        S settings;
        QStringList lines;
    };
    const Case cases[] = {
        {"listed tables, numbered from 1", shopJob(), shopLines},
        {"all tables: no table lines", shopWith(true, {"CUSTOMERS"}),
         shopLines.mid(0, 16) + QStringList{"alltables=1"} + shopLines.mid(17, 3)},
        {"no listed table", shopWith(false, {}), shopLines.mid(0, 20)},
        {"keys and constraints",
         [] {
             S s = shopJob();
             s.keysAndConstraints = true;
             return s;
         }(),
         shopLines.mid(0, 15) + QStringList{"constraints=1"} + shopLines.mid(16)},
        {"first start",
         S{},
         {"accessmode=0", "mysqldatabase=", "port=3306", "mysqlu=", "mysqlp=", "host=", "oracleh=", "oracleu=",
          "oraclep=", "processtable=0", "character_set=Default", "tabledefonly=0", "skipindex=0", "nameuppercase=1",
          "roundvalues=0", "constraints=0", "alltables=0", "sslmode=", "sslca=", "cleartextlogin=0"}},
        {"indexes, flags and texts as given",
         {.accessMode = 1, .host = " db.example ", .port = "", .password = "a=b=c", .characterSetEntry = -1,
          .characterSetTyped = "my own", .existingTablePolicy = -1, .tableDefinitionsOnly = true, .skipIndexes = true, .namesUppercase = false,
          .roundValues = true, .keysAndConstraints = true, .sslMode = "verify_ca", .sslCa = "/etc/rds ca.pem",
          .clearTextLogin = true, .tables = {true, {"IGNORED"}}},
         {"accessmode=1", "mysqldatabase=", "port=", "mysqlu=", "mysqlp=a=b=c", "host= db.example ", "oracleh=",
          "oracleu=", "oraclep=", "processtable=-1", "character_set=my own", "tabledefonly=1", "skipindex=1",
          "nameuppercase=0", "roundvalues=1", "constraints=1", "alltables=1", "sslmode=verify_ca", "sslca=/etc/rds ca.pem",
          "cleartextlogin=1"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(jobLines(c.settings), c.lines);
        EXPECT_EQ(jobFileBytes(c.settings), (c.lines.join("\r\n") + "\r\n").toUtf8());
    }
}

TEST(JobWriter, NonAsciiTextIsUtf8WithoutAMark)
{
    S v = shopJob();
    v.oraclePassword = QStringLiteral("密码ü");
    const QByteArray bytes = jobFileBytes(v);
    EXPECT_TRUE(bytes.startsWith("accessmode=0\r\n"));
    EXPECT_TRUE(bytes.contains("oraclep=\xE5\xAF\x86\xE7\xA0\x81\xC3\xBC\r\n"));
}

TEST(JobWriter, FileIsOwnerOnlyAndReplacesAnExistingOne)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("nightly.qvjob");
    writeJobFile(path, shopJob());
    EXPECT_EQ(fileMode(path), 0600);
    EXPECT_EQ(fileBytes(path), jobFileBytes(shopJob()));

    // An older, longer file that others could read: replaced whole, narrowed.
    putFile(path, QByteArray(4000, 'x'));
    ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), 0644), 0);
    writeJobFile(path, shopWith(true, {}));
    EXPECT_EQ(fileMode(path), 0600);
    EXPECT_EQ(fileBytes(path), jobFileBytes(shopWith(true, {})));
}

TEST(JobWriter, MissingFolderRaisesCannotCreate)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("no/such/folder/job.qvjob");
    try {
        writeJobFile(path, shopJob());
        FAIL() << "no error";
    } catch (const Error& e) {
        EXPECT_EQ(e.message(), "Cannot create file \"" + path + "\". No such file or directory");
    }
}

TEST(JobWriter, ExtensionIsReplacedOrAppended)
{
    const struct {
        const char* path;
        const char* extension;
        const char* expected;
    } cases[] = {
        {"/jobs/nightly.desktop", ".qvjob", "/jobs/nightly.qvjob"}, {"/jobs/nightly.desktop", ".log", "/jobs/nightly.log"},
        {"/jobs/nightly.txt", ".qvjob", "/jobs/nightly.qvjob"},     {"/jobs/nightly", ".qvjob", "/jobs/nightly.qvjob"},
        {"/jobs/a.tar.gz", ".log", "/jobs/a.tar.log"},              {"/jobs/.desktop", ".qvjob", "/jobs/.qvjob"},
        {"/jobs.d/nightly", ".log", "/jobs.d/nightly.log"},  // a dot in a folder name is no extension
    };
    for (const auto& c : cases)
        EXPECT_EQ(changeFileExt(c.path, c.extension), c.expected) << c.path << " " << c.extension;
}

// ---- Reading ---------------------------------------------------------------

TEST(JobReader, LineEndsAndUtf8MarkReadAlike)
{
    const QString body = shopLines.join("\n") + "\n";
    EXPECT_EQ(JobFile::fromBytes(jobFileBytes(shopJob())).lines(), shopLines);
    EXPECT_EQ(JobFile::fromBytes(QString(body).replace('\n', '\r').toUtf8()).lines(), shopLines);
    EXPECT_EQ(JobFile::fromBytes(body.toUtf8()).lines(), shopLines);
    EXPECT_EQ(JobFile::fromBytes("\xEF\xBB\xBF" + jobFileBytes(shopJob())).lines(), shopLines);
    // No final line break: the last line is still there.
    EXPECT_EQ(JobFile::fromBytes(shopLines.join("\r\n").toUtf8()).lines(), shopLines);
}

TEST(JobReader, Utf16WithMarksInEitherByteOrder)
{
    const QString text = QStringLiteral("oraclep=密码\r\nport=3306\r\n");
    for (bool bigEndian : {false, true}) {
        const JobFile job = JobFile::fromBytes(utf16(text, bigEndian));
        EXPECT_EQ(job.lines(), (QStringList{QStringLiteral("oraclep=密码"), "port=3306"})) << bigEndian;
        EXPECT_EQ(job.value("port"), "3306");
    }
}

TEST(JobReader, EmptyLinesCountAndANulEndsTheText)
{
    EXPECT_EQ(jobOf("a=1\r\n\r\n\nb=2\r\r\n").lines(), (QStringList{"a=1", "", "", "b=2", ""}));
    EXPECT_EQ(jobOf("").lines(), QStringList{});
    EXPECT_EQ(jobOf("\r\n").lines(), QStringList{""});
    const JobFile job = jobOf(QByteArray("port=1\r\nhost=h\0st\r\nmysqlu=root\r\n", 32));
    EXPECT_EQ(job.lines(), (QStringList{"port=1", "host=h"}));
    EXPECT_EQ(job.value("mysqlu"), "");
    // In UTF-16 as well.
    EXPECT_EQ(JobFile::fromBytes(utf16(QString("a=1\r\nb=") + QChar(0) + "2", false)).lines(),
              (QStringList{"a=1", "b="}));
}

TEST(JobReader, LookupFirstLineIgnoringCaseValueVerbatim)
{
    const JobFile job = jobOf("ACCESSMODE=1\r\n"
                              "port=1\r\n"
                              "Port=2\r\n"
                              "mysqlp=pa=ss=\r\n"
                              "host= spaced \r\n"
                              "oracleh\r\n"
                              "=orphan\r\n"
                              "character_set=\r\n");
    EXPECT_EQ(job.value("accessmode"), "1");
    EXPECT_EQ(job.value("port"), "1");
    EXPECT_EQ(job.value("mysqlp"), "pa=ss=");
    EXPECT_EQ(job.value("host"), " spaced ");
    EXPECT_EQ(job.value("oracleh"), "");  // a line without "=" has no name
    EXPECT_EQ(job.value("character_set"), "");
    EXPECT_EQ(job.value("oracleu"), "");
    EXPECT_EQ(job.lineCount(), 8);
}

TEST(JobReader, FileOnDiskAndItsOpenError)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("job.qvjob");
    writeJobFile(path, shopJob());
    EXPECT_EQ(JobFile::read(path).lines(), shopLines);

    const QString previous = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(dir.path()));
    try {
        JobFile::read("missing.qvjob");
        ADD_FAILURE() << "no error";
    } catch (const Error& e) {
        EXPECT_EQ(e.message(),
                  "Cannot open file \"" + QFileInfo(dir.filePath("missing.qvjob")).absoluteFilePath() +
                      "\". No such file or directory");
    }
    QDir::setCurrent(previous);
}

// ---- Applying --------------------------------------------------------------

TEST(JobApplier, EachKeySetsItsSettingAndTheTablesAreLeftAlone)
{
    const std::pair<const char*, S> cases[] = {
        {"accessmode=1\r\nmysqldatabase=shop\r\nport=3307\r\nmysqlu=loader\r\nmysqlp=p=w\r\nhost=db.example\r\n"
         "oracleh=ORCL\r\noracleu=app\r\noraclep=tiger\r\nprocesstable=2\r\ncharacter_set=gbk\r\ntabledefonly=1\r\n"
         "skipindex=1\r\nnameuppercase=0\r\nroundvalues=1\r\nconstraints=1\r\nalltables=1\r\nSSLMODE=VERIFY_IDENTITY\r\n"
         "sslca=/ca.pem\r\ncleartextlogin=1\r\ntables1=ORDERS\r\n",
         {.accessMode = 1, .host = "db.example", .port = "3307", .database = "shop", .user = "loader",
          .password = "p=w", .characterSetEntry = S::characterSetEntryOf("gbk"), .oracleService = "ORCL",
          .oracleUser = "app", .oraclePassword = "tiger", .existingTablePolicy = 2, .tableDefinitionsOnly = true,
          .skipIndexes = true, .namesUppercase = false, .roundValues = true, .keysAndConstraints = true,
          .sslMode = "VERIFY_IDENTITY", .sslCa = "/ca.pem", .clearTextLogin = true}},
        {"accessmode=0\r\nprocesstable=0\r\nroundvalues=0\r\nconstraints=1\r\n",
         {.port = "", .characterSetEntry = -1, .namesUppercase = false, .keysAndConstraints = true}},
        // A mode is taken as written: the connection checks it.
        {"accessmode=0\r\nprocesstable=0\r\nnameuppercase=1\r\nsslmode=sometimes\r\ncleartextlogin=yes\r\n",
         {.port = "", .characterSetEntry = -1, .sslMode = "sometimes"}},
        // Absent texts are empty; flags other than "1" are cleared.
        {"AccessMode=0\r\nprocesstable=$1\r\ntabledefonly=01\r\nskipindex=\r\nnameuppercase=1\r\nconstraints=true\r\n",
         {.port = "", .characterSetEntry = -1, .existingTablePolicy = 1}},
        // Choices are clamped to their items.
        {"accessmode=7\r\nprocesstable=0x10\r\n",
         {.accessMode = 1, .port = "", .characterSetEntry = -1, .existingTablePolicy = 2, .namesUppercase = false}},
        {"accessmode=-5\r\nprocesstable= -1\r\n",
         {.accessMode = -1, .port = "", .characterSetEntry = -1, .existingTablePolicy = -1, .namesUppercase = false}},
    };
    for (const auto& [text, expected] : cases) {
        SCOPED_TRACE(text);
        S applied = unlike(expected);
        S want = expected;
        want.tables = applied.tables;
        applyJob(jobOf(text), applied);
        EXPECT_EQ(applied, want);
    }
}

TEST(JobApplier, CharacterSetMatchesAnEntryLetterForLetter)
{
    const std::pair<const char*, int> cases[] = {
        {"utf8", 36}, {"UTF8", -1}, {"Default", 0}, {"utf8 ", -1}, {"", -1}, {"gb2312", 16}};
    for (const auto& [value, entry] : cases) {
        S applied;
        applyJob(jobOf(QByteArray("accessmode=0\r\nprocesstable=0\r\ncharacter_set=") + value), applied);
        EXPECT_EQ(applied.characterSetEntry, entry) << "'" << value << "'";
        EXPECT_EQ(applied.characterSetEntryText(), entry < 0 ? "" : value) << "'" << value << "'";
    }
}

TEST(JobApplier, AMalformedIntegerStopsTheApplyingAtItsKey)
{
    const S before{.host = "h", .port = "1", .database = "before", .user = "u", .password = "p",
                   .characterSetEntry = 5, .oracleService = "s", .oracleUser = "ou", .oraclePassword = "op",
                   .existingTablePolicy = 2, .tableDefinitionsOnly = true, .skipIndexes = true,
                   .namesUppercase = false, .tables = {false, {"KEPT"}}};
    struct Case {
        const char* text;
        const char* message;
        S applied;
    };
    const Case cases[] = {
        {"accessmode=1x\r\nmysqldatabase=shop\r\n", "''1x'' is not a valid integer value", before},
        // The keys before processtable are applied, the flags after it are not.
        {"accessmode=1\r\nmysqldatabase=shop\r\ncharacter_set=utf8\r\nnameuppercase=1\r\n",
         "'''' is not a valid integer value",
         {.accessMode = 1, .port = "", .database = "shop", .characterSetEntry = 36, .existingTablePolicy = 2,
          .tableDefinitionsOnly = true, .skipIndexes = true, .namesUppercase = false, .tables = {false, {"KEPT"}}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        S applied = before;
        try {
            applyJob(jobOf(c.text), applied);
            ADD_FAILURE() << "no error";
        } catch (const ConversionError& e) {
            EXPECT_EQ(e.message(), c.message);
        }
        EXPECT_EQ(applied, c.applied);
    }
}

TEST(JobTables, AllTablesByExactlyOneElseTheTableLinesBelowTheLineCount)
{
    const std::pair<const char*, TableSelection> cases[] = {
        {"alltables=1\r\ntables1=STOCK\r\n", {true, {}}},
        {"alltables=01\r\ntables1=STOCK\r\n", {false, {"STOCK"}}},
        {"alltables= 1\r\ntables1=STOCK\r\n", {false, {"STOCK"}}},
        {"alltables=1 \r\ntables1=STOCK\r\n", {false, {"STOCK"}}},
        {"alltables=\r\ntables1=STOCK\r\n", {false, {"STOCK"}}},
        {"alltables=2\r\ntables1=STOCK\r\n", {false, {"STOCK"}}},
        {"alltables=0\r\ntables1=ORDERS\r\ntables2=CUSTOMERS\r\n", {false, {"ORDERS", "CUSTOMERS"}}},
        {"alltables=0\r\ntables1=orders\r\ntables2=ORDER\r\ntables3=NOPE\r\n", {false, {"orders", "ORDER", "NOPE"}}},
        {"alltables=0\r\n", {false, {}}},
        {"alltables=0\r\ntables1=\r\nTABLES2=X\r\n", {false, {"X"}}},
        // Three lines: tables0, tables1 and tables2 are looked up, tables3 is not.
        {"tables3=D\r\ntables0=C\r\ntables1=A\r\n", {false, {"C", "A"}}},
        // Lines without "=" and empty lines count.
        {"tables1=B\r\ntables2=B\r\n\r\nnot a setting\r\ntables4=D\r\n", {false, {"B", "B", "D"}}},
    };
    for (const auto& [text, tables] : cases)
        EXPECT_EQ(jobTables(jobOf(text)), tables) << text;
}

TEST(JobFileRoundTrip, AWrittenJobReadsBackAsItsSettings)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("nightly.qvjob");
    S listed{.accessMode = 1, .host = "db.example", .port = "3307", .database = "shop", .user = "loader",
             .password = "p=w =", .characterSetEntry = S::characterSetEntryOf("latin1"), .oracleService = "ORCL",
             .oracleUser = QStringLiteral("用户"), .oraclePassword = "tiger", .existingTablePolicy = 1,
             .tableDefinitionsOnly = true, .skipIndexes = false, .namesUppercase = true, .roundValues = true,
             .keysAndConstraints = true, .sslMode = "VERIFY_CA", .sslCa = "/etc/ssl/rds-global-bundle.pem", .clearTextLogin = true,
             .tables = {false, {"ORDERS", "CUSTOMERS"}}};
    S all = listed;
    all.tables = {true, {}};
    for (const auto& [settings, lineCount] : {std::pair{listed, 22}, std::pair{all, 20}}) {
        writeJobFile(path, settings);
        EXPECT_EQ(fileMode(path), 0600);
        const JobFile job = JobFile::read(path);
        EXPECT_EQ(job.lineCount(), lineCount);
        S back = unlike(settings);
        applyJob(job, back);
        back.tables = jobTables(job);
        EXPECT_EQ(back, settings);
    }
}

// ---- Choosing the job's tables in the window -------------------------------

TEST(WindowTables, ChosenTablesMoveFromAvailableToSelected)
{
    ensureApplication();
    qputenv("QUORVANE_LANGUAGE", "en");
    resetStoredSettings();
    ScriptedDialogs dialogs;
    Taaform1 form(dialogs);
    QListWidget* available = control<QListWidget>(form, "availabletables");
    QListWidget* selected = control<QListWidget>(form, "selecttables");
    const auto names = [](const QListWidget* list) {
        QStringList result;
        for (int i = 0; i < list->count(); ++i)
            result << list->item(i)->text();
        return result;
    };
    struct Case {
        QStringList offered;
        int preselectedRow;  // -1: none
        TableSelection tables;
        QStringList selected;
        QStringList left;
    };
    const Case cases[] = {
        {{"CUSTOMERS", "ORDERS", "STOCK"}, -1, {true, {"STOCK"}}, {"CUSTOMERS", "ORDERS", "STOCK"}, {}},
        {{"CUSTOMERS", "ORDERS", "STOCK"}, -1, {false, {"ORDERS", "CUSTOMERS"}}, {"ORDERS", "CUSTOMERS"}, {"STOCK"}},
        {{"CUSTOMERS", "ORDERS"}, -1, {false, {"orders", "ORDER", "NOPE"}}, {}, {"CUSTOMERS", "ORDERS"}},
        {{"CUSTOMERS"}, -1, {false, {}}, {}, {"CUSTOMERS"}},
        {{"A", "B", "C", "D"}, -1, {false, {"B", "B", "D"}}, {"B", "D"}, {"A", "C"}},  // twice moves once
        {{"A", "B", "C"}, 2, {false, {"A"}}, {"A"}, {"B", "C"}},  // only the match, whatever was selected
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.offered.join(",").toStdString() + " <- " + c.tables.names.join(",").toStdString());
        selected->clear();
        available->clear();
        available->addItems(c.offered);
        if (c.preselectedRow >= 0)
            available->item(c.preselectedRow)->setSelected(true);
        form.chooseTables(c.tables);
        EXPECT_EQ(names(selected), c.selected);
        EXPECT_EQ(names(available), c.left);
        EXPECT_EQ(form.settings().tables, (TableSelection{false, c.selected}));
    }
    EXPECT_TRUE(dialogs.shown.isEmpty());
}

}  // namespace
