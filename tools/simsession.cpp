#include "simsession.h"

#include "app/progressdlgs.h"
#include "link/connectdlgs.h"
#include "link/settingsfile.h"
#include "pages/channellistpage.h"
#include "pages/radiopage.h"
#include "protocol/messages.h"
#include "protocol/radiocommands.h"
#include "ui/messagebox.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QPushButton>

namespace quenda::tools {
namespace {
constexpr int kPowerRegister = 108;

// A frequency inside the radio's range for each row, distinct per row.
qint64 rowFrequency(int row)
{
    return 410000000 + qint64(row) * 1000000 + qint64(row % 8) * 12500;
}

QString displayFrequency(qint64 hz)
{
    return QStringLiteral("%1.%2")
        .arg(hz / 1000000, 3, 10, QLatin1Char('0'))
        .arg(hz % 1000000, 6, 10, QLatin1Char('0'));
}

qint64 changedFrequency(int row)
{
    return 470000000 + qint64(row) * 125000;
}
} // namespace

SimSession::SimSession(int portNumber)
{
    // No box may wait for a click; reset() also ends test mode, so it comes first.
    MessageBox::reset();
    MessageBox::setTestMode(true);
    QDir(m_folder.path()).mkpath(QStringLiteral("ports"));
    if (portNumber > 0)
        SettingsFile(m_folder.path()).save(portNumber);

    m_sim.setState(fullState());
    auto backend = std::make_unique<test::FakeSerialBackend>();
    backend->attachSimulator(&m_sim);
    m_backend = backend.get();
    m_pause.onPause = [this](int ms) {
        if (duringPause)
            duringPause(ms);
    };

    QuendaEnvironment env;
    env.pause = &m_pause;
    env.config = &m_config;
    env.backend = std::move(backend);
    env.programFolder = m_folder.path();
    m_window = std::make_unique<CQuendaDlg>(std::move(env));
}

SimSession::~SimSession()
{
    m_window.reset();
    MessageBox::reset();
}

k7v4::RadioState SimSession::fullState()
{
    k7v4::RadioState state = k7v4::RadioState::factoryDefault();
    for (int row = 0; row < kChannelSlots; ++row)
        state.channels[std::size_t(row)] = {rowFrequency(row), row % 3, row % 3};
    return state;
}

QByteArray SimSession::fullReport()
{
    k7v4::Simulator sim;
    sim.setState(fullState());
    QByteArray out;
    QObject::connect(&sim, &k7v4::Simulator::send, &sim,
                     [&out](const QByteArray &bytes, int) { out += bytes; });
    sim.setLineBaud(sim.ownBaud());
    sim.powerOn(true);
    out.clear(); // the banner is not part of the report
    sim.receive(QByteArray(radio::kReadSettings) + radio::kCR);
    sim.receive(QByteArray(radio::kReadChannels) + radio::kCR);
    return out;
}

bool SimSession::waitUntil(const std::function<bool()> &done, int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
}

void SimSession::clickButton(const char *objectName)
{
    if (auto *button = m_window->findChild<QPushButton *>(QLatin1String(objectName)))
        button->click();
}

bool SimSession::readDone() const
{
    const CReadingDlg *reading = m_window->readingDlg();
    return reading && !reading->isVisible() && m_config.channelCount == kChannelSlots;
}

void SimSession::startPowerOn()
{
    m_window->setConnectMethod(ConnectMethod::PowerOn);
    clickButton("openButton");
}

bool SimSession::powerOnAndRead(int timeoutMs)
{
    m_config = RadioConfig{};
    m_sim.powerOn(true);
    return waitUntil([this] { return readDone(); }, timeoutMs);
}

bool SimSession::softDiagnosticRead(int timeoutMs)
{
    m_config = RadioConfig{};
    m_window->setConnectMethod(ConnectMethod::SoftDiagnostic);
    clickButton("openButton");
    CSoftDiagConnectDlg *dlg = m_window->softDiagDlg();
    if (!dlg)
        return false;
    // The dialog's own timer ticks every few seconds; ticking by hand keeps the run short.
    const QDeadlineTimer deadline(timeoutMs);
    while (!readDone() && !deadline.hasExpired()) {
        if (dlg->isRunning())
            dlg->tick();
        waitUntil([this, dlg] { return readDone() || !dlg->isRunning(); }, 50);
    }
    return readDone();
}

void SimSession::changeForSave()
{
    CChannelListPage *channels = m_window->channelListPage();
    for (int row = kFirstChangedRow; row < kFirstChangedRow + kChangedRows; ++row) {
        channels->setCell(row, CChannelListPage::FrequencyColumn,
                          displayFrequency(changedFrequency(row)));
        channels->setCell(row, CChannelListPage::BandwidthColumn,
                          QString::fromLatin1(tables::channelBandwidthTexts[1]));
        channels->setCell(row, CChannelListPage::DirectionColumn, QStringLiteral("Rx&Tx"));
    }
    // The power list as the user changes it: this is also what enables "保存".
    auto *power = m_window->radioPage()->findChild<QComboBox *>(QStringLiteral("powerList"));
    if (!power)
        return;
    int index = power->currentIndex();
    do {
        index = (index + 1) % power->count();
    } while (power->itemText(index).isEmpty() && index != power->currentIndex());
    power->setCurrentIndex(index);
    emit power->activated(index);
    m_changedPower = tables::T108.first + index;
}

bool SimSession::save(int timeoutMs)
{
    MessageBox::reset();
    MessageBox::setTestMode(true);
    clickButton("saveButton");
    return waitUntil(
        [this] {
            return !m_window->saveState().isWriting &&
                   MessageBox::shownTexts().contains(messages::saveComplete());
        },
        timeoutMs);
}

bool SimSession::radioHoldsChanges() const
{
    const k7v4::RadioState stored = m_sim.stored();
    for (int row = kFirstChangedRow; row < kFirstChangedRow + kChangedRows; ++row) {
        const k7v4::Channel &c = stored.channels[std::size_t(row)];
        if (c.frequencyHz != changedFrequency(row) || c.bandwidthCode != 1 || c.directionCode != 2)
            return false;
    }
    return stored.registers.value(kPowerRegister) == m_changedPower;
}

} // namespace quenda::tools
