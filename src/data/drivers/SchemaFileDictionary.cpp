#include "SchemaFileDictionary.h"

#include "SchemaFileDeclarations.h"
#include "OracleTypeDecl.h"
#include "SchemaFileSql.h"
#include "data/Errors.h"

#include <QString>
#include <algorithm>
#include <cctype>
#include <initializer_list>
#include <optional>
#include <sqlite3.h>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace qv {

namespace {

// SQL functions that the dictionary uses to read declared types.

enum class TypeField { DataType, DataTypeOwner, DataLength, DataPrecision, DataScale, CharLength, CharUsed, Invisible };

void resultOptional(sqlite3_context* context, const std::optional<qint64>& value)
{
    if (value)
        sqlite3_result_int64(context, *value);
    else
        sqlite3_result_null(context);
}

void resultText(sqlite3_context* context, const QString& text)
{
    const QByteArray utf8 = text.toUtf8();
    sqlite3_result_text(context, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
}

bool isCharacterType(const QString& type)
{
    return type == QLatin1String("VARCHAR2") || type == QLatin1String("CHAR") || type == QLatin1String("NVARCHAR2")
           || type == QLatin1String("NCHAR");
}

void typeFieldFunction(sqlite3_context* context, int, sqlite3_value** argv)
{
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) {
        sqlite3_result_null(context);
        return;
    }
    try {
        const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(argv[0]));
        const OracleTypeDecl decl = parseOracleTypeDecl(QString::fromUtf8(text, sqlite3_value_bytes(argv[0])));
        switch (*static_cast<const TypeField*>(sqlite3_user_data(context))) {
        case TypeField::DataType: resultText(context, decl.dataType); break;
        case TypeField::DataTypeOwner:
            if (decl.dataTypeOwner.isEmpty())
                sqlite3_result_null(context);
            else
                resultText(context, decl.dataTypeOwner);
            break;
        case TypeField::DataLength: sqlite3_result_int64(context, decl.dataLength); break;
        case TypeField::DataPrecision: resultOptional(context, decl.dataPrecision); break;
        case TypeField::DataScale: resultOptional(context, decl.dataScale); break;
        case TypeField::CharLength: sqlite3_result_int64(context, decl.charLength); break;
        case TypeField::CharUsed:
            if (isCharacterType(decl.dataType))
                resultText(context, decl.charUsed ? QStringLiteral("C") : QStringLiteral("B"));
            else
                sqlite3_result_null(context);
            break;
        case TypeField::Invisible: sqlite3_result_int(context, decl.invisible ? 1 : 0); break;
        }
    } catch (const std::exception& e) {
        sqlite3_result_error(context, e.what(), -1);
    }
}

// The text of key `position` (from 1) of a CREATE INDEX statement, as
// written, without its ASC, DESC or COLLATE; NULL when there is none.
void indexKeyFunction(sqlite3_context* context, int, sqlite3_value** argv)
{
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) {
        sqlite3_result_null(context);
        return;
    }
    const std::string sql(reinterpret_cast<const char*>(sqlite3_value_text(argv[0])),
                          std::size_t(sqlite3_value_bytes(argv[0])));
    const int wanted = sqlite3_value_int(argv[1]);
    std::vector<std::string> keys;
    std::string key;
    int depth = 0;
    char quote = 0;
    for (std::size_t i = 0; i < sql.size(); ++i) {
        const char c = sql[i];
        if (quote) {
            if (depth > 0)
                key += c;
            if (c == quote)
                quote = 0;
            continue;
        }
        if (c == '\'' || c == '"' || c == '`' || c == '[') {
            quote = c == '[' ? ']' : c;
        } else if (c == '(') {
            if (++depth == 1)
                continue;
        } else if (c == ')') {
            if (--depth == 0) {
                keys.push_back(key);
                break;
            }
        } else if (c == ',' && depth == 1) {
            keys.push_back(key);
            key.clear();
            continue;
        }
        if (depth > 0)
            key += c;
    }
    if (wanted < 1 || wanted > int(keys.size())) {
        sqlite3_result_null(context);
        return;
    }
    QString text = QString::fromUtf8(keys[std::size_t(wanted - 1)]).trimmed();
    // The order and collation that may follow the key are not part of it.
    for (const QString& word : {QStringLiteral(" ASC"), QStringLiteral(" DESC")})
        if (text.endsWith(word, Qt::CaseInsensitive))
            text = text.chopped(word.size()).trimmed();
    if (const qsizetype collate = text.lastIndexOf(QStringLiteral(" COLLATE "), -1, Qt::CaseInsensitive);
        collate > 0)
        text = text.left(collate).trimmed();
    resultText(context, text);
}

// DATA_DEFAULT as Oracle keeps it, from SQLite's dflt_value. SQLite already
// gives an expression default without its enclosing parentheses. A default
// SQLite cannot hold (trunc(sysdate): SYSDATE reads as a column) is written
// as one double-quoted identifier and reads as its text; Oracle never keeps
// a bare identifier there (ORA-00984).
void oracleDefaultFunction(sqlite3_context* context, int, sqlite3_value** argv)
{
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) {
        sqlite3_result_null(context);
        return;
    }
    const std::string_view text(reinterpret_cast<const char*>(sqlite3_value_text(argv[0])),
                                std::size_t(sqlite3_value_bytes(argv[0])));
    bool quoted = text.size() >= 2 && text.front() == '"' && text.back() == '"';
    std::string inner;
    for (std::size_t i = 1; quoted && i + 1 < text.size(); ++i) {
        if (text[i] == '"' && (i + 2 >= text.size() || text[++i] != '"'))
            quoted = false;
        inner += text[i];
    }
    if (quoted)
        sqlite3_result_text(context, inner.data(), int(inner.size()), SQLITE_TRANSIENT);
    else
        sqlite3_result_value(context, argv[0]);
}

// The longest start of a text that fits `bytes` bytes of UTF-8, cut between
// characters (a VARCHAR2(n) column that may truncate, as SEARCH_CONDITION_VC).
void bytePrefixFunction(sqlite3_context* context, int, sqlite3_value** argv)
{
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) {
        sqlite3_result_null(context);
        return;
    }
    const auto* text = reinterpret_cast<const unsigned char*>(sqlite3_value_text(argv[0]));
    std::size_t size = std::size_t(sqlite3_value_bytes(argv[0]));
    if (const auto limit = std::size_t(std::max(0, sqlite3_value_int(argv[1]))); size > limit) {
        size = limit;
        while (size > 0 && (text[size] & 0xC0) == 0x80)
            --size;
    }
    sqlite3_result_text(context, reinterpret_cast<const char*>(text), int(size), SQLITE_TRANSIENT);
}

void registerFunctions(sqlite3* db)
{
    static const TypeField fields[] = {TypeField::DataType,   TypeField::DataTypeOwner, TypeField::DataLength,
                                       TypeField::DataPrecision, TypeField::DataScale,  TypeField::CharLength,
                                       TypeField::CharUsed,   TypeField::Invisible};
    static const char* const names[] = {"oracle_data_type",      "oracle_data_type_owner", "oracle_data_length",
                                        "oracle_data_precision", "oracle_data_scale",      "oracle_char_length",
                                        "oracle_char_used",      "oracle_invisible"};
    constexpr int flags = SQLITE_UTF8 | SQLITE_DETERMINISTIC | SQLITE_INNOCUOUS;
    for (int i = 0; i < int(std::size(fields)); ++i) {
        if (sqlite3_create_function_v2(db, names[i], 1, flags, const_cast<TypeField*>(&fields[i]), typeFieldFunction,
                                       nullptr, nullptr, nullptr)
            != SQLITE_OK)
            throw Error(QString::fromUtf8(sqlite3_errmsg(db)));
    }
    const struct {
        const char* name;
        int arguments;
        void (*function)(sqlite3_context*, int, sqlite3_value**);
    } others[] = {{"oracle_index_key", 2, indexKeyFunction},
                  {"oracle_default", 1, oracleDefaultFunction},
                  {"oracle_byte_prefix", 2, bytePrefixFunction}};
    for (const auto& f : others)
        if (sqlite3_create_function_v2(db, f.name, f.arguments, flags, nullptr, f.function, nullptr, nullptr, nullptr)
            != SQLITE_OK)
            throw Error(QString::fromUtf8(sqlite3_errmsg(db)));
}

void exec(sqlite3* db, const std::string& sql)
{
    char* message = nullptr;
    if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &message) != SQLITE_OK) {
        const QString text = QString::fromUtf8(message ? message : sqlite3_errstr(sqlite3_errcode(db)));
        sqlite3_free(message);
        throw Error(text);
    }
}

// ---------------------------------------------------------------------------
// What the schema file holds, staged once: its tables, their columns and the
// keys of their indexes. The main schema only, so that the temporary tables
// never show up in themselves.

const char* const stagingSql = R"sql(
create temp table quorvane_tables as
  select name, row_number() over (order by rowid) as ordinal from main.sqlite_schema
  where type = 'table' and name not like 'sqlite\_%' escape '\'
    and name not in ('quorvane_table_properties', 'quorvane_identity_columns', 'quorvane_comments');

create temp table quorvane_columns as
  select TABLE_NAME, TABLE_ORDINAL, CID, COLUMN_NAME, DATA_TYPE, DATA_TYPE_OWNER, DATA_LENGTH, DATA_PRECISION, DATA_SCALE,
         CHAR_LENGTH, CHAR_USED, INVISIBLE, NOT_NULL, PK, IDENTITY_TYPE, IDENTITY_SEQUENCE, COLUMN_ID,
         case when NOT_NULL or PK > 0 or IDENTITY_TYPE is not null then 'N' else 'Y' end as NULLABLE,
         -- An identity column's default is its sequence (Oracle Database
         -- Reference, ALL_TAB_IDENTITY_COLS, SEQUENCE_NAME).
         case when IDENTITY_TYPE is not null
              then '"' || (select OWNER from quorvane_owner) || '"."' || IDENTITY_SEQUENCE || '".nextval'
              else DATA_DEFAULT end as DATA_DEFAULT
  from (select *,
               -- An invisible column has no COLUMN_ID; the visible ones are numbered without it.
               case when INVISIBLE then null
                    else sum(1 - INVISIBLE) over (partition by TABLE_NAME order by CID) end as COLUMN_ID,
               case when IDENTITY_TYPE is not null
                    then 'ISEQ$$_' || sum(IDENTITY_TYPE is not null) over (order by TABLE_ORDINAL, CID) end
                 as IDENTITY_SEQUENCE
        from (select t.name as TABLE_NAME, t.ordinal as TABLE_ORDINAL, c.cid as CID, c.name as COLUMN_NAME,
                     oracle_data_type(c.type) as DATA_TYPE, oracle_data_type_owner(c.type) as DATA_TYPE_OWNER,
                     oracle_data_length(c.type) as DATA_LENGTH,
                     oracle_data_precision(c.type) as DATA_PRECISION, oracle_data_scale(c.type) as DATA_SCALE,
                     oracle_char_length(c.type) as CHAR_LENGTH, oracle_char_used(c.type) as CHAR_USED,
                     oracle_invisible(c.type) as INVISIBLE, c."notnull" as NOT_NULL, c.pk as PK,
                     i.GENERATION_TYPE as IDENTITY_TYPE, oracle_default(c.dflt_value) as DATA_DEFAULT
              from quorvane_tables t, pragma_table_info(t.name, 'main') c
                   left join (select TABLE_NAME, COLUMN_NAME, max(GENERATION_TYPE) as GENERATION_TYPE
                              from quorvane_identity group by TABLE_NAME, COLUMN_NAME) i
                     on i.TABLE_NAME = t.name and i.COLUMN_NAME = c.name));

-- Every index under its Oracle name. SQLite names the index of a UNIQUE
-- constraint sqlite_autoindex_<table>_<n>; the constraints are numbered in
-- the order of n. A primary key without an index of its own (an INTEGER
-- PRIMARY KEY is the rowid) is listed with no SQLite index behind it.
create temp table quorvane_index_map as
  select t.name as TABLE_NAME,
         l.name as SQLITE_NAME,
         case l.origin
           when 'pk' then 'PK_' || t.name
           when 'u' then 'UK_' || t.name || '_' ||
             (select count(*) from pragma_index_list(t.name, 'main') u
              where u.origin = 'u'
                and cast(substr(u.name, length(t.name) + 19) as integer)
                    <= cast(substr(l.name, length(t.name) + 19) as integer))
           else l.name
         end as INDEX_NAME,
         case when l."unique" then 'UNIQUE' else 'NONUNIQUE' end as UNIQUENESS,
         l.origin as ORIGIN,
         s.rowid as CREATED,
         s.sql as SQL
  from quorvane_tables t, pragma_index_list(t.name, 'main') l
       left join main.sqlite_schema s on s.type = 'index' and s.name = l.name
  union all
  select t.name, null, 'PK_' || t.name, 'UNIQUE', 'pk', null, null
  from quorvane_tables t
  where exists (select 1 from pragma_table_info(t.name, 'main') c where c.pk > 0)
    and not exists (select 1 from pragma_index_list(t.name, 'main') l where l.origin = 'pk');

create temp table quorvane_index_keys as
  select m.INDEX_NAME, m.TABLE_NAME, x.seqno + 1 as POSITION, x.name as NAME, x.cid as CID,
         x."desc" as DESCENDING, m.SQL, m.CREATED
  from quorvane_index_map m, pragma_index_xinfo(m.SQLITE_NAME, 'main') x
  where m.SQLITE_NAME is not null and x.key = 1
  union all
  select 'PK_' || t.name, t.name, c.pk, c.name, c.cid, 0, null, null
  from quorvane_tables t, pragma_table_info(t.name, 'main') c
  where c.pk > 0 and not exists (select 1 from pragma_index_list(t.name, 'main') l where l.origin = 'pk');

-- A descending or expression key is a function-based key to Oracle: a hidden
-- column SYS_NC<its column number>$, numbered after the table's own columns,
-- and the key's expression ("A" for a descending key on A).
create temp table quorvane_hidden_keys as
  select k.INDEX_NAME, k.TABLE_NAME, k.POSITION,
         'SYS_NC' || printf('%05d', (select count(*) from quorvane_columns c where c.TABLE_NAME = k.TABLE_NAME)
                                    + row_number() over (partition by k.TABLE_NAME order by k.CREATED, k.POSITION))
           || '$' as HIDDEN_NAME,
         case when k.CID = -2 then oracle_index_key(k.SQL, k.POSITION)
              else '"' || replace(k.NAME, '"', '""') || '"' end as EXPRESSION
  from quorvane_index_keys k
  where k.CID = -2 or k.DESCENDING;
)sql";

// The views themselves, as tables of the real views' columns in their order,
// each with Oracle's declared type (Oracle Database Reference 19c, ALL_TABLES,
// ALL_TAB_COLUMNS, ALL_INDEXES, ALL_IND_COLUMNS, ALL_IND_EXPRESSIONS), so that
// a query reads them as it reads them from a server. A value the schema file
// cannot give is NULL.
struct ViewColumn {
    const char* name;
    const char* type;    // with NOT NULL where DESCRIBE shows it
    const char* value;   // SQL over the view's source; nullptr for NULL
};

struct View {
    const char* name;
    const char* source;  // the FROM clause and what follows
    std::vector<ViewColumn> columns;
};

const char* const owner = "(select OWNER from quorvane_owner)";
const char* const yes = "'YES'";
const char* const no = "'NO'";

std::vector<View> views()
{
    return {
        {"user_tables",
         "quorvane_tables t left join quorvane_properties p on p.TABLE_NAME = t.name order by t.ordinal",
         {
             {"TABLE_NAME", "VARCHAR2(128) NOT NULL", "t.name"},
             {"TABLESPACE_NAME", "VARCHAR2(30)", "'USERS'"},
             {"CLUSTER_NAME", "VARCHAR2(128)", nullptr},
             {"IOT_NAME", "VARCHAR2(128)", "p.IOT_NAME"},
             {"STATUS", "VARCHAR2(8)", "'VALID'"},
             {"PCT_FREE", "NUMBER", "10"},
             {"PCT_USED", "NUMBER", nullptr},
             {"INI_TRANS", "NUMBER", "1"},
             {"MAX_TRANS", "NUMBER", "255"},
             {"INITIAL_EXTENT", "NUMBER", nullptr},
             {"NEXT_EXTENT", "NUMBER", nullptr},
             {"MIN_EXTENTS", "NUMBER", nullptr},
             {"MAX_EXTENTS", "NUMBER", nullptr},
             {"PCT_INCREASE", "NUMBER", nullptr},
             {"FREELISTS", "NUMBER", nullptr},
             {"FREELIST_GROUPS", "NUMBER", nullptr},
             {"LOGGING", "VARCHAR2(3)", yes},
             {"BACKED_UP", "VARCHAR2(1)", "'N'"},
             {"NUM_ROWS", "NUMBER", nullptr},
             {"BLOCKS", "NUMBER", nullptr},
             {"EMPTY_BLOCKS", "NUMBER", nullptr},
             {"AVG_SPACE", "NUMBER", nullptr},
             {"CHAIN_CNT", "NUMBER", nullptr},
             {"AVG_ROW_LEN", "NUMBER", nullptr},
             {"AVG_SPACE_FREELIST_BLOCKS", "NUMBER", nullptr},
             {"NUM_FREELIST_BLOCKS", "NUMBER", nullptr},
             {"DEGREE", "VARCHAR2(10)", "'         1'"},
             {"INSTANCES", "VARCHAR2(10)", "'         1'"},
             {"CACHE", "VARCHAR2(5)", "'    N'"},
             {"TABLE_LOCK", "VARCHAR2(8)", "'ENABLED'"},
             {"SAMPLE_SIZE", "NUMBER", nullptr},
             {"LAST_ANALYZED", "DATE", nullptr},
             {"PARTITIONED", "VARCHAR2(3)", no},
             {"IOT_TYPE", "VARCHAR2(12)", "p.IOT_TYPE"},
             {"TEMPORARY", "VARCHAR2(1)", "'N'"},
             {"SECONDARY", "VARCHAR2(1)", "coalesce(p.SECONDARY, 'N')"},
             {"NESTED", "VARCHAR2(3)", "coalesce(p.NESTED, 'NO')"},
             {"BUFFER_POOL", "VARCHAR2(7)", "'DEFAULT'"},
             {"FLASH_CACHE", "VARCHAR2(7)", "'DEFAULT'"},
             {"CELL_FLASH_CACHE", "VARCHAR2(7)", "'DEFAULT'"},
             {"ROW_MOVEMENT", "VARCHAR2(8)", "'DISABLED'"},
             {"GLOBAL_STATS", "VARCHAR2(3)", no},
             {"USER_STATS", "VARCHAR2(3)", no},
             {"DURATION", "VARCHAR2(15)", nullptr},
             {"SKIP_CORRUPT", "VARCHAR2(8)", "'DISABLED'"},
             {"MONITORING", "VARCHAR2(3)", yes},
             {"CLUSTER_OWNER", "VARCHAR2(128)", nullptr},
             {"DEPENDENCIES", "VARCHAR2(8)", "'DISABLED'"},
             {"COMPRESSION", "VARCHAR2(8)", "'DISABLED'"},
             {"COMPRESS_FOR", "VARCHAR2(30)", nullptr},
             {"DROPPED", "VARCHAR2(3)", no},
             {"READ_ONLY", "VARCHAR2(3)", no},
             {"SEGMENT_CREATED", "VARCHAR2(3)", yes},
             {"RESULT_CACHE", "VARCHAR2(7)", "'DEFAULT'"},
             {"CLUSTERING", "VARCHAR2(3)", no},
             {"ACTIVITY_TRACKING", "VARCHAR2(23)", nullptr},
             {"DML_TIMESTAMP", "VARCHAR2(25)", nullptr},
             {"HAS_IDENTITY", "VARCHAR2(3)",
              "case when exists (select 1 from quorvane_columns c where c.TABLE_NAME = t.name"
              " and c.IDENTITY_TYPE is not null) then 'YES' else 'NO' end"},
             {"CONTAINER_DATA", "VARCHAR2(3)", no},
             {"INMEMORY", "VARCHAR2(8)", "'DISABLED'"},
             {"INMEMORY_PRIORITY", "VARCHAR2(8)", nullptr},
             {"INMEMORY_DISTRIBUTE", "VARCHAR2(15)", nullptr},
             {"INMEMORY_COMPRESSION", "VARCHAR2(17)", nullptr},
             {"INMEMORY_DUPLICATE", "VARCHAR2(13)", nullptr},
             {"DEFAULT_COLLATION", "VARCHAR2(100)", "'USING_NLS_COMP'"},
             {"DUPLICATED", "VARCHAR2(1)", "'N'"},
             {"SHARDED", "VARCHAR2(1)", "'N'"},
             {"EXTERNAL", "VARCHAR2(3)", no},
             {"HYBRID", "VARCHAR2(3)", no},
             {"CELLMEMORY", "VARCHAR2(24)", nullptr},
             {"CONTAINERS_DEFAULT", "VARCHAR2(3)", no},
             {"CONTAINER_MAP", "VARCHAR2(3)", no},
             {"EXTENDED_DATA_LINK", "VARCHAR2(3)", no},
             {"EXTENDED_DATA_LINK_MAP", "VARCHAR2(3)", no},
             {"INMEMORY_SERVICE", "VARCHAR2(12)", nullptr},
             {"INMEMORY_SERVICE_NAME", "VARCHAR2(1000)", nullptr},
             {"CONTAINER_MAP_OBJECT", "VARCHAR2(3)", no},
             {"MEMOPTIMIZE_READ", "VARCHAR2(8)", "'DISABLED'"},
             {"MEMOPTIMIZE_WRITE", "VARCHAR2(8)", "'DISABLED'"},
             {"HAS_SENSITIVE_COLUMN", "VARCHAR2(3)", no},
             {"ADMIT_NULL", "VARCHAR2(3)", no},
             {"DATA_LINK_DML_ENABLED", "VARCHAR2(3)", no},
             {"LOGICAL_REPLICATION", "VARCHAR2(8)", "'ENABLED'"},
         }},
        {"user_tab_columns",
         "quorvane_columns c order by c.TABLE_ORDINAL, c.CID",
         {
             {"TABLE_NAME", "VARCHAR2(128) NOT NULL", "c.TABLE_NAME"},
             {"COLUMN_NAME", "VARCHAR2(128) NOT NULL", "c.COLUMN_NAME"},
             {"DATA_TYPE", "VARCHAR2(128)", "c.DATA_TYPE"},
             {"DATA_TYPE_MOD", "VARCHAR2(3)", nullptr},
             {"DATA_TYPE_OWNER", "VARCHAR2(128)", "c.DATA_TYPE_OWNER"},
             {"DATA_LENGTH", "NUMBER NOT NULL", "c.DATA_LENGTH"},
             {"DATA_PRECISION", "NUMBER", "c.DATA_PRECISION"},
             {"DATA_SCALE", "NUMBER", "c.DATA_SCALE"},
             {"NULLABLE", "VARCHAR2(1)", "c.NULLABLE"},
             {"COLUMN_ID", "NUMBER", "c.COLUMN_ID"},
             {"DEFAULT_LENGTH", "NUMBER", "length(c.DATA_DEFAULT)"},
             {"DATA_DEFAULT", "LONG", "c.DATA_DEFAULT"},
             {"NUM_DISTINCT", "NUMBER", nullptr},
             {"LOW_VALUE", "RAW(1000)", nullptr},
             {"HIGH_VALUE", "RAW(1000)", nullptr},
             {"DENSITY", "NUMBER", nullptr},
             {"NUM_NULLS", "NUMBER", nullptr},
             {"NUM_BUCKETS", "NUMBER", nullptr},
             {"LAST_ANALYZED", "DATE", nullptr},
             {"SAMPLE_SIZE", "NUMBER", nullptr},
             {"CHARACTER_SET_NAME", "VARCHAR2(44)",
              "case when c.DATA_TYPE in ('VARCHAR2', 'CHAR', 'CLOB', 'LONG') then 'CHAR_CS'"
              " when c.DATA_TYPE in ('NVARCHAR2', 'NCHAR', 'NCLOB') then 'NCHAR_CS' end"},
             {"CHAR_COL_DECL_LENGTH", "NUMBER", "case when c.CHAR_USED is not null then c.DATA_LENGTH end"},
             {"GLOBAL_STATS", "VARCHAR2(3)", no},
             {"USER_STATS", "VARCHAR2(3)", no},
             {"AVG_COL_LEN", "NUMBER", nullptr},
             {"CHAR_LENGTH", "NUMBER", "c.CHAR_LENGTH"},
             {"CHAR_USED", "VARCHAR2(1)", "c.CHAR_USED"},
             {"V80_FMT_IMAGE", "VARCHAR2(3)", no},
             {"DATA_UPGRADED", "VARCHAR2(3)", yes},
             {"HISTOGRAM", "VARCHAR2(15)", "'NONE'"},
             {"DEFAULT_ON_NULL", "VARCHAR2(3)", no},
             {"IDENTITY_COLUMN", "VARCHAR2(3)", "case when c.IDENTITY_TYPE is not null then 'YES' else 'NO' end"},
             {"EVALUATION_EDITION", "VARCHAR2(128)", nullptr},
             {"UNUSABLE_BEFORE", "VARCHAR2(128)", nullptr},
             {"UNUSABLE_BEGINNING", "VARCHAR2(128)", nullptr},
             {"COLLATION", "VARCHAR2(100)",
              "case when c.DATA_TYPE in ('VARCHAR2', 'CHAR', 'NVARCHAR2', 'NCHAR', 'LONG', 'CLOB', 'NCLOB')"
              " then 'USING_NLS_COMP' end"},
         }},
        // LOB indexes (SYS_IL...$$) are listed here but have no key columns.
        {"user_indexes",
         "(select m.INDEX_NAME, m.TABLE_NAME, m.UNIQUENESS, m.ORIGIN,"
         "        case when exists (select 1 from quorvane_hidden_keys h where h.INDEX_NAME = m.INDEX_NAME)"
         "             then 'FUNCTION-BASED NORMAL' else 'NORMAL' end as INDEX_TYPE"
         " from quorvane_index_map m"
         " union all"
         " select 'SYS_IL' || printf('%010d', c.TABLE_ORDINAL) || 'C' || printf('%05d', c.CID + 1) || '$$',"
         "        c.TABLE_NAME, 'UNIQUE', 'lob', 'LOB'"
         " from quorvane_columns c where c.DATA_TYPE in ('CLOB', 'NCLOB', 'BLOB')) i",
         {
             {"INDEX_NAME", "VARCHAR2(128) NOT NULL", "i.INDEX_NAME"},
             {"INDEX_TYPE", "VARCHAR2(27)", "i.INDEX_TYPE"},
             {"TABLE_OWNER", "VARCHAR2(128)", nullptr},
             {"TABLE_NAME", "VARCHAR2(128) NOT NULL", "i.TABLE_NAME"},
             {"TABLE_TYPE", "CHAR(11)", "'TABLE'"},
             {"UNIQUENESS", "VARCHAR2(9)", "i.UNIQUENESS"},
             {"COMPRESSION", "VARCHAR2(13)", "'DISABLED'"},
             {"PREFIX_LENGTH", "NUMBER", nullptr},
             {"TABLESPACE_NAME", "VARCHAR2(30)", "'USERS'"},
             {"INI_TRANS", "NUMBER", "2"},
             {"MAX_TRANS", "NUMBER", "255"},
             {"INITIAL_EXTENT", "NUMBER", nullptr},
             {"NEXT_EXTENT", "NUMBER", nullptr},
             {"MIN_EXTENTS", "NUMBER", nullptr},
             {"MAX_EXTENTS", "NUMBER", nullptr},
             {"PCT_INCREASE", "NUMBER", nullptr},
             {"PCT_THRESHOLD", "NUMBER", nullptr},
             {"INCLUDE_COLUMN", "NUMBER", nullptr},
             {"FREELISTS", "NUMBER", nullptr},
             {"FREELIST_GROUPS", "NUMBER", nullptr},
             {"PCT_FREE", "NUMBER", "10"},
             {"LOGGING", "VARCHAR2(3)", yes},
             {"BLEVEL", "NUMBER", nullptr},
             {"LEAF_BLOCKS", "NUMBER", nullptr},
             {"DISTINCT_KEYS", "NUMBER", nullptr},
             {"AVG_LEAF_BLOCKS_PER_KEY", "NUMBER", nullptr},
             {"AVG_DATA_BLOCKS_PER_KEY", "NUMBER", nullptr},
             {"CLUSTERING_FACTOR", "NUMBER", nullptr},
             {"STATUS", "VARCHAR2(8)", "'VALID'"},
             {"NUM_ROWS", "NUMBER", nullptr},
             {"SAMPLE_SIZE", "NUMBER", nullptr},
             {"LAST_ANALYZED", "DATE", nullptr},
             {"DEGREE", "VARCHAR2(40)", "'1'"},
             {"INSTANCES", "VARCHAR2(40)", "'1'"},
             {"PARTITIONED", "VARCHAR2(3)", no},
             {"TEMPORARY", "VARCHAR2(1)", "'N'"},
             {"GENERATED", "VARCHAR2(1)", "case when i.ORIGIN = 'lob' then 'Y' else 'N' end"},
             {"SECONDARY", "VARCHAR2(1)", "'N'"},
             {"BUFFER_POOL", "VARCHAR2(7)", "'DEFAULT'"},
             {"FLASH_CACHE", "VARCHAR2(7)", "'DEFAULT'"},
             {"CELL_FLASH_CACHE", "VARCHAR2(7)", "'DEFAULT'"},
             {"USER_STATS", "VARCHAR2(3)", no},
             {"DURATION", "VARCHAR2(15)", nullptr},
             {"PCT_DIRECT_ACCESS", "NUMBER", nullptr},
             {"ITYP_OWNER", "VARCHAR2(128)", nullptr},
             {"ITYP_NAME", "VARCHAR2(128)", nullptr},
             {"PARAMETERS", "VARCHAR2(1000)", nullptr},
             {"GLOBAL_STATS", "VARCHAR2(3)", no},
             {"DOMIDX_STATUS", "VARCHAR2(12)", nullptr},
             {"DOMIDX_OPSTATUS", "VARCHAR2(6)", nullptr},
             {"FUNCIDX_STATUS", "VARCHAR2(8)",
              "case when i.INDEX_TYPE like 'FUNCTION-BASED%' then 'ENABLED' end"},
             {"JOIN_INDEX", "VARCHAR2(3)", no},
             {"IOT_REDUNDANT_PKEY_ELIM", "VARCHAR2(3)", no},
             {"DROPPED", "VARCHAR2(3)", no},
             {"VISIBILITY", "VARCHAR2(9)", "'VISIBLE'"},
             {"DOMIDX_MANAGEMENT", "VARCHAR2(14)", nullptr},
             {"SEGMENT_CREATED", "VARCHAR2(3)", yes},
             {"ORPHANED_ENTRIES", "VARCHAR2(3)", no},
             {"INDEXING", "VARCHAR2(7)", "'FULL'"},
             {"AUTO", "VARCHAR2(3)", no},
             {"CONSTRAINT_INDEX", "VARCHAR2(3)",
              "case when i.ORIGIN in ('pk', 'u') then 'YES' else 'NO' end"},
         }},
        {"user_ind_columns",
         "quorvane_index_keys k"
         " left join quorvane_hidden_keys h on h.INDEX_NAME = k.INDEX_NAME and h.POSITION = k.POSITION"
         " left join quorvane_columns c on c.TABLE_NAME = k.TABLE_NAME and c.CID = k.CID"
         " order by k.INDEX_NAME, k.POSITION",
         {
             {"INDEX_NAME", "VARCHAR2(128) NOT NULL", "k.INDEX_NAME"},
             {"TABLE_NAME", "VARCHAR2(128) NOT NULL", "k.TABLE_NAME"},
             {"COLUMN_NAME", "VARCHAR2(4000)", "coalesce(h.HIDDEN_NAME, k.NAME)"},
             {"COLUMN_POSITION", "NUMBER NOT NULL", "k.POSITION"},
             {"COLUMN_LENGTH", "NUMBER NOT NULL", "coalesce(c.DATA_LENGTH, 0)"},
             {"CHAR_LENGTH", "NUMBER", "coalesce(c.CHAR_LENGTH, 0)"},
             {"DESCEND", "VARCHAR2(4)", "case when k.DESCENDING then 'DESC' else 'ASC' end"},
             {"COLLATED_COLUMN_ID", "NUMBER", nullptr},
         }},
        {"user_ind_expressions",
         "quorvane_hidden_keys h order by h.INDEX_NAME, h.POSITION",
         {
             {"INDEX_NAME", "VARCHAR2(128) NOT NULL", "h.INDEX_NAME"},
             {"TABLE_NAME", "VARCHAR2(128) NOT NULL", "h.TABLE_NAME"},
             {"COLUMN_EXPRESSION", "LONG", "h.EXPRESSION"},
             {"COLUMN_POSITION", "NUMBER NOT NULL", "h.POSITION"},
         }},
        // Every constraint is enabled and validated, none deferrable.
        {"user_constraints",
         "quorvane_constraints c order by c.TABLE_ORDINAL, c.CONSTRAINT_NAME",
         {
             {"OWNER", "VARCHAR2(128)", owner},
             {"CONSTRAINT_NAME", "VARCHAR2(128)", "c.CONSTRAINT_NAME"},
             {"CONSTRAINT_TYPE", "VARCHAR2(1)", "c.CONSTRAINT_TYPE"},
             {"TABLE_NAME", "VARCHAR2(128)", "c.TABLE_NAME"},
             {"SEARCH_CONDITION", "LONG", "c.SEARCH_CONDITION"},
             {"SEARCH_CONDITION_VC", "VARCHAR2(4000)", "oracle_byte_prefix(c.SEARCH_CONDITION, 4000)"},
             {"R_OWNER", "VARCHAR2(128)",
              "case when c.CONSTRAINT_TYPE = 'R' then (select OWNER from quorvane_owner) end"},
             {"R_CONSTRAINT_NAME", "VARCHAR2(128)", "c.R_CONSTRAINT_NAME"},
             {"DELETE_RULE", "VARCHAR2(9)", "c.DELETE_RULE"},
             {"STATUS", "VARCHAR2(8)", "'ENABLED'"},
             {"DEFERRABLE", "VARCHAR2(14)", "'NOT DEFERRABLE'"},
             {"DEFERRED", "VARCHAR2(9)", "'IMMEDIATE'"},
             {"VALIDATED", "VARCHAR2(13)", "'VALIDATED'"},
             {"GENERATED", "VARCHAR2(14)", "c.GENERATED"},
             {"BAD", "VARCHAR2(3)", nullptr},
             {"RELY", "VARCHAR2(4)", nullptr},
             {"LAST_CHANGE", "DATE", nullptr},
             {"INDEX_OWNER", "VARCHAR2(128)",
              "case when c.INDEX_NAME is not null then (select OWNER from quorvane_owner) end"},
             {"INDEX_NAME", "VARCHAR2(128)", "c.INDEX_NAME"},
             {"INVALID", "VARCHAR2(7)", nullptr},
             {"VIEW_RELATED", "VARCHAR2(14)", nullptr},
             {"ORIGIN_CON_ID", "NUMBER", "0"},
         }},
        {"user_cons_columns",
         "quorvane_constraint_columns k"
         " join quorvane_tables t on t.name = k.TABLE_NAME"
         " left join quorvane_columns c on c.TABLE_NAME = k.TABLE_NAME and c.COLUMN_NAME = k.COLUMN_NAME"
         " order by t.ordinal, k.CONSTRAINT_NAME, k.POSITION, c.CID",
         {
             {"OWNER", "VARCHAR2(128) NOT NULL", owner},
             {"CONSTRAINT_NAME", "VARCHAR2(128) NOT NULL", "k.CONSTRAINT_NAME"},
             {"TABLE_NAME", "VARCHAR2(128) NOT NULL", "k.TABLE_NAME"},
             {"COLUMN_NAME", "VARCHAR2(4000)", "k.COLUMN_NAME"},
             {"POSITION", "NUMBER", "k.POSITION"},
         }},
        {"user_tab_identity_cols",
         "quorvane_columns c where c.IDENTITY_TYPE is not null order by c.TABLE_ORDINAL, c.CID",
         {
             {"TABLE_NAME", "VARCHAR2(128) NOT NULL", "c.TABLE_NAME"},
             {"COLUMN_NAME", "VARCHAR2(128) NOT NULL", "c.COLUMN_NAME"},
             {"GENERATION_TYPE", "VARCHAR2(10)", "c.IDENTITY_TYPE"},
             {"SEQUENCE_NAME", "VARCHAR2(128) NOT NULL", "c.IDENTITY_SEQUENCE"},
             // A sequence generator's defaults (SQL Language Reference, CREATE SEQUENCE).
             {"IDENTITY_OPTIONS", "VARCHAR2(298)",
              "'START WITH: 1, INCREMENT BY: 1, MAX_VALUE: 9999999999999999999999999999, MIN_VALUE: 1, "
              "CYCLE_FLAG: N, CACHE_SIZE: 20, ORDER_FLAG: N, SCALE_FLAG: N, EXTEND_FLAG: N, SESSION_FLAG: N, "
              "KEEP_VALUE: N'"},
         }},
        // Oracle keeps an empty comment as NULL.
        {"user_tab_comments",
         "quorvane_tables t order by t.ordinal",
         {
             {"TABLE_NAME", "VARCHAR2(128) NOT NULL", "t.name"},
             {"TABLE_TYPE", "VARCHAR2(11)", "'TABLE'"},
             {"COMMENTS", "VARCHAR2(4000)",
              "(select nullif(m.COMMENTS, '') from quorvane_comment_rows m"
              " where m.TABLE_NAME = t.name and m.COLUMN_NAME is null)"},
             {"ORIGIN_CON_ID", "NUMBER", "0"},
         }},
        {"user_col_comments",
         "quorvane_columns c order by c.TABLE_ORDINAL, c.CID",
         {
             {"TABLE_NAME", "VARCHAR2(128) NOT NULL", "c.TABLE_NAME"},
             {"COLUMN_NAME", "VARCHAR2(128) NOT NULL", "c.COLUMN_NAME"},
             {"COMMENTS", "VARCHAR2(4000)",
              "(select nullif(m.COMMENTS, '') from quorvane_comment_rows m"
              " where m.TABLE_NAME = c.TABLE_NAME and m.COLUMN_NAME = c.COLUMN_NAME)"},
             {"ORIGIN_CON_ID", "NUMBER", "0"},
         }},
    };
}

// A file's statistics are exact: each table's NUM_ROWS is its row count, as
// if it had just been analyzed (Oracle Database Reference, ALL_TABLES).
void countRows(sqlite3* db)
{
    std::vector<std::string> names;
    sqlite3_stmt* list = nullptr;
    if (sqlite3_prepare_v2(db, "select name from temp.quorvane_tables", -1, &list, nullptr) != SQLITE_OK)
        throw Error(QString::fromUtf8(sqlite3_errmsg(db)));
    while (sqlite3_step(list) == SQLITE_ROW)
        names.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(list, 0)));
    sqlite3_finalize(list);
    for (const std::string& name : names) {
        std::string quoted = "\"";
        for (const char c : name)
            quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
        quoted += '"';
        sqlite3_stmt* update = nullptr;
        const std::string sql = "update temp.user_tables set NUM_ROWS = (select count(*) from main." + quoted
                                + ") where TABLE_NAME = ?1";
        if (sqlite3_prepare_v2(db, sql.c_str(), -1, &update, nullptr) != SQLITE_OK)
            throw Error(QString::fromUtf8(sqlite3_errmsg(db)));
        sqlite3_bind_text(update, 1, name.c_str(), int(name.size()), SQLITE_STATIC);
        const int rc = sqlite3_step(update);
        sqlite3_finalize(update);
        if (rc != SQLITE_DONE)
            throw Error(QString::fromUtf8(sqlite3_errmsg(db)));
    }
}

bool hasMainTable(sqlite3* db, const char* name)
{
    sqlite3_stmt* probe = nullptr;
    sqlite3_prepare_v2(db, "select 1 from main.sqlite_schema where type = 'table' and name = ?1", -1, &probe,
                       nullptr);
    sqlite3_bind_text(probe, 1, name, -1, SQLITE_STATIC);
    const bool found = probe && sqlite3_step(probe) == SQLITE_ROW;
    sqlite3_finalize(probe);
    return found;
}

class Prepared {
public:
    Prepared(sqlite3* db, const char* sql) : db_(db)
    {
        if (sqlite3_prepare_v2(db, sql, -1, &stmt_, nullptr) != SQLITE_OK)
            fail();
    }
    ~Prepared() { sqlite3_finalize(stmt_); }
    Prepared(const Prepared&) = delete;
    Prepared& operator=(const Prepared&) = delete;

    template <typename... Values>
    Prepared& bind(const Values&... values)
    {
        sqlite3_reset(stmt_);
        int index = 0;
        (bindOne(++index, values), ...);
        return *this;
    }
    bool row()
    {
        const int rc = sqlite3_step(stmt_);
        if (rc != SQLITE_ROW && rc != SQLITE_DONE)
            fail();
        return rc == SQLITE_ROW;
    }
    std::string text(int column) const
    {
        const auto* value = reinterpret_cast<const char*>(sqlite3_column_text(stmt_, column));
        return value ? std::string(value, std::size_t(sqlite3_column_bytes(stmt_, column))) : std::string();
    }
    qint64 integer(int column) const { return sqlite3_column_int64(stmt_, column); }

private:
    [[noreturn]] void fail() const { throw Error(QString::fromUtf8(sqlite3_errmsg(db_))); }
    void bindOne(int index, const std::string& value)
    {
        sqlite3_bind_text(stmt_, index, value.data(), int(value.size()), SQLITE_TRANSIENT);
    }
    void bindOne(int index, const std::optional<std::string>& value)
    {
        if (value)
            bindOne(index, *value);
        else
            sqlite3_bind_null(stmt_, index);
    }
    void bindOne(int index, std::size_t value) { sqlite3_bind_int64(stmt_, index, sqlite3_int64(value)); }
    void bindOne(int index, const std::optional<std::size_t>& value)
    {
        if (value)
            bindOne(index, *value);
        else
            sqlite3_bind_null(stmt_, index);
    }

    sqlite3* db_;
    sqlite3_stmt* stmt_ = nullptr;
};

// Stages the CREATE TABLE texts' declarations of every table. A foreign key
// gets its written name by matching SQLite's list with the text:
// pragma_foreign_key_list numbers a table's keys last written first (id 0),
// and each pair must name the same columns; when the text does not match
// that way, a key takes the one declaration with its columns, if any.
void stageDeclarations(sqlite3* db)
{
    exec(db, "create temp table quorvane_declared_columns (TABLE_NAME, COLUMN_NAME, OFFSET, NOT_NULL_OFFSET,"
             " NOT_NULL_NAME);"
             "create temp table quorvane_declared_checks (TABLE_NAME, OFFSET, NAME, CONDITION);"
             "create temp table quorvane_check_names (TABLE_NAME, OFFSET, IDENTIFIER);"
             "create temp table quorvane_fk_names (TABLE_NAME, ID, NAME, OFFSET);");
    Prepared tables(db, "select t.name, s.sql from quorvane_tables t"
                        " join main.sqlite_schema s on s.type = 'table' and s.name = t.name order by t.ordinal");
    Prepared keys(db, "select id, \"from\" from pragma_foreign_key_list(?1, 'main') order by id, seq");
    Prepared column(db, "insert into temp.quorvane_declared_columns values (?1, ?2, ?3, ?4, ?5)");
    Prepared check(db, "insert into temp.quorvane_declared_checks values (?1, ?2, ?3, ?4)");
    Prepared named(db, "insert into temp.quorvane_check_names values (?1, ?2, ?3)");
    Prepared key(db, "insert into temp.quorvane_fk_names values (?1, ?2, ?3, ?4)");
    while (tables.row()) {
        const std::string table = tables.text(0), sql = tables.text(1);
        const DeclaredTable declared = scanCreateTable(sql);
        for (const DeclaredColumn& c : declared.columns)
            column.bind(table, c.name, c.offset, c.notNullOffset, c.notNullName).row();
        for (const DeclaredCheck& c : declared.checks) {
            check.bind(table, c.offset, c.name, c.condition).row();
            for (const std::string& identifier : c.identifiers)
                named.bind(table, c.offset, identifier).row();
        }

        std::vector<std::vector<std::string>> listed;  // by id
        for (keys.bind(table); keys.row();) {
            const auto id = std::size_t(keys.integer(0));
            if (id >= listed.size())
                listed.resize(id + 1);
            listed[id].push_back(keys.text(1));
        }
        const auto sameColumns = [](const std::vector<std::string>& a, const std::vector<std::string>& b) {
            return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), sameName);
        };
        const std::size_t count = listed.size();
        bool reversed = declared.foreignKeys.size() == count;
        for (std::size_t k = 0; reversed && k < count; ++k)
            reversed = sameColumns(declared.foreignKeys[k].columns, listed[count - 1 - k]);
        for (std::size_t id = 0; id < count; ++id) {
            const DeclaredForeignKey* match = reversed ? &declared.foreignKeys[count - 1 - id] : nullptr;
            for (std::size_t k = 0; !reversed && k < declared.foreignKeys.size(); ++k) {
                if (!sameColumns(declared.foreignKeys[k].columns, listed[id]))
                    continue;
                if (match) {  // two alike: neither is known
                    match = nullptr;
                    break;
                }
                match = &declared.foreignKeys[k];
            }
            key.bind(table, id, match ? match->name : std::nullopt,
                     match ? match->offset : sql.size() + (count - id))
                .row();
        }
    }
}

// Every constraint of every table, as Oracle lists them (Oracle Database
// Reference, ALL_CONSTRAINTS and ALL_CONS_COLUMNS).
const char* const constraintSql = R"sql(
-- The primary key and the UNIQUE constraints, under their indexes' names.
create temp table quorvane_key_columns as
  select m.INDEX_NAME as CONSTRAINT_NAME, case m.ORIGIN when 'pk' then 'P' else 'U' end as CONSTRAINT_TYPE,
         k.TABLE_NAME, k.NAME as COLUMN_NAME, k.POSITION
  from quorvane_index_map m join quorvane_index_keys k on k.INDEX_NAME = m.INDEX_NAME and k.TABLE_NAME = m.TABLE_NAME
  where m.ORIGIN in ('pk', 'u');

-- A check constraint "C" IS NOT NULL for each column declared NOT NULL (a
-- primary key's columns are NOT NULL without one, an identity column has
-- one), and one for each CHECK clause.
create temp table quorvane_checks as
  select c.TABLE_NAME, c.TABLE_ORDINAL, coalesce(d.NOT_NULL_OFFSET, d.OFFSET, 1000000000 + c.CID) as OFFSET,
         d.NOT_NULL_NAME as GIVEN_NAME, '"' || replace(c.COLUMN_NAME, '"', '""') || '" IS NOT NULL' as CONDITION,
         c.COLUMN_NAME as NOT_NULL_COLUMN
  from quorvane_columns c
       left join quorvane_declared_columns d on d.TABLE_NAME = c.TABLE_NAME and d.COLUMN_NAME = c.COLUMN_NAME
  where (c.NOT_NULL and (c.PK = 0 or d.NOT_NULL_OFFSET is not null)) or c.IDENTITY_TYPE is not null
  union all
  select k.TABLE_NAME, t.ordinal, k.OFFSET, k.NAME, k.CONDITION, null
  from quorvane_declared_checks k join quorvane_tables t on t.name = k.TABLE_NAME;

-- Foreign keys. SQLite compares the names of the parent table and its
-- columns without case; no column list means the parent's primary key.
create temp table quorvane_fk_columns as
  select t.name as TABLE_NAME, f.id as ID, f.seq as SEQ, f."table" as PARENT, f."from" as COLUMN_NAME,
         f."to" as TO_COLUMN, f.on_delete as ON_DELETE
  from quorvane_tables t, pragma_foreign_key_list(t.name, 'main') f;

create temp table quorvane_fk_links as
  select f.TABLE_NAME, f.ID, f.SEQ, k.CONSTRAINT_NAME as R_CONSTRAINT_NAME, k.CONSTRAINT_TYPE as R_TYPE, k.POSITION
  from quorvane_fk_columns f
       join quorvane_key_columns k
         on lower(k.TABLE_NAME) = lower(f.PARENT)
        and case when f.TO_COLUMN is null then k.CONSTRAINT_TYPE = 'P' and k.POSITION = f.SEQ + 1
                 else lower(k.COLUMN_NAME) = lower(f.TO_COLUMN) end;

-- The parent's key that the foreign key's columns cover, each key column once.
create temp table quorvane_fk_targets as
  select TABLE_NAME, ID, R_CONSTRAINT_NAME
  from (select l.TABLE_NAME, l.ID, l.R_CONSTRAINT_NAME,
               row_number() over (partition by l.TABLE_NAME, l.ID order by l.R_TYPE, l.R_CONSTRAINT_NAME) as CHOICE
        from quorvane_fk_links l
        group by l.TABLE_NAME, l.ID, l.R_CONSTRAINT_NAME, l.R_TYPE
        having count(*) = count(distinct l.SEQ) and count(*) = count(distinct l.POSITION)
           and count(*) = (select count(*) from quorvane_fk_columns f where f.TABLE_NAME = l.TABLE_NAME and f.ID = l.ID)
           and count(*) = (select count(*) from quorvane_key_columns k where k.CONSTRAINT_NAME = l.R_CONSTRAINT_NAME))
  where CHOICE = 1;

-- Checks and foreign keys numbered in the order written, table by table,
-- which gives an unnamed one the same SYS_C name at every opening.
create temp table quorvane_declared as
  select *, row_number() over (order by TABLE_ORDINAL, OFFSET) as SERIAL
  from (select TABLE_NAME, TABLE_ORDINAL, OFFSET, GIVEN_NAME, 'C' as CONSTRAINT_TYPE, CONDITION, NOT_NULL_COLUMN,
               null as ID
        from quorvane_checks
        union all
        select n.TABLE_NAME, t.ordinal, n.OFFSET, n.NAME, 'R', null, null, n.ID
        from quorvane_fk_names n join quorvane_tables t on t.name = n.TABLE_NAME);

create temp table quorvane_constraints as
  select coalesce(d.GIVEN_NAME, printf('SYS_C%07d', d.SERIAL)) as CONSTRAINT_NAME, d.CONSTRAINT_TYPE, d.TABLE_NAME,
         d.TABLE_ORDINAL, d.CONDITION as SEARCH_CONDITION, g.R_CONSTRAINT_NAME,
         case when d.CONSTRAINT_TYPE = 'R'
              then (select case f.ON_DELETE when 'CASCADE' then 'CASCADE' when 'SET NULL' then 'SET NULL'
                                else 'NO ACTION' end
                    from quorvane_fk_columns f where f.TABLE_NAME = d.TABLE_NAME and f.ID = d.ID) end as DELETE_RULE,
         case when d.GIVEN_NAME is null then 'GENERATED NAME' else 'USER NAME' end as GENERATED,
         null as INDEX_NAME, d.OFFSET, d.ID, d.NOT_NULL_COLUMN
  from quorvane_declared d left join quorvane_fk_targets g on g.TABLE_NAME = d.TABLE_NAME and g.ID = d.ID
  where d.CONSTRAINT_TYPE = 'C' or g.R_CONSTRAINT_NAME is not null
  union all
  select distinct k.CONSTRAINT_NAME, k.CONSTRAINT_TYPE, k.TABLE_NAME, t.ordinal, null, null, null, 'USER NAME',
         k.CONSTRAINT_NAME, null, null, null
  from quorvane_key_columns k join quorvane_tables t on t.name = k.TABLE_NAME;

create temp table quorvane_constraint_columns as
  select k.CONSTRAINT_NAME, k.TABLE_NAME, k.COLUMN_NAME, k.POSITION from quorvane_key_columns k
  union all
  -- A foreign key's columns at the positions of the key columns they refer to.
  select c.CONSTRAINT_NAME, c.TABLE_NAME, f.COLUMN_NAME, l.POSITION
  from quorvane_constraints c
       join quorvane_fk_links l
         on l.TABLE_NAME = c.TABLE_NAME and l.ID = c.ID and l.R_CONSTRAINT_NAME = c.R_CONSTRAINT_NAME
       join quorvane_fk_columns f on f.TABLE_NAME = l.TABLE_NAME and f.ID = l.ID and f.SEQ = l.SEQ
  where c.CONSTRAINT_TYPE = 'R'
  union all
  select c.CONSTRAINT_NAME, c.TABLE_NAME, c.NOT_NULL_COLUMN, null from quorvane_constraints c
  where c.NOT_NULL_COLUMN is not null
  union all
  -- A CHECK clause's columns: those of the table that it names.
  select distinct c.CONSTRAINT_NAME, c.TABLE_NAME, col.COLUMN_NAME, null
  from quorvane_constraints c
       join quorvane_check_names n on n.TABLE_NAME = c.TABLE_NAME and n.OFFSET = c.OFFSET
       join quorvane_columns col on col.TABLE_NAME = c.TABLE_NAME and lower(col.COLUMN_NAME) = lower(n.IDENTIFIER)
  where c.CONSTRAINT_TYPE = 'C' and c.NOT_NULL_COLUMN is null;
)sql";

// A view `view` of `table` of the file, or an empty one when it has none.
void optionalTable(sqlite3* db, const char* view, const char* table, std::initializer_list<const char*> columns)
{
    std::string list, nulls;
    for (const char* column : columns) {
        list += std::string(list.empty() ? "" : ", ") + column;
        nulls += std::string(nulls.empty() ? "" : ", ") + "null as " + column;
    }
    exec(db, std::string("create temp view ") + view + " as select "
                 + (hasMainTable(db, table) ? list + " from main." + table : nulls + " where 0") + ";");
}

}  // namespace

bool selectsStar(std::string_view sql)
{
    std::size_t i = 0;
    const auto blanks = [&] {
        const std::size_t start = i;
        while (i < sql.size() && std::isspace(static_cast<unsigned char>(sql[i])))
            ++i;
        return i > start;
    };
    const auto word = [&](std::string_view w) {
        if (sql.size() - i < w.size())
            return false;
        for (std::size_t k = 0; k < w.size(); ++k)
            if (std::tolower(static_cast<unsigned char>(sql[i + k])) != w[k])
                return false;
        i += w.size();
        return true;
    };
    blanks();
    if (!word("select"))
        return false;
    blanks();
    if (!word("*"))
        return false;
    return blanks() && word("from");
}

void installOracleDictionary(sqlite3* db)
{
    registerFunctions(db);
    registerOracleFunctions(db);
    // The schema a file holds has one owner, whoever logs on.
    exec(db, "create temp view quorvane_owner as select 'QUORVANE' as OWNER;");
    // What SQLite's catalog cannot say of a table (an IOT's overflow, a
    // nested table's storage, a domain index's secondary table, identity
    // columns, comments) a schema file may say in tables of its own.
    optionalTable(db, "quorvane_properties", "quorvane_table_properties",
                  {"TABLE_NAME", "IOT_TYPE", "IOT_NAME", "NESTED", "SECONDARY"});
    optionalTable(db, "quorvane_identity", "quorvane_identity_columns",
                  {"TABLE_NAME", "COLUMN_NAME", "GENERATION_TYPE"});
    optionalTable(db, "quorvane_comment_rows", "quorvane_comments", {"TABLE_NAME", "COLUMN_NAME", "COMMENTS"});
    exec(db, stagingSql);
    stageDeclarations(db);
    exec(db, constraintSql);
    for (const View& view : views()) {
        std::string definition, names, values;
        for (const ViewColumn& column : view.columns) {
            const std::string separator = definition.empty() ? "" : ", ";
            // Quoted: some of Oracle's column names are SQLite keywords (DEFERRABLE).
            const std::string name = std::string("\"") + column.name + "\"";
            definition += separator + name + " " + column.type;
            names += separator + name;
            values += separator + (column.value ? column.value : "null");
        }
        exec(db, std::string("create temp table ") + view.name + " (" + definition + "); insert into temp." + view.name
                     + " (" + names + ") select " + values + " from " + view.source + ";");
    }
    countRows(db);
}

}  // namespace qv
