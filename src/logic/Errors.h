#pragma once

#include <QString>

#include <stdexcept>

// Base of every error the program raises on purpose. It carries the text that the
// application's error report shows to the player.
class ETiloraError : public std::runtime_error
{
public:
    explicit ETiloraError(const QString &message)
        : std::runtime_error(message.toStdString()), m_message(message)
    {
    }

    QString message() const { return m_message; }

private:
    QString m_message;
};
