#pragma once

#include "protocol/writedialogue.h"

#include <QByteArray>
#include <QList>
#include <QMetaType>

#include <functional>

namespace quenda::test {

// A fake surrounding of the write dialogue: records every write, pause and message in one
// ordered log, and lets a test change the selection between steps.
class ScriptedHost : public WriteDialogueHost {
public:
    enum class Kind { Output, Pause, HideSavingWindow, WriteError, SaveComplete };
    struct Event {
        Kind kind;
        QByteArray bytes; // Output
        int ms = 0;       // Pause
        bool operator==(const Event &) const = default;
    };

    static Event out(const QByteArray &bytes) { return {Kind::Output, bytes, 0}; }
    static Event paused(int ms) { return {Kind::Pause, {}, ms}; }
    static Event hide() { return {Kind::HideSavingWindow, {}, 0}; }
    static Event writeError() { return {Kind::WriteError, {}, 0}; }
    static Event saveComplete() { return {Kind::SaveComplete, {}, 0}; }

    void output(const QByteArray &bytes) override;
    void pause(int ms) override;
    SettingsSelection currentSelection() override { return selection; }
    void hideSavingWindow() override;
    void showWriteError() override;
    void showSaveComplete() override;

    const QList<Event> &events() const { return m_events; }
    // The written bytes, one entry per write.
    QList<QByteArray> writes() const;
    QList<int> pauses() const;
    int count(Kind kind) const;
    // The log as one readable line per event, for failure messages.
    QString describe() const;
    void clear() { m_events.clear(); }

    SettingsSelection selection;
    // Called after each write is recorded, e.g. to hand it to a simulated radio.
    std::function<void(const QByteArray &)> onOutput;
    // Called after each pause is recorded.
    std::function<void(int ms)> onPause;
    // Called while the error box would be open.
    std::function<void()> onWriteError;

private:
    QList<Event> m_events;
};

QString describe(const ScriptedHost::Event &event);
// Lets QCOMPARE print events and lists of them.
char *toString(const ScriptedHost::Event &event);

} // namespace quenda::test

Q_DECLARE_METATYPE(quenda::test::ScriptedHost::Event)
