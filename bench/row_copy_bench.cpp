// Rows per second of the headless quorvane job for one table from a schema
// file into MySQL, next to LOAD DATA LOCAL INFILE of the same rows and to the
// job's per-row and multi-row write paths; the job's peak memory; its CLOB throughput. With
// STANDIN, the stand-in Oracle client library, the job and the CLOB job again
// through the Oracle client path at 1 ms a round trip, with their round trips.
//
//   row_copy_bench SANDBOX_DIR QUORVANE WORK_DIR ROWS [STANDIN]
//
// SANDBOX_DIR is a folder left by `scripts/mysql-sandbox start`, QUORVANE the
// program, WORK_DIR a folder for the schema files, jobs and logs.

#include <mysql.h>
#include <sqlite3.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

extern char** environ;

namespace {

constexpr long long memoryRows = 100000;  // the smaller run of the memory comparison
constexpr long long clobRows = 100000;
constexpr int clobBytes = 10000;          // bytes of each CLOB value

struct Failure : std::runtime_error {
    using std::runtime_error::runtime_error;
};

void progress(const std::string& text)
{
    std::fprintf(stderr, "bench: %s\n", text.c_str());
}

std::string readTrimmed(const std::string& path)
{
    std::ifstream in(path);
    if (!in)
        throw Failure("cannot read " + path);
    std::stringstream text;
    text << in.rdbuf();
    std::string s = text.str();
    while (!s.empty() && (s.back() == '\n' || s.back() == '\r' || s.back() == ' '))
        s.pop_back();
    return s;
}

void printFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "---- %s: (none)\n", path.c_str());
        return;
    }
    std::fprintf(stderr, "---- %s\n", path.c_str());
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        std::fprintf(stderr, "%s\n", line.c_str());
    }
}

// 1234567 -> "1,234,567"
std::string grouped(long long n)
{
    std::string digits = std::to_string(n < 0 ? -n : n);
    std::string out;
    for (size_t i = 0; i < digits.size(); ++i) {
        if (i && (digits.size() - i) % 3 == 0)
            out += ',';
        out += digits[i];
    }
    return n < 0 ? "-" + out : out;
}

std::string machine()
{
    std::string model = "unknown CPU";
    std::ifstream cpuinfo("/proc/cpuinfo");
    for (std::string line; std::getline(cpuinfo, line);) {
        if (line.rfind("model name", 0) == 0) {
            const size_t colon = line.find(':');
            if (colon != std::string::npos && colon + 2 <= line.size())
                model = line.substr(colon + 2);
            break;
        }
    }
    return std::to_string(sysconf(_SC_NPROCESSORS_ONLN)) + " cores, " + model;
}

// ---------------------------------------------------------------------------
// MySQL through Connector/C

std::string quoteName(std::string_view name)
{
    std::string quoted = "`";
    for (const char c : name) {
        quoted += c;
        if (c == '`')
            quoted += '`';
    }
    return quoted + '`';
}

using Row = std::vector<std::optional<std::string>>;

class Server {
public:
    explicit Server(unsigned port) : mysql_(mysql_init(nullptr))
    {
        if (!mysql_)
            throw Failure("mysql_init failed");
        const unsigned localInfile = 1;
        mysql_options(mysql_, MYSQL_OPT_LOCAL_INFILE, &localInfile);
        mysql_options(mysql_, MYSQL_SET_CHARSET_NAME, "utf8mb4");
        if (!mysql_real_connect(mysql_, "127.0.0.1", "qvtest", "qvtest", nullptr, port, nullptr, 0))
            throw Failure("cannot connect to MariaDB on 127.0.0.1:" + std::to_string(port) + ": " + error());
        execute("set session sql_mode = 'STRICT_ALL_TABLES'");
    }
    ~Server() { mysql_close(mysql_); }
    Server(const Server&) = delete;
    Server& operator=(const Server&) = delete;

    std::string literal(std::string_view text)
    {
        std::string buffer(text.size() * 2 + 1, '\0');
        const unsigned long length = mysql_real_escape_string(mysql_, buffer.data(), text.data(), text.size());
        return "'" + buffer.substr(0, length) + "'";
    }

    // Runs `sql`; returns the rows of its result, if any.
    std::vector<Row> query(const std::string& sql)
    {
        if (mysql_real_query(mysql_, sql.data(), sql.size()) != 0)
            throw Failure(sql.substr(0, 200) + ": " + error());
        std::vector<Row> rows;
        MYSQL_RES* result = mysql_store_result(mysql_);
        if (!result) {
            if (mysql_field_count(mysql_) != 0)
                throw Failure(sql.substr(0, 200) + ": " + error());
            return rows;
        }
        const unsigned columns = mysql_num_fields(result);
        while (MYSQL_ROW values = mysql_fetch_row(result)) {
            const unsigned long* lengths = mysql_fetch_lengths(result);
            Row row;
            for (unsigned i = 0; i < columns; ++i)
                row.push_back(values[i] ? std::optional<std::string>(std::string(values[i], lengths[i]))
                                        : std::nullopt);
            rows.push_back(std::move(row));
        }
        mysql_free_result(result);
        return rows;
    }

    void execute(const std::string& sql) { query(sql); }

    std::string scalar(const std::string& sql)
    {
        const std::vector<Row> rows = query(sql);
        if (rows.empty() || rows[0].empty() || !rows[0][0])
            throw Failure(sql + ": no value");
        return *rows[0][0];
    }

    unsigned long long affectedRows() { return mysql_affected_rows(mysql_); }
    unsigned warningCount() { return mysql_warning_count(mysql_); }
    void selectDatabase(const std::string& name)
    {
        if (mysql_select_db(mysql_, name.c_str()) != 0)
            throw Failure("cannot use database " + name + ": " + error());
    }

private:
    std::string error() { return mysql_error(mysql_); }
    MYSQL* mysql_;
};

void recreateDatabase(Server& server, const std::string& name)
{
    server.execute("drop database if exists " + quoteName(name));
    server.execute("create database " + quoteName(name));
}

long long rowCount(Server& server, const std::string& database, const std::string& table)
{
    return std::stoll(server.scalar("select count(*) from " + quoteName(database) + "." + quoteName(table)));
}

void expectRows(Server& server, const std::string& database, const std::string& table, long long expected)
{
    const long long count = rowCount(server, database, table);
    if (count != expected)
        throw Failure(database + "." + table + " holds " + std::to_string(count) + " rows, expected " +
                      std::to_string(expected));
}

std::string checksum(Server& server, const std::string& database, const std::string& table)
{
    const std::vector<Row> rows = server.query("checksum table " + quoteName(database) + "." + quoteName(table));
    if (rows.size() != 1 || rows[0].size() < 2 || !rows[0][1])
        throw Failure("no checksum for " + database + "." + table);
    return *rows[0][1];
}

// ---------------------------------------------------------------------------
// Schema files: SQLite files standing in for an Oracle schema

class SqliteFile {
public:
    SqliteFile(const std::string& path, int flags)
    {
        if (sqlite3_open_v2(path.c_str(), &db_, flags, nullptr) != SQLITE_OK)
            throw Failure(path + ": " + sqlite3_errmsg(db_));
    }
    ~SqliteFile() { sqlite3_close(db_); }
    SqliteFile(const SqliteFile&) = delete;
    SqliteFile& operator=(const SqliteFile&) = delete;

    void exec(const std::string& sql)
    {
        char* message = nullptr;
        if (sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &message) != SQLITE_OK) {
            const std::string text = message ? message : sqlite3_errmsg(db_);
            sqlite3_free(message);
            throw Failure("schema file: " + text);
        }
    }

    // Prepares `sql` and binds ?1 to `number`.
    sqlite3_stmt* prepare(const std::string& sql, std::optional<long long> number = std::nullopt)
    {
        sqlite3_stmt* stmt = nullptr;
        if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &stmt, nullptr) != SQLITE_OK)
            throw Failure("schema file: " + std::string(sqlite3_errmsg(db_)));
        if (number)
            sqlite3_bind_int64(stmt, 1, *number);
        return stmt;
    }

    void run(const std::string& sql, long long number)
    {
        sqlite3_stmt* stmt = prepare(sql, number);
        const int rc = sqlite3_step(stmt);
        sqlite3_finalize(stmt);
        if (rc != SQLITE_DONE)
            throw Failure("schema file: " + std::string(sqlite3_errmsg(db_)));
    }

    const char* error() const { return sqlite3_errmsg(db_); }

private:
    sqlite3* db_ = nullptr;
};

// BENCH: varied text lengths (some non-ASCII), amounts with cents (some
// negative, some whole), dates with times, NULL in every fifth NOTE.
void buildBenchSchema(const std::string& path, long long rows)
{
    SqliteFile db(path, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
    db.exec("pragma journal_mode = off; pragma synchronous = off; drop table if exists BENCH;"
            "create table BENCH (ID NUMBER(10) primary key, NAME VARCHAR2(40), AMOUNT NUMBER(12,2), BORN DATE,"
            " NOTE VARCHAR2(200))");
    db.run("insert into BENCH with recursive c(x) as (select 1 union all select x + 1 from c where x < ?1)"
           " select x,"
           " substr('Ada Lovelace, Zoë Ångström, Grace Hopper, Édouard Niño, Alan Turing', 1 + x % 13,"
           " 2 + x * 7 % 24) || ' ' || x,"
           " (x * 7919 % 20000000 - 5000000) / 100.0,"
           " strftime('%Y-%m-%d %H:%M:%S', '2000-01-01', '+' || (x * 37 % 12000) || ' days',"
           " '+' || (x * 7919 % 86400) || ' seconds'),"
           " case when x % 5 = 0 then null else substr('Delivered to the side door; the customer asks for a call"
           " before noon. Invoice \"B-17\" follows by post, with 30% paid ahead & the rest on delivery. Notes:"
           " fragile glass, keep upright, no stacking above two boxes high.', 1 + x % 17, 1 + x * 13 % 180) end"
           " from c",
           rows);
}

// DOCS: ID and a CLOB of clobBytes ASCII bytes; returns the bytes of all CLOBs.
long long buildClobSchema(const std::string& path, long long rows)
{
    SqliteFile db(path, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
    db.exec("pragma journal_mode = off; pragma synchronous = off; drop table if exists DOCS;"
            "create table DOCS (ID NUMBER(10) primary key, DOC CLOB)");
    db.run("insert into DOCS with recursive c(x) as (select 1 union all select x + 1 from c where x < ?1),"
           " p(s) as (select replace(hex(zeroblob(400)), '00', 'lorem ipsum dolor sit amet, '))"
           " select x, printf('%08d ', x) || substr(s, 1 + x % 97, " +
               std::to_string(clobBytes - 9) + ") from c, p",
           rows);
    sqlite3_stmt* stmt = db.prepare("select sum(length(cast(DOC as blob))) from DOCS");
    if (sqlite3_step(stmt) != SQLITE_ROW)
        throw Failure("schema file: " + std::string(db.error()));
    const long long bytes = sqlite3_column_int64(stmt, 0);
    sqlite3_finalize(stmt);
    return bytes;
}

// A field as LOAD DATA reads it with its default escape character.
void writeField(std::string& out, const unsigned char* text, int size)
{
    if (!text) {
        out += "\\N";
        return;
    }
    for (int i = 0; i < size; ++i) {
        switch (const char c = char(text[i])) {
        case '\\': out += "\\\\"; break;
        case '\t': out += "\\t"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\0': out += "\\0"; break;
        default: out += c;
        }
    }
}

// BENCH's rows as the job stores them in MySQL: DATE as DATETIME text,
// NUMBER(12,2) with two decimals, NULL as \N. Returns the rows written.
long long writeTsv(const std::string& schemaPath, const std::string& tsvPath)
{
    SqliteFile db(schemaPath, SQLITE_OPEN_READONLY);
    sqlite3_stmt* stmt = db.prepare("select ID, NAME, printf('%.2f', AMOUNT), BORN, NOTE from BENCH order by ID");
    FILE* file = std::fopen(tsvPath.c_str(), "wb");
    if (!file) {
        sqlite3_finalize(stmt);
        throw Failure("cannot write " + tsvPath + ": " + std::strerror(errno));
    }
    long long rows = 0;
    std::string line;
    int rc;
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
        line.clear();
        for (int i = 0; i < 5; ++i) {
            if (i)
                line += '\t';
            const bool isNull = sqlite3_column_type(stmt, i) == SQLITE_NULL;
            const unsigned char* text = isNull ? nullptr : sqlite3_column_text(stmt, i);
            writeField(line, text, isNull ? 0 : sqlite3_column_bytes(stmt, i));
        }
        line += '\n';
        std::fwrite(line.data(), 1, line.size(), file);
        ++rows;
    }
    sqlite3_finalize(stmt);
    const bool written = std::fclose(file) == 0;
    if (rc != SQLITE_DONE)
        throw Failure("schema file: " + std::string(db.error()));
    if (!written)
        throw Failure("cannot write " + tsvPath);
    return rows;
}

// ---------------------------------------------------------------------------
// The quorvane job, run headless as a child process

struct JobRun {
    double seconds = 0;
    long maxRssKb = 0;  // ru_maxrss of the child
    long long roundTrips = 0;  // to the Oracle client's server, through the stand-in
};

struct JobSetup {
    std::string program;
    std::string workDir;
    unsigned port = 0;
    std::string standin;  // the stand-in client library; empty when none is measured
};

constexpr long long roundTripMicroseconds = 1000;

// How a job reads its schema file: as a file, or through the Oracle client
// (the stand-in) over a network of 1 ms a round trip.
enum class Source { File, Client };

void writeJobFile(const std::string& path, const JobSetup& setup, const std::string& database,
                  const std::string& schemaPath, Source source)
{
    // Keys in the order the program's job writer has them.
    const std::vector<std::string> lines{
        "accessmode=1",   "mysqldatabase=" + database, "port=" + std::to_string(setup.port),
        "mysqlu=qvtest",  "mysqlp=qvtest",             "host=127.0.0.1",
        "oracleh=" + std::string(source == Source::File ? "sqlite:" : "") + schemaPath, "oracleu=bench",
        "oraclep=bench",  "processtable=0",            "character_set=utf8",
        "tabledefonly=0", "skipindex=0",               "nameuppercase=1",
        "alltables=1",
    };
    std::string text;
    for (const std::string& line : lines)
        text += line + "\r\n";
    std::remove(path.c_str());
    FILE* file = std::fopen(path.c_str(), "wb");  // the process umask keeps it owner-only
    if (!file || std::fwrite(text.data(), 1, text.size(), file) != text.size() || std::fclose(file) != 0)
        throw Failure("cannot write " + path);
}

// The environment minus display, home and the switches that we set.
// `writePath` is QUORVANE_BULK_APPLY's value; empty leaves the server to decide.
std::vector<std::string> childEnvironment(const JobSetup& setup, const std::string& writePath, Source source,
                                          const std::string& tripsFile)
{
    static const std::string_view replaced[] = {
        "DISPLAY",         "WAYLAND_DISPLAY", "QT_QPA_PLATFORM",     "HOME",
        "XDG_CONFIG_HOME", "XDG_DATA_HOME",   "XDG_RUNTIME_DIR",     "QUORVANE_BULK_APPLY",
        "QUORVANE_LANGUAGE", "QUORVANE_OCI_LIBRARY", "QV_OCI_STANDIN_ROUND_TRIP_US",
        "QV_OCI_STANDIN_ROUND_TRIPS_FILE",
    };
    std::vector<std::string> env;
    for (char** entry = environ; *entry; ++entry) {
        const std::string_view text(*entry);
        const std::string_view name = text.substr(0, text.find('='));
        bool keep = true;
        for (const std::string_view r : replaced)
            keep = keep && name != r;
        if (keep)
            env.emplace_back(text);
    }
    const std::string home = setup.workDir + "/home";
    env.push_back("HOME=" + home);
    env.push_back("XDG_CONFIG_HOME=" + home + "/config");
    env.push_back("XDG_DATA_HOME=" + home + "/data");
    env.push_back("XDG_RUNTIME_DIR=" + home + "/runtime");
    env.push_back("QUORVANE_LANGUAGE=en");
    if (!writePath.empty())
        env.push_back("QUORVANE_BULK_APPLY=" + writePath);
    if (source == Source::Client) {
        env.push_back("QUORVANE_OCI_LIBRARY=" + setup.standin);
        env.push_back("QV_OCI_STANDIN_ROUND_TRIP_US=" + std::to_string(roundTripMicroseconds));
        env.push_back("QV_OCI_STANDIN_ROUND_TRIPS_FILE=" + tripsFile);
    }
    return env;
}

// Runs the job NAME.qvjob in WORK_DIR; its output goes to NAME.out, its log
// to NAME.log. Fails, showing both, unless the exit status is 0.
JobRun runJob(const JobSetup& setup, const std::string& name, const std::string& database,
              const std::string& schemaPath, const std::string& writePath, Source source = Source::File)
{
    const std::string base = setup.workDir + "/" + name;
    const std::string job = base + ".qvjob";
    const std::string output = base + ".out";
    const std::string trips = base + ".trips";
    writeJobFile(job, setup, database, schemaPath, source);

    std::vector<std::string> env = childEnvironment(setup, writePath, source, trips);
    std::vector<char*> envp;
    for (std::string& entry : env)
        envp.push_back(entry.data());
    envp.push_back(nullptr);
    std::string program = setup.program;
    std::string jobArgument = job;
    char* argv[] = {program.data(), jobArgument.data(), nullptr};

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);

    const auto started = std::chrono::steady_clock::now();
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv, envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0)
        throw Failure("cannot start " + program + ": " + std::strerror(spawned));

    int status = 0;
    rusage usage{};
    while (wait4(pid, &status, 0, &usage) < 0) {
        if (errno != EINTR)
            throw Failure(std::string("wait4: ") + std::strerror(errno));
    }
    const auto ended = std::chrono::steady_clock::now();

    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        printFile(base + ".log");
        printFile(output);
        throw Failure(name + ": quorvane " +
                      (WIFEXITED(status) ? "exited with status " + std::to_string(WEXITSTATUS(status))
                                         : "ended by signal " + std::to_string(WTERMSIG(status))));
    }
    JobRun run{std::chrono::duration<double>(ended - started).count(), usage.ru_maxrss};
    if (source == Source::Client)
        run.roundTrips = std::stoll(readTrimmed(trips));
    return run;
}

long long parseCount(const char* text)
{
    char* end = nullptr;
    errno = 0;
    const long long n = std::strtoll(text, &end, 10);
    if (errno || end == text || *end || n < 1 || n > 9999999999LL)
        throw Failure(std::string("ROWS must be a whole number from 1 to 9999999999, not '") + text + "'");
    return n;
}

std::string megabytes(long kb)
{
    return std::to_string((kb + 512) / 1024) + " MB";
}

int run(int argc, char** argv)
{
    if (argc != 5 && argc != 6) {
        std::fprintf(stderr, "usage: %s SANDBOX_DIR QUORVANE WORK_DIR ROWS [STANDIN]\n", argv[0]);
        return 2;
    }
    const std::string sandbox = argv[1];
    JobSetup setup{argv[2], argv[3], 0, argc == 6 ? argv[5] : ""};
    const long long rows = parseCount(argv[4]);
    const std::string port = readTrimmed(sandbox + "/port");
    if (port.empty() || port.size() > 5 || port.find_first_not_of("0123456789") != std::string::npos)
        throw Failure("no port number in " + sandbox + "/port");
    setup.port = unsigned(std::stoul(port));

    umask(077);  // jobs hold the password
    for (const char* dir : {"/home", "/home/runtime"})
        if (mkdir((setup.workDir + dir).c_str(), 0700) != 0 && errno != EEXIST)
            throw Failure("cannot create " + setup.workDir + dir + ": " + std::strerror(errno));

    Server server(setup.port);
    std::string version = server.scalar("select version()");
    version = version.substr(0, version.find('-'));

    const std::string benchSchema = setup.workDir + "/bench.sqlite";
    const std::string memorySchema = setup.workDir + "/bench-" + std::to_string(memoryRows) + ".sqlite";
    const std::string clobSchema = setup.workDir + "/docs.sqlite";
    const std::string tsv = setup.workDir + "/bench.tsv";
    progress("building schema files and the TSV file");
    std::remove(benchSchema.c_str());
    buildBenchSchema(benchSchema, rows);
    if (rows != memoryRows) {
        std::remove(memorySchema.c_str());
        buildBenchSchema(memorySchema, memoryRows);
    }
    std::remove(clobSchema.c_str());
    const long long clobTotal = buildClobSchema(clobSchema, clobRows);
    if (writeTsv(benchSchema, tsv) != rows)
        throw Failure("the TSV file does not hold " + std::to_string(rows) + " rows");

    const std::string dbA = "qv_bench_a", dbB = "qv_bench_load", dbC = "qv_bench_per_row",
                      dbMemory = "qv_bench_a_100k", dbClob = "qv_bench_clob";
    for (const std::string& db : {dbA, dbB, dbC, dbMemory, dbClob})
        recreateDatabase(server, db);

    progress("(a) quorvane job, " + grouped(rows) + " rows");
    const JobRun a = runJob(setup, "a", dbA, benchSchema, "");
    expectRows(server, dbA, "BENCH", rows);

    progress("(b) LOAD DATA LOCAL INFILE, " + grouped(rows) + " rows");
    const std::vector<Row> created = server.query("show create table " + quoteName(dbA) + "." + quoteName("BENCH"));
    if (created.empty() || created[0].size() < 2 || !created[0][1])
        throw Failure("no SHOW CREATE TABLE for " + dbA + ".BENCH");
    server.selectDatabase(dbB);
    server.execute(*created[0][1]);
    const std::string load = "load data local infile " + server.literal(tsv) + " into table " + quoteName(dbB) + "." +
                             quoteName("BENCH") +
                             " character set utf8mb4 fields terminated by '\\t' escaped by '\\\\'"
                             " lines terminated by '\\n' (`ID`, `NAME`, `AMOUNT`, `BORN`, `NOTE`)";
    const auto loadStarted = std::chrono::steady_clock::now();
    server.execute(load);
    const double loadSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - loadStarted).count();
    const unsigned long long loaded = server.affectedRows();
    if (const unsigned warnings = server.warningCount()) {
        for (const Row& w : server.query("show warnings limit 10"))
            std::fprintf(stderr, "  %s\n", w.size() > 2 && w[2] ? w[2]->c_str() : "?");
        throw Failure("LOAD DATA gave " + std::to_string(warnings) + " warnings");
    }
    if (loaded != static_cast<unsigned long long>(rows))
        throw Failure("LOAD DATA loaded " + std::to_string(loaded) + " rows, expected " + std::to_string(rows));

    const std::string sumA = checksum(server, dbA, "BENCH");
    const std::string sumB = checksum(server, dbB, "BENCH");
    if (sumA != sumB)
        throw Failure("CHECKSUM TABLE differs: " + dbA + ".BENCH " + sumA + ", " + dbB + ".BENCH " + sumB +
                      ": the job's rows are not the rows of the TSV file");
    server.execute("drop database " + quoteName(dbB));

    JobRun d;
    if (!setup.standin.empty()) {
        progress("(d) quorvane job through the Oracle client, 1 ms a round trip, " + grouped(rows) + " rows");
        const std::string dbD = "qv_bench_client";
        recreateDatabase(server, dbD);
        d = runJob(setup, "d", dbD, benchSchema, "", Source::Client);
        expectRows(server, dbD, "BENCH", rows);
        if (checksum(server, dbD, "BENCH") != sumA)
            throw Failure("CHECKSUM TABLE differs: " + dbA + ".BENCH and " + dbD + ".BENCH");
        server.execute("drop database " + quoteName(dbD));
    }

    progress("(c) quorvane job with QUORVANE_BULK_APPLY=0, " + grouped(rows) + " rows");
    const JobRun c = runJob(setup, "c", dbC, benchSchema, "0");
    expectRows(server, dbC, "BENCH", rows);
    const std::string sumC = checksum(server, dbC, "BENCH");
    if (sumC != sumA)
        throw Failure("CHECKSUM TABLE differs: " + dbA + ".BENCH " + sumA + ", " + dbC + ".BENCH " + sumC);
    server.execute("drop database " + quoteName(dbC));

    // The write path of servers without parameter arrays (MySQL, TiDB, Vitess).
    progress("(e) quorvane job with QUORVANE_BULK_APPLY=rows, " + grouped(rows) + " rows");
    recreateDatabase(server, dbC);
    const JobRun e = runJob(setup, "e", dbC, benchSchema, "rows");
    expectRows(server, dbC, "BENCH", rows);
    if (checksum(server, dbC, "BENCH") != sumA)
        throw Failure("CHECKSUM TABLE differs: " + dbA + ".BENCH and the multi-row job's");
    server.execute("drop database " + quoteName(dbC));
    server.execute("drop database " + quoteName(dbA));
    std::remove(tsv.c_str());

    JobRun memory = a;
    if (rows != memoryRows) {
        progress("(a) quorvane job, " + grouped(memoryRows) + " rows, for its peak memory");
        memory = runJob(setup, "a-" + std::to_string(memoryRows), dbMemory, memorySchema, "");
        expectRows(server, dbMemory, "BENCH", memoryRows);
        std::remove(memorySchema.c_str());
    }
    server.execute("drop database " + quoteName(dbMemory));

    progress("CLOB: quorvane job, " + grouped(clobRows) + " rows of " + grouped(clobBytes) + " bytes");
    const JobRun clob = runJob(setup, "clob", dbClob, clobSchema, "");
    expectRows(server, dbClob, "DOCS", clobRows);
    const std::string sumClob = checksum(server, dbClob, "DOCS");
    server.execute("drop database " + quoteName(dbClob));
    JobRun clobClient;
    if (!setup.standin.empty()) {
        progress("CLOB: quorvane job through the Oracle client, 1 ms a round trip");
        recreateDatabase(server, dbClob);
        clobClient = runJob(setup, "clob-client", dbClob, clobSchema, "", Source::Client);
        expectRows(server, dbClob, "DOCS", clobRows);
        if (checksum(server, dbClob, "DOCS") != sumClob)
            throw Failure("CHECKSUM TABLE differs between the CLOB jobs");
        server.execute("drop database " + quoteName(dbClob));
    }
    std::remove(clobSchema.c_str());
    std::remove(benchSchema.c_str());

    const double rateA = rows / a.seconds, rateB = rows / loadSeconds, rateC = rows / c.seconds;
    std::printf("rows %lld, machine: %s, MariaDB %s\n", rows, machine().c_str(), version.c_str());
    std::printf("(a) quorvane job (bulk)     %11s rows/s %8.2f s   peak RSS %s\n", grouped(std::llround(rateA)).c_str(),
                a.seconds, megabytes(a.maxRssKb).c_str());
    std::printf("(b) LOAD DATA LOCAL INFILE  %11s rows/s %8.2f s\n", grouped(std::llround(rateB)).c_str(),
                loadSeconds);
    std::printf("(c) quorvane job (per row)  %11s rows/s %8.2f s\n", grouped(std::llround(rateC)).c_str(),
                c.seconds);
    const double rateE = rows / e.seconds;
    std::printf("(e) quorvane job (multi-row) %10s rows/s %8.2f s   peak RSS %s\n", grouped(std::llround(rateE)).c_str(),
                e.seconds, megabytes(e.maxRssKb).c_str());
    std::printf("a/b %.2f   e/b %.2f   c/b %.3f   a/c %.2f\n", rateA / rateB, rateE / rateB, rateC / rateB, rateA / rateC);
    const long long growth =
        memory.maxRssKb ? std::llround(100.0 * (a.maxRssKb - memory.maxRssKb) / memory.maxRssKb) : 0;
    std::printf("peak RSS of (a): %lld rows %s, %lld rows %s (%+lld%%)\n", memoryRows,
                megabytes(memory.maxRssKb).c_str(), rows, megabytes(a.maxRssKb).c_str(), growth);
    std::printf("CLOB %d KB x %lld: %.0f MB/s (%.0f MB in %.2f s)\n", clobBytes / 1000, clobRows,
                clobTotal / 1e6 / clob.seconds, clobTotal / 1e6, clob.seconds);
    if (!setup.standin.empty()) {
        const double rateD = rows / d.seconds;
        std::printf("(d) through the Oracle client, %lld us a round trip: %s rows/s %.2f s, %.2f round trips per "
                    "1,000 rows; d/a %.2f, d/b %.2f\n",
                    roundTripMicroseconds, grouped(std::llround(rateD)).c_str(), d.seconds,
                    1000.0 * d.roundTrips / rows, rateD / rateA, rateD / rateB);
        std::printf("CLOB through the Oracle client: %s rows/s, %.0f MB/s, %.2f round trips per 1,000 rows\n",
                    grouped(std::llround(clobRows / clobClient.seconds)).c_str(),
                    clobTotal / 1e6 / clobClient.seconds, 1000.0 * clobClient.roundTrips / clobRows);
    }
    std::printf("checksum: same rows in (a), (b), (c), (e)%s\n", setup.standin.empty() ? "" : " and (d)");
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    try {
        return run(argc, argv);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench: FAILED: %s\n", e.what());
        return 1;
    }
}
