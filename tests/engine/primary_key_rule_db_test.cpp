// A server that requires a primary key on every table: with the option off,
// a table with one declares it, a table without one fails by a line that
// names the rule, and the run goes on. It sets a global variable of the
// sandbox server, so CTest runs it alone.

#include "support/ConversionFixture.h"

#include <QScopeGuard>
#include <gtest/gtest.h>

using namespace qv;
using namespace qv::test;

namespace {

const char* const schemaSql = R"sql(
create table ORDERS (REGION VARCHAR2(300), ORDER_NO NUMBER(6), NOTE VARCHAR2(10), primary key (REGION, ORDER_NO));
create unique index ORDERS_NOTE_U on ORDERS (NOTE);
create table LOGS (MSG VARCHAR2(10));
insert into ORDERS values ('EU', 1, 'a'), ('US', 2, 'b');
insert into LOGS values ('x');
)sql";

class PrimaryKeyRule : public ConversionFixture {};

}  // namespace

TEST_F(PrimaryKeyRule, ATableWithoutAPrimaryKeyFailsByTheRuleAndTheRunGoesOn)
{
    struct Case {
        const char* flavor;
        const char* forced;  // QUORVANE_TARGET_REQUIRES_PRIMARY_KEY
        const char* rule;
    };
    // MariaDB's own variable; MySQL's sql_require_primary_key as forced,
    // which the MariaDB server of the tests does not have.
    const Case cases[] = {{"", "", "innodb_force_primary_key"}, {"mysql", "1", "sql_require_primary_key"}};
    const auto restore = qScopeGuard([&] {
        db.exec(QStringLiteral("set global innodb_force_primary_key = OFF"));
        qunsetenv("QUORVANE_TARGET_FLAVOR");
        qunsetenv("QUORVANE_TARGET_REQUIRES_PRIMARY_KEY");
    });
    for (const Case& c : cases) {
        SCOPED_TRACE(c.rule);
        db.exec(QStringLiteral("drop table if exists ORDERS, LOGS"));
        if (*c.flavor) {
            db.exec(QStringLiteral("set global innodb_force_primary_key = OFF"));
            qputenv("QUORVANE_TARGET_FLAVOR", c.flavor);
            qputenv("QUORVANE_TARGET_REQUIRES_PRIMARY_KEY", c.forced);
        } else {
            db.exec(QStringLiteral("set global innodb_force_primary_key = ON"));
        }
        host.lines.clear();
        connect(QString::fromUtf8(schemaSql));
        const RunOutcome outcome = run({QStringLiteral("ORDERS"), QStringLiteral("LOGS")}, ConversionSettings{});
        EXPECT_EQ(outcome.tablesWithFailures, 1);
        EXPECT_EQ(outcome.tablesProcessed, 2);
        const QString log = host.lines.join('\n');
        EXPECT_TRUE(host.lines.contains(
            QStringLiteral("Table LOGS has no primary key, which this server requires (%1); it is not created")
                .arg(QLatin1String(c.rule))))
            << log.toStdString();
        EXPECT_TRUE(host.lines.contains(QStringLiteral("Index PK_ORDERS is the primary key of ORDERS")))
            << log.toStdString();
        // Only the key: no NOT NULL or defaults of the option; the long
        // character column keeps its length, since no key takes a TEXT.
        const QString orders = db.showCreateTable(QStringLiteral("ORDERS"));
        EXPECT_TRUE(orders.contains(QLatin1String("`REGION` varchar(300) NOT NULL,"))) << orders.toStdString();
        EXPECT_TRUE(orders.contains(QLatin1String("PRIMARY KEY (`REGION`,`ORDER_NO`)"))) << orders.toStdString();
        EXPECT_TRUE(orders.contains(QLatin1String("UNIQUE KEY `ORDERS_NOTE_U` (`NOTE`)"))) << orders.toStdString();
        EXPECT_EQ(db.scalar(QStringLiteral("select count(*) from ORDERS")), QStringLiteral("2"));
    }
}
