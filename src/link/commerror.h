#pragma once

#include <QString>

#include <stdexcept>

namespace quenda {

// A serial port operation that failed. Handlers do not catch it: the guard that runs every
// handler stops the handler at the failing call and shows the description.
class CommError : public std::runtime_error {
public:
    explicit CommError(const QString &description)
        : std::runtime_error(description.toStdString()), m_description(description)
    {
    }
    QString description() const { return m_description; }

private:
    QString m_description;
};

} // namespace quenda
