#pragma once

#include <QString>
#include <exception>
#include <string>

// The one base error type of the program: every failure a command can meet carries a message text
// that ends up, unchanged, in the error log.
class QuillError : public std::exception {
public:
    explicit QuillError(QString message) : m_message(std::move(message)), m_utf8(m_message.toStdString()) {}
    const QString& message() const noexcept { return m_message; }
    const char* what() const noexcept override { return m_utf8.c_str(); }

private:
    QString m_message;
    std::string m_utf8;
};

// Message text of whatever was caught, for the error log.
inline QString messageOf(const std::exception& e) {
    if (auto* q = dynamic_cast<const QuillError*>(&e))
        return q->message();
    return QString::fromLocal8Bit(e.what());
}
