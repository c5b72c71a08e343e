#pragma once

#include <QString>

#include <stdexcept>
#include <utility>

namespace quenda {

// A serial port operation that failed. Handlers do not catch it: the guard that runs every
// handler stops the handler at the failing call and shows the description.
class CommError : public std::runtime_error {
public:
    // `alreadyReported`: a consequence of a loss the user has already been told about.
    explicit CommError(const QString &description, bool alreadyReported = false)
        : std::runtime_error(description.toStdString()), m_description(description),
          m_alreadyReported(alreadyReported)
    {
    }
    QString description() const { return m_description; }
    bool alreadyReported() const { return m_alreadyReported; }

private:
    QString m_description;
    bool m_alreadyReported;
};

// Runs `work`. A serial port failure ends it at the failing call and its description goes to
// `report`, unless the user was told of that loss already. False when `work` was ended that way.
template <typename Work, typename Report>
bool catchCommError(Work &&work, Report &&report)
{
    try {
        std::forward<Work>(work)();
        return true;
    } catch (const CommError &error) {
        if (!error.alreadyReported())
            std::forward<Report>(report)(error.description());
        return false;
    }
}

} // namespace quenda
