#include "Tcc.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QPlainTextEdit>
#include <QTabWidget>

namespace qv {

Tcc::Tcc(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("cc"));
    setWindowTitle(QStringLiteral("cc"));
    resize(616, 462);
    PageControl1 = new QTabWidget(this);
    PageControl1->setObjectName(QStringLiteral("PageControl1"));
    PageControl1->setGeometry(16, 8, 569, 433);
    auto* TabSheet1 = new QWidget;
    TabSheet1->setObjectName(QStringLiteral("TabSheet1"));
    auto* TabSheet2 = new QWidget;
    TabSheet2->setObjectName(QStringLiteral("TabSheet2"));
    PageControl1->addTab(TabSheet1, QStringLiteral("TabSheet1"));
    PageControl1->addTab(TabSheet2, QStringLiteral("TabSheet2"));
    tmpmemo = new QPlainTextEdit(TabSheet1);
    tmpmemo->setObjectName(QStringLiteral("tmpmemo"));
    tmpmemo->setPlainText(QStringLiteral("临时使用"));
    tmpmemo->setGeometry(0, 0, 561, 405);
}

void Tcc::CopyTextToClipboard(const QString& text)
{
    tmpmemo->setPlainText(text);
    tmpmemo->selectAll();
    // Not the memo's copy(): it would turn CR LF into LF, and the clipboard
    // must hold the text exactly as it was built.
    QGuiApplication::clipboard()->setText(text);
}

}  // namespace qv
