#include "Tcc.h"
#include "wizard/Dialogs.h"
#include "wizard/Taaform1.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quorvane"));
    QApplication::setOrganizationName(QStringLiteral("Zembrix"));
    QApplication::setApplicationDisplayName(qv::Taaform1::applicationTitle());

    // The windows in their start-up order; the wizard is the main window.
    qv::QtDialogs dialogs;
    qv::Taaform1 aaform1(dialogs);
    qv::Tcc cc;
    aaform1.setClipboardWriter([&cc](const QString& text) { cc.CopyTextToClipboard(text); });

    aaform1.show();
    return QApplication::exec();
}
