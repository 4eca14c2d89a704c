#include "OracleClientDriver.h"

#include "data/Errors.h"
#include "oci/OciColumn.h"
#include "oci/OciLibrary.h"

#include <memory>
#include <vector>

namespace qv {

namespace {

using namespace qv::oci;

constexpr ub4 defaultRowsetSize = 20;
constexpr ub4 largestRowsetSize = 100000;

class OciCursor final : public DriverCursor {
public:
    // Prepares and executes the query, describes its columns and defines
    // their buffers. Anything but a query is refused before it is executed.
    OciCursor(std::shared_ptr<OciContext> context, const QString& sql, ub4 rowsetSize)
        : context_(std::move(context)), rowsetSize_(rowsetSize)
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
        for (ub4 position = 1; position <= count; ++position) {
            columns_.push_back(std::make_unique<OciColumn>(*context_, statement_, position, rowsetSize_));
            infos_.append(columns_.back()->info());
        }
    }

    const QVector<ColumnInfo>& columns() const override { return infos_; }

    bool fetch(Row& row) override
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

private:
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
    ub4 rowsetSize_;
    Statement statement_{*context_};
    std::vector<std::unique_ptr<OciColumn>> columns_;
    QVector<ColumnInfo> infos_;
    ub4 fetched_ = 0;  // rows of the last fetch
    ub4 next_ = 0;     // the next of them to hand out
    bool exhausted_ = false;
    qint64 rowNumber_ = 0;
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
                   description.value(QStringLiteral("Password")), osAuthentication);
    return std::make_unique<OciSession>(std::move(context), rowsetSize(description));
}

}  // namespace qv
