// The writing side of BufferedDataSet against the sandbox MariaDB: posting,
// the INSERT statements of an apply, its transaction and refused rows.

#include "data/BufferedDataSet.h"
#include "data/DbConnection.h"
#include "data/Errors.h"
#include "data/RowApplier.h"
#include "data/SqlQuery.h"
#include "data/TransactionScope.h"
#include "support/Failure.h"
#include "support/TestDatabase.h"

#include <QCryptographicHash>
#include <QMap>
#include <gtest/gtest.h>

using namespace qv;
using qv::test::TestDatabase;
using qv::test::failureOf;

namespace {

using Counts = QMap<QString, qint64>;

class BufferedInsert : public ::testing::Test {
protected:
    void SetUp() override
    {
        db.connect(connection);
        data.onReconcileError = [this](const QString& message) {
            refused << message;
            openAtCallback << int(connection.inTransaction());
        };
    }

    void openOn(const QString& table)
    {
        data.close();
        data.setCommandText(QStringLiteral("select * from ") + table + QStringLiteral(" where 1=0"));
        data.open();
    }

    void addRow(std::initializer_list<std::pair<const char*, DbValue>> values)
    {
        data.append();
        for (const auto& [name, value] : values)
            data.setFieldValue(QString::fromLatin1(name), value);
        data.post();
    }

    // What this connection's session has sent so far, as the server counts it.
    Counts statementCounts()
    {
        SqlQuery query(&connection);
        query.openQuery(QStringLiteral(
            "show session status where Variable_name in ('Com_stmt_prepare', 'Com_stmt_execute', "
            "'Com_stmt_close', 'Com_begin', 'Com_commit', 'Com_rollback')"));
        Counts counts;
        for (; !query.eof(); query.next())
            counts[query.fieldValue(0).toText()] = query.fieldValue(1).toInteger();
        return counts;
    }

    static Counts sentSince(const Counts& before, const Counts& after)
    {
        Counts sent;
        for (auto it = after.begin(); it != after.end(); ++it)
            if (const qint64 n = it.value() - before.value(it.key()))
                sent[it.key()] = n;
        return sent;
    }

    QStringList rowsOf(const QString& select) { return db.column(select); }

    TestDatabase db;
    DbConnection connection;
    BufferedDataSet data{&connection};
    QStringList refused;
    QList<int> openAtCallback;
};

DbValue integer(qint64 v) { return DbValue::fromInteger(v); }
DbValue text(const char* v) { return DbValue::fromText(QString::fromUtf8(v)); }

}  // namespace

TEST(InsertStatement, FourLinesEachEndedByCrLf)
{
    EXPECT_EQ(RowApplier::insertStatementText(QStringLiteral("`T`"), {QStringLiteral("ID"), QStringLiteral("NAME")},
                                              QStringLiteral("`")),
              QStringLiteral("insert into `T`\r\n  (`ID`, `NAME`)\r\nvalues\r\n  (?, ?)\r\n"));
    EXPECT_EQ(RowApplier::insertStatementText(QStringLiteral("`T`"), {}, QStringLiteral("`")),
              QStringLiteral("insert into `T`\r\n  ()\r\nvalues\r\n  ()\r\n"));
    // A quote character inside a name is doubled, so the name cannot end early.
    EXPECT_EQ(RowApplier::insertStatementText(QStringLiteral("`T`"), {QStringLiteral("A`B")}, QStringLiteral("`")),
              QStringLiteral("insert into `T`\r\n  (`A``B`)\r\nvalues\r\n  (?)\r\n"));
}

TEST(InsertStatement, TableNameFollowsTheWordFromAndIsQuotedUnlessAlreadyQuoted)
{
    EXPECT_EQ(RowApplier::tableNameOf(QStringLiteral("select * from T where 1=0")), QStringLiteral("T"));
    EXPECT_EQ(RowApplier::tableNameOf(QStringLiteral("SELECT fromage\tFROM\r\n  S.T")), QStringLiteral("S.T"));
    EXPECT_EQ(RowApplier::tableNameOf(QStringLiteral("select 1")), QString());

    const QString q = QStringLiteral("`");
    EXPECT_EQ(RowApplier::quotedTableName(QStringLiteral("T"), q), QStringLiteral("`T`"));
    EXPECT_EQ(RowApplier::quotedTableName(QStringLiteral("S.T"), q), QStringLiteral("`S`.`T`"));
    EXPECT_EQ(RowApplier::quotedTableName(QStringLiteral("S.T`X"), q), QStringLiteral("`S`.`T``X`"));
    for (const QString& quoted : {QStringLiteral("`T`"), QStringLiteral("\"S.T\""), QStringLiteral("'T"),
                                  QStringLiteral("S.T`")})
        EXPECT_EQ(RowApplier::quotedTableName(quoted, q), quoted);
}

TEST_F(BufferedInsert, RowsArriveThroughPlainSchemaQualifiedAndQuotedTableNames)
{
    db.exec(QStringLiteral("create table T (ID int primary key, NAME varchar(100))"));
    for (const QString& table : {QStringLiteral("T"), db.name() + QStringLiteral(".T"), QStringLiteral("`T`")}) {
        openOn(table);
        const qint64 id = db.scalar(QStringLiteral("select count(*) from T")).toLongLong() + 1;
        addRow({{"ID", integer(id)}, {"name", DbValue::fromText(table)}});  // found without regard to case
        EXPECT_EQ(data.applyUpdates(0), 0);
    }
    EXPECT_EQ(rowsOf(QStringLiteral("select concat(ID, ':', NAME) from T order by ID")),
              (QStringList{QStringLiteral("1:T"), QStringLiteral("2:") + db.name() + QStringLiteral(".T"),
                           QStringLiteral("3:`T`")}));
    EXPECT_TRUE(refused.isEmpty());
}

TEST_F(BufferedInsert, AnAssignedNullIsSentAndAnUnassignedFieldGetsTheColumnDefault)
{
    db.exec(QStringLiteral("create table T (A varchar(10) default 'da', B varchar(10) default 'db', "
                           "C int default 7)"));
    openOn(QStringLiteral("T"));
    addRow({{"A", DbValue::null()}});
    addRow({{"B", text("b")}, {"C", integer(5)}});
    // A value that does not convert leaves the field as it was: unassigned, or 5.
    data.append();
    EXPECT_THROW(data.setFieldValue(QStringLiteral("C"), text("abc")), ConversionError);
    data.setFieldValue(QStringLiteral("A"), text("a"));
    data.post();
    data.append();
    data.setFieldValue(QStringLiteral("C"), text("5"));
    EXPECT_THROW(data.setFieldValue(QStringLiteral("C"), text("abc")), ConversionError);
    data.post();
    EXPECT_EQ(data.pendingChanges(), 4);

    EXPECT_EQ(data.applyUpdates(0), 0);
    EXPECT_EQ(rowsOf(QStringLiteral("select concat_ws('|', ifnull(A, 'NULL'), ifnull(B, 'NULL'), ifnull(C, 'NULL')) "
                                    "from T order by 1")),
              (QStringList{QStringLiteral("a|db|7"), QStringLiteral("da|b|5"), QStringLiteral("da|db|5"),
                           QStringLiteral("NULL|db|7")}));
    EXPECT_EQ(data.pendingChanges(), 0);
    EXPECT_EQ(data.state(), BufferedDataSet::State::Browse);
}

TEST_F(BufferedInsert, AssignmentAndPostingFailuresKeepTheRowPending)
{
    db.exec(QStringLiteral("create table T (ID int auto_increment primary key, NAME varchar(10) not null, "
                           "KIND varchar(10) not null default 'x', NOTE varchar(10))"));
    openOn(QStringLiteral("T"));
    data.append();
    EXPECT_EQ(failureOf([&] { data.setFieldValue(QStringLiteral("Nosuch"), integer(1)); }),
              QStringLiteral("Field 'Nosuch' not found"));
    data.setFieldValue(QStringLiteral("NOTE"), text("n"));
    // Neither the auto-increment ID nor KIND with its default is required; NAME is.
    EXPECT_EQ(failureOf([&] { data.post(); }), QStringLiteral("Field 'NAME' must have a value"));
    data.setFieldValue(QStringLiteral("name"), DbValue::null());
    EXPECT_EQ(failureOf([&] { data.post(); }), QStringLiteral("Field 'NAME' must have a value"));
    EXPECT_EQ(data.state(), BufferedDataSet::State::Inserting);
    EXPECT_EQ(data.pendingChanges(), 0);

    data.close();  // discards the pending row
    openOn(QStringLiteral("T"));
    EXPECT_EQ(data.applyUpdates(0), 0);
    EXPECT_EQ(db.scalar(QStringLiteral("select count(*) from T")), QStringLiteral("0"));
}

TEST_F(BufferedInsert, AnAutoIncrementColumnKeepsTheValueGivenAndFillsTheOthers)
{
    db.exec(QStringLiteral("create table T (ID bigint auto_increment primary key, NAME varchar(10))"));
    openOn(QStringLiteral("T"));
    addRow({{"ID", integer(100)}, {"NAME", text("b")}});
    addRow({{"NAME", text("a")}});
    EXPECT_EQ(data.applyUpdates(0), 0);
    EXPECT_EQ(rowsOf(QStringLiteral("select concat(ID, NAME) from T order by ID")),
              (QStringList{QStringLiteral("100b"), QStringLiteral("101a")}));
}

TEST_F(BufferedInsert, ApplyPostsAPendingRowAndDropsOneWithNothingAssigned)
{
    db.exec(QStringLiteral("create table T (ID int, NAME varchar(10) default 'dflt')"));
    openOn(QStringLiteral("T"));
    data.append();
    data.setFieldValue(QStringLiteral("ID"), integer(1));
    EXPECT_EQ(data.applyUpdates(0), 0);
    EXPECT_EQ(data.state(), BufferedDataSet::State::Browse);

    const Counts before = statementCounts();
    data.append();
    EXPECT_EQ(data.applyUpdates(0), 0);
    EXPECT_EQ(data.applyUpdates(0), 0);  // an empty log sends nothing
    EXPECT_EQ(sentSince(before, statementCounts()), Counts());
    EXPECT_EQ(data.state(), BufferedDataSet::State::Browse);

    // Posted with nothing assigned, the row is an INSERT without columns;
    // MariaDB takes it as a row of column defaults.
    data.append();
    data.post();
    EXPECT_EQ(data.applyUpdates(0), 0);
    EXPECT_EQ(rowsOf(QStringLiteral("select concat(ifnull(ID, 'NULL'), NAME) from T order by ID")),
              (QStringList{QStringLiteral("NULLdflt"), QStringLiteral("1dflt")}));
}

TEST_F(BufferedInsert, TheFirstRefusedRowEndsTheApplyAndRollsItBack)
{
    db.exec(QStringLiteral("create table T (ID int primary key, NAME varchar(10)) engine=InnoDB"));
    // One by one: one statement prepared, rows 1 to 3 sent, rows 4 to 10
    // never. In arrays: the array fails and is rolled back, then the rows
    // go one by one in a new transaction, to the refused one.
    struct Case {
        const char* arrays;
        Counts sent;
    };
    const Case cases[] = {
        {"0", {{"Com_begin", 1}, {"Com_rollback", 1}, {"Com_stmt_prepare", 1}, {"Com_stmt_execute", 3},
               {"Com_stmt_close", 1}}},
        {"1", {{"Com_begin", 2}, {"Com_rollback", 2}, {"Com_stmt_prepare", 2}, {"Com_stmt_execute", 4},
               {"Com_stmt_close", 2}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arrays);
        qputenv("QUORVANE_BULK_APPLY", c.arrays);
        refused.clear();
        openAtCallback.clear();
        openOn(QStringLiteral("T"));
        for (int i = 1; i <= 10; ++i)
            addRow({{"ID", integer(i == 3 ? 1 : i)}, {"NAME", DbValue::fromText(QString::number(i))}});

        const Counts before = statementCounts();
        int result = -1;
        EXPECT_NO_THROW(result = data.applyUpdates(0));
        EXPECT_EQ(result, 1);
        EXPECT_EQ(refused, QStringList{QStringLiteral("Duplicate entry '1' for key 'PRIMARY'")});
        EXPECT_EQ(openAtCallback, QList<int>{0});  // the transaction had ended
        EXPECT_EQ(sentSince(before, statementCounts()), c.sent);
        EXPECT_EQ(db.scalar(QStringLiteral("select count(*) from T")), QStringLiteral("0"));
        EXPECT_FALSE(connection.inTransaction());
        EXPECT_EQ(data.pendingChanges(), 0);
    }
    qunsetenv("QUORVANE_BULK_APPLY");
}

TEST_F(BufferedInsert, MaxErrorsDecidesBetweenCommitAndRollback)
{
    db.exec(QStringLiteral("create table T (ID int primary key) engine=InnoDB"));
    struct Case {
        int maxErrors;
        int sent;        // statements executed
        int committed;   // rows in the table afterwards
    };
    // Rows 1..6 where rows 3 and 5 repeat row 1, sent one by one (an
    // array's failure replays them so).
    qputenv("QUORVANE_BULK_APPLY", "0");
    for (const Case& c : {Case{-1, 6, 4}, Case{2, 6, 4}, Case{1, 5, 0}}) {
        SCOPED_TRACE(c.maxErrors);
        db.exec(QStringLiteral("truncate table T"));
        refused.clear();
        openAtCallback.clear();
        openOn(QStringLiteral("T"));
        for (int i = 1; i <= 6; ++i)
            addRow({{"ID", integer(i == 3 || i == 5 ? 1 : i)}});
        QStringList seenAtCallback;
        data.onReconcileError = [&](const QString& message) {
            refused << message;
            seenAtCallback << db.scalar(QStringLiteral("select count(*) from T"));
        };
        const Counts before = statementCounts();
        EXPECT_EQ(data.applyUpdates(c.maxErrors), 2);
        const Counts sent = sentSince(before, statementCounts());
        EXPECT_EQ(sent.value(QStringLiteral("Com_stmt_execute")), c.sent);
        EXPECT_EQ(sent.value(QStringLiteral("Com_commit")), c.committed ? 1 : 0);
        EXPECT_EQ(sent.value(QStringLiteral("Com_rollback")), c.committed ? 0 : 1);
        EXPECT_EQ(refused, QStringList(2, QStringLiteral("Duplicate entry '1' for key 'PRIMARY'")));
        // The callbacks come after the commit or rollback.
        EXPECT_EQ(seenAtCallback, QStringList(2, QString::number(c.committed)));
        EXPECT_EQ(db.scalar(QStringLiteral("select count(*) from T")), QString::number(c.committed));
    }
    qunsetenv("QUORVANE_BULK_APPLY");
}

TEST_F(BufferedInsert, RowsSentToANonTransactionalTableStay)
{
    db.exec(QStringLiteral("create table T (ID int primary key) engine=MyISAM"));
    openOn(QStringLiteral("T"));
    for (int i : {1, 2, 1, 4})
        addRow({{"ID", integer(i)}});
    EXPECT_EQ(data.applyUpdates(0), 1);
    EXPECT_EQ(rowsOf(QStringLiteral("select ID from T order by ID")),
              (QStringList{QStringLiteral("1"), QStringLiteral("2")}));
}

TEST_F(BufferedInsert, AnApplyInsideAnOpenTransactionLeavesItToItsOwner)
{
    db.exec(QStringLiteral("create table T (ID int) engine=InnoDB"));
    openOn(QStringLiteral("T"));
    addRow({{"ID", integer(1)}});
    TransactionScope owner(connection);
    ASSERT_TRUE(owner.owned());
    const Counts before = statementCounts();
    EXPECT_EQ(data.applyUpdates(0), 0);
    const Counts sent = sentSince(before, statementCounts());
    EXPECT_EQ(sent.value(QStringLiteral("Com_begin")) + sent.value(QStringLiteral("Com_commit")), 0);
    EXPECT_TRUE(connection.inTransaction());
    EXPECT_EQ(db.scalar(QStringLiteral("select count(*) from T")), QStringLiteral("0"));  // not committed yet
}

TEST_F(BufferedInsert, EveryKindOfRefusalIsAReportedRowNotAnException)
{
    db.exec(QStringLiteral("create table T (ID int primary key, NAME varchar(5), N tinyint, G int) engine=MyISAM"));
    db.exec(QStringLiteral("create trigger T_check before insert on T for each row "
                           "if NEW.ID = 3 then signal sqlstate '45000' set message_text = 'no threes'; end if"));
    openOn(QStringLiteral("T"));
    addRow({{"ID", integer(1)}, {"NAME", text("toolong")}});
    addRow({{"ID", integer(2)}, {"N", integer(300)}});
    addRow({{"ID", integer(3)}});
    addRow({{"ID", integer(4)}, {"G", integer(1)}});  // G is dropped below: this statement cannot be prepared
    addRow({{"ID", integer(5)}, {"NAME", text("ok")}});
    db.exec(QStringLiteral("alter table T drop column G"));

    EXPECT_EQ(data.applyUpdates(-1), 4);
    // The target's lax modes are overridden for this session: no truncation.
    EXPECT_EQ(refused, (QStringList{QStringLiteral("Data too long for column 'NAME' at row 1"),
                                    QStringLiteral("Out of range value for column 'N' at row 1"),
                                    QStringLiteral("no threes"),
                                    QStringLiteral("Unknown column 'G' in 'INSERT INTO'")}));
    EXPECT_EQ(rowsOf(QStringLiteral("select concat(ID, NAME) from T")), QStringList{QStringLiteral("5ok")});
}

TEST_F(BufferedInsert, SessionsAreStrictOnEveryTableAndKeepTheServersOtherModes)
{
    SqlQuery query(&connection);
    query.openQuery(QStringLiteral("select @@session.sql_mode, @@global.sql_mode"));
    const QStringList session = query.fieldValue(0).toText().split(QLatin1Char(','));
    EXPECT_TRUE(session.contains(QStringLiteral("STRICT_ALL_TABLES"))) << query.fieldText(0).toStdString();
    for (const QString& mode : query.fieldValue(1).toText().split(QLatin1Char(','), Qt::SkipEmptyParts))
        EXPECT_TRUE(session.contains(mode)) << mode.toStdString();
}

TEST_F(BufferedInsert, ATransactionThatCannotBeginRaisesWithTheLibrarysMessage)
{
    db.exec(QStringLiteral("create table T (ID int) engine=InnoDB"));
    openOn(QStringLiteral("T"));
    addRow({{"ID", integer(1)}});
    SqlQuery query(&connection);
    query.openQuery(QStringLiteral("select connection_id()"));
    const QString id = query.fieldValue(0).toText();
    query.close();
    db.exec(QStringLiteral("kill connection %1").arg(id));

    const QString message = failureOf([&] { data.applyUpdates(0); });
    EXPECT_TRUE(message.contains(QStringLiteral("server has gone away"), Qt::CaseInsensitive)
                || message.contains(QStringLiteral("Lost connection"), Qt::CaseInsensitive)
                || message.contains(QStringLiteral("Connection was killed"), Qt::CaseInsensitive))
        << message.toStdString();
    EXPECT_FALSE(connection.inTransaction());
    EXPECT_TRUE(refused.isEmpty());
}

// Where the server takes arrays, an apply's rows go in one execution, and
// every kind of value (nulls, CJK text, megabyte values) arrives unchanged.
TEST_F(BufferedInsert, AnApplyGoesAsOneArrayAndEveryValueArrivesUnchanged)
{
    db.exec(QStringLiteral("create table T (ID int primary key, F double, D decimal(20,6), W datetime(6), "
                           "S varchar(20), B varbinary(10), L longtext) engine=InnoDB"));
    openOn(QStringLiteral("T"));
    const QString megabyte = QString(1024 * 1024 - 1, QLatin1Char('x')) + QStringLiteral("字");
    const QString md5 =
        QString::fromLatin1(QCryptographicHash::hash(megabyte.toUtf8(), QCryptographicHash::Md5).toHex());
    addRow({{"ID", integer(1)}, {"F", DbValue::fromFloat(-2.5e-300)},
            {"D", DbValue::fromDecimal(Decimal::parse(QStringLiteral("-12345678901234.123456")))},
            {"W", DbValue::fromDateTime({2024, 2, 29, 23, 59, 58, 123456000})}, {"S", text("漢字かなカナ한글")},
            {"B", DbValue::fromBytes(QByteArray("\0\x01\xff", 3))}, {"L", DbValue::fromText(megabyte)}});
    addRow({{"ID", integer(2)}, {"F", DbValue()}, {"D", DbValue()}, {"W", DbValue()}, {"S", DbValue()},
            {"B", DbValue()}, {"L", DbValue()}});
    addRow({{"ID", integer(3)}, {"F", DbValue::fromFloat(0)}, {"D", DbValue::fromDecimal(Decimal::parse("0"))},
            {"W", DbValue::fromDateTime({1, 1, 1, 0, 0, 0, 0})}, {"S", text("")}, {"B", DbValue::fromBytes({})},
            {"L", DbValue::fromText(megabyte)}});

    const Counts before = statementCounts();
    EXPECT_EQ(data.applyUpdates(0), 0);
    EXPECT_EQ(sentSince(before, statementCounts()).value(QStringLiteral("Com_stmt_execute")), 1);
    EXPECT_EQ(rowsOf(QStringLiteral("select concat_ws('|', ID, ifnull(F, 'N'), ifnull(D, 'N'), ifnull(W, 'N'), "
                                    "ifnull(S, 'N'), ifnull(hex(B), 'N'), ifnull(md5(L), 'N')) from T order by ID")),
              (QStringList{"1|-2.5e-300|-12345678901234.123456|2024-02-29 23:59:58.123456|漢字かなカナ한글|0001FF|" + md5,
                           "2|N|N|N|N|N|N", "3|0|0.000000|0001-01-01 00:00:00.000000|||" + md5}));
}
