// A fetch that waits on the Oracle server: Stop and the three stop signals
// break it and end the run as a confirmed Stop; a server that stops
// answering ends the row step when the time limit is up.

#include "support/ConversionFixture.h"
#include "support/JobProcess.h"
#include "support/OciStandIn.h"

#include <QFileInfo>
#include <csignal>
#include <gtest/gtest.h>

using namespace qv;
using namespace qv::test;

namespace {

// Rows wide enough that a fetch brings about a thousand: the third round
// trip is the one held.
const char* const wideRows =
    "create table BIG (ID NUMBER(6), T VARCHAR2(4000));"
    "with recursive k(n) as (select 1 union all select n + 1 from k where n < 3000)"
    " insert into BIG select n, 'row ' || n from k;";

// A variable set for one test.
struct Variable {
    Variable(const char* name, const QByteArray& value) : name(name) { qputenv(name, value); }
    ~Variable() { qunsetenv(name); }
    const char* name;
};

class OracleStop : public ConversionFixture {
protected:
    RunOutcome copyBig()
    {
        ConversionSettings settings;
        settings.skipIndexes = true;
        return run({QStringLiteral("BIG")}, settings);
    }
    QString log() const { return host.lines.join(QLatin1Char('\n')); }
};

}  // namespace

TEST_F(OracleStop, StopBreaksAFetchThatWaits)
{
    connect(QString::fromLatin1(wideRows));
    // The first fetch of BIG's rows waits, so the copy has no row to go on with.
    const Variable hold("QV_OCI_STANDIN_HOLD_AFTER_ROWS", "0");
    const Variable table("QV_OCI_STANDIN_HOLD_TABLE", "BIG");
    reconnectSourceThroughClient();
    // Stop is confirmed while the fetch waits; nothing else would end it.
    host.onProcessEvents = [](RecordingHost& h) {
        if (OciStandIn::holding())
            h.stop = true;
    };
    EXPECT_EQ(copyBig().tablesWithFailures, 1);
    EXPECT_TRUE(log().contains(QStringLiteral("\nOperation aborted\nOperation aborted\nRows kept in BIG: 0")))
        << log().toStdString();
    EXPECT_FALSE(OciStandIn::holding());
}

TEST_F(OracleStop, AFrozenServerEndsTheRowStepWhenItsTimeIsUp)
{
    connect(QString::fromLatin1(wideRows));
    const Variable hold("QV_OCI_STANDIN_HOLD_AFTER_ROWS", "1500");
    const Variable limit("QUORVANE_ORACLE_TIMEOUT", "2");
    reconnectSourceThroughClient();
    const RunOutcome outcome = copyBig();
    EXPECT_EQ(outcome.tablesWithFailures, 1);
    const QString message =
        QStringLiteral("The Oracle server did not answer within 2 seconds (ORA-03156: OCI call timed out)");
    EXPECT_TRUE(log().contains(message + QStringLiteral("\n") + message + QStringLiteral("\nRows kept in BIG: 100")))
        << log().toStdString();
    EXPECT_FALSE(log().contains(QStringLiteral("no time limit")));

    // A client before 18c has no time limit to give a call, and the log says so once.
    const Variable older("QV_OCI_STANDIN_CLIENT_VERSION", "12");
    reconnectSourceThroughClient();
    qunsetenv("QV_OCI_STANDIN_HOLD_AFTER_ROWS");
    host.lines.clear();
    ConversionSettings settings;
    settings.tableDefinitionsOnly = true;
    run({QStringLiteral("BIG")}, settings);
    EXPECT_EQ(host.lines.first(),
              QStringLiteral("The Oracle client has no time limit for its calls (Oracle Client 18c and later have "
                             "one): a server that stops answering holds the run until it answers"));
    EXPECT_EQ(host.lines.count(host.lines.first()), 1);
}

TEST(OracleStopSignals, EachStopSignalEndsAWaitingFetchAsAStop)
{
    SchemaFile schema(QString::fromLatin1(wideRows));
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        SCOPED_TRACE(signal);
        TestDatabase db;
        JobProcess job;
        const QString marker = job.path(QStringLiteral("held"));
        // The stand-in's connect identifier is the file itself.
        job.start(job.writeJob(QStringLiteral("big.qvjob"), db, schema.path()),
                  {QStringLiteral("QUORVANE_LANGUAGE=en"), QStringLiteral("QUORVANE_OCI_LIBRARY=") + OciStandIn::library(),
                   QStringLiteral("QV_OCI_STANDIN_HOLD_AFTER_ROWS=1500"), QStringLiteral("QV_OCI_STANDIN_HOLD_MARKER=") + marker});
        ASSERT_TRUE(job.waitForFile(marker)) << job.logLines(job.path(QStringLiteral("big.log"))).join(u'\n').toStdString();
        ::kill(pid_t(job.process.processId()), signal);
        const JobProcess::Outcome outcome = job.finish();
        const QStringList lines = JobProcess::logLines(job.path(QStringLiteral("big.log")));
        const QString log = lines.join(QLatin1Char('\n'));
        EXPECT_EQ(outcome.status, 2) << log.toStdString() << outcome.errors.toStdString();
        EXPECT_TRUE(log.contains(QStringLiteral("\nOperation aborted\nOperation aborted\nRows kept in BIG: 100")))
            << log.toStdString();
        EXPECT_TRUE(lines.last().startsWith(QStringLiteral("The end time:"))) << log.toStdString();
    }
}
