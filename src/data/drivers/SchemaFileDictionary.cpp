#include "SchemaFileDictionary.h"

#include "OracleTypeDecl.h"
#include "SchemaFileSql.h"
#include "data/Errors.h"

#include <QString>
#include <cctype>
#include <optional>
#include <sqlite3.h>
#include <string>
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
    if (sqlite3_create_function_v2(db, "oracle_index_key", 2, flags, nullptr, indexKeyFunction, nullptr, nullptr,
                                   nullptr)
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
  where type = 'table' and name not like 'sqlite\_%' escape '\' and name <> 'quorvane_table_properties';

create temp table quorvane_columns as
  select TABLE_NAME, TABLE_ORDINAL, CID, COLUMN_NAME, DATA_TYPE, DATA_TYPE_OWNER, DATA_LENGTH, DATA_PRECISION, DATA_SCALE,
         CHAR_LENGTH, CHAR_USED, INVISIBLE, NULLABLE, DATA_DEFAULT,
         -- An invisible column has no COLUMN_ID; the visible ones are numbered without it.
         case when INVISIBLE then null
              else sum(1 - INVISIBLE) over (partition by TABLE_NAME order by CID) end as COLUMN_ID
  from (select t.name as TABLE_NAME, t.ordinal as TABLE_ORDINAL, c.cid as CID, c.name as COLUMN_NAME,
               oracle_data_type(c.type) as DATA_TYPE, oracle_data_type_owner(c.type) as DATA_TYPE_OWNER,
               oracle_data_length(c.type) as DATA_LENGTH,
               oracle_data_precision(c.type) as DATA_PRECISION, oracle_data_scale(c.type) as DATA_SCALE,
               oracle_char_length(c.type) as CHAR_LENGTH, oracle_char_used(c.type) as CHAR_USED,
               oracle_invisible(c.type) as INVISIBLE,
               case when c."notnull" or c.pk > 0 then 'N' else 'Y' end as NULLABLE, c.dflt_value as DATA_DEFAULT
        from quorvane_tables t, pragma_table_info(t.name, 'main') c);

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
             {"HAS_IDENTITY", "VARCHAR2(3)", no},
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
             {"IDENTITY_COLUMN", "VARCHAR2(3)", no},
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
    };
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
    // What SQLite's catalog cannot say of a table (an IOT's overflow, a
    // nested table's storage, a domain index's secondary table) a schema
    // file may say in a table of its own.
    exec(db, hasMainTable(db, "quorvane_table_properties")
                 ? "create temp view quorvane_properties as select TABLE_NAME, IOT_TYPE, IOT_NAME, NESTED, SECONDARY"
                   " from main.quorvane_table_properties;"
                 : "create temp view quorvane_properties as select null as TABLE_NAME, null as IOT_TYPE,"
                   " null as IOT_NAME, null as NESTED, null as SECONDARY where 0;");
    exec(db, stagingSql);
    for (const View& view : views()) {
        std::string definition, names, values;
        for (const ViewColumn& column : view.columns) {
            const std::string separator = definition.empty() ? "" : ", ";
            definition += separator + column.name + " " + column.type;
            names += separator + column.name;
            values += separator + (column.value ? column.value : "null");
        }
        exec(db, std::string("create temp table ") + view.name + " (" + definition + "); insert into temp." + view.name
                     + " (" + names + ") select " + values + " from " + view.source + ";");
    }
}

}  // namespace qv
