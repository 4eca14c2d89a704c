// Rows per second of a whole conversion run (definition, indexes, rows) of
// one table of five columns from a schema file into MySQL.
//
//   row_copy_bench SANDBOX_DIR [ROWS]
//
// SANDBOX_DIR is a folder left by `scripts/mysql-sandbox start`.

#include "data/DbConnection.h"
#include "data/Errors.h"
#include "data/SqlQuery.h"
#include "engine/ConversionSession.h"
#include "engine/RunHost.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>
#include <cstdio>
#include <sqlite3.h>

namespace {

class QuietHost : public qv::RunHost {
public:
    QStringList lines;
    void appendLine(const QString& line) override { lines << line; }
    QString lastLine() const override { return lines.isEmpty() ? QString() : lines.last(); }
    void replaceLastLine(const QString& line) override { lines.last() = line; }
    void processEvents() override { QCoreApplication::processEvents(); }
    bool stopRequested() const override { return false; }
    void setStopRequested(bool) override {}
    void copyTextToClipboard(const QString&) override {}
    QString completionText(qv::CompletionLine) const override { return {}; }
};

void buildSchemaFile(const QString& path, int rows)
{
    sqlite3* db = nullptr;
    sqlite3_open(path.toUtf8().constData(), &db);
    const QString sql = QStringLiteral(
        "create table BENCH (ID NUMBER(10) primary key, NAME VARCHAR2(40), BORN DATE, AMOUNT NUMBER(12,2), NOTE CLOB);"
        "insert into BENCH with recursive c(x) as (select 1 union all select x + 1 from c where x < %1)"
        " select x, 'customer name ' || x, date('2000-01-01', '+' || (x % 9000) || ' days') || ' 12:34:56',"
        " (x * 7 % 100000) / 100.0, 'a note of modest length for row ' || x from c;")
                            .arg(rows);
    char* error = nullptr;
    if (sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, &error) != SQLITE_OK) {
        std::fprintf(stderr, "schema file: %s\n", error);
        std::exit(2);
    }
    sqlite3_close(db);
}

QString readFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "cannot read %s\n", qPrintable(path));
        std::exit(2);
    }
    return QString::fromUtf8(file.readAll()).trimmed();
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s SANDBOX_DIR [ROWS]\n", argv[0]);
        return 2;
    }
    const QString sandbox = QString::fromLocal8Bit(argv[1]);
    const int rows = argc > 2 ? std::atoi(argv[2]) : 100000;

    QTemporaryDir dir;
    const QString schema = dir.filePath(QStringLiteral("bench.sqlite"));
    buildSchemaFile(schema, rows);

    try {
        qv::DbConnection admin;
        admin.describeAsMySql();
        const QString port = QStringLiteral("Port=") + readFile(sandbox + QStringLiteral("/port"));
        admin.Params = {QStringLiteral("Database="), QStringLiteral("User_Name=qvtest"),
                        QStringLiteral("Password=qvtest"), port, QStringLiteral("HostName=127.0.0.1")};
        admin.open();
        qv::SqlQuery adminSql(&admin);
        adminSql.executeDirect(QStringLiteral("drop database if exists quorvane_bench"));
        adminSql.executeDirect(QStringLiteral("create database quorvane_bench"));

        qv::ConversionSettings settings;
        settings.oracleService = QStringLiteral("sqlite:") + schema;
        settings.accessMode = 1;
        settings.host = QStringLiteral("127.0.0.1");
        settings.port = readFile(sandbox + QStringLiteral("/port"));
        settings.database = QStringLiteral("quorvane_bench");
        settings.user = settings.password = QStringLiteral("qvtest");
        settings.characterSetEntry = qv::ConversionSettings::characterSetEntryOf(QStringLiteral("utf8"));
        qv::ConversionSession session;
        session.connectSource(settings);
        session.connectTarget(settings);
        QuietHost host;

        QElapsedTimer timer;
        timer.start();
        const qv::RunOutcome outcome = session.run({QStringLiteral("BENCH")}, settings, host);
        const double seconds = timer.elapsed() / 1000.0;
        for (const QString& line : host.lines)
            if (!line.isEmpty())
                std::printf("  %s\n", qPrintable(line));
        std::printf("%d rows in %.2f s: %.0f rows/s%s\n", rows, seconds, rows / seconds,
                    outcome.succeeded() ? "" : " (with failures)");
        adminSql.executeDirect(QStringLiteral("drop database quorvane_bench"));
        return outcome.succeeded() ? 0 : 1;
    } catch (const qv::Error& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 2;
    }
}
