#include "Tmarfrm_bat.h"

#include "Launcher.h"
#include "data/Errors.h"
#include "data/TextFiles.h"
#include "wizard/Dialogs.h"
#include "wizard/ListNames.h"
#include "wizard/Placement.h"
#include "wizard/RadioGroup.h"
#include "wizard/Taaform1.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>

namespace qv {

namespace {

QLabel* label(QWidget* parent, const QString& name, const QString& caption, const QRect& geometry)
{
    auto* result = place(new QLabel(caption, parent), name, geometry);
    result->setTextFormat(Qt::PlainText);
    return result;
}

// A display field: the editor shows these values but never takes them from
// the user.
QLineEdit* field(QWidget* parent, const QString& name, const QRect& geometry, QLabel* buddy)
{
    auto* result = place(new QLineEdit(parent), name, geometry);
    result->setReadOnly(true);
    buddy->setBuddy(result);
    return result;
}

const QChar quote = u'"';

}  // namespace

Tmarfrm_bat::Tmarfrm_bat(Taaform1& wizard, Dialogs& dialogs, QWidget* parent)
    : QDialog(parent), wizard_(wizard), dialogs_(dialogs)
{
    setObjectName(QStringLiteral("marfrm_bat"));
    buildLayout();
    setWindowTitle(QStringLiteral("创建快捷方式"));
    setModal(true);

    chkuppercase->setChecked(true);
    rgselecttable->setItemIndex(1);
    mysqltableselect->setVisible(false);
    bttableselect->setVisible(false);

    // A failure of an action goes to the error display; the editor stays open.
    connect(rgselecttable, &RadioGroup::itemIndexChanged, this,
            [this] { guarded(dialogs_, this, [this] { rgselecttableClick(); }); });
    connect(bttableselect, &QPushButton::clicked, this,
            [this] { guarded(dialogs_, this, [this] { bttableselectClick(); }); });
    connect(Button1, &QPushButton::clicked, this, [this] { guarded(dialogs_, this, [this] { Button1Click(); }); });
}

Tmarfrm_bat::~Tmarfrm_bat() = default;

void Tmarfrm_bat::buildLayout()
{
    setFixedSize(631, 381);

    // Left column: Oracle, then the options.
    GroupBox1 = place(new QGroupBox(QStringLiteral("连接Orcle"), this), QStringLiteral("GroupBox1"),
                      QRect(8, 6, 300, 112));
    Label1 = label(GroupBox1, QStringLiteral("Label1"), QStringLiteral("Oracle服务名"), QRect(10, 24, 110, 17));
    edtoracleservice = field(GroupBox1, QStringLiteral("edtoracleservice"), QRect(124, 21, 166, 22), Label1);
    Label2 = label(GroupBox1, QStringLiteral("Label2"), QStringLiteral("Oracle用户名"), QRect(10, 53, 110, 17));
    edtoracleusername = field(GroupBox1, QStringLiteral("edtoracleusername"), QRect(124, 50, 166, 22), Label2);
    Label3 = label(GroupBox1, QStringLiteral("Label3"), QStringLiteral("Oracle密码"), QRect(10, 82, 110, 17));
    edtoraclepassword = field(GroupBox1, QStringLiteral("edtoraclepassword"), QRect(124, 79, 166, 22), Label3);

    GroupBox2 = place(new QGroupBox(QStringLiteral("转换方式"), this), QStringLiteral("GroupBox2"),
                      QRect(8, 124, 300, 216));
    Label4 = label(GroupBox2, QStringLiteral("Label4"), QStringLiteral("如何处理已存在的表"), QRect(10, 24, 126, 17));
    edtoracleexits = field(GroupBox2, QStringLiteral("edtoracleexits"), QRect(140, 21, 150, 22), Label4);
    Label5 = label(GroupBox2, QStringLiteral("Label5"), QStringLiteral("字符集"), QRect(10, 53, 126, 17));
    edtcharset = field(GroupBox2, QStringLiteral("edtcharset"), QRect(140, 50, 150, 22), Label5);
    chktabledefi = place(new QCheckBox(QStringLiteral("只转换表定义"), GroupBox2), QStringLiteral("chktabledefi"),
                         QRect(10, 82, 280, 20));
    chkskipindex = place(new QCheckBox(QStringLiteral("不创建索引"), GroupBox2), QStringLiteral("chkskipindex"),
                         QRect(10, 108, 280, 20));
    chkuppercase = place(new QCheckBox(QStringLiteral("将名称转换为大写"), GroupBox2),
                         QStringLiteral("chkuppercase"), QRect(10, 134, 280, 20));
    chkroundvalues = place(new QCheckBox(QStringLiteral("将数值舍入到目标列的精度"), GroupBox2),
                           QStringLiteral("chkroundvalues"), QRect(10, 160, 280, 20));
    chkconstraints = place(new QCheckBox(QStringLiteral("键和约束"), GroupBox2), QStringLiteral("chkconstraints"),
                           QRect(10, 186, 280, 20));

    // Right column: MySQL, then the table choice with the list beside it.
    gpmysql = place(new QGroupBox(QStringLiteral("连接Mysql"), this), QStringLiteral("gpmysql"),
                    QRect(320, 6, 303, 168));
    Label10 = label(gpmysql, QStringLiteral("Label10"), QStringLiteral("IP或网络名"), QRect(10, 24, 110, 17));
    edtmysqlip = field(gpmysql, QStringLiteral("edtmysqlip"), QRect(124, 21, 169, 22), Label10);
    Label11 = label(gpmysql, QStringLiteral("Label11"), QStringLiteral("Mysql Port"), QRect(10, 53, 110, 17));
    edtmysqlport = field(gpmysql, QStringLiteral("edtmysqlport"), QRect(124, 50, 169, 22), Label11);
    Label12 = label(gpmysql, QStringLiteral("Label12"), QStringLiteral("Mysql Database"), QRect(10, 82, 110, 17));
    edtmysqldatabase = field(gpmysql, QStringLiteral("edtmysqldatabase"), QRect(124, 79, 169, 22), Label12);
    Label13 = label(gpmysql, QStringLiteral("Label13"), QStringLiteral("Mysql用户名"), QRect(10, 111, 110, 17));
    edtmysqlusername = field(gpmysql, QStringLiteral("edtmysqlusername"), QRect(124, 108, 169, 22), Label13);
    Label14 = label(gpmysql, QStringLiteral("Label14"), QStringLiteral("Mysql密码"), QRect(10, 140, 110, 17));
    edtmysqlpassword = field(gpmysql, QStringLiteral("edtmysqlpassword"), QRect(124, 137, 169, 22), Label14);

    rgselecttable = new RadioGroup(QStringLiteral("rgselecttable"), {QStringLiteral("部分表"), QStringLiteral("全部表")},
                                   this);
    rgselecttable->setTitle(QStringLiteral("要转换的表"));
    rgselecttable->setGeometry(320, 180, 120, 108);
    mysqltableselect = place(new QListWidget(this), QStringLiteral("mysqltableselect"), QRect(448, 186, 175, 70));
    mysqltableselect->setSelectionMode(QAbstractItemView::NoSelection);
    mysqltableselect->setFocusPolicy(Qt::NoFocus);
    bttableselect = button(this, QStringLiteral("bttableselect"), QStringLiteral("重新选择"), QRect(448, 262, 175, 25));

    Button1 = button(this, QStringLiteral("Button1"), QStringLiteral("创建快捷方式"), QRect(250, 348, 131, 27));

    Memo1 = place(new QPlainTextEdit(this), QStringLiteral("Memo1"), QRect(0, 0, 0, 0));
    Memo1->setVisible(false);
}

void Tmarfrm_bat::loadFromWizard()
{
    const ConversionSettings wizard = wizard_.settings();
    // Without a chosen policy this fails, and the editor does not open.
    const QStringList policies = wizard_.existingTablePolicyCaptions();
    if (wizard.existingTablePolicy < 0 || wizard.existingTablePolicy >= policies.size())
        throw Error(QStringLiteral("List index out of bounds (%1)").arg(wizard.existingTablePolicy));
    edtmysqlip->setText(wizard.accessMode != 0 ? wizard.host : QStringLiteral("localhost"));
    edtmysqlport->setText(wizard.port);
    edtmysqldatabase->setText(wizard.database);
    edtmysqlusername->setText(wizard.user);
    edtmysqlpassword->setText(wizard.password);
    edtoracleservice->setText(wizard.oracleService);
    edtoracleusername->setText(wizard.oracleUser);
    edtoraclepassword->setText(wizard.oraclePassword);
    edtoracleexits->setText(policies.at(wizard.existingTablePolicy));
    edtcharset->setText(wizard.characterSetText());
    chktabledefi->setChecked(wizard.tableDefinitionsOnly);
    chkuppercase->setChecked(wizard.namesUppercase);
    chkskipindex->setChecked(wizard.skipIndexes);
    chkroundvalues->setChecked(wizard.roundValues);
    chkconstraints->setChecked(wizard.keysAndConstraints);
    mysqltableselect->clear();
    mysqltableselect->addItems(wizard.tables.names);
}

void Tmarfrm_bat::btcreatebatClick()
{
    loadFromWizard();
    centreOnScreen(this);
    exec();
}

void Tmarfrm_bat::rgselecttableClick()
{
    mysqltableselect->setVisible(rgselecttable->itemIndex() != 1);
    bttableselect->setVisible(!mysqltableselect->isHidden());
}

QString Tmarfrm_bat::reselectMessage()
{
    return QStringLiteral("现在将返回到上一个界面,当你选择好要导入的表后,请点击") + quote + QStringLiteral("创建快捷方式")
           + quote + QStringLiteral("按钮,重新进入这个界面");
}

void Tmarfrm_bat::bttableselectClick()
{
    dialogs_.notify(this, Taaform1::applicationTitle(), reselectMessage());
    close();
}

ConversionSettings Tmarfrm_bat::jobValues() const
{
    ConversionSettings v = wizard_.settings();  // access mode, policy and host are the wizard's
    v.database = edtmysqldatabase->text();
    v.port = edtmysqlport->text();
    v.user = edtmysqlusername->text();
    v.password = edtmysqlpassword->text();
    v.oracleService = edtoracleservice->text();
    v.oracleUser = edtoracleusername->text();
    v.oraclePassword = edtoraclepassword->text();
    v.setCharacterSetText(edtcharset->text());
    v.tableDefinitionsOnly = chktabledefi->isChecked();
    v.skipIndexes = chkskipindex->isChecked();
    v.namesUppercase = chkuppercase->isChecked();
    v.roundValues = chkroundvalues->isChecked();
    v.keysAndConstraints = chkconstraints->isChecked();
    v.tables.all = rgselecttable->itemIndex() == 1;
    v.tables.names = namesOf(mysqltableselect);
    return v;
}

QString Tmarfrm_bat::createdMessage(const QString& launcher, const QString& job, const QString& log)
{
    const QChar cr = u'\r';
    return QStringLiteral("已经成功创建快捷方式文件") + quote + launcher + quote + QStringLiteral("。") + cr
           + QStringLiteral("成功创建设置文件") + quote + job + quote + QStringLiteral("。") + cr
           + QStringLiteral("在以快捷方式导入数据后,你可以参看Log文件") + quote + log + quote + u'.';
}

void Tmarfrm_bat::Button1Click()
{
    const QString launcher = dialogs_.saveFileName(this, QString(), launcherFilter(), launcherSuffix());
    if (launcher.isEmpty())
        return;

    const QStringList lines = jobLines(jobValues());
    Memo1->clear();
    Memo1->setPlainText(lines.join(u'\n'));

    const QString job = changeFileExt(launcher, QStringLiteral(".qvjob"));
    const QString log = changeFileExt(launcher, QStringLiteral(".log"));
    writeOwnerOnlyFile(job, crlfText(lines));
    // A launcher that could not be saved must not be reported as created.
    if (!createLauncher(launcher, {programPath(), job, programFolder()}))
        throw Error(QStringLiteral("Cannot create file \"%1\".").arg(launcher));
    dialogs_.notify(this, Taaform1::applicationTitle(), createdMessage(launcher, job, log));
    close();
}

void connectJobEditor(Taaform1& wizard, Tmarfrm_bat& editor)
{
    wizard.setOnCreateJob([&editor] { editor.btcreatebatClick(); });
}

}  // namespace qv
