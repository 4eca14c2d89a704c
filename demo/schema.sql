-- The demo's offline Oracle schema, built with the sqlite3 command-line tool:
--   sqlite3 -bail schema.sqlite < demo/schema.sql
-- Columns carry Oracle's declared types; Quorvane reads a value by its
-- column's declared type (DATE and TIMESTAMP values are ISO text).
--
-- DEPT, EMP, BONUS and SALGRADE are the classic demo tables (4, 14, 0 and 5
-- rows); ORDER_LINES is generated: 200,000 rows of numbers, text, dates,
-- time stamps with fractions, character and binary large objects.

begin;

create table DEPT (
    DEPTNO NUMBER(2) constraint PK_DEPT primary key,
    DNAME  VARCHAR2(14),
    LOC    VARCHAR2(13)
);

insert into DEPT (DEPTNO, DNAME, LOC) values
    (10, 'ACCOUNTING', 'NEW YORK'),
    (20, 'RESEARCH',   'DALLAS'),
    (30, 'SALES',      'CHICAGO'),
    (40, 'OPERATIONS', 'BOSTON');

create table EMP (
    EMPNO    NUMBER(4) constraint PK_EMP primary key,
    ENAME    VARCHAR2(10),
    JOB      VARCHAR2(9),
    MGR      NUMBER(4),
    HIREDATE DATE,
    SAL      NUMBER(7,2),
    COMM     NUMBER(7,2),
    DEPTNO   NUMBER(2) constraint FK_DEPTNO references DEPT (DEPTNO)
);

insert into EMP (EMPNO, ENAME, JOB, MGR, HIREDATE, SAL, COMM, DEPTNO) values
    (7369, 'SMITH',  'CLERK',     7902, '1980-12-17',  800, null, 20),
    (7499, 'ALLEN',  'SALESMAN',  7698, '1981-02-20', 1600,  300, 30),
    (7521, 'WARD',   'SALESMAN',  7698, '1981-02-22', 1250,  500, 30),
    (7566, 'JONES',  'MANAGER',   7839, '1981-04-02', 2975, null, 20),
    (7654, 'MARTIN', 'SALESMAN',  7698, '1981-09-28', 1250, 1400, 30),
    (7698, 'BLAKE',  'MANAGER',   7839, '1981-05-01', 2850, null, 30),
    (7782, 'CLARK',  'MANAGER',   7839, '1981-06-09', 2450, null, 10),
    (7788, 'SCOTT',  'ANALYST',   7566, '1987-04-19', 3000, null, 20),
    (7839, 'KING',   'PRESIDENT', null, '1981-11-17', 5000, null, 10),
    (7844, 'TURNER', 'SALESMAN',  7698, '1981-09-08', 1500,    0, 30),
    (7876, 'ADAMS',  'CLERK',     7788, '1987-05-23', 1100, null, 20),
    (7900, 'JAMES',  'CLERK',     7698, '1981-12-03',  950, null, 30),
    (7902, 'FORD',   'ANALYST',   7566, '1981-12-03', 3000, null, 20),
    (7934, 'MILLER', 'CLERK',     7782, '1982-01-23', 1300, null, 10);

create index EMP_DEPTNO_IDX on EMP (DEPTNO);
create index EMP_ENAME_IDX on EMP (ENAME);

create table BONUS (
    ENAME VARCHAR2(10),
    JOB   VARCHAR2(9),
    SAL   NUMBER,
    COMM  NUMBER
);

create table SALGRADE (
    GRADE NUMBER,
    LOSAL NUMBER,
    HISAL NUMBER
);

insert into SALGRADE (GRADE, LOSAL, HISAL) values
    (1,  700, 1200),
    (2, 1201, 1400),
    (3, 1401, 2000),
    (4, 2001, 3000),
    (5, 3001, 9999);

create table ORDER_LINES (
    LINE_ID    NUMBER(10) constraint PK_ORDER_LINES primary key,
    ORDER_CODE VARCHAR2(20),
    DEPTNO     NUMBER(2),
    QUANTITY   NUMBER(5),
    PRICE      NUMBER(10,2),
    ORDER_DATE DATE,
    LOGGED_AT  TIMESTAMP(6),
    REMARK     CLOB,
    ATTACHMENT BLOB
);

-- Every 10th remark and every 25th attachment is null.
insert into ORDER_LINES
    (LINE_ID, ORDER_CODE, DEPTNO, QUANTITY, PRICE, ORDER_DATE, LOGGED_AT, REMARK, ATTACHMENT)
with recursive n(i) as (
    select 1
    union all
    select i + 1 from n where i < 200000
)
select i,
       printf('ORD-%06d-%02d', (i - 1) / 4 + 1, (i - 1) % 4 + 1),
       10 * (i % 4 + 1),
       i * 7 % 500 + 1,
       printf('%.2f', (i * 7919 % 1000000) / 100.0),
       date('2020-01-01', '+' || (i % 1826) || ' days'),
       printf('%s.%06d', datetime('2020-01-01 08:00:00', '+' || (i * 37) || ' seconds'), i * 104729 % 1000000),
       case when i % 10 = 0 then null
            else printf('Line %d of order %d: %s', (i - 1) % 4 + 1, (i - 1) / 4 + 1,
                        case i % 5 when 0 then 'packed' when 1 then 'shipped' when 2 then 'delivered'
                                   when 3 then 'returned' else 'on hold, awaiting stock' end)
       end,
       case when i % 25 = 0 then null else randomblob(16) end
from n;

commit;
