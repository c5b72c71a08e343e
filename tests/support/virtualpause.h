#pragma once

#include "link/pause.h"

#include <QList>

#include <functional>

namespace quenda::test {

// Pauses in virtual time: returns at once, remembers what was asked, lets a test act "during" it.
// It is also the clock of a paced FakeSerialBackend: every pause moves the virtual time on by its
// length, and advance() moves it on outside pauses.
class VirtualPause : public Pause {
    Q_OBJECT
public:
    using Pause::Pause;

    QList<int> pauses() const { return m_pauses; }
    // The sum of the pauses so far.
    qint64 elapsed() const { return m_elapsed; }
    void clear() { m_pauses.clear(); }
    // Called inside each pause, after the time has moved on, e.g. to let the simulated radio
    // answer meanwhile.
    std::function<void(int ms)> onPause;

    // Virtual milliseconds since construction: the pauses and every advance().
    qint64 now() const { return m_now; }
    // Time passing while no pause runs.
    void advance(qint64 ms)
    {
        m_now += qMax<qint64>(0, ms);
        emit advanced(m_now);
    }

signals:
    void advanced(qint64 now);

protected:
    void wait(int ms) override
    {
        m_pauses << ms;
        m_elapsed += ms;
        advance(ms);
        if (onPause)
            onPause(ms);
    }

private:
    QList<int> m_pauses;
    qint64 m_elapsed = 0;
    qint64 m_now = 0;
};

} // namespace quenda::test
