#pragma once

#include "RecordingHost.h"
#include "SchemaFile.h"
#include "TestDatabase.h"
#include "data/BufferedDataSet.h"
#include "data/DbConnection.h"
#include "data/SqlQuery.h"
#include "engine/ConversionRun.h"
#include "engine/TableSteps.h"

#include <QStringList>
#include <gtest/gtest.h>
#include <memory>

namespace qv::test {

// The six data access instances of the window, wired as the wizard wires
// them: Oracle from a schema file, MySQL from this test's own database.
class ConversionFixture : public ::testing::Test {
protected:
    std::unique_ptr<SchemaFile> schema;  // first: outlives the connection that reads it
    TestDatabase db;
    RecordingHost host;
    DbConnection oracleconn;
    SqlQuery oraclesql;
    SqlQuery oracledata;
    DbConnection mysqlconnect;
    SqlQuery mysqlexec{&mysqlconnect};
    BufferedDataSet mysqldata{&mysqlconnect};
    TableSteps steps{oracledata, mysqlexec, mysqldata, host};

    // Opens the source on a schema file built from `sql`, and the target.
    void connect(const QString& sourceSql, const QString& charset = {});
    // Opens the source again on the same schema file, now through the
    // Oracle client library (the stand-in of the tests).
    void reconnectSourceThroughClient();
    RunOutcome run(const QStringList& tables, const RunSettings& settings);
};

// Settings of a run that creates tables only: definitions only, skip indexes.
RunSettings definitionsOnlySettings(ExistingTablePolicy policy = ExistingTablePolicy::Overwrite);

}  // namespace qv::test
