// Rows read ahead from Oracle are bounded by their size as well as their
// number: a table of large CLOBs read through the client copies in flat memory.

#include "support/JobProcess.h"
#include "support/OciStandIn.h"
#include "support/SchemaFile.h"
#include "support/TestDatabase.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

using namespace qv::test;

TEST(OracleLobMemory, MegabyteClobRowsReadThroughTheClientInBoundedMemory)
{
    SchemaFile schema(QStringLiteral(
        "create table DOCS (ID NUMBER(5), BODY CLOB);"
        "with recursive k(n) as (select 1 union all select n + 1 from k where n < 600)"
        " insert into DOCS select n, printf('%.*c', 1000000, char(64 + n % 26)) from k;"));
    TestDatabase db;
    JobProcess job;
    // The sanitizer's quarantine would hold freed values; the program's own
    // memory is what is measured.
    const JobProcess::Outcome outcome = job.run(
        job.writeJob(QStringLiteral("docs.qvjob"), db, schema.path()),
        {QStringLiteral("ASAN_OPTIONS=detect_leaks=0:quarantine_size_mb=16:thread_local_quarantine_size_kb=256"),
         QStringLiteral("QUORVANE_OCI_LIBRARY=") + OciStandIn::library()},
        540);
    ASSERT_EQ(outcome.status, 0) << outcome.errors.toStdString();
    EXPECT_EQ(db.scalar(QStringLiteral("select concat(count(*), ' ', sum(length(BODY))) from DOCS")),
              QStringLiteral("600 600000000"));

    rusage usage{};
    ASSERT_EQ(::getrusage(RUSAGE_CHILDREN, &usage), 0);
    EXPECT_LT(usage.ru_maxrss, 400L * 1024) << "peak resident memory of the run in KB";
    std::printf("peak resident memory of the run: %ld MB\n", usage.ru_maxrss / 1024);
}
