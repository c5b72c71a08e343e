#pragma once

#include "app/quendadlg.h"
#include "lib/k7v4simulator.h"
#include "protocol/radioconfig.h"
#include "support/fakeserialbackend.h"
#include "support/virtualpause.h"

#include <QString>
#include <QTemporaryDir>

#include <functional>
#include <memory>

namespace quenda::tools {

// The real main window wired to a simulated radio in-process: a fake serial port and pauses in
// virtual time, so that what a run costs is the program's own work, not the protocol's waits.
class SimSession {
public:
    // Rows that save() changes.
    static constexpr int kFirstChangedRow = 40;
    static constexpr int kChangedRows = 8;

    // para.ini and the ports folder go into a fresh temporary folder; `portNumber` is written
    // to para.ini (0: none).
    explicit SimSession(int portNumber = 1);
    ~SimSession();

    // Every register at its factory value and all 64 channels in use.
    static k7v4::RadioState fullState();
    // What the radio sends for "AT&V" and "ATP0?" in one chunk, as the receive handler gets it.
    static QByteArray fullReport();

    CQuendaDlg &window() { return *m_window; }
    k7v4::Simulator &simulator() { return m_sim; }
    test::VirtualPause &pause() { return m_pause; }
    test::FakeSerialBackend &backend() { return *m_backend; }
    const RadioConfig &config() const { return m_config; }
    QString programFolder() const { return m_folder.path(); }

    // Called inside every pause, e.g. to look at a progress window while it is up.
    std::function<void(int ms)> duringPause;

    // Handles events until `done` holds; false when `timeoutMs` passed first.
    static bool waitUntil(const std::function<bool()> &done, int timeoutMs);

    // "打开" with the power-on method; the radio is not switched on yet.
    void startPowerOn();
    // Switches the radio on with CONFIG held and waits until its report fills the pages.
    bool powerOnAndRead(int timeoutMs = 10000);
    // "打开" with soft diagnosis, then ticks the dialog until the report fills the pages.
    bool softDiagnosticRead(int timeoutMs = 10000);
    bool readDone() const;

    // Changes kChangedRows channel rows and the output power, then "保存" until "保存完毕！".
    void changeForSave();
    bool save(int timeoutMs = 10000);
    // True when the radio's stored channels and power are what changeForSave() asked for.
    bool radioHoldsChanges() const;

    void clickButton(const char *objectName);

private:
    QTemporaryDir m_folder;
    k7v4::Simulator m_sim;
    test::VirtualPause m_pause;
    RadioConfig m_config;
    test::FakeSerialBackend *m_backend = nullptr;
    std::unique_ptr<CQuendaDlg> m_window;
    int m_changedPower = -1;
};

} // namespace quenda::tools
