// Walks the wizard through its six pages and a finished run, saving a
// picture of the window on each page and of the Stop question, for review
// by eye.
//
//   screenshot_tour OUT_DIR SERVICE PORT DATABASE
//
// SERVICE is an Oracle service (sqlite:PATH for a schema file); the MySQL
// side is the sandbox user qvtest on 127.0.0.1:PORT.

#include "wizard/Dialogs.h"
#include "wizard/Taaform1.h"

#include <QApplication>
#include <QDir>
#include <QListWidget>
#include <QPixmap>
#include <QTimer>
#include <cstdio>

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
    qv::Taaform1 form(dialogs);
    form.show();

    const auto shoot = [&](int page) {
        QApplication::processEvents();
        const QString path = QStringLiteral("%1/page%2.png").arg(out).arg(page);
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

    shoot(1);
    next();
    form.applySettings(inputs);
    shoot(2);
    next();
    shoot(3);
    next();
    shoot(4);
    next();
    // The second table of the list, as a user would pick one.
    if (const auto* available = form.findChild<QListWidget*>(QStringLiteral("availabletables"));
        available && available->count() > 1)
        form.chooseTables({false, {available->item(1)->text()}});
    shoot(5);
    next();
    shoot(6);

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
    return dialogs.failed || form.currentStep() != 6 ? 1 : 0;
}
