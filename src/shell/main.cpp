#include "StopSignals.h"
#include "Tcc.h"
#include "batch/HeadlessDialogs.h"
#include "batch/Tmarfrm_bat.h"
#include "batch/UnattendedRun.h"
#include "data/Errors.h"
#include "data/drivers/oci/OciLibrary.h"
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
    "WAYLAND_DISPLAY unset), or when the display cannot be opened, the run needs\n"
    "no window system at all; its messages then go to standard error as well.\n"
    "\n"
    "SIGTERM, SIGINT or SIGHUP stop a job run as a confirmed Stop would: the copy\n"
    "ends at its next checkpoint, the log file is written and the exit status is\n"
    "2. A second signal ends the program at once.\n"
    "\n"
    "Exit status of a job run:\n"
    "  0  the run completed and every step succeeded\n"
    "  1  the run completed, but some step failed (see the log)\n"
    "  2  the run did not complete: the job could not be read, a connection was\n"
    "     refused, another run holds the database, a failure ended the run, or\n"
    "     it was stopped by a signal\n"
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
        std::printf("%s\nOracle client: libclntsh.so of Oracle Client or Instant Client %s (or the file that "
                    "QUORVANE_OCI_LIBRARY names)\n",
                    qPrintable(qv::Taaform1::applicationTitle()), qv::oci::supportedClientVersions);
        return 0;
    }

    // The first argument is the job; quotes around it (or parts of it) go.
    // An empty one is no job.
    const QString jobPath = argc > 1 ? QString::fromLocal8Bit(argv[1]).remove(QLatin1Char('"')) : QString();
    // Without a platform of the user's choosing, the window system is tried
    // first and the offscreen platform stands in when none can be opened, so
    // that a missing display never aborts the program.
    const bool platformChosen = !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM");
    if (!platformChosen) {
        const bool noDisplay = qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
        qputenv("QT_QPA_PLATFORM", noDisplay                                   ? "offscreen"
                                   : qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") ? "xcb;offscreen"
                                                                                    : "wayland;xcb;offscreen");
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quorvane"));
    QApplication::setOrganizationName(QStringLiteral("Zembrix"));
    // No display name: the platform would add it to every window's title
    // ("Info — Quorvane 4.0"); the main window carries the title itself.

    const bool offscreen = QGuiApplication::platformName() == QLatin1String("offscreen");
    if (jobPath.isEmpty() && offscreen && !platformChosen) {
        std::fputs("quorvane: no display to open the wizard on: set DISPLAY (or WAYLAND_DISPLAY) to a display that "
                   "can be opened, or give a job file to run it unattended\n",
                   stderr);
        return 2;
    }
    const bool headless = !jobPath.isEmpty() && offscreen;

    qv::QtDialogs windowDialogs;
    qv::HeadlessDialogs headlessDialogs;
    qv::Dialogs& dialogs = headless ? static_cast<qv::Dialogs&>(headlessDialogs) : windowDialogs;
    // Messages before the run's log exists (a stored setting that cannot be
    // read) go into that log once it does.
    QStringList earlierMessages;
    headlessDialogs.onMessage = [&](const QString& text) { earlierMessages << text; };

    // The windows in their start-up order; the wizard is the main window.
    qv::Taaform1 aaform1(dialogs);
    qv::Tmarfrm_bat marfrm_bat(aaform1, dialogs);
    qv::connectJobEditor(aaform1, marfrm_bat);
    qv::Tcc cc;
    aaform1.setClipboardWriter([&cc](const QString& text) { cc.CopyTextToClipboard(text); });

    std::unique_ptr<qv::UnattendedRun> run;
    if (!jobPath.isEmpty()) {
        // Without a display a message ends the run: it goes into the log file
        // too, which follows the progress log.
        headlessDialogs.onMessage = [&](const QString& text) {
            aaform1.appendLine(text);
            if (run) {
                try {
                    run->saveLog();
                } catch (const qv::Error& e) {
                    std::fprintf(stderr, "quorvane: %s\n", e.what());
                }
            }
            QCoreApplication::exit(2);
        };
        run = std::make_unique<qv::UnattendedRun>(aaform1, jobPath, earlierMessages);
        if (run->startFailed() || (headless && headlessDialogs.messageShown()))
            return 2;
        qv::onStopSignals(&app, [&run] { run->stopBySignal(); });
    }

    aaform1.show();
    const int status = QApplication::exec();
    return run ? (status == 0 ? run->exitStatus() : status) : status;
}
