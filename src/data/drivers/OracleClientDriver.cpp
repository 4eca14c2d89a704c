#include "OracleClientDriver.h"

#include "data/Errors.h"
#include "oci/OciColumn.h"
#include "oci/OciLibrary.h"

#include <QtGlobal>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace qv {

namespace {

using namespace qv::oci;

constexpr ub4 defaultRowsetSize = 20;
constexpr ub4 largestRowsetSize = 100000;
// The rows of one fetch may take about this much memory; each fetch is one
// round trip, so the more rows, the fewer trips.
constexpr qsizetype fetchBytes = 16 * 1024 * 1024;
constexpr ub4 mostRowsPerFetch = 10000;
// Rows read ahead by another thread hold at most about this much.
constexpr qsizetype readAheadBytes = 32 * 1024 * 1024;
constexpr unsigned defaultCallSeconds = 3600;

// About the memory a converted row takes.
qsizetype heldBytes(const Row& row)
{
    qsizetype bytes = 0;
    for (const DbValue& value : row) {
        switch (value.kind()) {
        case ValueKind::Text: bytes += 2 * (value.textIf() ? value.textIf()->size() : 0) + 16; break;
        case ValueKind::Bytes: bytes += value.toBytes().size() + 16; break;
        default: bytes += 16; break;
        }
    }
    return bytes;
}

class OciCursor final : public DriverCursor {
public:
    // Prepares and executes the query, describes its columns and defines
    // their buffers for as many rows a fetch as memory allows. Anything but
    // a query is refused before it is executed.
    OciCursor(std::shared_ptr<OciContext> context, const QString& sql, ub4 leastRowsPerFetch)
        : context_(std::move(context))
    {
        const OciFunctions& f = context_->f;
        const QByteArray text = sql.toUtf8();
        const sword prepared = f.OCIStmtPrepare2(context_->svc, &statement_.handle, context_->err,
                                                 reinterpret_cast<const OraText*>(text.constData()),
                                                 ub4(text.size()), nullptr, 0, OCI_NTV_SYNTAX, OCI_DEFAULT);
        // A failed prepare leaves no statement to release (ODPI-C,
        // dpiOci__stmtPrepare2, forgets the handle then).
        if (prepared != OCI_SUCCESS && prepared != OCI_SUCCESS_WITH_INFO)
            statement_.handle = nullptr;
        context_->check(prepared);
        ub2 type = 0;
        context_->check(f.OCIAttrGet(statement_, OCI_HTYPE_STMT, &type, nullptr, OCI_ATTR_STMT_TYPE, context_->err));
        if (type != OCI_STMT_SELECT)
            throw Error(QStringLiteral("The Oracle connection only reads: it runs queries, not other statements"));
        // No iterations: a query is executed and described, its rows are fetched later.
        context_->check(f.OCIStmtExecute(context_->svc, statement_, context_->err, 0, 0, nullptr, nullptr,
                                         OCI_DEFAULT));
        ub4 count = 0;
        context_->check(f.OCIAttrGet(statement_, OCI_HTYPE_STMT, &count, nullptr, OCI_ATTR_PARAM_COUNT,
                                     context_->err));
        qsizetype rowBytes = 0;
        bool longs = false;
        for (ub4 position = 1; position <= count; ++position) {
            columns_.push_back(std::make_unique<OciColumn>(*context_, statement_, position));
            infos_.append(columns_.back()->info());
            rowBytes += columns_.back()->rowBytes();
            longs = longs || columns_.back()->isLong();
        }
        // A LONG can hold 2 GB: its rows come a few at a time.
        rowsetSize_ = leastRowsPerFetch;
        if (!longs)
            rowsetSize_ = std::max<ub4>(rowsetSize_, ub4(std::clamp<qsizetype>(fetchBytes / std::max<qsizetype>(rowBytes, 1),
                                                                               1, mostRowsPerFetch)));
        for (auto& column : columns_)
            column->define(statement_, rowsetSize_);
    }

    ~OciCursor() override { stopReading(); }

    const QVector<ColumnInfo>& columns() const override { return infos_; }

    bool fetch(Row& row) override
    {
        // Where someone waits for the rows, another thread reads them, so
        // that the waiting one can give up (a Stop, a signal): the call
        // under way is broken then.
        if (!reader_.joinable() && !readerDone_ && !context_->waitHandler)
            return fetchHere(row);
        return fetchRead(row);
    }

private:
    bool fetchHere(Row& row)
    {
        if (next_ == fetched_) {
            if (exhausted_)
                return false;
            fetchRowset();
            if (fetched_ == 0)
                return false;
        }
        ++rowNumber_;
        row.resize(qsizetype(columns_.size()));
        for (std::size_t i = 0; i < columns_.size(); ++i)
            row[qsizetype(i)] = columns_[i]->value(next_, rowNumber_);
        ++next_;
        return true;
    }

    // One round trip: up to rowsetSize_ rows into the columns' buffers.
    // OCI_NO_DATA comes with the last rows, when fewer remain than asked for.
    void fetchRowset()
    {
        const OciFunctions& f = context_->f;
        next_ = fetched_ = 0;
        for (auto& column : columns_)
            column->beforeFetch();
        const sword status = f.OCIStmtFetch2(statement_, context_->err, rowsetSize_, OCI_FETCH_NEXT, 0, OCI_DEFAULT);
        if (status == OCI_NO_DATA)
            exhausted_ = true;
        else
            context_->check(status);
        ub4 rows = 0;
        context_->check(f.OCIAttrGet(statement_, OCI_HTYPE_STMT, &rows, nullptr, OCI_ATTR_ROWS_FETCHED,
                                     context_->err));
        if (rows > rowsetSize_)
            throw Error(QStringLiteral("The Oracle client reports %1 rows fetched where %2 were asked for")
                            .arg(rows)
                            .arg(rowsetSize_));
        fetched_ = rows;
    }

    // The reading thread: rows ahead of the one that takes them, as many as
    // readAheadBytes allows.
    void readAhead()
    {
        try {
            for (;;) {
                {
                    std::unique_lock lock(mutex_);
                    changed_.wait(lock, [this] { return stopping_ || aheadBytes_ < readAheadBytes; });
                    if (stopping_)
                        break;
                }
                Row row;
                const bool more = fetchHere(row);
                std::lock_guard lock(mutex_);
                if (!more)
                    break;
                aheadBytes_ += heldBytes(row);
                ahead_.push_back(std::move(row));
                changed_.notify_all();
            }
        } catch (...) {
            std::lock_guard lock(mutex_);
            failure_ = std::current_exception();
        }
        std::lock_guard lock(mutex_);
        readerDone_ = true;
        changed_.notify_all();
    }

    bool fetchRead(Row& row)
    {
        if (!reader_.joinable() && !readerDone_)
            reader_ = std::thread([this] { readAhead(); });
        std::unique_lock lock(mutex_);
        while (ahead_.empty() && !readerDone_) {
            changed_.wait_for(lock, std::chrono::milliseconds(50));
            if (!ahead_.empty() || readerDone_ || !context_->waitHandler)
                continue;
            lock.unlock();
            try {
                context_->waitHandler();
            } catch (...) {
                stopReading();
                throw;
            }
            lock.lock();
        }
        if (!ahead_.empty()) {
            row = std::move(ahead_.front());
            ahead_.pop_front();
            aheadBytes_ -= heldBytes(row);
            changed_.notify_all();
            return true;
        }
        if (failure_)
            std::rethrow_exception(std::exchange(failure_, nullptr));
        return false;
    }

    // Ends the reading thread; a call it waits in is broken.
    void stopReading() noexcept
    {
        if (!reader_.joinable())
            return;
        {
            std::lock_guard lock(mutex_);
            stopping_ = true;
            changed_.notify_all();
        }
        // A break reaches only a call under way: it is sent again until the
        // thread, perhaps just entering one, has ended.
        bool broke = false;
        {
            std::unique_lock lock(mutex_);
            while (!readerDone_) {
                lock.unlock();
                context_->breakCall();
                broke = true;
                lock.lock();
                changed_.wait_for(lock, std::chrono::milliseconds(10));
            }
        }
        reader_.join();
        if (broke)
            context_->resetAfterBreak();
        readerDone_ = true;
        exhausted_ = true;
        next_ = fetched_;
    }

    // Released after the columns have freed their descriptors, also when
    // the constructor fails.
    struct Statement {
        OciContext& context;
        OCIStmt* handle = nullptr;
        ~Statement()
        {
            if (handle)
                context.f.OCIStmtRelease(handle, context.err, nullptr, 0, OCI_DEFAULT);
        }
        operator OCIStmt*() const { return handle; }
    };

    std::shared_ptr<OciContext> context_;
    ub4 rowsetSize_ = defaultRowsetSize;
    Statement statement_{*context_};
    std::vector<std::unique_ptr<OciColumn>> columns_;
    QVector<ColumnInfo> infos_;
    ub4 fetched_ = 0;  // rows of the last fetch
    ub4 next_ = 0;     // the next of them to hand out
    bool exhausted_ = false;
    qint64 rowNumber_ = 0;

    // Reading ahead on another thread (fetchRead).
    std::thread reader_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<Row> ahead_;
    qsizetype aheadBytes_ = 0;
    std::exception_ptr failure_;
    bool stopping_ = false;
    bool readerDone_ = false;
};

class OciSession final : public DriverSession {
public:
    OciSession(std::shared_ptr<OciContext> context, ub4 rowsetSize)
        : context_(std::move(context)), rowsetSize_(rowsetSize)
    {
    }

    std::unique_ptr<DriverCursor> query(const QString& sql) override
    {
        return std::make_unique<OciCursor>(context_, sql, rowsetSize_);
    }

    void execute(const QString&) override
    {
        throw Error(QStringLiteral("The Oracle connection only reads: it runs queries, not other statements"));
    }

    QString quoteChar() const override { return QStringLiteral("\""); }
    bool supportsTransactions() const override { return true; }
    void setWaitHandler(std::function<void()> handler) override { context_->waitHandler = std::move(handler); }
    bool waitsWithoutTimeLimit() const override { return !context_->callsHaveTimeLimit(); }

private:
    std::shared_ptr<OciContext> context_;
    ub4 rowsetSize_;
};

ub4 rowsetSize(const ConnectionDescription& description)
{
    bool ok = false;
    const qint64 rows = description.value(QStringLiteral("RowsetSize")).trimmed().toLongLong(&ok);
    return ok && rows >= 1 ? ub4(qMin<qint64>(rows, largestRowsetSize)) : defaultRowsetSize;
}

// QUORVANE_ORACLE_TIMEOUT in seconds, one hour when unset.
unsigned callSeconds()
{
    bool ok = false;
    const uint seconds = qEnvironmentVariable("QUORVANE_ORACLE_TIMEOUT").trimmed().toUInt(&ok);
    return ok && seconds > 0 ? seconds : defaultCallSeconds;
}

}  // namespace

std::unique_ptr<DriverSession> openOracleClientSession(const ConnectionDescription& description)
{
    const OciFunctions& functions = loadOciLibrary();
    // TIMESTAMP WITH LOCAL TIME ZONE arrives in the session's time zone,
    // which the client takes from ORA_SDTZ or else from the machine; the
    // database's zone gives each value as stored, from any machine. The
    // client reads it when the environment is created.
    if (qEnvironmentVariableIsEmpty("ORA_SDTZ"))
        qputenv("ORA_SDTZ", "DB_TZ");
    auto context = std::make_shared<OciContext>(functions);
    const bool osAuthentication =
        description.value(QStringLiteral("OS Authentication")).trimmed().compare(QLatin1String("True"),
                                                                                 Qt::CaseInsensitive) == 0;
    context->logOn(description.value(QStringLiteral("Database")), description.value(QStringLiteral("User_Name")),
                   description.value(QStringLiteral("Password")), osAuthentication, callSeconds());
    return std::make_unique<OciSession>(std::move(context), rowsetSize(description));
}

}  // namespace qv
