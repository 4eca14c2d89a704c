#pragma once

#include <QString>
#include <QWidget>
#include <concepts>
#include <stdexcept>
#include <string>

namespace qv::test {

// The control of a window by its object name; a missing one fails the test
// (throws, which GoogleTest reports with the name). Only the window's own
// controls count: those of another window parented to it are never found,
// and two of one name are refused rather than one picked.
template <std::derived_from<QWidget> T>
T* control(const QWidget& window, const QString& name)
{
    T* found = nullptr;
    int count = 0;
    for (T* candidate : window.findChildren<T*>(name)) {
        if (candidate->window() != window.window())
            continue;
        found = candidate;
        ++count;
    }
    if (count != 1) {
        throw std::logic_error((count == 0 ? "no " : "more than one ") + std::string(T::staticMetaObject.className()) +
                               " named '" + name.toStdString() + "' in window '" +
                               window.objectName().toStdString() + "'");
    }
    return found;
}

}  // namespace qv::test
