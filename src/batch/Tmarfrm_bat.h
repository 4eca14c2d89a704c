#pragma once

#include "JobFile.h"

#include <QDialog>
#include <functional>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;

namespace qv {

class Dialogs;
class RadioGroup;
class Taaform1;

// The job editor: shows what a job made from the wizard's current inputs
// will carry, lets the user change the three options and the table choice,
// and writes the job file with a desktop launcher that runs it. Made once at
// start-up and hidden; the wizard's page-5 button opens it modally.
class Tmarfrm_bat : public QDialog {
    Q_OBJECT
public:
    Tmarfrm_bat(Taaform1& wizard, Dialogs& dialogs, QWidget* parent = nullptr);
    ~Tmarfrm_bat() override;

    // Opening: takes the wizard's values (loadFromWizard), then shows the
    // editor modally and returns when it is closed. Throws the wizard's
    // failures (no existing-table policy chosen) without showing the editor.
    void btcreatebatClick();
    // The values the editor shows on opening; the selection mode and the
    // visibility of the table list are left as they are.
    void loadFromWizard();
    // The table list and the reselect button are shown only for listed tables.
    void rgselecttableClick();
    // Tells the user to choose the tables in the wizard, then closes.
    void bttableselectClick();
    // Asks for the launcher's name, writes the job file and the launcher,
    // tells the user the three file names and closes.
    void Button1Click();

    // The job the editor describes: its own fields, check boxes, selection
    // mode and list, with the wizard's access mode, policy and host.
    ConversionSettings jobValues() const;
    // The message after a successful create: three lines, each ended by a
    // lone CR except the last.
    static QString createdMessage(const QString& launcher, const QString& job, const QString& log);
    static QString reselectMessage();

    // What the save dialog offers.
    static QString launcherFilter() { return QStringLiteral("desktop (*.desktop)"); }
    static QString launcherSuffix() { return QStringLiteral("desktop"); }

    // Controls, by component name.
    QGroupBox* GroupBox1 = nullptr;  // Oracle
    QLabel* Label1 = nullptr;
    QLineEdit* edtoracleservice = nullptr;
    QLabel* Label2 = nullptr;
    QLineEdit* edtoracleusername = nullptr;
    QLabel* Label3 = nullptr;
    QLineEdit* edtoraclepassword = nullptr;
    QGroupBox* GroupBox2 = nullptr;  // options
    QLabel* Label4 = nullptr;
    QLineEdit* edtoracleexits = nullptr;
    QLabel* Label5 = nullptr;
    QLineEdit* edtcharset = nullptr;
    QCheckBox* chktabledefi = nullptr;
    QCheckBox* chkskipindex = nullptr;
    QCheckBox* chkuppercase = nullptr;
    QCheckBox* chkroundvalues = nullptr;
    QCheckBox* chkconstraints = nullptr;
    QGroupBox* gpmysql = nullptr;  // MySQL
    QLabel* Label10 = nullptr;
    QLineEdit* edtmysqlip = nullptr;
    QLabel* Label11 = nullptr;
    QLineEdit* edtmysqlport = nullptr;
    QLabel* Label12 = nullptr;
    QLineEdit* edtmysqldatabase = nullptr;
    QLabel* Label13 = nullptr;
    QLineEdit* edtmysqlusername = nullptr;
    QLabel* Label14 = nullptr;
    QLineEdit* edtmysqlpassword = nullptr;
    RadioGroup* rgselecttable = nullptr;
    QListWidget* mysqltableselect = nullptr;
    QPushButton* bttableselect = nullptr;
    QPushButton* Button1 = nullptr;
    QPlainTextEdit* Memo1 = nullptr;  // never shown: the job text as written

private:
    void buildLayout();

    Taaform1& wizard_;
    Dialogs& dialogs_;
};

// Makes the wizard's btcreatebat open the editor; a failure of the opening
// goes to the wizard's error display.
void connectJobEditor(Taaform1& wizard, Tmarfrm_bat& editor);

}  // namespace qv
