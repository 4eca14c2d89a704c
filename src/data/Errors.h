#pragma once

#include <QString>
#include <exception>
#include <string>

namespace qv {

// The one failure type of the data access layer and the conversion engine:
// it carries the text that the caller shows or writes to the progress log.
class Error : public std::exception {
public:
    explicit Error(QString message) : message_(std::move(message)), utf8_(message_.toStdString()) {}
    const QString& message() const noexcept { return message_; }
    const char* what() const noexcept override { return utf8_.c_str(); }

private:
    QString message_;
    std::string utf8_;
};

// A value that cannot take the kind asked of it without loss or invention
// (the text "abc" as a number, 3.14 as an integer).
class ConversionError : public Error {
public:
    using Error::Error;
};

// The end of an action that the window's error display does not show (a
// confirmed Stop, a step that has already shown its own message). It is not
// an Error: a handler of failures lets it through unless it says otherwise.
class SilentAbort : public std::exception {
public:
    static QString text() { return QStringLiteral("Operation aborted"); }
    const char* what() const noexcept override { return "Operation aborted"; }
};

}  // namespace qv
