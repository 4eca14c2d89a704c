// Walks the wizard through its six pages and a finished run, saving a
// picture of the window on each page, of page 6 while rows are being copied,
// and of the Stop question, for review by eye.
//
//   screenshot_tour OUT_DIR SERVICE PORT DATABASE
//
// SERVICE is an Oracle service (sqlite:PATH for a schema file); the MySQL
// side is the sandbox user qvtest on 127.0.0.1:PORT.

#include "wizard/Dialogs.h"
#include "wizard/Taaform1.h"

#include <QApplication>
#include <QDir>
#include <QPixmap>
#include <QTimer>
#include <cstdio>
#include <functional>

namespace {

// No box may wait for a click here: each is written to standard error.
class LoggingDialogs : public qv::Dialogs {
public:
    bool confirm(QWidget*, const QString& caption, const QString& text) override
    {
        std::fprintf(stderr, "[%s] %s -> No\n", qPrintable(caption), qPrintable(text));
        return false;
    }
    void notify(QWidget*, const QString& caption, const QString& text) override
    {
        std::fprintf(stderr, "[%s] %s\n", qPrintable(caption), qPrintable(text));
    }
    void showError(QWidget*, const QString& caption, const QString& text) override
    {
        std::fprintf(stderr, "[%s] error: %s\n", qPrintable(caption), qPrintable(text));
        failed = true;
    }
    bool failed = false;
};

// The wizard, with a look at page 6 while rows are copied: taken again at
// each change until the line tells the time left (a fast machine may copy
// the table before that).
class TourWindow : public qv::Taaform1 {
public:
    using Taaform1::Taaform1;
    void progressChanged(const qv::RunProgress& progress) override
    {
        Taaform1::progressChanged(progress);
        if (progress.rows > 0 && !progress.finished && !timeLeftShown && onRowsCopied) {
            onRowsCopied();
            timeLeftShown = progress.secondsLeft.has_value();
        }
    }
    std::function<void()> onRowsCopied;
    bool timeLeftShown = false;
};

}  // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (argc != 5) {
        std::fprintf(stderr, "usage: %s OUT_DIR SERVICE PORT DATABASE\n", argv[0]);
        return 2;
    }
    const QString out = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(out);
    LoggingDialogs dialogs;
    TourWindow form(dialogs);
    form.show();

    const auto shoot = [&](const QString& name) {
        QApplication::processEvents();
        const QString path = QStringLiteral("%1/%2.png").arg(out, name);
        form.grab().save(path);
        std::printf("%s\n", qPrintable(path));
    };

    const auto next = [&form] { form.guarded([&form] { form.btnextClick(); }); };
    qv::ConversionSettings inputs = form.settings();
    inputs.oracleService = QString::fromLocal8Bit(argv[2]);
    inputs.oracleUser = QStringLiteral("scott");
    inputs.oraclePassword = QStringLiteral("tiger");
    inputs.accessMode = 1;
    inputs.host = QStringLiteral("127.0.0.1");
    inputs.port = QString::fromLocal8Bit(argv[3]);
    inputs.database = QString::fromLocal8Bit(argv[4]);
    inputs.user = inputs.password = QStringLiteral("qvtest");

    shoot(QStringLiteral("page1"));
    next();
    form.applySettings(inputs);
    shoot(QStringLiteral("page2"));
    next();
    shoot(QStringLiteral("page3"));
    next();
    shoot(QStringLiteral("page4"));
    next();
    // The table of many rows first, so that the run shows rows under way.
    form.chooseTables({false, {QStringLiteral("ORDER_LINES"), QStringLiteral("EMP")}});
    shoot(QStringLiteral("page5"));
    bool running = false;
    form.onRowsCopied = [&] {
        shoot(QStringLiteral("page6-running"));
        running = true;
    };
    next();
    shoot(QStringLiteral("page6"));

    // The Stop question as the window's message boxes show it; taken as soon
    // as it is up, then answered No.
    qv::QtDialogs boxes;
    QTimer::singleShot(0, &form, [&out] {
        if (QWidget* box = QApplication::activeModalWidget()) {
            const QString path = out + QStringLiteral("/stop.png");
            box->grab().save(path);
            std::printf("%s\n", qPrintable(path));
            box->close();
        }
    });
    boxes.confirm(&form, QStringLiteral("Info"), QStringLiteral("Stop"));
    return dialogs.failed || form.currentStep() != 6 || !running ? 1 : 0;
}
