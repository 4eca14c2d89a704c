#include "SchemaFileDictionary.h"

#include "OracleTypeDecl.h"
#include "data/Errors.h"

#include <QString>
#include <optional>
#include <sqlite3.h>

namespace qv {

namespace {

// SQL functions that the dictionary views use to read declared types.

enum class TypeField { DataType, DataLength, DataPrecision, DataScale, CharLength };

void resultOptional(sqlite3_context* context, const std::optional<qint64>& value)
{
    if (value)
        sqlite3_result_int64(context, *value);
    else
        sqlite3_result_null(context);
}

void typeFieldFunction(sqlite3_context* context, int, sqlite3_value** argv)
{
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) {
        sqlite3_result_null(context);
        return;
    }
    try {
        const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(argv[0]));
        const OracleTypeDecl decl =
            parseOracleTypeDecl(QString::fromUtf8(text, sqlite3_value_bytes(argv[0])));
        switch (*static_cast<const TypeField*>(sqlite3_user_data(context))) {
        case TypeField::DataType: {
            const QByteArray utf8 = decl.dataType.toUtf8();
            sqlite3_result_text(context, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
            break;
        }
        case TypeField::DataLength: sqlite3_result_int64(context, decl.dataLength); break;
        case TypeField::DataPrecision: resultOptional(context, decl.dataPrecision); break;
        case TypeField::DataScale: resultOptional(context, decl.dataScale); break;
        case TypeField::CharLength: sqlite3_result_int64(context, decl.charLength); break;
        }
    } catch (const std::exception& e) {
        sqlite3_result_error(context, e.what(), -1);
    }
}

void registerFunctions(sqlite3* db)
{
    static const TypeField fields[] = {TypeField::DataType, TypeField::DataLength, TypeField::DataPrecision,
                                       TypeField::DataScale, TypeField::CharLength};
    static const char* const names[] = {"oracle_data_type", "oracle_data_length", "oracle_data_precision",
                                        "oracle_data_scale", "oracle_char_length"};
    for (int i = 0; i < 5; ++i) {
        const int rc = sqlite3_create_function_v2(
            db, names[i], 1, SQLITE_UTF8 | SQLITE_DETERMINISTIC | SQLITE_INNOCUOUS,
            const_cast<TypeField*>(&fields[i]), typeFieldFunction, nullptr, nullptr, nullptr);
        if (rc != SQLITE_OK)
            throw Error(QString::fromUtf8(sqlite3_errmsg(db)));
    }
}

// ---------------------------------------------------------------------------
// The dictionary views. They read the main schema only, so that the temporary
// views themselves never show up in them.

const char* const dictionarySql = R"sql(
create temp view quorvane_tables as
  select name from main.sqlite_schema
  where type = 'table' and name not like 'sqlite\_%' escape '\';

create temp view user_tables as
  select name as TABLE_NAME from quorvane_tables;

create temp view user_tab_columns as
  select t.name as TABLE_NAME,
         c.name as COLUMN_NAME,
         oracle_data_type(c.type) as DATA_TYPE,
         oracle_data_length(c.type) as DATA_LENGTH,
         oracle_data_precision(c.type) as DATA_PRECISION,
         oracle_data_scale(c.type) as DATA_SCALE,
         case when c."notnull" or c.pk > 0 then 'N' else 'Y' end as NULLABLE,
         c.cid + 1 as COLUMN_ID,
         oracle_char_length(c.type) as CHAR_LENGTH
  from quorvane_tables t, pragma_table_info(t.name, 'main') c;

-- Every index under its Oracle name. SQLite names the index of a UNIQUE
-- constraint sqlite_autoindex_<table>_<n>; the constraints are numbered in
-- the order of n. A primary key without an index of its own (an INTEGER
-- PRIMARY KEY is the rowid) is listed with no SQLite index behind it.
create temp view quorvane_index_map as
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
         case when l."unique" then 'UNIQUE' else 'NONUNIQUE' end as UNIQUENESS
  from quorvane_tables t, pragma_index_list(t.name, 'main') l
  union all
  select t.name, null, 'PK_' || t.name, 'UNIQUE'
  from quorvane_tables t
  where exists (select 1 from pragma_table_info(t.name, 'main') c where c.pk > 0)
    and not exists (select 1 from pragma_index_list(t.name, 'main') l where l.origin = 'pk');

create temp view user_indexes as
  select INDEX_NAME, TABLE_NAME, UNIQUENESS from quorvane_index_map;

create temp view user_ind_columns as
  select m.INDEX_NAME as INDEX_NAME,
         m.TABLE_NAME as TABLE_NAME,
         coalesce(i.name, 'SYS_NC' || printf('%05d', i.seqno + 1) || '$') as COLUMN_NAME,
         i.seqno + 1 as COLUMN_POSITION
  from quorvane_index_map m, pragma_index_info(m.SQLITE_NAME, 'main') i
  where m.SQLITE_NAME is not null
  union all
  select 'PK_' || t.name, t.name, c.name, c.pk
  from quorvane_tables t, pragma_table_info(t.name, 'main') c
  where c.pk > 0
    and not exists (select 1 from pragma_index_list(t.name, 'main') l where l.origin = 'pk');
)sql";

}  // namespace

void installOracleDictionary(sqlite3* db)
{
    registerFunctions(db);
    char* message = nullptr;
    if (sqlite3_exec(db, dictionarySql, nullptr, nullptr, &message) != SQLITE_OK) {
        const QString text = QString::fromUtf8(message ? message : sqlite3_errstr(sqlite3_errcode(db)));
        sqlite3_free(message);
        throw Error(text);
    }
}

}  // namespace qv
