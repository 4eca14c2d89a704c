#include "batch/JobFile.h"
#include "data/Errors.h"
#include "support/Files.h"
#include "support/QtPrinters.h"
#include "support/ScriptedDialogs.h"
#include "wizard/RadioGroup.h"
#include "wizard/Taaform1.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QListWidget>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>
#include <sys/stat.h>

using namespace qv;
using namespace qv::test;

namespace {

// The job of a local server with two listed tables and empty passwords.
JobValues shopJob()
{
    JobValues v;
    v.accessMode = 0;
    v.mysqlDatabase = "shop";
    v.port = "3306";
    v.mysqlUser = "loader";
    v.oracleService = "ORCL";
    v.oracleUser = "app";
    v.existingTablePolicy = 0;
    v.characterSet = "utf8";
    v.nameUppercase = true;
    v.selectionMode = 0;
    v.tables = QStringList{"CUSTOMERS", "ORDERS"};
    return v;
}

const QStringList shopLines{"accessmode=0", "mysqldatabase=shop", "port=3306",     "mysqlu=loader",
                            "mysqlp=",      "host=",              "oracleh=ORCL",  "oracleu=app",
                            "oraclep=",     "processtable=0",     "character_set=utf8", "tabledefonly=0",
                            "skipindex=0",  "nameuppercase=1",    "alltables=0",   "tables1=CUSTOMERS",
                            "tables2=ORDERS"};

void putFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(file.write(bytes), bytes.size());
}

JobFile jobOf(const char* text)
{
    return JobFile::fromBytes(QByteArray(text));
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

}  // namespace

// ---- Writing ---------------------------------------------------------------

TEST(JobWriter, ListedTablesFollowTheFifteenSettingsNumberedFromOne)
{
    EXPECT_EQ(jobLines(shopJob()), shopLines);
    EXPECT_EQ(jobFileBytes(shopJob()), (shopLines.join("\r\n") + "\r\n").toUtf8());
}

TEST(JobWriter, AllTablesWritesFifteenLinesAndNoTableLines)
{
    JobValues v = shopJob();
    v.selectionMode = 1;
    const QStringList lines = jobLines(v);
    ASSERT_EQ(lines.size(), 15);
    EXPECT_EQ(lines, shopLines.mid(0, 14) + QStringList{"alltables=1"});

    v.selectionMode = 0;
    v.tables.clear();
    EXPECT_EQ(jobLines(v).size(), 15);
    EXPECT_EQ(jobLines(v).last(), "alltables=0");
}

TEST(JobWriter, IndexesFlagsAndTextsAreWrittenAsGiven)
{
    JobValues v;
    v.accessMode = 1;
    v.existingTablePolicy = -1;  // no policy chosen
    v.host = " db.example ";
    v.mysqlPassword = "a=b=c";
    v.characterSet = "my own";
    v.tableDefinitionOnly = true;
    v.skipIndex = true;
    v.selectionMode = 1;
    v.tables = QStringList{"IGNORED"};
    const QStringList lines = jobLines(v);
    EXPECT_EQ(lines.at(0), "accessmode=1");
    EXPECT_EQ(lines.at(4), "mysqlp=a=b=c");
    EXPECT_EQ(lines.at(5), "host= db.example ");
    EXPECT_EQ(lines.at(9), "processtable=-1");
    EXPECT_EQ(lines.at(10), "character_set=my own");
    EXPECT_EQ(lines.at(11), "tabledefonly=1");
    EXPECT_EQ(lines.at(12), "skipindex=1");
    EXPECT_EQ(lines.at(13), "nameuppercase=0");
    EXPECT_EQ(lines.size(), 15);
}

TEST(JobWriter, NonAsciiTextIsUtf8WithoutAMark)
{
    JobValues v = shopJob();
    v.oraclePassword = QStringLiteral("密码ü");
    const QByteArray bytes = jobFileBytes(v);
    EXPECT_FALSE(bytes.startsWith("\xEF\xBB\xBF"));
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
    JobValues shorter = shopJob();
    shorter.selectionMode = 1;
    writeJobFile(path, shorter);
    EXPECT_EQ(fileMode(path), 0600);
    EXPECT_EQ(fileBytes(path), jobFileBytes(shorter));
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

// ---- Reading ---------------------------------------------------------------

TEST(JobReader, LineEndsAndUtf8MarkReadAlike)
{
    const QStringList expected = shopLines;
    const QString body = shopLines.join("\n") + "\n";
    const JobFile crlf = JobFile::fromBytes(jobFileBytes(shopJob()));
    EXPECT_EQ(crlf.lines(), expected);
    EXPECT_EQ(JobFile::fromBytes(QString(body).replace('\n', '\r').toUtf8()).lines(), expected);
    EXPECT_EQ(JobFile::fromBytes(body.toUtf8()).lines(), expected);
    EXPECT_EQ(JobFile::fromBytes("\xEF\xBB\xBF" + jobFileBytes(shopJob())).lines(), expected);
    // No final line break: the last line is still there.
    EXPECT_EQ(JobFile::fromBytes(shopLines.join("\r\n").toUtf8()).lines(), expected);
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
    const QByteArray withNul("port=1\r\nhost=h\0st\r\nmysqlu=root\r\n", 32);
    const JobFile job = JobFile::fromBytes(withNul);
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

// ---- The wizard window -------------------------------------------------------

class JobWindow : public ::testing::Test {
protected:
    void SetUp() override
    {
        ensureApplication();
        qputenv("QUORVANE_LANGUAGE", "en");
        resetStoredSettings();
        form = std::make_unique<Taaform1>(dialogs);
    }

    static std::unique_ptr<Taaform1> newWindow(ScriptedDialogs& dialogs)
    {
        resetStoredSettings();
        return std::make_unique<Taaform1>(dialogs);
    }

    static QStringList names(const QListWidget* list)
    {
        QStringList result;
        for (int i = 0; i < list->count(); ++i)
            result << list->item(i)->text();
        return result;
    }

    void offer(const QStringList& tables)
    {
        form->availabletables->clear();
        form->selecttables->clear();
        form->availabletables->addItems(tables);
    }

    ScriptedDialogs dialogs;
    std::unique_ptr<Taaform1> form;
};

TEST_F(JobWindow, ApplyingSetsEveryControl)
{
    applyJob(jobOf("accessmode=1\r\nmysqldatabase=shop\r\nport=3307\r\nmysqlu=loader\r\nmysqlp=p=w\r\n"
                   "host=db.example\r\noracleh=ORCL\r\noracleu=app\r\noraclep=tiger\r\nprocesstable=2\r\n"
                   "character_set=gbk\r\ntabledefonly=1\r\nskipindex=1\r\nnameuppercase=0\r\nalltables=1\r\n"),
             *form);
    EXPECT_EQ(form->accessmode->itemIndex(), 1);
    EXPECT_TRUE(form->edthost->isEnabled());  // the access mode's own action ran
    EXPECT_EQ(form->edtdatabase->text(), "shop");
    EXPECT_EQ(form->edtport->text(), "3307");
    EXPECT_EQ(form->edtname->text(), "loader");
    EXPECT_EQ(form->edtpassword->text(), "p=w");
    EXPECT_EQ(form->edthost->text(), "db.example");
    EXPECT_EQ(form->edtservice->text(), "ORCL");
    EXPECT_EQ(form->edtoracleusername->text(), "app");
    EXPECT_EQ(form->edtoraclepassword->text(), "tiger");
    EXPECT_EQ(form->processtable->itemIndex(), 2);
    EXPECT_EQ(form->cbcharset->currentText(), "gbk");
    EXPECT_TRUE(form->chktabledefi->isChecked());
    EXPECT_TRUE(form->chkskipindex->isChecked());
    EXPECT_FALSE(form->chkuppercase->isChecked());

    // Absent texts empty their fields; flags other than "1" clear.
    form->edtport->setText("3306");
    applyJob(jobOf("AccessMode=0\r\nprocesstable=$1\r\ntabledefonly=01\r\nskipindex=\r\nnameuppercase=1\r\n"),
             *form);
    EXPECT_EQ(form->accessmode->itemIndex(), 0);
    EXPECT_FALSE(form->edthost->isEnabled());
    EXPECT_EQ(form->edtport->text(), "");
    EXPECT_EQ(form->edtdatabase->text(), "");
    EXPECT_EQ(form->processtable->itemIndex(), 1);
    EXPECT_FALSE(form->chktabledefi->isChecked());
    EXPECT_FALSE(form->chkskipindex->isChecked());
    EXPECT_TRUE(form->chkuppercase->isChecked());
}

TEST_F(JobWindow, CharacterSetMatchesAnEntryLetterForLetter)
{
    const auto apply = [this](const char* value) {
        applyJob(jobOf((QByteArray("accessmode=0\r\nprocesstable=0\r\ncharacter_set=") + value).constData()), *form);
        return form->cbcharset->currentIndex();
    };
    EXPECT_EQ(apply("utf8"), Taaform1::characterSetEntries().indexOf("utf8"));
    EXPECT_EQ(apply("UTF8"), -1);
    EXPECT_EQ(apply("Default"), 0);
    EXPECT_EQ(apply("utf8 "), -1);
    EXPECT_EQ(apply(""), -1);
}

TEST_F(JobWindow, ChoicesAreClampedToTheirItems)
{
    applyJob(jobOf("accessmode=7\r\nprocesstable=0x10\r\n"), *form);
    EXPECT_EQ(form->accessmode->itemIndex(), 1);
    EXPECT_EQ(form->processtable->itemIndex(), 2);
    applyJob(jobOf("accessmode=-5\r\nprocesstable= -1\r\n"), *form);
    EXPECT_EQ(form->accessmode->itemIndex(), -1);
    EXPECT_EQ(form->processtable->itemIndex(), -1);
}

TEST_F(JobWindow, AMalformedIntegerStopsTheApplyingAtItsKey)
{
    form->edtdatabase->setText("before");
    try {
        applyJob(jobOf("accessmode=1x\r\nmysqldatabase=shop\r\n"), *form);
        FAIL() << "no error";
    } catch (const ConversionError& e) {
        EXPECT_EQ(e.message(), "''1x'' is not a valid integer value");
    }
    EXPECT_EQ(form->edtdatabase->text(), "before");

    // The keys before processtable are applied, the flags after it are not.
    form->chkuppercase->setChecked(false);
    try {
        applyJob(jobOf("accessmode=1\r\nmysqldatabase=shop\r\ncharacter_set=utf8\r\nnameuppercase=1\r\n"), *form);
        FAIL() << "no error";
    } catch (const ConversionError& e) {
        EXPECT_EQ(e.message(), "'''' is not a valid integer value");
    }
    EXPECT_EQ(form->edtdatabase->text(), "shop");
    EXPECT_EQ(form->cbcharset->currentText(), "utf8");
    EXPECT_FALSE(form->chkuppercase->isChecked());
}

TEST_F(JobWindow, AllTablesMeansExactlyOne)
{
    offer({"CUSTOMERS", "ORDERS", "STOCK"});
    chooseJobTables(jobOf("alltables=1\r\ntables1=STOCK\r\n"), *form);
    EXPECT_EQ(names(form->selecttables), (QStringList{"CUSTOMERS", "ORDERS", "STOCK"}));
    EXPECT_EQ(form->availabletables->count(), 0);

    for (const char* notOne : {"01", " 1", "1 ", "", "2"}) {
        offer({"CUSTOMERS", "ORDERS", "STOCK"});
        chooseJobTables(jobOf((QByteArray("alltables=") + notOne + "\r\ntables1=STOCK\r\n").constData()), *form);
        EXPECT_EQ(names(form->selecttables), QStringList{"STOCK"}) << notOne;
        EXPECT_EQ(names(form->availabletables), (QStringList{"CUSTOMERS", "ORDERS"})) << notOne;
    }
}

TEST_F(JobWindow, ListedTablesInTheirLinesOrderMatchedExactly)
{
    offer({"CUSTOMERS", "ORDERS", "STOCK"});
    chooseJobTables(jobOf("alltables=0\r\ntables1=ORDERS\r\ntables2=CUSTOMERS\r\n"), *form);
    EXPECT_EQ(names(form->selecttables), (QStringList{"ORDERS", "CUSTOMERS"}));
    EXPECT_EQ(names(form->availabletables), QStringList{"STOCK"});

    offer({"CUSTOMERS", "ORDERS"});
    chooseJobTables(jobOf("alltables=0\r\ntables1=orders\r\ntables2=ORDER\r\ntables3=NOPE\r\n"), *form);
    EXPECT_EQ(form->selecttables->count(), 0);
    EXPECT_EQ(form->availabletables->count(), 2);

    // No table lines: nothing is chosen.
    offer({"CUSTOMERS"});
    chooseJobTables(jobOf("alltables=0\r\n"), *form);
    EXPECT_EQ(form->selecttables->count(), 0);
}

TEST_F(JobWindow, TableLinesAreLookedUpFromZeroBelowTheLineCount)
{
    // Three lines: tables0, tables1 and tables2 are looked up, tables3 is not.
    offer({"A", "B", "C", "D"});
    chooseJobTables(jobOf("tables3=D\r\ntables0=C\r\ntables1=A\r\n"), *form);
    EXPECT_EQ(names(form->selecttables), (QStringList{"C", "A"}));

    // Lines without "=" and empty lines count; the same name twice moves once.
    offer({"A", "B", "C", "D"});
    chooseJobTables(jobOf("tables1=B\r\ntables2=B\r\n\r\nnot a setting\r\ntables4=D\r\n"), *form);
    EXPECT_EQ(names(form->selecttables), (QStringList{"B", "D"}));
}

TEST_F(JobWindow, OnlyTheMatchingTableMovesWhateverWasSelected)
{
    offer({"A", "B", "C"});
    form->availabletables->item(2)->setSelected(true);
    chooseJobTables(jobOf("alltables=0\r\ntables1=A\r\n"), *form);
    EXPECT_EQ(names(form->selecttables), QStringList{"A"});
}

TEST_F(JobWindow, WrittenJobAppliedToAFreshWindowGivesTheSameInputs)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("nightly.qvjob");
    form->accessmode->setItemIndex(1);
    form->edtdatabase->setText("shop");
    form->edtdatabase2->setText("shop");  // page 4's copy, which the editor shows
    form->edtport->setText("3307");
    form->edtname->setText("loader");
    form->edtpassword->setText("p=w =");
    form->edthost->setText("db.example");
    form->edtservice->setText("ORCL");
    form->edtoracleusername->setText(QStringLiteral("用户"));
    form->edtoraclepassword->setText("tiger");
    form->processtable->setItemIndex(1);
    form->cbcharset->setCurrentIndex(Taaform1::characterSetEntries().indexOf("latin1"));
    form->chktabledefi->setChecked(true);
    form->chkskipindex->setChecked(false);
    form->chkuppercase->setChecked(true);
    form->availabletables->clear();
    form->selecttables->clear();
    form->selecttables->addItems({"ORDERS", "CUSTOMERS"});

    JobValues editor = jobEditorValues(*form, 0);
    editor.host = "ignored";  // the host always comes from the wizard
    writeJobFile(path, *form, editor);
    EXPECT_EQ(fileMode(path), 0600);
    const JobFile job = JobFile::read(path);
    EXPECT_EQ(job.lineCount(), 17);

    ScriptedDialogs otherDialogs;
    std::unique_ptr<Taaform1> fresh = newWindow(otherDialogs);
    applyJob(job, *fresh);
    fresh->availabletables->clear();
    fresh->selecttables->clear();
    fresh->availabletables->addItems({"CUSTOMERS", "ORDERS", "STOCK"});
    chooseJobTables(job, *fresh);

    EXPECT_EQ(fresh->accessmode->itemIndex(), form->accessmode->itemIndex());
    EXPECT_EQ(fresh->edthost->isEnabled(), form->edthost->isEnabled());
    for (auto field : {&Taaform1::edtdatabase, &Taaform1::edtport, &Taaform1::edtname, &Taaform1::edtpassword,
                       &Taaform1::edthost, &Taaform1::edtservice, &Taaform1::edtoracleusername,
                       &Taaform1::edtoraclepassword})
        EXPECT_EQ((fresh.get()->*field)->text(), (form.get()->*field)->text());
    EXPECT_EQ(fresh->processtable->itemIndex(), 1);
    EXPECT_EQ(fresh->cbcharset->currentIndex(), form->cbcharset->currentIndex());
    EXPECT_EQ(fresh->chktabledefi->isChecked(), true);
    EXPECT_EQ(fresh->chkskipindex->isChecked(), false);
    EXPECT_EQ(fresh->chkuppercase->isChecked(), true);
    EXPECT_EQ(names(fresh->selecttables), names(form->selecttables));
    EXPECT_EQ(names(fresh->availabletables), QStringList{"STOCK"});
    EXPECT_TRUE(otherDialogs.shown.isEmpty());

    // The same window, all tables: 15 lines, every available table moves.
    writeJobFile(path, *form, jobEditorValues(*form, 1));
    const JobFile all = JobFile::read(path);
    EXPECT_EQ(all.lineCount(), 15);
    fresh->selecttables->clear();
    fresh->availabletables->addItems({"A", "B"});
    chooseJobTables(all, *fresh);
    EXPECT_EQ(names(fresh->selecttables), (QStringList{"STOCK", "A", "B"}));
}
