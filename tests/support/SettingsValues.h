#pragma once

#include "engine/ConversionSettings.h"

#include <ostream>

namespace qv {

// Lets GoogleTest show settings input by input in failures.
inline void PrintTo(const TableSelection& tables, std::ostream* out)
{
    *out << (tables.all ? "all" : "listed") << " [" << tables.names.join(QStringLiteral(", ")).toStdString() << "]";
}

inline void PrintTo(const ConversionSettings& s, std::ostream* out)
{
    const auto text = [](const QString& t) { return '"' + t.toStdString() + '"'; };
    *out << "{accessMode " << s.accessMode << ", host " << text(s.host) << ", port " << text(s.port) << ", database "
         << text(s.database) << ", user " << text(s.user) << ", password " << text(s.password) << ", characterSetEntry "
         << s.characterSetEntry << ", typed " << (s.characterSetTyped ? text(*s.characterSetTyped) : "none")
         << ", oracleService " << text(s.oracleService) << ", oracleUser "
         << text(s.oracleUser) << ", oraclePassword " << text(s.oraclePassword) << ", existingTablePolicy "
         << s.existingTablePolicy << ", tableDefinitionsOnly " << s.tableDefinitionsOnly << ", skipIndexes "
         << s.skipIndexes << ", namesUppercase " << s.namesUppercase << ", roundValues " << s.roundValues
         << ", keysAndConstraints " << s.keysAndConstraints << ", sslMode " << text(s.sslMode) << ", sslCa " << text(s.sslCa) << ", clearTextLogin " << s.clearTextLogin
         << ", tables ";
    PrintTo(s.tables, out);
    *out << '}';
}

}  // namespace qv

namespace qv::test {

// A value unlike s in every input and in its tables, so that an input a load
// or an apply leaves alone shows.
inline ConversionSettings unlike(const ConversionSettings& s)
{
    const auto other = [](const QString& text) { return text + QStringLiteral("~"); };
    return {s.accessMode + 1,      other(s.host),           other(s.port),           other(s.database),
            other(s.user),         other(s.password),       s.characterSetEntry + 1, other(s.characterSetText()),
            other(s.oracleService),
            other(s.oracleUser),   other(s.oraclePassword), s.existingTablePolicy + 1, !s.tableDefinitionsOnly,
            !s.skipIndexes,        !s.namesUppercase,       !s.roundValues,
            !s.keysAndConstraints,
            other(s.sslMode),      other(s.sslCa),          !s.clearTextLogin,
            {!s.tables.all, {QStringLiteral("KEPT")}}};
}

}  // namespace qv::test
