// One conversion of a schema with every kind of key and constraint, with
// the option off (the tables as before) and on, from the schema file and
// through the Oracle client: what SHOW CREATE TABLE shows, what the log
// names as left behind, and how a refused foreign key is counted.

#include "support/ConversionFixture.h"

#include <gtest/gtest.h>

using namespace qv;
using namespace qv::test;

namespace {

const char* const schemaSql = R"sql(
create table ORDERS (
    REGION VARCHAR2(2), ORDER_NO NUMBER(6),
    PLACED DATE default sysdate not null,
    STATUS CHAR(1) default 'N' not null,
    QTY NUMBER(5) default 0,
    RATE NUMBER(5,2) default -1.5,
    NOTE VARCHAR2(100) default 'it''s',
    STAMP "TIMESTAMP(6)" default systimestamp,
    DUE DATE default (to_date('2000-01-01', 'YYYY-MM-DD')),
    REF NUMBER(6) default NULL,
    primary key (REGION, ORDER_NO),
    constraint ORDERS_QTY_CK check (QTY between 0 and 1000 and STATUS in ('N', 'S')),
    constraint ORDERS_NOTE_CK check (upper(NOTE) <> 'X (")'));
create table ITEMS (
    ITEM_ID NUMBER primary key, REGION VARCHAR2(2), ORDER_NO NUMBER(6), PARENT_ITEM NUMBER, PRICE NUMBER(8,2),
    constraint ITEMS_ORDER_FK foreign key (REGION, ORDER_NO) references ORDERS (REGION, ORDER_NO) on delete cascade,
    constraint ITEMS_PARENT_FK foreign key (PARENT_ITEM) references ITEMS (ITEM_ID) on delete set null);
create table ARCHIVE (ID NUMBER(4) primary key);
create table NOTES (
    ID NUMBER(4) primary key, ORDER_REGION VARCHAR2(2), ORDER_NO NUMBER(6), ARCHIVE_ID NUMBER(4),
    constraint NOTES_ORDER_FK foreign key (ORDER_REGION, ORDER_NO) references ORDERS,
    constraint NOTES_ARCHIVE_FK foreign key (ARCHIVE_ID) references ARCHIVE);
create table LOGS (MSG VARCHAR2(10));
create table quorvane_identity_columns (TABLE_NAME, COLUMN_NAME, GENERATION_TYPE);
insert into quorvane_identity_columns values ('ITEMS', 'ITEM_ID', 'BY DEFAULT');
create table quorvane_comments (TABLE_NAME, COLUMN_NAME, COMMENTS);
insert into quorvane_comments values ('ORDERS', null, 'Orders'' book 订单'), ('ORDERS', 'NOTE', 'Free "text" 备注');
insert into ORDERS values ('EU', 1, '2024-01-02 03:04:05', 'N', 3, 1.25, 'a', '2024-01-02 03:04:05.123456', null, null),
    ('US', 2, '2024-02-03 00:00:00', 'S', 0, 0, null, null, null, null);
insert into ITEMS values (0, 'US', 2, null, 2), (1, 'EU', 1, null, 9.5), (2, 'EU', 1, 1, 3.25), (5, 'US', 2, null, 1);
insert into NOTES values (1, 'EU', 1, null), (2, 'EU', 999, null);
insert into LOGS values ('x');
)sql";

const QStringList runTables{"ORDERS", "ITEMS", "NOTES", "LOGS"};

class KeysAndConstraints : public ConversionFixture {
protected:
    QStringList createStatements()
    {
        QStringList statements;
        for (const QString& table : runTables)
            statements << db.showCreateTable(table);
        return statements;
    }
    void dropTables()
    {
        db.exec(QStringLiteral("set foreign_key_checks = 0"));
        for (const QString& table : runTables)
            db.exec(QStringLiteral("drop table if exists ") + table);
        db.exec(QStringLiteral("set foreign_key_checks = 1"));
    }
};

}  // namespace

TEST_F(KeysAndConstraints, WithTheOptionOffTheTablesAreAsBefore)
{
    connect(QString::fromUtf8(schemaSql));
    const RunOutcome outcome = run(runTables, ConversionSettings{});
    EXPECT_EQ(outcome.tablesWithFailures, 0) << host.lines.join('\n').toStdString();
    // The log as it has always been: the index of the primary key is a unique index like any other.
    EXPECT_EQ(host.lines.mid(0, 4),
              (QStringList{"Create table ORDERS...Done", "", "Insert table ORDERS 2 Rows ...Done", ""}));
    for (const QString& line : std::as_const(host.lines))
        EXPECT_FALSE(line.contains(QLatin1String("not carried")) || line.contains(QLatin1String("foreign key"))
                     || line.contains(QLatin1String("primary key")))
            << line.toStdString();
    const QString orders = db.showCreateTable(QStringLiteral("ORDERS"));
    EXPECT_TRUE(orders.contains(QLatin1String("UNIQUE KEY `PK_ORDERS` (`REGION`,`ORDER_NO`)"))) << orders.toStdString();
    for (const char* absent : {"PRIMARY KEY", "NOT NULL", "CONSTRAINT", "COMMENT", "AUTO_INCREMENT"})
        EXPECT_FALSE(createStatements().join('\n').contains(QLatin1String(absent))) << absent;
}

TEST_F(KeysAndConstraints, WithTheOptionOnEachTableShowsWhatTheDictionaryHolds)
{
    const QStringList expectedStatements{
        "CREATE TABLE `ORDERS` (\n"
        "  `REGION` varchar(2) NOT NULL,\n"
        "  `ORDER_NO` decimal(6,0) NOT NULL,\n"
        "  `PLACED` datetime NOT NULL DEFAULT current_timestamp(),\n"
        "  `STATUS` varchar(1) NOT NULL DEFAULT 'N',\n"
        "  `QTY` decimal(5,0) DEFAULT 0,\n"
        "  `RATE` decimal(5,2) DEFAULT -1.50,\n"
        "  `NOTE` varchar(100) DEFAULT 'it''s' COMMENT 'Free \"text\" 备注',\n"
        "  `STAMP` datetime(6) DEFAULT current_timestamp(6),\n"
        "  `DUE` datetime DEFAULT NULL,\n"
        "  `REF` decimal(6,0) DEFAULT NULL,\n"
        "  PRIMARY KEY (`REGION`,`ORDER_NO`),\n"
        "  CONSTRAINT `ORDERS_QTY_CK` CHECK (`QTY` between 0 and 1000 and `STATUS` in ('N','S'))\n"
        ") ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_general_ci COMMENT='Orders'' book 订单'",
        "CREATE TABLE `ITEMS` (\n"
        "  `ITEM_ID` bigint(22) NOT NULL AUTO_INCREMENT,\n"
        "  `REGION` varchar(2) DEFAULT NULL,\n"
        "  `ORDER_NO` decimal(6,0) DEFAULT NULL,\n"
        "  `PARENT_ITEM` bigint(22) DEFAULT NULL,\n"
        "  `PRICE` decimal(8,2) DEFAULT NULL,\n"
        "  PRIMARY KEY (`ITEM_ID`),\n"
        "  KEY `ITEMS_ORDER_FK` (`REGION`,`ORDER_NO`),\n"
        "  KEY `ITEMS_PARENT_FK` (`PARENT_ITEM`),\n"
        "  CONSTRAINT `ITEMS_ORDER_FK` FOREIGN KEY (`REGION`, `ORDER_NO`) REFERENCES `ORDERS` (`REGION`, `ORDER_NO`) "
        "ON DELETE CASCADE,\n"
        "  CONSTRAINT `ITEMS_PARENT_FK` FOREIGN KEY (`PARENT_ITEM`) REFERENCES `ITEMS` (`ITEM_ID`) ON DELETE SET NULL\n"
        ") ENGINE=InnoDB AUTO_INCREMENT=6 DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_general_ci",
        "CREATE TABLE `NOTES` (\n"
        "  `ID` decimal(4,0) NOT NULL,\n"
        "  `ORDER_REGION` varchar(2) DEFAULT NULL,\n"
        "  `ORDER_NO` decimal(6,0) DEFAULT NULL,\n"
        "  `ARCHIVE_ID` decimal(4,0) DEFAULT NULL,\n"
        "  PRIMARY KEY (`ID`)\n"
        ") ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_general_ci",
        "CREATE TABLE `LOGS` (\n"
        "  `MSG` varchar(10) DEFAULT NULL\n"
        ") ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_general_ci",
    };
    connect(QString::fromUtf8(schemaSql));
    ConversionSettings settings;
    settings.keysAndConstraints = true;
    QStringList fromFile;
    for (const bool throughClient : {false, true}) {
        SCOPED_TRACE(throughClient ? "through the client" : "from the file");
        if (throughClient) {
            dropTables();
            reconnectSourceThroughClient();
        }
        host.lines.clear();
        const RunOutcome outcome = run(runTables, settings);
        EXPECT_EQ(outcome.tablesWithFailures, 1);
        EXPECT_EQ(outcome.tablesProcessed, 4);
        const QString log = host.lines.join('\n');
        for (const char* line : {
                 "Defaults not carried to ORDERS: DUE (to_date('2000-01-01', 'YYYY-MM-DD'))",
                 "Checks not carried to ORDERS: ORDERS_NOTE_CK (upper(NOTE) <> 'X (\")')",
                 "Index PK_ORDERS is the primary key of ORDERS",
                 "Add foreign key ITEMS_ORDER_FK to ITEMS...Done",
                 "Add foreign key ITEMS_PARENT_FK to ITEMS...Done",
                 "Add foreign key NOTES_ORDER_FK to NOTES... ",
                 "Foreign keys not carried to NOTES: NOTES_ARCHIVE_FK (to ARCHIVE, which this run does not convert)",
             })
            EXPECT_TRUE(host.lines.contains(QString::fromUtf8(line))) << line << "\n" << log.toStdString();
        EXPECT_TRUE(log.contains(QLatin1String("Cannot add or update a child row: a foreign key constraint fails")))
            << log.toStdString();
        EXPECT_TRUE(host.lines.contains(QStringLiteral(
            "Conversion finished with errors: 1 of 4 tables had failures. See the messages above.")))
            << log.toStdString();
        EXPECT_EQ(createStatements(), expectedStatements);
        if (throughClient)
            EXPECT_EQ(host.lines, fromFile);
        fromFile = host.lines;
    }
    // The copied 0 stayed 0; the next number is past the largest copied one.
    EXPECT_EQ(db.scalar(QStringLiteral("select count(*) from ITEMS where ITEM_ID = 0")), QStringLiteral("1"));
    db.exec(QStringLiteral("insert into ITEMS (REGION, ORDER_NO, PRICE) values ('US', 2, 1)"));
    EXPECT_EQ(db.scalar(QStringLiteral("select max(ITEM_ID) from ITEMS")), QStringLiteral("6"));
    // The keys hold: a cascade, a refused check.
    db.exec(QStringLiteral("delete from ORDERS where REGION = 'EU'"));
    EXPECT_EQ(db.scalar(QStringLiteral("select count(*) from ITEMS")), QStringLiteral("3"));
    EXPECT_THROW(db.exec(QStringLiteral("update ORDERS set QTY = 5000")), Error);
}
