#pragma once

#include "link/pause.h"

#include <QList>

#include <functional>

namespace quenda::test {

// Pauses in virtual time: returns at once, remembers what was asked, lets a test act "during" it.
class VirtualPause : public Pause {
    Q_OBJECT
public:
    using Pause::Pause;

    QList<int> pauses() const { return m_pauses; }
    qint64 elapsed() const { return m_elapsed; }
    void clear() { m_pauses.clear(); }
    // Called inside each pause, e.g. to let the simulated radio answer meanwhile.
    std::function<void(int ms)> onPause;

protected:
    void wait(int ms) override
    {
        m_pauses << ms;
        m_elapsed += ms;
        if (onPause)
            onPause(ms);
    }

private:
    QList<int> m_pauses;
    qint64 m_elapsed = 0;
};

} // namespace quenda::test
