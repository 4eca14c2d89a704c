#pragma once

#include "RecordingHost.h"
#include "SchemaFile.h"
#include "TestDatabase.h"
#include "engine/ConversionSession.h"
#include "engine/TableSteps.h"

#include <QStringList>
#include <gtest/gtest.h>
#include <memory>

namespace qv::test {

// The conversion session as the wizard uses it: Oracle from a schema file,
// MySQL from this test's own database; its instances under their names, and
// the steps on them for tests of one step.
class ConversionFixture : public ::testing::Test {
protected:
    std::unique_ptr<SchemaFile> schema;  // first: outlives the connection that reads it
    TestDatabase db;
    RecordingHost host;
    ConversionSession session;
    DbConnection& oracleconn = session.oracleconn;
    SqlQuery& oracledata = session.oracledata;
    DbConnection& mysqlconnect = session.mysqlconnect;
    SqlQuery& mysqlexec = session.mysqlexec;
    BufferedDataSet& mysqldata = session.mysqldata;
    TableSteps steps{session.oracledata, session.mysqlexec, session.mysqldata, host};
    int characterSetEntry = 0;

    // The inputs that connect() used: the schema file and this test's database.
    ConversionSettings inputs() const;
    // Opens the source on a schema file built from `sql`, and the target
    // (with that entry of the character set choice, when given).
    void connect(const QString& sourceSql, const QString& characterSet = {});
    // Opens the source again on the same schema file, now through the
    // Oracle client library (the stand-in of the tests).
    void reconnectSourceThroughClient();
    RunOutcome run(const QStringList& tables, const ConversionSettings& settings);
};

// Settings of a run that creates tables only: definitions only, skip indexes.
ConversionSettings definitionsOnlySettings(ExistingTablePolicy policy = ExistingTablePolicy::Overwrite);

}  // namespace qv::test
