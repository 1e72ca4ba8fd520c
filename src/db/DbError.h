#pragma once

#include <QString>
#include <stdexcept>

// Raised by the engine layer when the database refuses an operation; the message is the
// engine's own text, which the windows show after "运行中发生错误：".
class DbError : public std::runtime_error {
public:
    explicit DbError(const QString& message) : std::runtime_error(message.toStdString()), m_message(message) {}
    const QString& message() const { return m_message; }

private:
    QString m_message;
};
