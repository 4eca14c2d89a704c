#include "ServerTraits.h"

namespace qv {

QString flavorName(ServerFlavor flavor)
{
    switch (flavor) {
    case ServerFlavor::MariaDB: return QStringLiteral("MariaDB");
    case ServerFlavor::MySQL: return QStringLiteral("MySQL");
    case ServerFlavor::TiDB: return QStringLiteral("TiDB");
    case ServerFlavor::Vitess: return QStringLiteral("Vitess");
    }
    return {};
}

}  // namespace qv
