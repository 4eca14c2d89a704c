#include "Tcc.h"
#include "batch/HeadlessDialogs.h"
#include "batch/Tmarfrm_bat.h"
#include "batch/UnattendedRun.h"
#include "data/Errors.h"
#include "wizard/Dialogs.h"
#include "wizard/Taaform1.h"

#include <QApplication>
#include <QCoreApplication>
#include <cstdio>
#include <cstring>
#include <memory>

namespace {

const char* const usage =
    "Usage: quorvane [JOBFILE]\n"
    "\n"
    "Without arguments, opens the conversion wizard.\n"
    "With a job file, runs that job unattended, writes its progress log beside\n"
    "the job file (extension .log) and exits. Without a display (DISPLAY and\n"
    "WAYLAND_DISPLAY unset) the run needs no window system at all.\n"
    "\n"
    "Exit status of a job run: 0 every step succeeded, 1 the run completed with\n"
    "failed steps, 2 the run did not complete.\n"
    "\n"
    "  --help     show this text\n"
    "  --version  show the version\n";

}  // namespace

int main(int argc, char** argv)
{
    if (argc > 1 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        std::fputs(usage, stdout);
        return 0;
    }
    if (argc > 1 && std::strcmp(argv[1], "--version") == 0) {
        std::printf("%s\n", qPrintable(qv::Taaform1::applicationTitle()));
        return 0;
    }

    // The first argument is the job; quotes around it (or parts of it) go.
    const QString jobPath = argc > 1 ? QString::fromLocal8Bit(argv[1]).remove(QLatin1Char('"')) : QString();
    const bool headless = !jobPath.isEmpty() && qEnvironmentVariableIsEmpty("DISPLAY")
                          && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
    if (headless && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quorvane"));
    QApplication::setOrganizationName(QStringLiteral("Zembrix"));
    QApplication::setApplicationDisplayName(qv::Taaform1::applicationTitle());

    qv::QtDialogs windowDialogs;
    qv::HeadlessDialogs headlessDialogs;
    qv::Dialogs& dialogs = headless ? static_cast<qv::Dialogs&>(headlessDialogs) : windowDialogs;

    // The windows in their start-up order; the wizard is the main window.
    qv::Taaform1 aaform1(dialogs);
    qv::Tmarfrm_bat marfrm_bat(aaform1, dialogs);
    qv::connectJobEditor(aaform1, marfrm_bat);
    qv::Tcc cc;
    aaform1.setClipboardWriter([&cc](const QString& text) { cc.CopyTextToClipboard(text); });

    std::unique_ptr<qv::UnattendedRun> run;
    if (!jobPath.isEmpty()) {
        run = std::make_unique<qv::UnattendedRun>(aaform1, jobPath);
        // Without a display a message ends the run: it goes into the log file too.
        headlessDialogs.onMessage = [&](const QString& text) {
            aaform1.appendLine(text);
            try {
                run->saveLog();
            } catch (const qv::Error& e) {
                std::fprintf(stderr, "quorvane: %s\n", e.what());
            }
            QCoreApplication::exit(2);
        };
        if (run->startFailed() || (headless && headlessDialogs.messageShown()))
            return 2;
    }

    aaform1.show();
    const int status = QApplication::exec();
    return run ? (status == 0 ? run->exitStatus() : status) : status;
}
