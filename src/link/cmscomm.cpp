#include "link/cmscomm.h"

#include "link/commerror.h"
#include "link/commlog.h"
#include "link/pause.h"
#include "link/portnaming.h"
#include "link/serialbackend.h"
#include "protocol/messages.h"

#include <QStringList>

namespace quenda {

class CMSComm::Private {
public:
    explicit Private(Pause &p) : pause(p) {}

    Pause &pause;
    short port = 1;
    QString settings = QStringLiteral("9600,n,8,1");
    int baud = 9600;
    short inBufferSize = 1024;
    short outBufferSize = 512;
    long inputMode = 0;
    short rThreshold = 0; // no receive events until it is set
    short inputLen = 0;
    bool nullDiscard = false;
    bool rts = false;
    short commEvent = 0;

    bool open = false;
    QByteArray input;
    bool eventDue = false; // bytes came while events were held back
    int holding = 0;       // inside drainOutput
    bool lost = false;     // closed because the device went away; the user has been told
    CommLog *log = nullptr;

    void note(const QString &text)
    {
        if (log)
            log->note(text);
    }
};

namespace {
// "9600,n,8,1": the only line format the port offers is 8N1; returns the baud or 0.
int parseSettings(const QString &settings)
{
    const QStringList parts = settings.split(QLatin1Char(','));
    if (parts.size() != 4)
        return 0;
    bool ok = false;
    const int baud = parts[0].trimmed().toInt(&ok);
    if (!ok || baud <= 0)
        return 0;
    if (parts[1].trimmed().compare(QLatin1String("n"), Qt::CaseInsensitive) != 0
        || parts[2].trimmed() != QLatin1String("8") || parts[3].trimmed() != QLatin1String("1"))
        return 0;
    return baud;
}
} // namespace

CMSComm::CMSComm(Pause &pause, std::unique_ptr<SerialBackend> backend, QObject *parent)
    : QObject(parent), d(std::make_unique<Private>(pause)), m_backend(std::move(backend))
{
    if (!m_backend)
        m_backend = std::make_unique<QSerialPortBackend>();

    connect(m_backend.get(), &SerialBackend::readyRead, this, [this] {
        if (!d->open)
            return;
        takeReceived();
        d->eventDue = true;
        // Never run the receive handler inside the port's own notification: QSerialPort does
        // not notify again until that returns, so bytes arriving during the handler's pauses
        // would wait unannounced.
        if (!d->pause.isActive() && d->holding == 0)
            QMetaObject::invokeMethod(this, &CMSComm::raiseHeldEvent, Qt::QueuedConnection);
    });
    connect(m_backend.get(), &SerialBackend::lost, this, [this](const QString &description) {
        if (!d->open)
            return;
        d->open = false;
        d->lost = true;
        d->input.clear();
        d->eventDue = false;
        const QString message = messages::portLost(PortNaming::comName(d->port), description);
        d->note(message);
        emit portLost(message);
    });
    connect(&d->pause, &Pause::released, this, &CMSComm::raiseHeldEvent);
}

CMSComm::~CMSComm()
{
    disconnect(m_backend.get(), nullptr, this, nullptr);
    if (m_backend->isOpen())
        m_backend->close();
}

bool CMSComm::GetPortOpen() const
{
    return d->open;
}

void CMSComm::SetPortOpen(bool open)
{
    if (!open) {
        if (d->open) {
            d->open = false;
            m_backend->close();
            d->note(messages::commLogPortClosed(PortNaming::comName(d->port)));
        }
        d->input.clear();
        d->eventDue = false;
        return;
    }
    if (d->open)
        throw CommError(messages::portAlreadyOpen());
    QString error;
    if (!m_backend->open(PortNaming::comName(d->port), d->baud, &error))
        throw CommError(error);
    d->open = true;
    d->note(messages::commLogPortOpened(PortNaming::comName(d->port), d->settings));
    d->lost = false;
    d->input.clear();
    d->eventDue = false;
    d->commEvent = 0;
    m_backend->clearInput();
    m_backend->setRts(d->rts);
}

short CMSComm::GetCommPort() const
{
    return d->port;
}

void CMSComm::SetCommPort(short port)
{
    if (d->open)
        throw CommError(messages::portAlreadyOpen());
    if (port < PortNaming::kFirstPort || port > PortNaming::kLastPort)
        throw CommError(messages::invalidPortNumber(port));
    d->port = port;
}

QString CMSComm::GetSettings() const
{
    return d->settings;
}

void CMSComm::SetSettings(const QString &settings)
{
    const int baud = parseSettings(settings);
    if (baud == 0)
        throw CommError(messages::invalidPortSettings(settings));
    d->settings = settings;
    d->baud = baud;
    if (d->open) {
        m_backend->setBaudRate(baud);
        d->note(messages::commLogRate(settings));
    }
}

void CMSComm::SetInBufferSize(short bytes)
{
    d->inBufferSize = bytes;
}

void CMSComm::SetOutBufferSize(short bytes)
{
    d->outBufferSize = bytes;
}

void CMSComm::SetInputMode(long mode)
{
    d->inputMode = mode;
}

void CMSComm::SetRThreshold(short bytes)
{
    d->rThreshold = bytes;
}

void CMSComm::SetInputLen(short bytes)
{
    d->inputLen = bytes;
}

void CMSComm::SetNullDiscard(bool discard)
{
    d->nullDiscard = discard;
}

void CMSComm::SetRTSEnable(bool enable)
{
    d->rts = enable;
    if (d->open)
        m_backend->setRts(enable);
}

QByteArray CMSComm::GetInput()
{
    if (!d->open)
        throw CommError(messages::portNotOpen(), d->lost);
    takeReceived();
    if (d->inputLen > 0 && d->input.size() > d->inputLen) {
        const QByteArray part = d->input.left(d->inputLen);
        d->input.remove(0, d->inputLen);
        return part;
    }
    return std::exchange(d->input, QByteArray());
}

void CMSComm::SetOutput(const QByteArray &bytes)
{
    if (!d->open)
        throw CommError(messages::portNotOpen(), d->lost);
    m_backend->write(bytes);
    if (d->log)
        d->log->sent(bytes);
}

short CMSComm::GetCommEvent() const
{
    return d->commEvent;
}

bool CMSComm::drainOutput(int maxMs)
{
    if (!d->open)
        return true;
    // Waiting for the writes may read too; those bytes raise their event afterwards.
    ++d->holding;
    const bool drained = m_backend->drain(maxMs);
    --d->holding;
    if (d->eventDue)
        QMetaObject::invokeMethod(this, &CMSComm::raiseHeldEvent, Qt::QueuedConnection);
    return drained;
}

void CMSComm::setLog(CommLog *log)
{
    d->log = log;
}

void CMSComm::takeReceived()
{
    QByteArray bytes = m_backend->readAll();
    // As it came off the line, before any byte is discarded.
    if (d->log)
        d->log->received(bytes);
    if (d->nullDiscard)
        bytes.removeIf([](char c) { return c == '\0'; });
    d->input += bytes;
}

void CMSComm::raiseIfWaiting()
{
    if (d->rThreshold > 0 && d->input.size() >= d->rThreshold) {
        d->commEvent = comEvReceive;
        emit OnComm();
    }
}

void CMSComm::raiseHeldEvent()
{
    if (d->pause.isActive() || d->holding > 0 || !d->open)
        return;
    // Ask the port even without a notification: it may hold bytes it has not announced.
    takeReceived();
    d->eventDue = false;
    raiseIfWaiting();
}

} // namespace quenda
