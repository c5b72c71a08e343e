#include "support/scriptedhost.h"

#include <QStringList>

#include <algorithm>

namespace quenda::test {

void ScriptedHost::output(const QByteArray &bytes)
{
    m_events << out(bytes);
    if (onOutput)
        onOutput(bytes);
}

void ScriptedHost::pause(int ms)
{
    m_events << paused(ms);
    if (onPause)
        onPause(ms);
}

void ScriptedHost::hideSavingWindow()
{
    m_events << hide();
}

void ScriptedHost::showWriteError()
{
    m_events << writeError();
    if (onWriteError)
        onWriteError();
}

void ScriptedHost::showSaveComplete()
{
    m_events << saveComplete();
}

QList<QByteArray> ScriptedHost::writes() const
{
    QList<QByteArray> result;
    for (const Event &e : m_events) {
        if (e.kind == Kind::Output)
            result << e.bytes;
    }
    return result;
}

QList<int> ScriptedHost::pauses() const
{
    QList<int> result;
    for (const Event &e : m_events) {
        if (e.kind == Kind::Pause)
            result << e.ms;
    }
    return result;
}

int ScriptedHost::count(Kind kind) const
{
    return int(std::count_if(m_events.begin(), m_events.end(),
                             [kind](const Event &e) { return e.kind == kind; }));
}

QString ScriptedHost::describe() const
{
    QStringList lines;
    for (const Event &e : m_events)
        lines << quenda::test::describe(e);
    return lines.join(u'\n');
}

QString describe(const ScriptedHost::Event &event)
{
    using Kind = ScriptedHost::Kind;
    switch (event.kind) {
    case Kind::Output:
        return QStringLiteral("out ") + QString::fromLatin1(event.bytes.toPercentEncoding(" =&?%:(),-"));
    case Kind::Pause: return QStringLiteral("pause %1").arg(event.ms);
    case Kind::HideSavingWindow: return QStringLiteral("hide");
    case Kind::WriteError: return QStringLiteral("error message");
    case Kind::SaveComplete: return QStringLiteral("complete message");
    }
    return {};
}

char *toString(const ScriptedHost::Event &event)
{
    return qstrdup(describe(event).toUtf8().constData());
}

} // namespace quenda::test
