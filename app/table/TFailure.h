#pragma once

// The one error type of the program's core. It carries the message the user sees; the windowed layer shows
// it (ShowError), the core never does.

#include <QString>

#include <exception>
#include <string>

class TFailure : public std::exception {
public:
    explicit TFailure(QString message) : FMessage(std::move(message)), FUtf8(FMessage.toStdString()) {}

    const QString& Message() const noexcept { return FMessage; }
    const char* what() const noexcept override { return FUtf8.c_str(); }

private:
    QString FMessage;
    std::string FUtf8;
};
