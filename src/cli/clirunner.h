#pragma once

#include "cli/clioptions.h"
#include "link/pause.h"
#include "profile/profileplan.h"
#include "session/radiosession.h"

#include <QElapsedTimer>
#include <QFile>
#include <QObject>
#include <QTextStream>

#include <functional>
#include <memory>
#include <optional>

namespace quenda::cli {

// Runs one command of quenda-cli on the radio session, as the window would run it: the same
// procedures, the same save and the same bytes on the wire. Profiles go to `out`, everything
// the user is told to `err`.
class Runner : public QObject, private SessionHost {
    Q_OBJECT
public:
    Runner(Options options, QTextStream &out, QTextStream &err);
    ~Runner() override;

    // The exit status.
    int run();
    // From a signal handler: the running command stops at its next look, leaving configuration
    // mode as after a failure.
    static void interrupt();

private:
    // SessionHost: the profile stands where the window has its pages.
    bool confirmSave() override { return true; }
    bool buildPendingChannels(SaveState &save) override;
    bool CheckSelectedChannels() override;
    SettingsSelection currentSelection() override { return m_selection; }

    int listPorts();
    int readRadio();
    int writeRadio();
    int loadDefaults();

    bool startSession();
    void watchSession();
    bool openLog();
    bool connectAndRead();
    // Runs the event loop until `done` holds or something failed. With `quietMs`, the radio
    // saying nothing for that long is a failure.
    bool waitUntil(const std::function<bool()> &done, int quietMs = 0);
    void fail(ExitCode code, const QString &message);
    // Leaves configuration mode if the radio is in it, and tells why the command stopped.
    int finish(int code);
    void say(const QString &line);

    Options m_options;
    QTextStream &m_out;
    QTextStream &m_err;
    RealPause m_pause;
    RadioConfig m_config;
    std::unique_ptr<RadioSession> m_session;
    QFile m_logFile;

    SettingsSelection m_selection;
    ProfilePlan m_plan;
    std::optional<std::pair<ExitCode, QString>> m_failure;
    bool m_readComplete = false;
    bool m_saveChecked = false;
    int m_reports = 0;
    int m_secondsShown = -1;
    QElapsedTimer m_sinceTraffic;
};

} // namespace quenda::cli
