// The dictionary views of a schema file, read with the system's own catalog
// query texts.

#include "data/DbConnection.h"
#include "data/DbValue.h"
#include "data/SqlQuery.h"
#include "support/SchemaFile.h"

#include <gtest/gtest.h>
#include <optional>

namespace {

using qv::test::OracleSource;

QString columnQuery(const QString& table)
{
    return "select * from user_tab_columns where table_name = '" + table + "' order by column_id";
}

QString indexQuery(const QString& table)
{
    return "select   i.index_name key_name,i.uniqueness,C.Column_Name Column_name,c.column_position  "
           "Seq_in_index  from   user_indexes   i,user_ind_columns   c   where   "
           "i.index_name=c.index_name   and   i.table_name='" +
           table + "'   order   by     i.index_name,c.column_position";
}

const QString listingQuery = QStringLiteral("select  table_name   from   user_tables order by table_name");

std::optional<qint64> optionalInteger(const qv::DbValue& value)
{
    if (value.isNull())
        return std::nullopt;
    return value.toInteger();
}

struct TypeCase {
    const char* declaration;  // as written in CREATE TABLE
    const char* dataType;
    qint64 dataLength;
    std::optional<qint64> precision;
    std::optional<qint64> scale;
    qint64 charLength;
    const char* owner = "";  // DATA_TYPE_OWNER, empty for built-in types
};

// Declared types SQLite's parser refuses are written as quoted identifiers.
const TypeCase typeCases[] = {
    {"NUMBER", "NUMBER", 22, std::nullopt, std::nullopt, 0},
    {"number(10)", "NUMBER", 22, 10, 0, 0},
    {"NUMBER(10,2)", "NUMBER", 22, 10, 2, 0},
    {"\"NUMBER(*,2)\"", "NUMBER", 22, std::nullopt, 2, 0},
    {"\"Number( 5 , -2 )\"", "NUMBER", 22, 5, -2, 0},
    {"INTEGER", "NUMBER", 22, std::nullopt, 0, 0},
    {"SMALLINT", "NUMBER", 22, std::nullopt, 0, 0},
    {"DECIMAL(8,3)", "NUMBER", 22, 8, 3, 0},
    {"numeric(6,1)", "NUMBER", 22, 6, 1, 0},
    {"FLOAT", "FLOAT", 22, 126, std::nullopt, 0},
    {"FLOAT(53)", "FLOAT", 22, 53, std::nullopt, 0},
    {"BINARY_FLOAT", "BINARY_FLOAT", 4, std::nullopt, std::nullopt, 0},
    {"binary_double", "BINARY_DOUBLE", 8, std::nullopt, std::nullopt, 0},
    {"VARCHAR2(30)", "VARCHAR2", 30, std::nullopt, std::nullopt, 30},
    {"\"VARCHAR2(30 BYTE)\"", "VARCHAR2", 30, std::nullopt, std::nullopt, 30},
    {"\"varchar2( 20 char )\"", "VARCHAR2", 80, std::nullopt, std::nullopt, 20},
    {"VARCHAR(12)", "VARCHAR2", 12, std::nullopt, std::nullopt, 12},
    {"NVARCHAR2(10)", "NVARCHAR2", 20, std::nullopt, std::nullopt, 10},
    {"CHAR", "CHAR", 1, std::nullopt, std::nullopt, 1},
    {"char(5)", "CHAR", 5, std::nullopt, std::nullopt, 5},
    {"NCHAR", "NCHAR", 2, std::nullopt, std::nullopt, 1},
    {"NCHAR(3)", "NCHAR", 6, std::nullopt, std::nullopt, 3},
    {"DATE", "DATE", 7, std::nullopt, std::nullopt, 0},
    {"TIMESTAMP", "TIMESTAMP(6)", 11, std::nullopt, std::nullopt, 0},
    {"timestamp(3)", "TIMESTAMP(3)", 11, std::nullopt, std::nullopt, 0},
    {"\"TIMESTAMP WITH TIME ZONE\"", "TIMESTAMP(6) WITH TIME ZONE", 13, std::nullopt, std::nullopt, 0},
    {"\"TIMESTAMP(3) WITH TIME ZONE\"", "TIMESTAMP(3) WITH TIME ZONE", 13, std::nullopt, std::nullopt, 0},
    {"\"timestamp with local time zone\"", "TIMESTAMP(6) WITH LOCAL TIME ZONE", 11, std::nullopt, std::nullopt, 0},
    {"\"INTERVAL YEAR TO MONTH\"", "INTERVAL YEAR(2) TO MONTH", 5, std::nullopt, std::nullopt, 0},
    {"\"INTERVAL DAY TO SECOND\"", "INTERVAL DAY(2) TO SECOND(6)", 11, std::nullopt, std::nullopt, 0},
    {"\"INTERVAL DAY(3) TO SECOND(0)\"", "INTERVAL DAY(3) TO SECOND(0)", 11, std::nullopt, std::nullopt, 0},
    {"CLOB", "CLOB", 4000, std::nullopt, std::nullopt, 0},
    {"NCLOB", "NCLOB", 4000, std::nullopt, std::nullopt, 0},
    {"blob", "BLOB", 4000, std::nullopt, std::nullopt, 0},
    {"RAW(16)", "RAW", 16, std::nullopt, std::nullopt, 0},
    {"LONG", "LONG", 0, std::nullopt, std::nullopt, 0},
    {"long raw", "LONG RAW", 0, std::nullopt, std::nullopt, 0},
    {"ROWID", "ROWID", 10, std::nullopt, std::nullopt, 0},
    {"\"UROWID(100)\"", "UROWID", 100, std::nullopt, std::nullopt, 0},
    {"REAL", "FLOAT", 22, 63, std::nullopt, 0},
    {"\"DOUBLE PRECISION\"", "FLOAT", 22, 126, std::nullopt, 0},
    {"sdo_geometry", "SDO_GEOMETRY", 1, std::nullopt, std::nullopt, 0, "MDSYS"},
    {"XMLTYPE", "XMLTYPE", 2000, std::nullopt, std::nullopt, 0, "SYS"},
    {"BFILE", "BFILE", 530, std::nullopt, std::nullopt, 0},
    {"\"NUMBER(10,2,1)\"", "NUMBER(10,2,1)", 0, std::nullopt, std::nullopt, 0},
};

TEST(SchemaFileDictionary, EveryDeclaredTypeGivesOraclesDictionaryRow)
{
    QStringList columns;
    for (const TypeCase& c : typeCases)
        columns << QStringLiteral("C%1 %2").arg(columns.size() + 1).arg(QString::fromUtf8(c.declaration));
    const QString create = "create table TYPES (" + columns.join(", ") + "); create table OTHER (X number);";
    OracleSource source(create);

    qv::SqlQuery q(&source.connection);
    q.openQuery(columnQuery("TYPES"));
    int id = 0;
    for (const TypeCase& c : typeCases) {
        SCOPED_TRACE(c.declaration);
        ++id;
        ASSERT_FALSE(q.eof());
        EXPECT_EQ(q.fieldValue("table_name").toText(), "TYPES");
        EXPECT_EQ(q.fieldValue("column_name").toText(), QStringLiteral("C%1").arg(id));
        EXPECT_EQ(q.fieldValue("column_id").toInteger(), id);
        EXPECT_EQ(q.fieldValue("data_type").toText(), QString::fromUtf8(c.dataType));
        EXPECT_EQ(q.fieldValue("data_length").toInteger(), c.dataLength);
        EXPECT_EQ(q.fieldValue("data_type_owner").toText(), QString::fromUtf8(c.owner));
        EXPECT_EQ(optionalInteger(q.fieldValue("data_precision")), c.precision);
        EXPECT_EQ(optionalInteger(q.fieldValue("data_scale")), c.scale);
        EXPECT_EQ(q.fieldValue("char_length").toInteger(), c.charLength);
        EXPECT_EQ(q.fieldValue("nullable").toText(), "Y");
        q.next();
    }
    EXPECT_TRUE(q.eof());
}

TEST(SchemaFileDictionary, ColumnRowsOfOneTableInColumnOrderWithNullability)
{
    OracleSource source(
        "create table EMP (EMPNO number(4) primary key, ENAME varchar2(10) not null, MGR number(4));"
        "create table DEPT (DEPTNO integer primary key, DNAME varchar2(14));"
        "create table ITEMS (ORDERNO number, LINE number, NOTE clob, primary key (ORDERNO, LINE));");
    qv::SqlQuery q(&source.connection);

    q.openQuery(columnQuery("EMP"));
    QStringList rows;
    for (; !q.eof(); q.next())
        rows << q.fieldValue("column_name").toText() + " " + q.fieldValue("nullable").toText() + " " +
                    q.fieldValue("column_id").toText();
    EXPECT_EQ(rows, QStringList({"EMPNO N 1", "ENAME N 2", "MGR Y 3"}));

    // Primary key columns are NOT NULL in Oracle, whatever SQLite allows.
    q.openQuery(columnQuery("ITEMS"));
    rows.clear();
    for (; !q.eof(); q.next())
        rows << q.fieldValue("column_name").toText() + " " + q.fieldValue("nullable").toText();
    EXPECT_EQ(rows, QStringList({"ORDERNO N", "LINE N", "NOTE Y"}));

    // The name is compared as a text literal, as Oracle does.
    q.openQuery(columnQuery("emp"));
    EXPECT_TRUE(q.eof());
    q.openQuery(columnQuery("NOSUCH"));
    EXPECT_TRUE(q.eof());
}

TEST(SchemaFileDictionary, ListingQueryGivesSortedUserTablesOnly)
{
    OracleSource source(
        "create table SALGRADE (GRADE number);"
        "create table EMP (EMPNO integer primary key autoincrement, ENAME varchar2(10));"  // makes sqlite_sequence
        "create table BONUS (ENAME varchar2(10));"
        "create table \"Mixed\" (A number);"
        "create table DEPT (DEPTNO number unique);"
        "create index BONUS_IX on BONUS (ENAME);"
        "create view EMP_VIEW as select * from EMP;"
        "insert into EMP (ENAME) values ('KING');"
        "analyze;");  // makes sqlite_stat1
    qv::SqlQuery q(&source.connection);
    q.openQuery(listingQuery);
    QStringList tables;
    for (; !q.eof(); q.next())
        tables << q.fieldText(0);
    EXPECT_EQ(tables, QStringList({"BONUS", "DEPT", "EMP", "Mixed", "SALGRADE"}));
    EXPECT_EQ(q.fieldName(0).toLower(), "table_name");
}

// Reads the index query as "KEY UNIQUENESS COLUMN POSITION" lines.
QStringList indexRows(qv::DbConnection& connection, const QString& table)
{
    qv::SqlQuery q(&connection);
    q.openQuery(indexQuery(table));
    QStringList rows;
    for (; !q.eof(); q.next())
        rows << QStringList{q.fieldValue("key_name").toText(), q.fieldValue("uniqueness").toText(),
                            q.fieldValue("Column_name").toText(), q.fieldValue("Seq_in_index").toText()}
                    .join(' ');
    return rows;
}

TEST(SchemaFileDictionary, IndexQueryNamesIndexesAsOracleDoes)
{
    OracleSource source(
        "create table EMP (EMPNO number(4) primary key, ENAME varchar2(10), JOB varchar2(9),"
        "  EMAIL varchar2(40) unique, BADGE number unique, DEPTNO number(2), unique (JOB, DEPTNO));"
        "create index EMP_NAME_IX on EMP (ENAME, JOB);"
        "create index EMP_DEPT_IX on EMP (DEPTNO) where DEPTNO > 10;"
        "create unique index EMP_UPPER_IX on EMP (upper(ENAME));"
        "create table OTHER (A number primary key, B number unique);"
        "create index OTHER_IX on OTHER (B, A);");
    EXPECT_EQ(indexRows(source.connection, "EMP"), QStringList({
                                                       "EMP_DEPT_IX NONUNIQUE DEPTNO 1",
                                                       "EMP_NAME_IX NONUNIQUE ENAME 1",
                                                       "EMP_NAME_IX NONUNIQUE JOB 2",
                                                       "EMP_UPPER_IX UNIQUE SYS_NC00007$ 1",
                                                       "PK_EMP UNIQUE EMPNO 1",
                                                       "UK_EMP_1 UNIQUE EMAIL 1",
                                                       "UK_EMP_2 UNIQUE BADGE 1",
                                                       "UK_EMP_3 UNIQUE JOB 1",
                                                       "UK_EMP_3 UNIQUE DEPTNO 2",
                                                   }));
    EXPECT_EQ(indexRows(source.connection, "OTHER"),
              QStringList({"OTHER_IX NONUNIQUE B 1", "OTHER_IX NONUNIQUE A 2", "PK_OTHER UNIQUE A 1",
                           "UK_OTHER_1 UNIQUE B 1"}));
}

TEST(SchemaFileDictionary, PrimaryKeyIndexesListTheirColumnsInKeyOrder)
{
    OracleSource source(
        "create table DEPT (DEPTNO integer primary key, DNAME varchar2(14) unique);"
        "create table ORDER_ITEMS (ORDERNO integer, ITEMNO integer, CODE varchar2(10) unique,"
        "  primary key (ITEMNO, ORDERNO));"
        "create table KEYED (K1 varchar2(5), K2 number, primary key (K2, K1)) without rowid;"
        "create table PLAIN (A number, B number);");
    EXPECT_EQ(indexRows(source.connection, "DEPT"),
              QStringList({"PK_DEPT UNIQUE DEPTNO 1", "UK_DEPT_1 UNIQUE DNAME 1"}));
    EXPECT_EQ(indexRows(source.connection, "ORDER_ITEMS"),
              QStringList({"PK_ORDER_ITEMS UNIQUE ITEMNO 1", "PK_ORDER_ITEMS UNIQUE ORDERNO 2",
                           "UK_ORDER_ITEMS_1 UNIQUE CODE 1"}));
    EXPECT_EQ(indexRows(source.connection, "KEYED"),
              QStringList({"PK_KEYED UNIQUE K2 1", "PK_KEYED UNIQUE K1 2"}));
    EXPECT_TRUE(indexRows(source.connection, "PLAIN").isEmpty());
}

}  // namespace

namespace {

// Keys, constraints, an identity column and comments, as a schema file states them.
const QString constraintSchema = QStringLiteral(
    "create table DEPT (DEPTNO number(2) not null, LOC varchar2(13), DNAME varchar2(14) constraint NN_DNAME not null,"
    "  primary key (DEPTNO, LOC), unique (DNAME));"
    "create table EMP (EMPNO number(4) primary key, ENAME varchar2(10) not null,"
    "  SAL number(7,2) constraint CK_SAL check (SAL > 0 and (SAL < 10000 or ENAME = 'KING)')),"
    "  MGR number(4) references EMP on delete set null, DEPTNO number(2), LOC varchar2(13),"
    "  NOTE varchar2(20), -- check (not this)\n"
    "  GONE number references NOSUCH, /* constraint NOT_THIS */"
    "  check (ENAME not in ('a)b', 'c''d') and length(NOTE) > (1)),"
    "  constraint FK_DEPT foreign key (DEPTNO, LOC) references DEPT on delete cascade);"
    "create table quorvane_identity_columns (TABLE_NAME, COLUMN_NAME, GENERATION_TYPE);"
    "insert into quorvane_identity_columns values ('EMP', 'EMPNO', 'ALWAYS');"
    "create table quorvane_comments (TABLE_NAME, COLUMN_NAME, COMMENTS);"
    "insert into quorvane_comments values ('EMP', null, 'Employees ''of'' 社員'), ('EMP', 'ENAME', '名前 \"x\"');");

QString rows(qv::DbConnection& connection, const QString& sql)
{
    qv::SqlQuery q(&connection);
    QStringList lines;
    for (q.openQuery(sql); !q.eof(); q.next()) {
        QStringList fields;
        for (int i = 0; i < q.fieldCount(); ++i)
            fields << q.fieldText(i);
        lines << fields.join('|');
    }
    return lines.join('\n');
}

}  // namespace

TEST(SchemaFileDictionary, ConstraintsIdentityAndCommentsReadAsOracleListsThem)
{
    OracleSource source(constraintSchema);
    const QString checks = "select constraint_name, constraint_type, search_condition, status, validated, index_name "
                           "from user_constraints where table_name = '%1' order by constraint_name";
    const struct {
        QString sql;
        const char* expected;
    } cases[] = {
        {checks.arg("DEPT"),
         "NN_DNAME|C|\"DNAME\" IS NOT NULL|ENABLED|VALIDATED|\n"
         "PK_DEPT|P||ENABLED|VALIDATED|PK_DEPT\n"
         "SYS_C0000001|C|\"DEPTNO\" IS NOT NULL|ENABLED|VALIDATED|\n"
         "UK_DEPT_1|U||ENABLED|VALIDATED|UK_DEPT_1"},
        {checks.arg("EMP"),
         "CK_SAL|C|SAL > 0 and (SAL < 10000 or ENAME = 'KING)')|ENABLED|VALIDATED|\n"
         "FK_DEPT|R||ENABLED|VALIDATED|\n"
         "PK_EMP|P||ENABLED|VALIDATED|PK_EMP\n"
         "SYS_C0000003|C|\"EMPNO\" IS NOT NULL|ENABLED|VALIDATED|\n"
         "SYS_C0000004|C|\"ENAME\" IS NOT NULL|ENABLED|VALIDATED|\n"
         "SYS_C0000006|R||ENABLED|VALIDATED|\n"
         "SYS_C0000008|C|ENAME not in ('a)b', 'c''d') and length(NOTE) > (1)|ENABLED|VALIDATED|"},
        {"select c.constraint_name, c.delete_rule, cc.column_name, cc.position, r.table_name r_table_name, "
         "rc.column_name r_column_name from user_constraints c join user_cons_columns cc on cc.constraint_name = "
         "c.constraint_name left join user_constraints r on r.constraint_name = c.r_constraint_name left join "
         "user_cons_columns rc on rc.constraint_name = r.constraint_name and rc.position = cc.position where "
         "c.table_name = 'EMP' and c.constraint_type = 'R' order by c.constraint_name, cc.position",
         "FK_DEPT|CASCADE|DEPTNO|1|DEPT|DEPTNO\nFK_DEPT|CASCADE|LOC|2|DEPT|LOC\nSYS_C0000006|SET NULL|MGR|1|EMP|EMPNO"},
        {"select constraint_name, column_name from user_cons_columns where table_name = 'EMP' and position is null",
         "CK_SAL|ENAME\nCK_SAL|SAL\nSYS_C0000003|EMPNO\nSYS_C0000004|ENAME\nSYS_C0000008|ENAME\nSYS_C0000008|NOTE"},
        {"select generated, owner, r_owner, delete_rule from user_constraints where constraint_name in "
         "('SYS_C0000006', 'CK_SAL') order by 1",
         "GENERATED NAME|QUORVANE|QUORVANE|SET NULL\nUSER NAME|QUORVANE||"},
        {"select * from user_tab_identity_cols",
         "EMP|EMPNO|ALWAYS|ISEQ$$_1|START WITH: 1, INCREMENT BY: 1, MAX_VALUE: 9999999999999999999999999999, "
         "MIN_VALUE: 1, CYCLE_FLAG: N, CACHE_SIZE: 20, ORDER_FLAG: N, SCALE_FLAG: N, EXTEND_FLAG: N, "
         "SESSION_FLAG: N, KEEP_VALUE: N"},
        {"select column_name, identity_column, nullable, data_default from user_tab_columns where column_id < 3 "
         "and table_name = 'EMP'",
         "EMPNO|YES|N|\"QUORVANE\".\"ISEQ$$_1\".nextval\nENAME|NO|N|"},
        {"select table_name, has_identity from user_tables", "DEPT|NO\nEMP|YES"},
        {"select * from user_tab_comments", "DEPT|TABLE||0\nEMP|TABLE|Employees 'of' 社員|0"},
        {"select count(*), max(comments) from user_col_comments where table_name = 'EMP'", "8|名前 \"x\""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.sql.toStdString());
        EXPECT_EQ(rows(source.connection, c.sql), QString::fromUtf8(c.expected));
    }
}

TEST(SchemaFileDictionary, DefaultsReadAsTheirTextAfterDefault)
{
    const struct {
        const char* declared;  // after DEFAULT, as SQLite takes it
        const char* dataDefault;
    } cases[] = {
        {"'N'", "'N'"},           {"0", "0"},           {"-1.5", "-1.5"},
        {"CURRENT_TIMESTAMP", "CURRENT_TIMESTAMP"},     {"sysdate", "sysdate"},
        {"NULL", "NULL"},         {"(upper('x'))", "upper('x')"},
        // SQLite reads SYSDATE in an expression as a column; the file quotes it whole.
        {"\"trunc(sysdate)\"", "trunc(sysdate)"},       {"\"a \"\"b\"\"\"", "a \"b\""},
    };
    QStringList columns;
    for (const auto& c : cases)
        columns << QStringLiteral("C%1 varchar2(20) default %2").arg(columns.size()).arg(QString::fromUtf8(c.declared));
    OracleSource source("create table D (" + columns.join(", ") + ");");
    qv::SqlQuery q(&source.connection);
    q.openQuery("select data_default, default_length from user_tab_columns order by column_id");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.declared);
        ASSERT_FALSE(q.eof());
        EXPECT_EQ(q.fieldText(0), QString::fromUtf8(c.dataDefault));
        EXPECT_EQ(q.fieldValue(1).toInteger(), QString::fromUtf8(c.dataDefault).size());
        q.next();
    }
}
