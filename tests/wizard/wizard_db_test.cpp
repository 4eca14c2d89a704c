#include "support/OciStandIn.h"
#include "support/WizardFixture.h"
#include "wizard/RadioGroup.h"
#include "wizard/Taaform1.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <QScrollBar>
#include <QTextBlock>
#include <QKeyEvent>
#include <QScreen>
#include <gtest/gtest.h>

using namespace qv;
using namespace qv::test;

TEST_F(Wizard, StartsOnPageOneWithItsTitle)
{
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Quorvane 4.0"));
    const QPoint middle = QGuiApplication::primaryScreen()->availableGeometry().center();
    EXPECT_LE((form->geometry().center() - middle).manhattanLength(), 10) << "centred on the screen";
    EXPECT_EQ(form->currentStep(), 1);
    EXPECT_EQ(control<QTabWidget>("pg")->currentIndex(), 0);
    EXPECT_EQ(buttons(), (Buttons{false, "Next >", true, "Close", true, true}));
    EXPECT_TRUE(control<QLabel>("Label1")->font().bold());
    EXPECT_FALSE(control<QLabel>("Label2")->font().bold());
    EXPECT_FALSE(edit("edthost")->isEnabled());
    EXPECT_EQ(edit("edtport")->text(), QStringLiteral("3306"));
    EXPECT_EQ(control<QComboBox>("cbcharset")->count(), 37);
    EXPECT_EQ(control<QComboBox>("cbcharset")->currentIndex(), 0);
    EXPECT_TRUE(control<QCheckBox>("chkuppercase")->isChecked());
    EXPECT_FALSE(control<QCheckBox>("chktabledefi")->isChecked());
    EXPECT_FALSE(control<QCheckBox>("chkconstraints")->isChecked());
    EXPECT_EQ(control<RadioGroup>("processtable")->itemIndex(), 0);
}

TEST_F(Wizard, ConvertsTwoTablesAndWritesTheLogLineForLine)
{
    db.exec(QStringLiteral("create table DEPT (X int)"));
    walkToPage5();
    EXPECT_EQ(list("availabletables")->count(), 3);
    EXPECT_EQ(list("availabletables")->item(0)->text(), QStringLiteral("BIG"));
    EXPECT_EQ(edit("edtdatabase2")->text(), db.name());
    EXPECT_EQ(buttons(), (Buttons{true, "Next >", false, "Close", true, true}));  // nothing selected yet
    select({QStringLiteral("DEPT"), QStringLiteral("EMP")});
    EXPECT_EQ(buttons(), (Buttons{true, "Next >", true, "Close", true, true}));

    button("btnext")->click();
    EXPECT_EQ(form->logLines(),
              (QStringList{"Drop table DEPT... ", "Drop table DEPT...Done", "", "Create table DEPT...Done", "",
                           "Insert table DEPT 4 Rows ...Done", "", "Create table EMP...Done", "",
                           "Insert table EMP 14 Rows ...Done", "", "Conversion is Completed",
                           "Wizard has migrated your Oracle database to MySQL server successfully.",
                           "Click 'Finish' to exit the wizard."}));
    EXPECT_EQ(form->currentStep(), 6);
    EXPECT_EQ(control<QTabWidget>("pg")->currentIndex(), 5);
    EXPECT_EQ(buttons(), (Buttons{false, "Finish", true, "Stop", false, false}));
    EXPECT_EQ(form->focusWidget(), button("btnext"));
    EXPECT_EQ(db.scalar(QStringLiteral("select count(*) from %1.EMP").arg(db.name())), QStringLiteral("14"));
    // The bar full and the finished line naming the last table, below the log.
    EXPECT_EQ(control<QProgressBar>("pbrun")->value(), control<QProgressBar>("pbrun")->maximum());
    const QString progress = control<QLabel>("lblprogress")->text();
    EXPECT_TRUE(progress.startsWith(QStringLiteral("Table 2 of 2: EMP, 14 rows; ")) && progress.endsWith(QStringLiteral("; done")))
        << progress.toStdString();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("select * from `EMP` where 1=0"));
    EXPECT_TRUE(dialogs.shown.isEmpty());

    button("btnext")->click();  // Finish
    EXPECT_TRUE(form->logLines().isEmpty());
    EXPECT_EQ(list("selecttables")->count(), 0);
    EXPECT_FALSE(form->isVisible());
}

TEST_F(Wizard, BackFromPageFiveEmptiesBothListsAndNextListsAfresh)
{
    walkToPage5();
    select({QStringLiteral("EMP")});
    button("btback")->click();
    EXPECT_EQ(form->currentStep(), 4);
    EXPECT_EQ(list("availabletables")->count(), 0);
    EXPECT_EQ(list("selecttables")->count(), 0);
    button("btnext")->click();
    EXPECT_EQ(list("availabletables")->count(), 3);
    EXPECT_EQ(list("selecttables")->count(), 0);
    EXPECT_FALSE(button("btnext")->isEnabled());
}

TEST_F(Wizard, RefusedLoginIsShownAndTheWizardStaysOnItsPage)
{
    button("btnext")->click();
    edit("edtservice")->setText(schema.service());
    button("btnext")->click();
    fillMySql(QStringLiteral("wrong"));
    button("btnext")->click();
    EXPECT_EQ(form->currentStep(), 3);
    ASSERT_EQ(dialogs.shown.size(), 1);
    EXPECT_EQ(dialogs.shown.first().kind, QStringLiteral("error"));
    EXPECT_EQ(dialogs.shown.first().caption, QStringLiteral("Quorvane 4.0"));
    // The server's text, with no full stop added after its closing parenthesis.
    EXPECT_TRUE(dialogs.shown.first().text.startsWith(QStringLiteral("Access denied for user 'qvtest'@")));
    EXPECT_TRUE(dialogs.shown.first().text.endsWith(QStringLiteral("(using password: YES)")));

    fillMySql();
    button("btnext")->click();  // corrected and tried again
    EXPECT_EQ(form->currentStep(), 4);
}

TEST_F(Wizard, MissingOracleClientIsShownWithAFullStop)
{
    button("btnext")->click();
    edit("edtservice")->setText(QStringLiteral("ORCL"));
    qputenv("QUORVANE_OCI_LIBRARY", "libclntsh.so");
    button("btnext")->click();
    EXPECT_EQ(form->currentStep(), 2);
    EXPECT_EQ(dialogs.texts(QStringLiteral("error")),
              QStringList{"Unable to load libclntsh.so (ErrorCode 2).  It may be missing from the system path."});
}

TEST_F(Wizard, OracleLogonThroughTheClientLibrary)
{
    button("btnext")->click();
    OciStandIn::use();
    edit("edtservice")->setText(schema.path());
    edit("edtoracleusername")->setText(QStringLiteral("scott"));
    edit("edtoraclepassword")->setText(QStringLiteral("wrong"));
    button("btnext")->click();
    EXPECT_EQ(form->currentStep(), 2);
    EXPECT_EQ(dialogs.texts(QStringLiteral("error")),
              QStringList{"ORA-01017: invalid username/password; logon denied."});
    EXPECT_FALSE(form->session().oracleconn.connected());

    edit("edtoraclepassword")->setText(QStringLiteral("tiger"));
    button("btnext")->click();
    EXPECT_EQ(form->currentStep(), 3);
    EXPECT_TRUE(form->session().oracleconn.connected());
}

TEST_F(Wizard, ErrorDisplayEndsATextThatEndsInALetterWithAFullStop)
{
    button("btnext")->click();
    edit("edtservice")->setText(QStringLiteral("sqlite:/nowhere/schema.sqlite"));
    button("btnext")->click();
    EXPECT_EQ(form->currentStep(), 2);
    ASSERT_EQ(dialogs.texts(QStringLiteral("error")).size(), 1);
    EXPECT_TRUE(dialogs.texts(QStringLiteral("error")).first().endsWith(QStringLiteral("does not exist.")))
        << dialogs.texts(QStringLiteral("error")).first().toStdString();
    EXPECT_FALSE(form->session().oracleconn.connected());
}

TEST_F(Wizard, BlankDatabaseNameIsAskedForWithoutTryingToConnect)
{
    button("btnext")->click();
    edit("edtservice")->setText(schema.service());
    button("btnext")->click();
    fillMySql();
    edit("edtdatabase")->setText(QStringLiteral("   "));
    button("btnext")->click();
    EXPECT_EQ(form->currentStep(), 3);
    ASSERT_EQ(dialogs.shown.size(), 1);
    EXPECT_EQ(dialogs.shown.first().kind, QStringLiteral("notify"));
    EXPECT_EQ(dialogs.shown.first().caption, QStringLiteral("Quorvane 4.0"));
    EXPECT_EQ(dialogs.shown.first().text, QStringLiteral("请输入数据库名称"));
    EXPECT_FALSE(form->session().mysqlconnect.connected());
    EXPECT_EQ(form->focusWidget(), edit("edtdatabase"));
}

TEST_F(Wizard, StopAnsweredNoLetsTheRunFinish)
{
    walkToPage5();
    select({QStringLiteral("BIG")});
    dialogs.answers = {false};
    QPushButton* const cancel = button("btcancel");
    QTimer::singleShot(0, form.get(), [this, cancel] {
        EXPECT_EQ(buttons(), (Buttons{false, "Next >", false, "Stop", true, true}));  // run in progress
        cancel->click();
    });
    button("btnext")->click();
    EXPECT_EQ(dialogs.shown.size(), 1);
    EXPECT_EQ(dialogs.shown.first().caption, QStringLiteral("Info"));
    EXPECT_EQ(dialogs.shown.first().text, QStringLiteral("Stop"));
    EXPECT_EQ(form->logLines().at(2), QStringLiteral("Insert table BIG 3000 Rows ...Done"));
    EXPECT_EQ(form->currentStep(), 6);
}

TEST_F(Wizard, StopAnsweredYesEndsTheRunAndBackReturnsToPageFour)
{
    walkToPage5();
    select({QStringLiteral("BIG"), QStringLiteral("EMP")});
    dialogs.answers = {true};
    QPushButton* const cancel = button("btcancel");
    QTimer::singleShot(0, form.get(), [cancel] { cancel->click(); });
    button("btnext")->click();
    EXPECT_EQ(form->logLines(), (QStringList{"Create table BIG...Done", "", "Insert table BIG 100 Rows ",
                                             "Operation aborted", "Operation aborted", "Rows kept in BIG: 100", ""}));
    EXPECT_EQ(form->currentStep(), 5);
    EXPECT_EQ(control<QTabWidget>("pg")->currentIndex(), 5);
    EXPECT_EQ(buttons(), (Buttons{true, "Next >", false, "Close", true, true}));  // run stopped
    EXPECT_EQ(db.scalar(QStringLiteral("select count(*) from %1.BIG").arg(db.name())), QStringLiteral("100"));

    dialogs.answers = {false};
    button("btcancel")->click();  // Close again, and answered No
    EXPECT_EQ(dialogs.shown.last().text, QStringLiteral("Close this Wizard ?"));
    EXPECT_EQ(dialogs.shown.last().caption, QStringLiteral("Information"));
    EXPECT_TRUE(form->isVisible());

    button("btback")->click();
    EXPECT_EQ(form->currentStep(), 4);
    EXPECT_EQ(list("selecttables")->count(), 0);
    EXPECT_EQ(buttons(), (Buttons{true, "Next >", true, "Close", true, true}));
}

TEST_F(Wizard, StopDuringTheLastTableEndsNormallyButDoesNotAdvance)
{
    walkToPage5();
    select({QStringLiteral("BIG")});
    dialogs.answers = {true};
    QPushButton* const cancel = button("btcancel");
    QTimer::singleShot(0, form.get(), [cancel] { cancel->click(); });
    button("btnext")->click();
    EXPECT_EQ(form->logLines().last(), QStringLiteral("Click 'Finish' to exit the wizard."));
    EXPECT_EQ(form->currentStep(), 5);
    EXPECT_FALSE(form->isStopRequested());
    EXPECT_EQ(buttons(), (Buttons{true, "Next >", false, "Close", true, true}));
}

TEST_F(Wizard, ClosingTheWindowDuringARunLetsTheRunFinishFirst)
{
    walkToPage5();
    select({QStringLiteral("BIG")});
    QCoreApplication::processEvents();  // nothing stale may end the loop below early
    QPushButton* const next = button("btnext");
    QTimer::singleShot(0, form.get(), [next] { next->click(); });
    QTimer::singleShot(0, form.get(), [this] { form->close(); });  // runs at the run's first yield
    bool shownDuringTheRun = false;
    QTimer::singleShot(0, form.get(), [this, &shownDuringTheRun] {
        shownDuringTheRun = form->isVisible() && form->runInProgress();
    });
    QApplication::exec();  // ends when the last window has closed and the run has returned
    EXPECT_TRUE(shownDuringTheRun) << "the log and Stop stay until the run ends";
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(form->logLines().at(2), QStringLiteral("Insert table BIG 3000 Rows ...Done"));
    EXPECT_EQ(db.scalar(QStringLiteral("select count(*) from %1.BIG").arg(db.name())), QStringLiteral("3000"));
}

TEST_F(Wizard, AStopLeftOverFromARunNeitherHoldsAPageNorListsTablesTwice)
{
    walkToPage5();
    button("btback")->click();
    form->setStopRequested(true);  // as a Stop confirmed after a failure escaped a run
    button("btnext")->click();
    EXPECT_EQ(form->currentStep(), 5);
    form->step4Click();  // listing again adds no name already listed
    form->chooseTables({false, {QStringLiteral("EMP")}});
    form->step4Click();
    EXPECT_EQ(names(list("availabletables")), (QStringList{"BIG", "DEPT"}));
    EXPECT_EQ(names(list("selecttables")), QStringList{"EMP"});
}

TEST_F(Wizard, TheHostFieldLooksDisabledInLocalModeAndLikeAnInputFieldInRemoteMode)
{
    const QPalette standard = QApplication::palette(edit("edthost"));
    ASSERT_NE(standard.color(QPalette::Base), standard.color(QPalette::Window));
    for (const int mode : {1, 0, 1}) {
        control<RadioGroup>("accessmode")->setItemIndex(mode);
        EXPECT_EQ(edit("edthost")->palette().color(QPalette::Base),
                  standard.color(mode == 0 ? QPalette::Button : QPalette::Base))
            << mode;
    }
}

TEST_F(Wizard, TheNewestLogLineIsAlwaysWhollyVisible)
{
    form->ShowStep(6);
    auto* log = control<QPlainTextEdit>("sc");
    for (int i = 0; i < 300; ++i)
        form->appendLine(QStringLiteral("Insert table T%1 5000 Rows ...Done").arg(i));
    form->appendLine(QStringLiteral("Wizard has migrated your Oracle database to MySQL server successfully."));
    for (const QString& last : {QStringLiteral("Insert table LONG_NAMED_TABLE 100 Rows "), QString(200, u'x')}) {
        form->replaceLastLine(last);
        QCoreApplication::processEvents();
        QTextCursor end(log->document()->lastBlock());
        end.movePosition(QTextCursor::EndOfBlock);
        QTextCursor start(log->document()->lastBlock());
        EXPECT_TRUE(log->viewport()->rect().contains(log->cursorRect(end))) << last.toStdString();
        EXPECT_TRUE(log->viewport()->rect().contains(log->cursorRect(start))) << last.toStdString();
        EXPECT_FALSE(log->horizontalScrollBar()->isVisible());
    }
}

TEST_F(Wizard, AltWithALetterTypesNothingIntoAFieldAndEnterOrEscapePressNoButton)
{
    button("btnext")->click();
    QLineEdit* const service = edit("edtservice");
    service->setText(QStringLiteral("ORCL"));
    const auto type = [service](Qt::Key key, Qt::KeyboardModifiers modifiers, const QString& text) {
        QKeyEvent press(QEvent::KeyPress, key, modifiers, text);
        QApplication::sendEvent(service, &press);
    };
    type(Qt::Key_N, Qt::AltModifier, QStringLiteral("n"));
    type(Qt::Key_X, Qt::NoModifier, QStringLiteral("x"));
    EXPECT_EQ(service->text(), QStringLiteral("ORCLx"));
    // No button is the window's default or cancel button.
    type(Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"));
    type(Qt::Key_Escape, Qt::NoModifier, QStringLiteral("\x1b"));
    EXPECT_EQ(form->currentStep(), 2);
    EXPECT_TRUE(dialogs.shown.isEmpty());
}

TEST_F(Wizard, ConfirmedCloseClosesTheWindow)
{
    dialogs.answers = {true};
    button("btcancel")->click();
    EXPECT_EQ(dialogs.shown.first().text, QStringLiteral("Close this Wizard ?"));
    EXPECT_FALSE(form->isVisible());
}

TEST_F(Wizard, ConnectionsGetTheirParameterListsInOrder)
{
    button("btnext")->click();
    edit("edtservice")->setText(schema.service());
    edit("edtoracleusername")->setText(QStringLiteral("scott"));
    button("btnext")->click();
    EXPECT_EQ(form->session().oracleconn.Params,
              (QStringList{QStringLiteral("Database=") + schema.service(), "User_Name=scott", "Password=",
                           "DriverName=Oracle", "RowsetSize=20", "BlobSize=-1", "LocaleCode=0000",
                           "ErrorResourceFile=", "Oracle TransIsolation=ReadCommited", "OS Authentication=False",
                           "Multiple Transaction=False", "Trim Char=False"}));

    // Local mode: the host text is ignored, the port still sent; entry 0 sends no character set.
    fillMySql();
    control<RadioGroup>("accessmode")->setItemIndex(0);
    EXPECT_FALSE(edit("edthost")->isEnabled());
    EXPECT_TRUE(edit("edtport")->isEnabled());
    edit("edtdatabase")->setText(QStringLiteral(" spaced "));
    button("btnext")->click();
    EXPECT_EQ(form->session().mysqlconnect.Params,
              (QStringList{"Database= spaced ", "User_Name=qvtest", "Password=qvtest",
                           QStringLiteral("Port=%1").arg(db.sandbox().port), "HostName=localhost"}));

    // Remote mode with a character set: it comes first.
    fillMySql();
    EXPECT_TRUE(edit("edthost")->isEnabled());
    QComboBox* const charset = control<QComboBox>("cbcharset");
    charset->setCurrentIndex(charset->findText(QStringLiteral("utf8")));
    button("btnext")->click();
    EXPECT_EQ(form->currentStep(), 4);
    EXPECT_EQ(form->session().mysqlconnect.Params.first(), QStringLiteral("ServerCharSet=utf8"));
    EXPECT_EQ(form->session().mysqlconnect.Params.last(), QStringLiteral("HostName=127.0.0.1"));
    EXPECT_EQ(form->focusWidget(), control<RadioGroup>("processtable"));
}
