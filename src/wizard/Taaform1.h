#pragma once

#include "CaptionTables.h"
#include "Dialogs.h"
#include "engine/ConversionSession.h"
#include "engine/ConversionSettings.h"
#include "engine/RunHost.h"

#include <QUrl>
#include <QWidget>
#include <functional>

class QCheckBox;
class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QTabWidget;

namespace qv {

class RadioGroup;

// The six-page conversion wizard, the program's main window. Each page's work
// is its step action, which Next runs before it moves on; the conversion run
// of page 5 writes its progress into the log of page 6. The window shows the
// inputs of a ConversionSettings value and hands them to its conversion
// session; its controls are its own, found by object name from outside.
class Taaform1 : public QWidget, public RunHost {
    Q_OBJECT
public:
    explicit Taaform1(Dialogs& dialogs, QWidget* parent = nullptr);
    ~Taaform1() override;

    static QString applicationTitle() { return qv::applicationTitle(); }

    // The inputs as the controls show them, the table selection being the
    // names in selecttables; the TLS inputs, which have no control, as last
    // applied.
    ConversionSettings settings() const;
    // Shows the fourteen inputs in their controls (a choice of -1 leaves
    // none chosen) and keeps the TLS inputs. The table selection is not
    // applied: tables are chosen in the lists (see chooseTables).
    void applySettings(const ConversionSettings& settings);
    // Moves tables from availabletables to selecttables: all of them, or the
    // named ones in their order, matched exactly; a name that is not
    // available is passed over.
    void chooseTables(const TableSelection& tables);
    // The captions of the existing-table policy's items, in item order.
    QStringList existingTablePolicyCaptions() const;

    // Unattended runs: the batch-mode flag, a hook run at the end of every
    // press of Next (the automatic walk), and one run after the run's first
    // two completion lines (the batch end).
    void setBatchMode(bool batch) { batchMode_ = batch; }
    bool batchMode() const { return batchMode_; }
    void setAfterNext(std::function<void()> hook) { afterNext_ = std::move(hook); }
    void setOnCompletionLines(std::function<void(const RunOutcome&)> hook) { onCompletionLines_ = std::move(hook); }
    // What btcreatebat opens (the job editor).
    void setOnCreateJob(std::function<void()> action) { onCreateJob_ = std::move(action); }
    // Called after every change of the progress log; `lineAdded` is false
    // when only the last line was replaced.
    void setOnLogChanged(std::function<void(bool lineAdded)> hook) { onLogChanged_ = std::move(hook); }
    // Called with each progress line page 6 shows (as one line), and once
    // with `runEnded` when the run has returned, however it ended (before a
    // failure is shown).
    void setOnProgress(std::function<void(const QString& line, bool runEnded)> hook) { onProgress_ = std::move(hook); }
    Dialogs& dialogs() const { return dialogs_; }

    // Where CopyTextToClipboard goes; the shell hands in the scratch window's.
    void setClipboardWriter(std::function<void(const QString&)> writer) { clipboardWriter_ = std::move(writer); }

    // Actions, named after the control and event that start them.
    void ShowStep(int page);
    void btnextClick();
    void btbackClick();
    void btcancelClick();  // ConfirmClose, or ConfirmStop during a run
    void ConfirmClose();
    void ConfirmStop();
    void bthelpClick();
    void Image1Click();
    // The help page of the window's language, as Help opens it.
    QUrl helpAddress() const;
    void accessmodeClick();
    void step2Click();
    void step3Click();
    void step4Click();
    void step5Click();
    void step6Click();
    void bkstep5Click();
    // Table selection on page 5: Add, Add all, Remove, Remove all.
    void Button1Click();
    void Button2Click();
    void Button3Click();
    void Button4Click();
    void availabletablesDblClick();
    void selecttablesDblClick();
    // Developer commands: the window's captions, or both caption tables, as
    // name=caption rows in files of the data folder.
    void loaditemsClick();
    void saveClick();
    void Button8Click();

    int currentStep() const { return currentStep_; }
    bool isStopRequested() const { return stopRequested_; }
    // A Stop that no answer takes back (a signal to an unattended run): the
    // run stops as if Stop had been confirmed, also when a Stop question is
    // open and is answered No.
    void forceStop();
    bool runInProgress() const { return runInProgress_; }

    // The lines of the progress log.
    QStringList logLines() const;
    void clearLog();

    // Runs an action the way the event loop would: a failure goes to the
    // standard error display, the silent abort to nobody.
    void guarded(const std::function<void()>& action) { qv::guarded(dialogs_, this, action); }

    // RunHost
    void appendLine(const QString& line) override;
    QString lastLine() const override;
    void replaceLastLine(const QString& line) override;
    void processEvents() override;
    bool stopRequested() const override { return stopRequested_; }
    void setStopRequested(bool requested) override { stopRequested_ = requested; }
    void copyTextToClipboard(const QString& text) override;
    QString completionText(CompletionLine line) const override;
    void runStarting() override;
    void completionLinesWritten(const RunOutcome& outcome) override;
    void progressChanged(const RunProgress& progress) override;

    // The conversion session the steps work with, for the life of the window.
    ConversionSession& session() { return session_; }

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildLayout();  // creates every control; Taaform1Layout.cpp
    void ApplyCaptions();
    void insertSorted(QListWidget* list, const QString& name);
    // Moves the selected names of one list to the end of the other, in their order.
    void moveSelected(QListWidget* from, QListWidget* to);
    void updateNextOnPage5();
    void runEnded();  // after the run of step 5, however it ended
    void showLastLine();  // scrolls the log to its newest line
    QStringList currentCaptionRows(bool withGroupsAndChecks) const;

    Dialogs& dialogs_;
    // sslMode, sslCa and clearTextLogin, from the store or the job.
    ConversionSettings tls_;
    ConversionSession session_;
    std::function<void(const QString&)> clipboardWriter_;
    std::function<void()> afterNext_;
    std::function<void(const RunOutcome&)> onCompletionLines_;
    std::function<void(bool)> onLogChanged_;
    std::function<void(const QString&, bool)> onProgress_;
    std::function<void()> onCreateJob_;
    UiLanguage uiLanguage_ = UiLanguage::English;
    int currentStep_ = 1;
    bool stopRequested_ = false;
    bool stopForced_ = false;
    bool batchMode_ = false;
    bool runInProgress_ = false;
    bool stopBound_ = false;  // btcancel runs ConfirmStop rather than ConfirmClose
    bool closeAfterRun_ = false;  // the close box was used during a run
    int logLines_ = 0;

    // Controls, by component name.
    QFrame* Panel1 = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* Label4 = nullptr;
    QLabel* Label5 = nullptr;
    QLabel* Label6 = nullptr;
    QLabel* Image1 = nullptr;
    QPushButton* Button8 = nullptr;
    QPushButton* loaditems = nullptr;
    QFrame* Panel2 = nullptr;
    QTabWidget* pg = nullptr;
    QFrame* Panel4 = nullptr;
    QFrame* Panel5 = nullptr;
    QFrame* Panel3 = nullptr;
    QPushButton* btback = nullptr;
    QPushButton* btnext = nullptr;
    QPushButton* btcancel = nullptr;
    QPushButton* bthelp = nullptr;
    // page 1
    QLabel* Label7 = nullptr;
    QLabel* Label8 = nullptr;
    QLabel* Label9 = nullptr;
    QLabel* Label10 = nullptr;
    // page 2
    QLabel* Label18 = nullptr;
    QLabel* Label19 = nullptr;
    QLabel* Label20 = nullptr;
    QLabel* Label21 = nullptr;
    QLabel* Label22 = nullptr;
    QLabel* Label23 = nullptr;
    QLineEdit* edtservice = nullptr;
    QLineEdit* edtoracleusername = nullptr;
    QLineEdit* edtoraclepassword = nullptr;
    // page 3
    QLabel* Label11 = nullptr;
    RadioGroup* accessmode = nullptr;
    QGroupBox* authorization = nullptr;
    QLabel* Label15 = nullptr;
    QLineEdit* edtdatabase = nullptr;
    QLabel* Label12 = nullptr;
    QLineEdit* edtname = nullptr;
    QLabel* Label13 = nullptr;
    QLineEdit* edtpassword = nullptr;
    QGroupBox* GroupBox2 = nullptr;
    QLabel* Label14 = nullptr;
    QLineEdit* edthost = nullptr;
    QLabel* Label16 = nullptr;
    QGroupBox* GroupBox1 = nullptr;
    QLabel* edtport111 = nullptr;
    QLineEdit* edtport = nullptr;
    QLabel* Label17 = nullptr;
    QLabel* Label33 = nullptr;
    QComboBox* cbcharset = nullptr;
    // page 4
    QLabel* Label24 = nullptr;
    QLabel* Label25 = nullptr;
    QLineEdit* edtdatabase2 = nullptr;
    RadioGroup* processtable = nullptr;
    QCheckBox* chktabledefi = nullptr;
    QCheckBox* chkskipindex = nullptr;
    QCheckBox* chkuppercase = nullptr;
    QCheckBox* chkroundvalues = nullptr;
    QCheckBox* chkconstraints = nullptr;
    // page 5
    QLabel* Label26 = nullptr;
    QLabel* Label27 = nullptr;
    QListWidget* availabletables = nullptr;
    QLabel* Label28 = nullptr;
    QListWidget* selecttables = nullptr;
    QPushButton* Button1 = nullptr;
    QPushButton* Button2 = nullptr;
    QPushButton* Button3 = nullptr;
    QPushButton* Button4 = nullptr;
    QPushButton* btcreatebat = nullptr;
    // page 6
    QPlainTextEdit* sc = nullptr;
    QProgressBar* pbrun = nullptr;
    QLabel* lblprogress = nullptr;  // the progress line, broken between its parts
    // never-shown storage page: the text-holder labels
    QTabWidget* PageControl1 = nullptr;
    QLabel* Label29 = nullptr;
    QLabel* Label30 = nullptr;
    QLabel* Label31 = nullptr;
    QLabel* Label32 = nullptr;
    QLabel* helpurl = nullptr;
    QLabel* queryclose = nullptr;

};

}  // namespace qv
