#include "support/ptyradio.h"

#include "ui/messagebox.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <QtDebug>

namespace quenda::test {
namespace {

// QUENDA_E2E_TRACE=1 prints the line traffic, which is what one wants to see when a run fails.
bool tracing()
{
    static const bool on = qEnvironmentVariableIntValue("QUENDA_E2E_TRACE") != 0;
    return on;
}

QByteArray printable(const QByteArray &bytes)
{
    QByteArray out;
    for (char c : bytes) {
        if (c == '\r')
            out += "\\r";
        else if (c == '\n')
            out += "\\n";
        else if (uchar(c) < 0x20 || uchar(c) >= 0x7f)
            out += "\\x" + QByteArray::number(uchar(c), 16).rightJustified(2, '0');
        else
            out += c;
    }
    return out;
}

} // namespace

PtyRadio::PtyRadio(QObject *parent) : QObject(parent)
{
    connect(&m_server, &k7v4::PtyServer::received, this, &PtyRadio::onReceived);
    connect(&m_server, &k7v4::PtyServer::sent, this, [this](const QByteArray &bytes) {
        if (tracing())
            qDebug("COM%d >> %s", m_com, printable(bytes).constData());
        m_sent += bytes;
    });
    connect(&m_server, &k7v4::PtyServer::trouble, this,
            [this](const QString &text) { qWarning("COM%d: %s", m_com, qPrintable(text)); });
}

PtyRadio::~PtyRadio() = default;

bool PtyRadio::start(const QString &portsFolder, int com, QString *error)
{
    if (!m_server.open(error))
        return false;
    if (!m_server.registerLink(portsFolder, com, error)) {
        m_server.close();
        return false;
    }
    m_com = com;
    return true;
}

void PtyRadio::unplug()
{
    if (tracing())
        qDebug("COM%d: unplugged", m_com);
    m_server.close();
}

void PtyRadio::powerOn(bool configHeld)
{
    if (tracing())
        qDebug("COM%d: power on%s", m_com, configHeld ? " with CONFIG held" : "");
    m_server.powerOn(configHeld);
}

void PtyRadio::clearTraffic()
{
    m_received.clear();
    m_sent.clear();
    m_reads.clear();
}

void PtyRadio::whenReceived(const QByteArray &text, std::function<void()> action)
{
    m_triggers.append({text, {}, std::move(action)});
}

void PtyRadio::onReceived(const QByteArray &bytes, int lineBaud)
{
    m_received += bytes;
    m_reads.append({bytes, lineBaud});
    if (tracing())
        qDebug("COM%d << %s (line at %d)", m_com, printable(bytes).constData(), lineBaud);

    // Triggers may unplug the radio; the server then keeps the bytes from it.
    QList<std::function<void()>> due;
    for (qsizetype i = 0; i < m_triggers.size();) {
        Trigger &trigger = m_triggers[i];
        trigger.seen += bytes;
        if (trigger.seen.contains(trigger.text)) {
            due.append(std::move(trigger.action));
            m_triggers.removeAt(i);
        } else {
            ++i;
        }
    }
    for (const std::function<void()> &action : std::as_const(due))
        action();
}

QString prepareRadioSuite(int com)
{
    quietPlatformNoise();
    QCoreApplication::setApplicationName(QStringLiteral("QUENDA"));
    MessageBox::setTestMode(false);
    PtyRadio probe;
    QTemporaryDir dir;
    QString error;
    if (!probe.start(dir.path(), com, &error))
        return QStringLiteral("no pseudo-terminal for the radio: %1").arg(error);
    return {};
}

bool choosePortBefore(const QString &folder, int com)
{
    QFile ini(QDir(folder).filePath(QStringLiteral("para.ini")));
    return ini.open(QIODevice::WriteOnly) && ini.write(QByteArray::number(com)) > 0;
}

} // namespace quenda::test
