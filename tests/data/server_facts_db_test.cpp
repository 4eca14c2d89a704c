// What a MySQL-protocol server is taken for, and the character sets it has.

#include "data/DbConnection.h"
#include "data/Errors.h"
#include "data/drivers/MySqlCharset.h"
#include "data/drivers/MySqlServer.h"
#include "support/TestDatabase.h"

#include <gtest/gtest.h>

using namespace qv;
using qv::test::TestDatabase;

TEST(ServerFacts, TheVersionTextsNameTheFlavorAndItsLimits)
{
    struct Case {
        const char* version;
        const char* comment;
        const char* forced;
        ServerFlavor flavor;
        bool enforcesChecks = true;
    };
    const Case cases[] = {
        {"10.11.19-MariaDB-0+deb12u1", "Debian 12", "", ServerFlavor::MariaDB},
        {"5.5.5-10.6.14-MariaDB-log", "Source distribution", "", ServerFlavor::MariaDB},
        {"8.0.36", "MySQL Community Server - GPL", "", ServerFlavor::MySQL},
        {"8.4.3", "Source distribution", "", ServerFlavor::MySQL},
        {"8.0.mysql_aurora.3.05.2", "Source distribution", "", ServerFlavor::MySQL},
        {"8.0.35-27", "Percona Server (GPL), Release 27", "", ServerFlavor::MySQL},
        {"8.0.11-TiDB-v7.5.0", "TiDB Server (Apache License 2.0) Community Edition", "", ServerFlavor::TiDB, false},
        {"8.0.30-Vitess", "Vitess", "", ServerFlavor::Vitess},
        {"8.0.34-PlanetScale", "PlanetScale", "", ServerFlavor::Vitess},
        {"10.11.19-MariaDB", "", "mysql", ServerFlavor::MySQL},
        {"8.0.36", "", "MariaDB", ServerFlavor::MariaDB},
        {"8.0.36", "", "nonsense", ServerFlavor::MySQL},
        // CHECK is parsed and dropped before MariaDB 10.2.1 and MySQL 8.0.16, and on TiDB.
        {"10.1.48-MariaDB", "", "", ServerFlavor::MariaDB, false},
        {"5.5.5-10.1.48-MariaDB-log", "", "", ServerFlavor::MariaDB, false},
        {"8.0.15", "", "", ServerFlavor::MySQL, false},
        {"5.7.44-log", "", "", ServerFlavor::MySQL, false},
        {"8.0.16", "", "", ServerFlavor::MySQL, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.version);
        if (*c.forced)
            qputenv("QUORVANE_TARGET_FLAVOR", c.forced);
        else
            qunsetenv("QUORVANE_TARGET_FLAVOR");
        const ServerTraits traits = traitsFor(QString::fromLatin1(c.version), QString::fromLatin1(c.comment));
        EXPECT_EQ(flavorName(traits.flavor), flavorName(c.flavor));
        const bool mariadb = c.flavor == ServerFlavor::MariaDB;
        EXPECT_EQ(traits.indexesWholeTextColumns, mariadb);
        EXPECT_EQ(traits.mostDecimalScale, mariadb ? 38 : 30);
        EXPECT_EQ(traits.enforcesChecks, c.enforcesChecks);
    }
    qunsetenv("QUORVANE_TARGET_FLAVOR");
}

TEST(ServerFacts, Gb18030CarriesEveryCharacter)
{
    const MySqlTextCodec codec = MySqlTextCodec::forCharset(QStringLiteral("gb18030"));
    EXPECT_TRUE(codec.isComplete());
    const QString text = QString::fromUtf8("中文€😀 ÆØÅ");
    const QByteArray bytes = codec.encode(text);  // as Python's gb18030 codec gives them
    EXPECT_EQ(bytes.toHex().toStdString(), std::string("d6d0cec4a2e39439fc3620813087348130893181308733"));
    EXPECT_EQ(codec.decode(bytes), text);
    QString decoded;
    EXPECT_FALSE(codec.tryDecode(QByteArray::fromHex("d6d0ff"), &decoded));
}

// MariaDB has no gb18030: the server would read the connection as utf8mb4.
TEST(ServerFacts, ACharacterSetTheServerLacksFailsTheConnection)
{
    TestDatabase db;
    DbConnection connection;
    connection.describeAsMySql();
    connection.Params = db.params(QStringLiteral("gb18030"));
    try {
        connection.open();
        ADD_FAILURE() << "connected";
    } catch (const Error& e) {
        EXPECT_EQ(e.message(), QStringLiteral("The MySQL server has no character set gb18030 (it reads this "
                                              "connection as utf8mb4); choose one of the character sets it has"));
    }
    EXPECT_FALSE(connection.connected());
}
