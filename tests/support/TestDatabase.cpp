#include "TestDatabase.h"

#include "data/Errors.h"
#include "data/SqlQuery.h"

#include <QCoreApplication>
#include <QFile>
#include <QRegularExpression>
#include <gtest/gtest.h>
#include <unistd.h>

namespace qv::test {

namespace {

QString readSandboxFile(const QString& folder, const QString& name)
{
    QFile file(folder + QLatin1Char('/') + name);
    if (!file.open(QIODevice::ReadOnly))
        throw Error(QStringLiteral("The test MariaDB is not running: %1 is missing "
                                   "(the CTest fixture mysql_sandbox_start starts it)")
                        .arg(file.fileName()));
    return QString::fromUtf8(file.readAll()).trimmed();
}

QString databaseNameForCurrentTest()
{
    QString base = QStringLiteral("qv");
    if (const auto* info = ::testing::UnitTest::GetInstance()->current_test_info())
        base += QLatin1Char('_') + QString::fromUtf8(info->test_suite_name()) + QLatin1Char('_')
                + QString::fromUtf8(info->name());
    base.replace(QRegularExpression(QStringLiteral("[^A-Za-z0-9_]")), QStringLiteral("_"));
    const QString suffix = QStringLiteral("_%1").arg(::getpid());
    return base.left(64 - suffix.size()) + suffix;
}

}  // namespace

Sandbox Sandbox::fromEnvironment(const char* variable)
{
    Sandbox sandbox;
    sandbox.folder = qEnvironmentVariable(variable);
    if (sandbox.folder.isEmpty())
        throw Error(QStringLiteral("%1 is not set: run the database tests through ctest").arg(QLatin1String(variable)));
    bool ok = false;
    sandbox.port = readSandboxFile(sandbox.folder, QStringLiteral("port")).toInt(&ok);
    if (!ok)
        throw Error(QStringLiteral("The test MariaDB left no valid port in %1").arg(sandbox.folder));
    sandbox.socket = readSandboxFile(sandbox.folder, QStringLiteral("socket"));
    return sandbox;
}

TestDatabase::TestDatabase() : sandbox_(Sandbox::fromEnvironment()), name_(databaseNameForCurrentTest())
{
    admin_.describeAsMySql();
    admin_.Params = {QStringLiteral("ServerCharSet=utf8mb4"), QStringLiteral("Database="),
                     QStringLiteral("User_Name=") + QLatin1String(Sandbox::user),
                     QStringLiteral("Password=") + QLatin1String(Sandbox::password),
                     QStringLiteral("Port=%1").arg(sandbox_.port), QStringLiteral("HostName=127.0.0.1")};
    admin_.open();
    exec(QStringLiteral("drop database if exists `%1`").arg(name_));
    exec(QStringLiteral("create database `%1` character set utf8mb4").arg(name_));
    exec(QStringLiteral("use `%1`").arg(name_));
}

TestDatabase::~TestDatabase()
{
    try {
        exec(QStringLiteral("drop database if exists `%1`").arg(name_));
    } catch (const Error& e) {
        ADD_FAILURE() << "cannot drop test database: " << e.what();
    }
}

QStringList TestDatabase::params(const QString& charset) const
{
    QStringList lines;
    if (!charset.isEmpty())
        lines << QStringLiteral("ServerCharSet=") + charset;
    lines << QStringLiteral("Database=") + name_ << QStringLiteral("User_Name=") + QLatin1String(Sandbox::user)
          << QStringLiteral("Password=") + QLatin1String(Sandbox::password)
          << QStringLiteral("Port=%1").arg(sandbox_.port) << QStringLiteral("HostName=127.0.0.1");
    return lines;
}

ConversionSettings TestDatabase::settings() const
{
    ConversionSettings settings;
    settings.accessMode = 1;
    settings.host = QStringLiteral("127.0.0.1");
    settings.port = QString::number(sandbox_.port);
    settings.database = name_;
    settings.user = QLatin1String(Sandbox::user);
    settings.password = QLatin1String(Sandbox::password);
    return settings;
}

void TestDatabase::connect(DbConnection& connection, const QString& charset) const
{
    connection.close();
    connection.describeAsMySql();
    connection.Params = params(charset);
    connection.open();
}

void TestDatabase::exec(const QString& sql)
{
    SqlQuery query(&admin_);
    query.executeDirect(sql);
}

QString TestDatabase::scalar(const QString& sql)
{
    SqlQuery query(&admin_);
    query.openQuery(sql);
    if (query.eof())
        throw Error(QStringLiteral("no row: ") + sql);
    const DbValue value = query.fieldValue(0);
    return value.isNull() ? QStringLiteral("NULL") : value.toText();
}

QStringList TestDatabase::column(const QString& sql)
{
    SqlQuery query(&admin_);
    query.openQuery(sql);
    QStringList values;
    for (; !query.eof(); query.next())
        values << (query.fieldValue(0).isNull() ? QStringLiteral("NULL") : query.fieldValue(0).toText());
    return values;
}

QString TestDatabase::showCreateTable(const QString& table)
{
    SqlQuery query(&admin_);
    query.openQuery(QStringLiteral("show create table `%1`").arg(table));
    return query.fieldValue(1).toText();
}

QString TestDatabase::checksumTable(const QString& table)
{
    SqlQuery query(&admin_);
    query.openQuery(QStringLiteral("checksum table `%1`").arg(table));
    return query.fieldText(1);
}

}  // namespace qv::test
