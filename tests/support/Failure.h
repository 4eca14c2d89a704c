#pragma once

#include "data/Errors.h"

#include <QString>
#include <functional>

namespace qv::test {

// The message of the qv::Error that `action` raises, or "(no failure)".
inline QString failureOf(const std::function<void()>& action)
{
    try {
        action();
    } catch (const Error& e) {
        return e.message();
    }
    return QStringLiteral("(no failure)");
}

}  // namespace qv::test
