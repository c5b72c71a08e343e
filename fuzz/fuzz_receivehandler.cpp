// The main window's receive handler, fed what a misbehaving radio might send. The input's first
// byte chooses the save (bit 0: with a changed channel row, so the prompted channel entry runs;
// bits 1-2: which row; bit 3: no save at all); the rest is cut at every 0xFF byte into the chunks
// that the port delivers one receive event at a time. Nothing may crash, read out of range or
// leave the channel entry index outside the pending table.

#include "app/quendadlg.h"
#include "lib/k7v4simulator.h"
#include "link/cmscomm.h"
#include "pages/channellistpage.h"
#include "protocol/radioconfig.h"
#include "support/fakeserialbackend.h"
#include "support/virtualpause.h"
#include "ui/messagebox.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdlib>
#include <memory>

using namespace quenda;

namespace {

constexpr char kChunkMarker = '\xff';
// Saves started again after one ended, per input: enough to reach every phase more than once.
constexpr int kMaxSaves = 4;

// Once per process: the application, the window on a fake port, a simulated radio to read.
// Building the window for every input would leave the fuzzer a few inputs a second.
struct Process {
    Process()
    {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        app = std::make_unique<QApplication>(argc, argv);
        MessageBox::setTestMode(true);
        QFile ini(QDir(folder.path()).filePath(QStringLiteral("para.ini")));
        if (!folder.isValid() || !ini.open(QIODevice::WriteOnly) || ini.write("1") != 1)
            std::abort();
        ini.close();
        auto backend = std::make_unique<test::FakeSerialBackend>();
        port = backend.get();
        QuendaEnvironment env;
        env.pause = &pause;
        env.config = &config;
        env.backend = std::move(backend);
        env.programFolder = folder.path();
        env.backupRoot = folder.filePath(QStringLiteral("backups"));
        dlg = std::make_unique<CQuendaDlg>(std::move(env));
        dlg->setConnectMethod(ConnectMethod::PowerOn);
    }

    int argc = 1;
    char name[16] = "fuzz";
    char *argv[2] = {name, nullptr};
    std::unique_ptr<QApplication> app;
    QTemporaryDir folder;
    test::VirtualPause pause;
    RadioConfig config;
    k7v4::Simulator radio;
    test::FakeSerialBackend *port = nullptr;
    std::unique_ptr<CQuendaDlg> dlg;
};

Process &process()
{
    // Never destroyed: tearing widgets down after QApplication's statics have gone crashes.
    static Process *p = new Process;
    return *p;
}

void settle()
{
    for (int i = 0; i < 4; ++i)
        QCoreApplication::processEvents();
    // Outside any event loop, objects given to deleteLater() would wait for ever.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// The channel entry index always names a slot of the table, and one below the pending count
// while channel rows are pending.
void checkRowIndex(const SaveState &save)
{
    if (save.channelRowIndex < 0 || save.channelRowIndex >= kChannelSlots)
        std::abort();
    if (save.pendingChannelCount < 0 || save.pendingChannelCount > kChannelSlots)
        std::abort();
    if (save.pendingChannelCount > 0 && save.channelRowIndex >= save.pendingChannelCount)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    Process &p = process();
    CQuendaDlg *dlg = p.dlg.get();
    MessageBox::reset();
    MessageBox::setTestMode(true);

    // Back to the start, then connect by power-on to the simulated radio and read it.
    dlg->OnCloseRadio();
    p.radio.setState(k7v4::RadioState::factoryDefault());
    p.port->attachSimulator(&p.radio);
    dlg->OnConnect();
    p.radio.powerOn(true);
    settle();
    if (!dlg->serialControl().GetPortOpen() || p.config.channelCount == 0)
        std::abort(); // the set-up itself failed: nothing below would mean anything
    p.port->attachSimulator(nullptr);

    const uint8_t choice = data[0];
    if (choice & 1) {
        const int row = 2 + ((choice >> 1) & 3);
        dlg->channelListPage()->setCell(row, CChannelListPage::FrequencyColumn,
                                        QStringLiteral("433.500000"));
        dlg->channelListPage()->setCell(row, CChannelListPage::BandwidthColumn,
                                        QStringLiteral("12.5 KHz"));
        dlg->channelListPage()->setCell(row, CChannelListPage::DirectionColumn,
                                        QStringLiteral("Rx&Tx"));
    }
    // Bit 3: the chunks come while no save runs (a read, a radio in data mode).
    const bool saving = !(choice & 8);
    if (saving)
        dlg->OnSave();
    settle();
    checkRowIndex(dlg->saveState());

    const QByteArray input(reinterpret_cast<const char *>(data) + 1, qsizetype(size - 1));
    int saves = 1;
    for (const QByteArray &chunk : input.split(kChunkMarker)) {
        if (saving && !dlg->saveState().isWriting && saves < kMaxSaves &&
            dlg->serialControl().GetPortOpen()) {
            dlg->OnSave();
            ++saves;
        }
        p.port->pushInput(chunk);
        settle();
        checkRowIndex(dlg->saveState());
    }
    return 0;
}
