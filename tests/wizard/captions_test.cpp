#include "support/Controls.h"
#include "support/QtPrinters.h"
#include "support/ScriptedDialogs.h"
#include "wizard/RadioGroup.h"
#include "wizard/StoredSettings.h"
#include "wizard/Taaform1.h"

#include <QCheckBox>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <gtest/gtest.h>

using namespace qv;
using namespace qv::test;

namespace {

std::unique_ptr<Taaform1> windowIn(const char* language, ScriptedDialogs& dialogs)
{
    resetStoredSettings();
    if (language)
        qputenv("QUORVANE_LANGUAGE", language);
    else
        qunsetenv("QUORVANE_LANGUAGE");
    return std::make_unique<Taaform1>(dialogs);
}

}  // namespace

TEST(Captions, ChineseUnlessEnglishIsAskedFor)
{
    ScriptedDialogs dialogs;
    const auto form = windowIn(nullptr, dialogs);
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Quorvane 4.0"));
    EXPECT_EQ(control<QLabel>(*form, "Label1")->text(), QStringLiteral("欢迎"));
    EXPECT_EQ(control<QLabel>(*form, "Label8")->text(), QString());
    EXPECT_EQ(control<QLabel>(*form, "Label19")->text(), QString());
    EXPECT_EQ(control<QLabel>(*form, "Label20")->text(), QString());
    EXPECT_EQ(control<QLabel>(*form, "Label14")->text(), QStringLiteral("Host:"));
    EXPECT_EQ(control<QLabel>(*form, "Label17")->text(), QStringLiteral("(Default Mysql Port is 3306)"));
    EXPECT_EQ(control<QGroupBox>(*form, "GroupBox1")->title(), QStringLiteral("Port settings"));
    EXPECT_EQ(control<RadioGroup>(*form, "accessmode")->title(), QStringLiteral("存取模式"));
    EXPECT_EQ(control<QCheckBox>(*form, "chkuppercase")->text(), QStringLiteral("名称转换为大写"));
    EXPECT_EQ(control<QCheckBox>(*form, "chkconstraints")->text(), QStringLiteral("键和约束"));
    EXPECT_EQ(control<QPushButton>(*form, "Button1")->text(), QStringLiteral("添加>"));
    EXPECT_EQ(control<QPushButton>(*form, "Button2")->text(), QStringLiteral("添加全部>"));
    EXPECT_EQ(control<QPushButton>(*form, "Button3")->text(), QStringLiteral("<去除"));
    EXPECT_EQ(control<QPushButton>(*form, "Button4")->text(), QStringLiteral("<去除全部"));
    EXPECT_EQ(control<QPushButton>(*form, "bthelp")->text(), QStringLiteral("帮助"));
    EXPECT_EQ(control<QPushButton>(*form, "btcreatebat")->text(), QStringLiteral("创建快捷方式"));
    // These stay English in both languages.
    EXPECT_EQ(control<QPushButton>(*form, "btback")->text(), QStringLiteral("< Back"));
    EXPECT_EQ(control<QPushButton>(*form, "btnext")->text(), QStringLiteral("Next >"));
    EXPECT_EQ(control<QPushButton>(*form, "btcancel")->text(), QStringLiteral("Close"));
    const auto radios = control<RadioGroup>(*form, "accessmode")->findChildren<QRadioButton*>();
    ASSERT_EQ(radios.size(), 2);
    EXPECT_EQ(radios.at(1)->text(), QStringLiteral("&Romote"));
    // The run's end lines and the Close question follow the language.
    EXPECT_EQ(form->completionText(CompletionLine::Migrated), QStringLiteral("向导已经完成Orccle 数据库到Mysql的转换."));
    EXPECT_EQ(form->completionText(CompletionLine::MigratedWithErrors).arg(QStringLiteral("2"), QStringLiteral("5")),
              QStringLiteral("转换已完成,但有错误: 5 个表中有 2 个表失败。请查看上面的信息。"));
    dialogs.answers = {false};
    control<QPushButton>(*form, "btcancel")->click();
    EXPECT_EQ(dialogs.shown.first().text, QStringLiteral("退出向导 ?"));
}

TEST(Captions, EnglishTable)
{
    ScriptedDialogs dialogs;
    const auto form = windowIn("en", dialogs);
    EXPECT_EQ(control<QLabel>(*form, "Label8")->text(), QStringLiteral("Conversion Wizard"));
    EXPECT_EQ(control<QLabel>(*form, "Label21")->text(), QStringLiteral("&Service:"));
    EXPECT_EQ(control<RadioGroup>(*form, "processtable")->title(), QStringLiteral("How to process existing tables:"));
    EXPECT_EQ(control<QCheckBox>(*form, "chkconstraints")->text(), QStringLiteral("Keys and constraints"));
    EXPECT_EQ(control<QPushButton>(*form, "Button1")->text(), QStringLiteral("Add >"));
    EXPECT_EQ(control<QPushButton>(*form, "bthelp")->text(), QStringLiteral("Help"));
    EXPECT_EQ(control<QPushButton>(*form, "btcreatebat")->text(), QStringLiteral("Create Shortcut File"));
    EXPECT_EQ(form->completionText(CompletionLine::Completed), QStringLiteral("Conversion is Completed"));
    EXPECT_EQ(form->completionText(CompletionLine::ClickFinish), QStringLiteral("Click 'Finish' to exit the wizard."));
}

TEST(Captions, ALabelWithoutARowIsEmpty)
{
    ScriptedDialogs dialogs;
    const auto form = windowIn("en", dialogs);
    // Every label of the window has its caption from the table, or none.
    const CaptionTable& table = captionTable(UiLanguage::English);
    const QLabel* const logo = control<QLabel>(*form, "Image1");
    for (const QLabel* label : form->findChildren<QLabel*>()) {
        if (label == logo || label->objectName().isEmpty())
            continue;
        EXPECT_EQ(label->text(), captionOf(table, label->objectName())) << label->objectName().toStdString();
    }
}

TEST(Captions, HelpOpensThePageOfTheLanguageShippedWithTheProgram)
{
    ScriptedDialogs dialogs;
    auto form = windowIn("en", dialogs);
    EXPECT_TRUE(form->helpAddress().isLocalFile());
    EXPECT_TRUE(form->helpAddress().toLocalFile().endsWith(QStringLiteral("/help/en/index.html")));
    form = windowIn(nullptr, dialogs);
    EXPECT_TRUE(form->helpAddress().toLocalFile().endsWith(QStringLiteral("/help/zh/index.html")));
}

TEST(Captions, DeveloperCommandsWriteTheRowsIntoTheDataFolder)
{
    ScriptedDialogs dialogs;
    const auto form = windowIn("en", dialogs);
    const QString folder = qv::dataFolder();
    control<QPushButton>(*form, "loaditems")->click();
    QFile lb(folder + QStringLiteral("lb.txt"));
    ASSERT_TRUE(lb.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(lb.readAll());
    EXPECT_TRUE(text.startsWith(QStringLiteral("Label1=Welcome\r\n"))) << text.left(80).toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("\r\naccessmode=Access mode\r\n")));
    EXPECT_TRUE(text.endsWith(QStringLiteral("chkroundvalues=Round values to the target column\r\n"
                                             "chkconstraints=Keys and constraints\r\n")));

    control<QPushButton>(*form, "Button8")->click();
    QFile chn(folder + QStringLiteral("chn.txt"));
    ASSERT_TRUE(chn.open(QIODevice::ReadOnly));
    EXPECT_TRUE(QString::fromUtf8(chn.readAll()).startsWith(QStringLiteral("Label1=欢迎\r\nLabel2=连接Oracle\r\n")));
    EXPECT_TRUE(dialogs.shown.isEmpty());
}

TEST(Captions, EveryStepLabelStaysOnOneLineInBoldAndPlain)
{
    for (const char* language : {"en", "zh"}) {
        ScriptedDialogs dialogs;
        const auto form = windowIn(language, dialogs);
        for (int page = 1; page <= 6; ++page) {
            form->ShowStep(page);
            for (int i = 1; i <= 6; ++i) {
                const QLabel* step = control<QLabel>(*form, QStringLiteral("Label%1").arg(i));
                EXPECT_FALSE(step->wordWrap());
                EXPECT_EQ(step->font().bold(), i == page);
                EXPECT_LE(QFontMetrics(step->font()).horizontalAdvance(step->text()), step->contentsRect().width())
                    << language << " " << step->text().toStdString() << " on page " << page;
            }
        }
    }
}
