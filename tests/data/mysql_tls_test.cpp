// Which authentication methods a login may use, by TLS mode, the user's leave
// and what is known of the link.

#include "data/Errors.h"
#include "data/drivers/MySqlTls.h"

#include <gtest/gtest.h>

using namespace qv;

TEST(MySqlTlsChoice, AMethodThatSendsThePasswordRunsOnlyWhereTheLinkIsKnownToAllowIt)
{
    const struct {
        TlsMode mode;
        bool leave;
        Link link;
        bool cachingSha2;
        bool clearText;
    } cases[] = {
        {TlsMode::Preferred, true, Link::Unknown, false, false},
        {TlsMode::Preferred, true, Link::Clear, true, false},
        {TlsMode::Preferred, true, Link::Tls, true, false},
        {TlsMode::Required, true, Link::Tls, true, false},
        {TlsMode::VerifyCa, false, Link::Tls, true, false},
        {TlsMode::VerifyCa, true, Link::Unknown, false, false},
        {TlsMode::VerifyCa, true, Link::Tls, true, true},
        {TlsMode::VerifyIdentity, true, Link::Clear, true, false},
        {TlsMode::VerifyIdentity, true, Link::Tls, true, true},
    };
    for (const auto& c : cases) {
        const QByteArray methods = allowedAuthentication({c.mode, QStringLiteral("ca.pem"), c.leave}, c.link);
        const QList<QByteArray> names = methods.split(',');
        SCOPED_TRACE(methods.toStdString());
        EXPECT_EQ(names.contains("caching_sha2_password"), c.cachingSha2);
        EXPECT_EQ(names.contains("mysql_clear_password"), c.clearText);
        EXPECT_TRUE(names.contains("mysql_native_password"));
        EXPECT_FALSE(names.contains("dialog"));
    }
    // Connector/C refuses VERIFY_IDENTITY without TLS before the login begins.
    EXPECT_EQ(linkBeforeLogin({TlsMode::VerifyIdentity, {}, false}), Link::Tls);
    EXPECT_EQ(linkBeforeLogin({TlsMode::VerifyCa, {}, false}), Link::Unknown);
}

TEST(MySqlTlsChoice, ModeNamesAreTheMysqlClientsIgnoringCase)
{
    for (const TlsMode mode : {TlsMode::Preferred, TlsMode::Required, TlsMode::VerifyCa, TlsMode::VerifyIdentity}) {
        EXPECT_EQ(tlsModeOf(tlsModeName(mode)), mode);
        EXPECT_EQ(tlsModeOf(tlsModeName(mode).toLower()), mode);
    }
    EXPECT_EQ(tlsModeOf(QString()), TlsMode::Preferred);
    EXPECT_THROW(tlsModeOf(QStringLiteral("VERIFY")), Error);
}
