#pragma once

#include "ConversionSettings.h"
#include "RunHost.h"
#include "data/BufferedDataSet.h"
#include "data/DbConnection.h"
#include "data/SqlQuery.h"

#include <QStringList>

namespace qv {

// The six data access instances of a conversion, owned for the life of the
// session, and what is done with them: open the Oracle source and the MySQL
// target from the settings, list the source's tables, convert tables. A
// connection stays open until it is opened again or the session ends.
class ConversionSession {
public:
    ConversionSession();
    ConversionSession(const ConversionSession&) = delete;
    ConversionSession& operator=(const ConversionSession&) = delete;

    // Opens oracleconn (closed first) on the settings' service, user name
    // and password; raises qv::Error when the source refuses it.
    void connectSource(const ConversionSettings& settings);
    // Opens mysqlconnect (closed first) on the settings' character set,
    // database, user, password, port and host ("localhost" in Local mode);
    // raises qv::Error when the server refuses it.
    void connectTarget(const ConversionSettings& settings);
    // The names of the source user's tables, in the order Oracle lists them.
    // Raises qv::Error when the listing query fails.
    QStringList listSourceTables();
    // Converts the tables, in their order, with the settings' policy,
    // options and character set, writing the progress log through host.
    // Raises as ConversionRun::run does (qv::SilentAbort for a Stop at a
    // table head, qv::Error for a failed existence probe or index catalog).
    RunOutcome run(const QStringList& tables, const ConversionSettings& settings, RunHost& host);

    DbConnection oracleconn;
    SqlQuery oraclesql{&oracleconn};
    SqlQuery oracledata{&oracleconn};
    DbConnection mysqlconnect;
    SqlQuery mysqlexec{&mysqlconnect};
    BufferedDataSet mysqldata{&mysqlconnect};
};

// The twelve parameter lines of the Oracle source connection, in their fixed
// order: the service, user name and password exactly as typed, then the
// driver's settings (20 rows per fetch, LOBs whole, blanks of CHAR kept).
QStringList oracleConnectionParams(const ConversionSettings& settings);
// The MySQL target's lines: ServerCharSet (only for a character set other
// than Default), Database, User_Name, Password, Port, HostName.
QStringList mysqlConnectionParams(const ConversionSettings& settings);

}  // namespace qv
