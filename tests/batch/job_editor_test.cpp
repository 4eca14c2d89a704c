#include "batch/JobFile.h"
#include "batch/Launcher.h"
#include "batch/Tmarfrm_bat.h"
#include "support/Controls.h"
#include "support/Files.h"
#include "support/QtPrinters.h"
#include "support/ScriptedDialogs.h"
#include "wizard/RadioGroup.h"
#include "wizard/Taaform1.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFileSystemWatcher>
#include <QProcess>
#include <QStandardPaths>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>
#include <functional>
#include <memory>
#include <optional>
#include <sys/stat.h>

// Designated initializers leave the inputs they do not name at their defaults.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

using namespace qv;
using namespace qv::test;

namespace {

void writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

QStringList names(const QListWidget* list)
{
    QStringList result;
    for (int i = 0; i < list->count(); ++i)
        result << list->item(i)->text();
    return result;
}

// ---- Reading a desktop entry the way a desktop does ------------------------
//
// Written from the Desktop Entry rules, independently of the writer: string
// escapes first, then the Exec quoting, then the field codes.

QString unescapeString(const QString& value)
{
    QString result;
    for (qsizetype i = 0; i < value.size(); ++i) {
        if (value[i] != u'\\' || i + 1 == value.size()) {
            result += value[i];
            continue;
        }
        const QChar next = value[++i];
        if (next == u's')
            result += u' ';
        else if (next == u'n')
            result += u'\n';
        else if (next == u't')
            result += u'\t';
        else if (next == u'r')
            result += u'\r';
        else if (next == u'\\')
            result += u'\\';
        else
            result += QStringLiteral("\\") + next;  // not an escape: kept
    }
    return result;
}

// The keys of the [Desktop Entry] group, unescaped.
std::map<QString, QString> desktopEntry(const QString& text)
{
    std::map<QString, QString> keys;
    bool inGroup = false;
    for (const QString& line : text.split(u'\n')) {
        if (line.startsWith(u'[')) {
            inGroup = line == QLatin1String("[Desktop Entry]");
            continue;
        }
        if (!inGroup || line.startsWith(u'#') || line.trimmed().isEmpty())
            continue;
        const qsizetype equals = line.indexOf(u'=');
        if (equals < 0)
            continue;
        QString value = line.mid(equals + 1);
        while (value.startsWith(u' '))
            value.remove(0, 1);
        keys[line.left(equals).trimmed()] = unescapeString(value);
    }
    return keys;
}

// The program and arguments of an Exec value; nothing when the value breaks
// the quoting rules or carries a field code other than %%.
std::optional<QStringList> splitExec(const QString& exec)
{
    static const QString reserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
    QStringList words;
    QString word;
    bool inWord = false;
    for (qsizetype i = 0; i < exec.size(); ++i) {
        const QChar c = exec[i];
        if (c == u' ') {
            if (inWord)
                words << word;
            word.clear();
            inWord = false;
        } else if (c == u'"') {
            inWord = true;
            for (++i;; ++i) {
                if (i == exec.size())
                    return std::nullopt;  // unterminated quote
                const QChar q = exec[i];
                if (q == u'"')
                    break;
                if (q == u'\\') {
                    if (i + 1 == exec.size())
                        return std::nullopt;
                    const QChar escaped = exec[++i];
                    if (!QStringLiteral("\"`$\\").contains(escaped))
                        return std::nullopt;
                    word += escaped;
                } else if (q == u'`' || q == u'$') {
                    return std::nullopt;  // must be escaped inside quotes
                } else {
                    word += q;
                }
            }
        } else if (reserved.contains(c)) {
            return std::nullopt;  // a reserved character outside quotes
        } else {
            inWord = true;
            word += c;
        }
    }
    if (inWord)
        words << word;
    for (QString& w : words) {
        QString expanded;
        for (qsizetype i = 0; i < w.size(); ++i) {
            if (w[i] != u'%') {
                expanded += w[i];
                continue;
            }
            if (i + 1 == w.size() || w[i + 1] != u'%')
                return std::nullopt;  // a field code the desktop would expand
            expanded += u'%';
            ++i;
        }
        w = expanded;
    }
    return words;
}

// ---- Launcher text ---------------------------------------------------------

struct LauncherCase {
    QString program;
    QString job;
};

TEST(Launcher, ExecGivesExactlyTheProgramAndTheJobPath)
{
    const QList<LauncherCase> cases{
        {"/opt/quorvane/bin/quorvane", "/home/ann/jobs/nightly.qvjob"},
        {"/opt/Quorvane Tools/bin/quorvane", "/home/ann/My Jobs/nightly run.qvjob"},
        {"/opt/q/quorvane", "/home/ann/  two  blanks  .qvjob"},
        {"/opt/q\\w/quo\"rvane", "/tmp/a\\b\\\\c/\"quoted\".qvjob"},
        {"/opt/$HOME/`id`/quorvane", "/tmp/$(rm -rf ~)/`x`/100%/%f %u %%.qvjob"},
        {"/opt/q/quorvane", "/tmp/it's; a|b&c<d>e*f?g#h~i(j).qvjob"},
        {"/opt/ünï/程序", "/tmp/作业 文件/tab\there.qvjob"},
        {"/opt/q/quorvane", "/tmp/line\nbreak\rcr.qvjob"},
    };
    for (const LauncherCase& c : cases) {
        SCOPED_TRACE(c.job.toStdString());
        const QString text = desktopEntryText("nightly", {c.program, c.job, "/opt/q/"});
        const auto keys = desktopEntry(text);
        ASSERT_TRUE(keys.count("Exec"));
        const std::optional<QStringList> words = splitExec(keys.at("Exec"));
        ASSERT_TRUE(words.has_value()) << keys.at("Exec").toStdString();
        EXPECT_EQ(*words, (QStringList{c.program, c.job}));
        // Every value stays on its own line.
        EXPECT_EQ(text.count(u'\n'), 6) << text.toStdString();
    }
}

// GLib's own launcher reading, where gio is installed: the program started
// through the launcher gets exactly the job path and the working folder.
TEST(Launcher, GioStartsTheProgramWithTheJobPath)
{
    ensureApplication();
    const QString gio = QStandardPaths::findExecutable("gio");
    if (gio.isEmpty())
        GTEST_SKIP() << "gio is not installed";
    QTemporaryDir dir;
    ASSERT_TRUE(QDir(dir.path()).mkpath("bin folder"));
    ASSERT_TRUE(QDir(dir.path()).mkpath("my \"jobs\" $HOME"));
    const QString program = dir.filePath("bin folder/fake quorvane");
    const QString seen = dir.filePath("seen");
    // Records its folder and arguments; the file appears whole, by a rename.
    writeBytes(program, QStringLiteral("#!/bin/sh\n{ pwd; for a in \"$@\"; do printf '%s\\n' \"[$a]\"; done; } > '%1.tmp'"
                                       " && mv '%1.tmp' '%1'\n")
                            .arg(seen)
                            .toUtf8());
    ::chmod(QFile::encodeName(program).constData(), 0700);
    const QString job = dir.filePath("my \"jobs\" $HOME/100% back\\slash `x`.qvjob");
    const QString launcher = dir.filePath("run it.desktop");
    ASSERT_TRUE(createLauncher(launcher, {program, job, dir.filePath("bin folder") + "/"}));

    QFileSystemWatcher watcher({dir.path()});
    QEventLoop loop;
    QObject::connect(&watcher, &QFileSystemWatcher::directoryChanged, &loop, [&] {
        if (QFile::exists(seen))
            loop.quit();
    });
    QTimer::singleShot(20000, &loop, &QEventLoop::quit);  // a safety net only
    QProcess launch;
    launch.start(gio, {"launch", launcher});
    ASSERT_TRUE(launch.waitForFinished(20000));
    ASSERT_EQ(launch.exitCode(), 0) << launch.readAllStandardError().toStdString();
    if (!QFile::exists(seen))
        loop.exec();
    ASSERT_TRUE(QFile::exists(seen));
    EXPECT_EQ(QString::fromUtf8(fileBytes(seen)),
              QDir(dir.filePath("bin folder")).canonicalPath() + "\n[" + job + "]\n");
}

TEST(Launcher, EntryNamesTypeNameAndWorkingFolder)
{
    const QString text = desktopEntryText(" nightly run", {"/opt/q/quorvane", "/j/x.qvjob", "/opt/My Q/"});
    EXPECT_TRUE(text.startsWith("[Desktop Entry]\n"));
    const auto keys = desktopEntry(text);
    EXPECT_EQ(keys.at("Type"), "Application");
    EXPECT_EQ(keys.at("Name"), " nightly run");
    EXPECT_EQ(keys.at("Path"), "/opt/My Q/");
    EXPECT_EQ(keys.at("Exec"), "\"/opt/q/quorvane\" \"/j/x.qvjob\"");
}

TEST(Launcher, IsWrittenExecutableForItsOwnerOnly)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("run.desktop");
    writeBytes(path, "old content that is longer than the new one ............................"
                     "..............................................................................");
    ::chmod(QFile::encodeName(path).constData(), 0666);
    ASSERT_TRUE(createLauncher(path, {"/opt/q/quorvane", dir.filePath("run.qvjob"), "/opt/q/"}));
    EXPECT_EQ(fileMode(path), 0700);
    const QString text = QString::fromUtf8(fileBytes(path));
    EXPECT_EQ(text, desktopEntryText("run", {"/opt/q/quorvane", dir.filePath("run.qvjob"), "/opt/q/"}));
    EXPECT_FALSE(createLauncher(dir.filePath("missing/run.desktop"), {"/p", "/j", "/"}));
}

TEST(Launcher, ProgramIsThisProgramAndItsFolder)
{
    ensureApplication();
    EXPECT_EQ(programPath(), QCoreApplication::applicationFilePath());
    EXPECT_TRUE(QFileInfo(programPath()).isAbsolute());
    EXPECT_EQ(programFolder(), QFileInfo(programPath()).absolutePath() + "/");
}

// ---- Messages --------------------------------------------------------------

TEST(JobEditorNames, MessagesAreExact)
{
    EXPECT_EQ(Tmarfrm_bat::createdMessage("/j/n.desktop", "/j/n.qvjob", "/j/n.log"),
              QStringLiteral("已经成功创建快捷方式文件\"/j/n.desktop\"\u3002\r"
                             "成功创建设置文件\"/j/n.qvjob\"\u3002\r"
                             "在以快捷方式导入数据后,你可以参看Log文件\"/j/n.log\"."));
    EXPECT_EQ(Tmarfrm_bat::reselectMessage(),
              QStringLiteral("现在将返回到上一个界面,当你选择好要导入的表后,请点击\"创建快捷方式\"按钮,重新进入这个界面"));
}

// ---- The editor window -----------------------------------------------------

class JobEditor : public ::testing::Test {
protected:
    void SetUp() override
    {
        ensureApplication();
        qputenv("QUORVANE_LANGUAGE", "en");
        resetStoredSettings();
        wizard = std::make_unique<Taaform1>(dialogs);
        editor = std::make_unique<Tmarfrm_bat>(*wizard, dialogs);
        connectJobEditor(*wizard, *editor);
        ASSERT_TRUE(dir.isValid());
        wizard->applySettings(wizardInputs());
        chooseTables({"CUSTOMERS", "ORDERS", "STOCK"}, {"ORDERS", "CUSTOMERS"});
    }
    void TearDown() override
    {
        editor.reset();
        wizard.reset();
    }

    // A local server (with a host typed all the same) and the Merge policy.
    static ConversionSettings wizardInputs()
    {
        return {.host = "db.example", .port = "3307", .database = "shop", .user = "loader", .password = "my=secret",
                .characterSetEntry = ConversionSettings::characterSetEntryOf("utf8"), .oracleService = "ORCL",
                .oracleUser = "app", .oraclePassword = "tiger", .existingTablePolicy = 1,
                .tableDefinitionsOnly = true, .skipIndexes = false, .namesUppercase = false,
                .keysAndConstraints = true};
    }

    // Page 5 offering these tables, with the named ones chosen in order.
    void chooseTables(const QStringList& offered, const QStringList& chosen)
    {
        control<QListWidget>(*wizard, "selecttables")->clear();
        control<QListWidget>(*wizard, "availabletables")->clear();
        control<QListWidget>(*wizard, "availabletables")->addItems(offered);
        wizard->chooseTables({false, chosen});
    }

    // Presses btcreatebat; whileOpen runs inside the modal loop. Returns
    // whether the editor was open and modal then; an editor still open after
    // whileOpen is closed and reported in leftOpen.
    bool open(const std::function<void()>& whileOpen = {})
    {
        bool shownModally = false;
        leftOpen = false;
        QTimer::singleShot(0, editor.get(), [&] {
            shownModally = editor->isVisible() && QApplication::activeModalWidget() == editor.get();
            if (whileOpen)
                whileOpen();
            leftOpen = editor->isVisible();
            if (leftOpen)
                editor->reject();
        });
        control<QPushButton>(*wizard, "btcreatebat")->click();
        return shownModally;
    }

    bool listShown() const { return !editor->mysqltableselect->isHidden(); }
    bool reselectShown() const { return !editor->bttableselect->isHidden(); }
    QString path(const QString& name) const { return dir.filePath(name); }

    QTemporaryDir dir;
    ScriptedDialogs dialogs;
    std::unique_ptr<Taaform1> wizard;
    std::unique_ptr<Tmarfrm_bat> editor;
    bool leftOpen = false;
};

TEST_F(JobEditor, CaptionsAndFirstState)
{
    EXPECT_EQ(editor->windowTitle(), "创建快捷方式");
    EXPECT_EQ(editor->gpmysql->title(), "连接Mysql");
    EXPECT_EQ(editor->GroupBox1->title(), "连接Orcle");
    EXPECT_EQ(editor->GroupBox2->title(), "转换方式");
    EXPECT_EQ(editor->rgselecttable->title(), "要转换的表");
    const auto items = editor->rgselecttable->findChildren<QRadioButton*>();
    ASSERT_EQ(items.size(), 2);
    EXPECT_EQ(items[0]->text(), "部分表");
    EXPECT_EQ(items[1]->text(), "全部表");
    const QList<std::pair<QLabel*, QString>> labels{
        {editor->Label1, "Oracle服务名"},    {editor->Label2, "Oracle用户名"}, {editor->Label3, "Oracle密码"},
        {editor->Label4, "如何处理已存在的表"}, {editor->Label5, "字符集"},       {editor->Label10, "IP或网络名"},
        {editor->Label11, "Mysql Port"},     {editor->Label12, "Mysql Database"}, {editor->Label13, "Mysql用户名"},
        {editor->Label14, "Mysql密码"}};
    for (const auto& [label, caption] : labels)
        EXPECT_EQ(label->text(), caption);
    EXPECT_EQ(editor->chktabledefi->text(), "只转换表定义");
    EXPECT_EQ(editor->chkskipindex->text(), "不创建索引");
    EXPECT_EQ(editor->chkuppercase->text(), "将名称转换为大写");
    EXPECT_EQ(editor->chkroundvalues->text(), "将数值舍入到目标列的精度");
    EXPECT_EQ(editor->chkconstraints->text(), "键和约束");
    EXPECT_EQ(editor->bttableselect->text(), "重新选择");
    EXPECT_EQ(editor->Button1->text(), "创建快捷方式");

    EXPECT_EQ(editor->size(), QSize(631, 381));
    // The options fit their box, and the box stays clear of the button.
    for (const QCheckBox* check : editor->GroupBox2->findChildren<QCheckBox*>())
        EXPECT_TRUE(editor->GroupBox2->contentsRect().contains(check->geometry())) << check->objectName().toStdString();
    EXPECT_FALSE(editor->GroupBox2->geometry().intersects(editor->Button1->geometry()));
    EXPECT_TRUE(editor->rect().contains(editor->Button1->geometry()));
    EXPECT_EQ(editor->rgselecttable->itemIndex(), 1);
    EXPECT_TRUE(editor->chkuppercase->isChecked());
    EXPECT_FALSE(listShown());
    EXPECT_FALSE(reselectShown());
    EXPECT_TRUE(editor->Memo1->isHidden());
    EXPECT_FALSE(editor->isVisible());
    for (QLineEdit* field : editor->findChildren<QLineEdit*>()) {
        EXPECT_TRUE(field->isReadOnly()) << field->objectName().toStdString();
        EXPECT_EQ(field->echoMode(), QLineEdit::Normal) << field->objectName().toStdString();
    }
}

TEST_F(JobEditor, OpeningShowsTheWizardsValuesModally)
{
    EXPECT_TRUE(open());
    EXPECT_TRUE(leftOpen);
    EXPECT_EQ(editor->edtmysqlip->text(), "localhost");
    EXPECT_EQ(editor->edtmysqlport->text(), "3307");
    EXPECT_EQ(editor->edtmysqldatabase->text(), "shop");
    EXPECT_EQ(editor->edtmysqlusername->text(), "loader");
    EXPECT_EQ(editor->edtmysqlpassword->text(), "my=secret");
    EXPECT_EQ(editor->edtoracleservice->text(), "ORCL");
    EXPECT_EQ(editor->edtoracleusername->text(), "app");
    EXPECT_EQ(editor->edtoraclepassword->text(), "tiger");
    EXPECT_EQ(editor->edtoracleexits->text(), "Merge");
    EXPECT_EQ(editor->edtcharset->text(), "utf8");
    EXPECT_TRUE(editor->chktabledefi->isChecked());
    EXPECT_FALSE(editor->chkskipindex->isChecked());
    EXPECT_FALSE(editor->chkuppercase->isChecked());
    EXPECT_FALSE(editor->chkroundvalues->isChecked());
    EXPECT_TRUE(editor->chkconstraints->isChecked());
    EXPECT_EQ(names(editor->mysqltableselect), (QStringList{"ORDERS", "CUSTOMERS"}));
    EXPECT_EQ(editor->rgselecttable->itemIndex(), 1);
    EXPECT_TRUE(dialogs.shown.isEmpty());
}

TEST_F(JobEditor, RemoteModeShowsTheHost)
{
    ConversionSettings remote = wizardInputs();
    remote.accessMode = 1;
    remote.characterSetTyped = "something typed";
    wizard->applySettings(remote);
    open();
    EXPECT_EQ(editor->edtmysqlip->text(), "db.example");
    EXPECT_EQ(editor->edtcharset->text(), "something typed");
    EXPECT_TRUE(jobLines(editor->jobValues()).contains("character_set=something typed"));
}

TEST_F(JobEditor, TheTlsInputsWithoutControlsReachTheJobAsTheWizardKeepsThem)
{
    ConversionSettings secured = wizardInputs();
    secured.sslMode = "VERIFY_IDENTITY";
    secured.sslCa = "/etc/ssl/rds.pem";
    secured.clearTextLogin = true;
    wizard->applySettings(secured);
    open();
    const QStringList lines = jobLines(editor->jobValues());
    EXPECT_EQ(lines.mid(17, 3), (QStringList{"sslmode=VERIFY_IDENTITY", "sslca=/etc/ssl/rds.pem", "cleartextlogin=1"}));
}

TEST_F(JobEditor, SelectionModeShowsOrHidesTheListAndReselect)
{
    open([&] {
        editor->rgselecttable->findChildren<QRadioButton*>()[0]->click();
        EXPECT_TRUE(listShown());
        EXPECT_TRUE(reselectShown());
        EXPECT_TRUE(editor->mysqltableselect->isVisible());
        editor->rgselecttable->findChildren<QRadioButton*>()[1]->click();
        EXPECT_FALSE(listShown());
        EXPECT_FALSE(reselectShown());
    });
}

TEST_F(JobEditor, SecondOpeningKeepsTheModeAndRefreshesTheRest)
{
    open([&] {
        editor->rgselecttable->setItemIndex(0);
        editor->chkskipindex->setChecked(true);
        editor->chktabledefi->setChecked(false);
        editor->chkconstraints->setChecked(false);
    });
    ConversionSettings changed = wizardInputs();
    changed.port = "3306";
    changed.existingTablePolicy = 2;
    wizard->applySettings(changed);
    chooseTables({"EMP", "DEPT"}, {"EMP"});
    open([&] {
        EXPECT_EQ(editor->rgselecttable->itemIndex(), 0);
        EXPECT_TRUE(listShown());
        EXPECT_TRUE(reselectShown());
        EXPECT_EQ(names(editor->mysqltableselect), QStringList{"EMP"});
        EXPECT_EQ(editor->edtmysqlport->text(), "3306");
        EXPECT_EQ(editor->edtoracleexits->text(), "Skip");
        EXPECT_FALSE(editor->chkskipindex->isChecked());  // from the wizard again
        EXPECT_TRUE(editor->chktabledefi->isChecked());
        EXPECT_TRUE(editor->chkconstraints->isChecked());
    });
}

TEST_F(JobEditor, NoPolicyChosenShowsAnErrorAndDoesNotOpen)
{
    ConversionSettings noPolicy = wizardInputs();
    noPolicy.existingTablePolicy = -1;
    wizard->applySettings(noPolicy);
    EXPECT_FALSE(open());
    EXPECT_FALSE(editor->isVisible());
    ASSERT_EQ(dialogs.shown.size(), 1);
    EXPECT_EQ(dialogs.shown[0].kind, "error");
    EXPECT_EQ(dialogs.shown[0].caption, Taaform1::applicationTitle());
    // ")" sorts before ".", so the display adds no full stop.
    EXPECT_EQ(dialogs.shown[0].text, "List index out of bounds (-1)");
}

TEST_F(JobEditor, ReselectTellsTheUserAndCloses)
{
    open([&] {
        editor->rgselecttable->setItemIndex(0);
        editor->bttableselect->click();
    });
    EXPECT_FALSE(leftOpen);
    ASSERT_EQ(dialogs.shown.size(), 1);
    EXPECT_EQ(dialogs.shown[0].kind, "notify");
    EXPECT_EQ(dialogs.shown[0].caption, Taaform1::applicationTitle());
    EXPECT_EQ(dialogs.shown[0].text, Tmarfrm_bat::reselectMessage());
    EXPECT_TRUE(dialogs.saveRequests.isEmpty());
}

TEST_F(JobEditor, CancelledSaveWritesNothingAndStaysOpen)
{
    open([&] { editor->Button1->click(); });
    EXPECT_TRUE(leftOpen);
    ASSERT_EQ(dialogs.saveRequests.size(), 1);
    EXPECT_EQ(dialogs.saveRequests[0].filter, "desktop (*.desktop)");
    EXPECT_EQ(dialogs.saveRequests[0].defaultSuffix, "desktop");
    EXPECT_TRUE(dialogs.texts("notify").isEmpty());
    EXPECT_TRUE(dialogs.texts("error").isEmpty());
    EXPECT_TRUE(QDir(dir.path()).isEmpty());
}

TEST_F(JobEditor, CreateWritesJobAndLauncherThenCloses)
{
    dialogs.savePaths << path("nightly.desktop");
    open([&] {
        editor->rgselecttable->setItemIndex(0);
        editor->chkuppercase->setChecked(true);
        editor->chkroundvalues->setChecked(true);
        editor->chkconstraints->setChecked(false);
        editor->Button1->click();
    });
    EXPECT_FALSE(leftOpen);

    const QString job = path("nightly.qvjob");
    const QStringList expected{"accessmode=0", "mysqldatabase=shop", "port=3307",     "mysqlu=loader",
                               "mysqlp=my=secret", "host=db.example", "oracleh=ORCL", "oracleu=app",
                               "oraclep=tiger", "processtable=1",     "character_set=utf8", "tabledefonly=1",
                               "skipindex=0",  "nameuppercase=1",    "roundvalues=1", "constraints=0",
                               "alltables=0",  "sslmode=",           "sslca=",        "cleartextlogin=0",
                               "tables1=ORDERS", "tables2=CUSTOMERS"};
    EXPECT_EQ(fileBytes(job), (expected.join("\r\n") + "\r\n").toUtf8());
    EXPECT_EQ(editor->Memo1->toPlainText(), expected.join("\n"));
    EXPECT_EQ(fileMode(job), 0600);

    const QString launcher = path("nightly.desktop");
    EXPECT_EQ(fileMode(launcher), 0700);
    const auto keys = desktopEntry(QString::fromUtf8(fileBytes(launcher)));
    EXPECT_EQ(splitExec(keys.at("Exec")), (QStringList{QCoreApplication::applicationFilePath(), job}));
    EXPECT_EQ(keys.at("Path"), QFileInfo(QCoreApplication::applicationFilePath()).absolutePath() + "/");
    EXPECT_EQ(keys.at("Type"), "Application");

    ASSERT_EQ(dialogs.texts("notify").size(), 1);
    EXPECT_EQ(dialogs.texts("notify")[0], Tmarfrm_bat::createdMessage(launcher, job, path("nightly.log")));
    EXPECT_EQ(dialogs.shown.back().caption, Taaform1::applicationTitle());
    EXPECT_FALSE(QFile::exists(path("nightly.log")));  // batch runs write it
}

TEST_F(JobEditor, AllTablesWritesTwentyLines)
{
    dialogs.savePaths << path("all.desktop");
    open([&] { editor->Button1->click(); });
    const JobFile job = JobFile::read(path("all.qvjob"));
    EXPECT_EQ(job.lineCount(), 20);
    EXPECT_EQ(job.value("alltables"), "1");
    EXPECT_EQ(job.value("nameuppercase"), "0");
    EXPECT_EQ(job.value("constraints"), "1");
}

TEST_F(JobEditor, ListedTablesWithNoneSelectedWritesTwentyLines)
{
    chooseTables({"ORDERS"}, {});
    dialogs.savePaths << path("none.desktop");
    open([&] {
        editor->rgselecttable->setItemIndex(0);
        editor->Button1->click();
    });
    const JobFile job = JobFile::read(path("none.qvjob"));
    EXPECT_EQ(job.lineCount(), 20);
    EXPECT_EQ(job.value("alltables"), "0");
}

TEST_F(JobEditor, OtherExtensionKeepsTheChosenNameForTheLauncher)
{
    dialogs.savePaths << path("nightly.txt");
    open([&] { editor->Button1->click(); });
    EXPECT_TRUE(QFile::exists(path("nightly.txt")));
    EXPECT_TRUE(QFile::exists(path("nightly.qvjob")));
    EXPECT_EQ(dialogs.texts("notify").value(0),
              Tmarfrm_bat::createdMessage(path("nightly.txt"), path("nightly.qvjob"), path("nightly.log")));
}

TEST_F(JobEditor, PathsWithBlanksReachTheLauncherWhole)
{
    ASSERT_TRUE(QDir(dir.path()).mkpath("my jobs"));
    const QString launcher = path("my jobs/night run.desktop");
    const QString job = path("my jobs/night run.qvjob");
    dialogs.savePaths << launcher;
    open([&] { editor->Button1->click(); });
    const auto keys = desktopEntry(QString::fromUtf8(fileBytes(launcher)));
    EXPECT_EQ(splitExec(keys.at("Exec")), (QStringList{QCoreApplication::applicationFilePath(), job}));
    EXPECT_EQ(keys.at("Name"), "night run");
    EXPECT_TRUE(QFile::exists(job));
}

TEST_F(JobEditor, ExistingFilesAreReplacedWithoutAsking)
{
    writeBytes(path("old.desktop"), QByteArray(5000, 'x'));
    writeBytes(path("old.qvjob"), QByteArray(5000, 'y'));
    ::chmod(QFile::encodeName(path("old.desktop")).constData(), 0644);
    ::chmod(QFile::encodeName(path("old.qvjob")).constData(), 0644);
    dialogs.savePaths << path("old.desktop");
    open([&] { editor->Button1->click(); });
    EXPECT_FALSE(leftOpen);
    EXPECT_TRUE(dialogs.texts("confirm").isEmpty());
    EXPECT_FALSE(fileBytes(path("old.desktop")).contains("xxx"));
    EXPECT_TRUE(fileBytes(path("old.desktop")).startsWith("[Desktop Entry]\n"));
    EXPECT_TRUE(fileBytes(path("old.qvjob")).startsWith("accessmode=0\r\n"));
    EXPECT_FALSE(fileBytes(path("old.qvjob")).contains("yyy"));
    EXPECT_EQ(fileMode(path("old.desktop")), 0700);
    EXPECT_EQ(fileMode(path("old.qvjob")), 0600);
}

TEST_F(JobEditor, JobThatCannotBeWrittenShowsTheErrorAndStaysOpen)
{
    dialogs.savePaths << path("missing/nightly.desktop");
    open([&] { editor->Button1->click(); });
    EXPECT_TRUE(leftOpen);
    const QStringList errors = dialogs.texts("error");
    ASSERT_EQ(errors.size(), 1);
    EXPECT_TRUE(errors[0].startsWith(QStringLiteral("Cannot create file \"%1\".").arg(path("missing/nightly.qvjob"))))
        << errors[0].toStdString();
    EXPECT_TRUE(errors[0].endsWith(u'.'));
    EXPECT_TRUE(dialogs.texts("notify").isEmpty());
    EXPECT_FALSE(QFile::exists(path("missing/nightly.desktop")));
}

TEST_F(JobEditor, LauncherThatCannotBeWrittenIsToldAndNotReportedAsCreated)
{
    // The chosen name is a folder: the job is written beside it, but no
    // launcher can be, and that is said instead of the success message.
    ASSERT_TRUE(QDir(dir.path()).mkdir("taken.desktop"));
    dialogs.savePaths << path("taken.desktop");
    open([&] { editor->Button1->click(); });
    EXPECT_TRUE(leftOpen);
    EXPECT_TRUE(QFile::exists(path("taken.qvjob")));
    EXPECT_EQ(dialogs.texts("error"), QStringList{QStringLiteral("Cannot create file \"%1\".").arg(path("taken.desktop"))});
    EXPECT_TRUE(dialogs.texts("notify").isEmpty());
}

TEST_F(JobEditor, ClosingWithoutCreateWritesNothing)
{
    dialogs.savePaths << path("unused.desktop");
    open([&] { editor->close(); });
    EXPECT_FALSE(leftOpen);
    EXPECT_TRUE(QDir(dir.path()).isEmpty());
    EXPECT_TRUE(dialogs.shown.isEmpty());
}

}  // namespace
