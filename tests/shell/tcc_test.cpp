#include "shell/Tcc.h"
#include "support/QtPrinters.h"
#include "support/ScriptedDialogs.h"

#include <QApplication>
#include <QClipboard>
#include <QPlainTextEdit>
#include <gtest/gtest.h>

TEST(Tcc, CopyReplacesTheClipboardAndKeepsTheTextInTheScratchMemo)
{
    qv::test::ensureApplication();
    qv::Tcc cc;
    EXPECT_EQ(cc.tmpmemo->toPlainText(), QStringLiteral("临时使用"));
    QGuiApplication::clipboard()->setText(QStringLiteral("held before"));
    const QString statement = QStringLiteral("Create table EMP (\r\nEMPNO decimal(4,0)\r\n)");
    cc.CopyTextToClipboard(statement);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), statement);  // CR LF kept
    EXPECT_EQ(cc.tmpmemo->toPlainText(), QStringLiteral("Create table EMP (\nEMPNO decimal(4,0)\n)"));
    EXPECT_FALSE(cc.isVisible());
}
