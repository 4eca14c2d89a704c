#include "data/BufferedDataSet.h"
#include "data/DbConnection.h"
#include "data/Errors.h"
#include "data/SqlQuery.h"
#include "support/Failure.h"
#include "support/TestDatabase.h"

#include <gtest/gtest.h>

using namespace qv;
using qv::test::TestDatabase;
using qv::test::failureOf;

namespace {

class DataLayer : public ::testing::Test {
protected:
    void SetUp() override
    {
        db.connect(connection);
        db.exec(QStringLiteral("create table %1.T (ID int not null, NAME varchar(20))").arg(db.name()));
        db.exec(QStringLiteral("insert into %1.T values (1, 'one'), (2, NULL), (3, 'three')").arg(db.name()));
    }

    TestDatabase db;
    DbConnection connection;
};

}  // namespace

TEST_F(DataLayer, QueryReadsForwardAndFindsFieldsWithoutRegardToCase)
{
    SqlQuery query(&connection);
    query.openQuery(QStringLiteral("  select ID, NAME as Column_Name from T order by ID \r\n"));
    EXPECT_EQ(query.sqlText(), QStringLiteral("select ID, NAME as Column_Name from T order by ID"));
    ASSERT_TRUE(query.active());
    query.first();
    EXPECT_EQ(query.fieldCount(), 2);
    EXPECT_EQ(query.fieldName(1), QStringLiteral("Column_Name"));
    QStringList seen;
    for (; !query.eof(); query.next())
        seen << query.fieldValue(QStringLiteral("id")).toText() + QLatin1Char('=')
                    + query.fieldText(1) + QLatin1Char('/') + (query.fieldValue(QStringLiteral("COLUMN_NAME")).isNull()
                                                                  ? QStringLiteral("null")
                                                                  : QStringLiteral("value"));
    EXPECT_EQ(seen, (QStringList{QStringLiteral("1=one/value"), QStringLiteral("2=/null"),
                                 QStringLiteral("3=three/value")}));
    EXPECT_EQ(failureOf([&] { query.fieldValue(QStringLiteral("nosuch")); }), QStringLiteral("Field 'nosuch' not found"));
    query.close();
    EXPECT_FALSE(query.active());
    query.close();  // closing a closed query does nothing
}

TEST_F(DataLayer, EmptyResultIsAtEofAtOnce)
{
    SqlQuery query(&connection);
    query.openQuery(QStringLiteral("select * from T where 1=0"));
    EXPECT_TRUE(query.eof());
    EXPECT_NO_THROW(query.first());
    EXPECT_EQ(query.fieldCount(), 2);
}

TEST_F(DataLayer, RefusedStatementsCarryTheServerMessageAndLeaveNoResult)
{
    SqlQuery query(&connection);
    query.openQuery(QStringLiteral("select 1"));
    const QString message = failureOf([&] { query.openQuery(QStringLiteral("select * from NOSUCH")); });
    EXPECT_EQ(message, QStringLiteral("Table '%1.NOSUCH' doesn't exist").arg(db.name()));
    EXPECT_FALSE(query.active());
    EXPECT_EQ(failureOf([&] { query.executeDirect(QStringLiteral("drop table NOSUCH")); }),
              QStringLiteral("Unknown table '%1.NOSUCH'").arg(db.name()));
}

TEST_F(DataLayer, ClosingTheConnectionClosesItsQueries)
{
    SqlQuery query(&connection);
    query.openQuery(QStringLiteral("select * from T"));
    connection.close();
    EXPECT_FALSE(connection.connected());
    EXPECT_FALSE(query.active());
    EXPECT_THROW(query.eof(), Error);  // an error of the caller, reported, not a crash
    connection.close();                // closing a closed connection does nothing
    connection.open();
    connection.open();  // opening an open connection does nothing
    query.openQuery(QStringLiteral("select count(*) from T"));
    EXPECT_EQ(query.fieldValue(0).toInteger(), 3);
}

TEST_F(DataLayer, BufferedDataSetReadsEverythingAndKeepsNoResultOpen)
{
    BufferedDataSet data(&connection);
    data.setCommandText(QStringLiteral("select * from T order by ID"));
    data.open();
    EXPECT_EQ(data.state(), BufferedDataSet::State::Browse);
    EXPECT_EQ(data.recordCount(), 3);
    EXPECT_FALSE(data.eof());
    EXPECT_EQ(data.fieldValue(QStringLiteral("name")).toText(), QStringLiteral("one"));
    ASSERT_EQ(data.fields().size(), 2);
    EXPECT_FALSE(data.fields().at(0).nullable);
    EXPECT_TRUE(data.fields().at(1).nullable);

    // No result is left open: another statement runs on the connection at once.
    SqlQuery other(&connection);
    EXPECT_NO_THROW(other.executeDirect(QStringLiteral("insert into T values (4, 'four')")));

    // Open on an open dataset does nothing: the new command is not run.
    data.setCommandText(QStringLiteral("select * from T where 1=0"));
    data.open();
    EXPECT_EQ(data.recordCount(), 3);
    EXPECT_FALSE(data.eof());

    data.close();
    EXPECT_EQ(data.state(), BufferedDataSet::State::Closed);
    data.close();  // closing a closed dataset does nothing
    data.open();
    EXPECT_TRUE(data.eof());
    EXPECT_EQ(data.fields().size(), 2);
}

TEST_F(DataLayer, FailedOpenLeavesTheDataSetClosed)
{
    BufferedDataSet data(&connection);
    data.setCommandText(QStringLiteral("show tables like 'it's'"));
    EXPECT_THROW(data.open(), Error);
    EXPECT_EQ(data.state(), BufferedDataSet::State::Closed);
    data.setCommandText(QStringLiteral("show tables like 'T'"));
    data.open();
    EXPECT_FALSE(data.eof());
}

TEST(DataLayerConnection, RefusedLoginStaysClosedWithTheServerMessage)
{
    TestDatabase db;
    DbConnection connection;
    connection.describeAsMySql();
    connection.Params = db.params();
    connection.Params.replaceInStrings(QStringLiteral("Password=qvtest"), QStringLiteral("Password=wrong"));
    const QString message = failureOf([&] { connection.open(); });
    EXPECT_TRUE(message.startsWith(QStringLiteral("Access denied for user 'qvtest'@"))) << message.toStdString();
    EXPECT_FALSE(connection.connected());
}
