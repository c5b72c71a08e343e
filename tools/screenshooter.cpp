// quenda-screens: drives the real main window against the simulated radio in-process and saves
// a picture of every window on the way. Usage: quenda-screens [output folder]
// Runs on the offscreen platform unless QT_QPA_PLATFORM says otherwise.

#include "app/commlogwindow.h"
#include "app/progressdlgs.h"
#include "link/connectdlgs.h"
#include "pages/backupdlg.h"
#include "pages/channellistpage.h"
#include "pages/comparedlg.h"
#include "profile/backupstore.h"
#include "profile/profile.h"
#include "simsession.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QPixmap>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <cstdlib>

#include <fcntl.h>
#include <unistd.h>

namespace {

using quenda::tools::SimSession;

class Shooter {
public:
    explicit Shooter(const QString &folder) : m_dir(folder) {}

    void shoot(QWidget *widget, const QString &name)
    {
        if (!widget) {
            std::fprintf(stderr, "quenda-screens: nothing to show for %s\n", qPrintable(name));
            ++m_missing;
            return;
        }
        const QPixmap picture = widget->grab();
        const QString path = m_dir.filePath(name + QStringLiteral(".png"));
        if (picture.isNull() || !picture.save(path)) {
            std::fprintf(stderr, "quenda-screens: could not save %s\n", qPrintable(path));
            ++m_missing;
            return;
        }
        std::printf("%s  %dx%d\n", qPrintable(path), picture.width(), picture.height());
    }

    // Opens a modal window with `open` and takes its picture once it runs, then closes it.
    void shootModal(const std::function<void()> &open, const QString &name)
    {
        bool seen = false;
        QTimer::singleShot(200, qApp, [&] {
            if (auto *dlg = qobject_cast<QDialog *>(QApplication::activeModalWidget())) {
                seen = true;
                shoot(dlg, name);
                dlg->reject();
            }
        });
        open();
        if (!seen) {
            std::fprintf(stderr, "quenda-screens: no window opened for %s\n", qPrintable(name));
            ++m_missing;
        }
    }

    int missing() const { return m_missing; }

private:
    QDir m_dir;
    int m_missing = 0;
};

// A pseudo-terminal registered as COMn, so that the port list has something to offer.
int registerPort(const QString &programFolder, int number)
{
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0)
        return -1;
    QFile::link(QString::fromLocal8Bit(::ptsname(master)),
                QDir(programFolder).filePath(QStringLiteral("ports/com%1").arg(number)));
    return master;
}

void settle(int ms = 50)
{
    SimSession::waitUntil([] { return false; }, ms);
}

QAction *menuAction(quenda::CQuendaDlg &window, const char *name)
{
    return window.systemMenu()->findChild<QAction *>(QLatin1String(name));
}

} // namespace

int main(int argc, char **argv)
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // The reads below are backed up: into a folder of this run, never the user's own.
    QTemporaryDir backups;
    qputenv("QUENDA_BACKUPS", backups.path().toLocal8Bit());
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("screenshots");
    if (!QDir().mkpath(folder)) {
        std::fprintf(stderr, "quenda-screens: cannot create %s\n", qPrintable(folder));
        return EXIT_FAILURE;
    }
    Shooter shooter(folder);

    SimSession session(3);
    const int ports[] = {registerPort(session.programFolder(), 3),
                         registerPort(session.programFolder(), 7)};
    quenda::CQuendaDlg &window = session.window();
    bool readingShot = false;
    bool savingShot = false;
    session.duringPause = [&](int) {
        // The progress windows are up only while the protocol pauses.
        if (!readingShot && window.readingDlg() && window.readingDlg()->isVisible()) {
            readingShot = true;
            shooter.shoot(window.readingDlg(), QStringLiteral("05-reading"));
        }
        if (!savingShot && window.savingDlg() && window.savingDlg()->isVisible()) {
            savingShot = true;
            shooter.shoot(window.savingDlg(), QStringLiteral("12-saving"));
        }
    };

    window.show();
    settle();
    shooter.shoot(&window, QStringLiteral("01-main-start"));
    shooter.shootModal([&] { menuAction(window, "aboutAction")->trigger(); },
                       QStringLiteral("02-about"));
    shooter.shootModal([&] { menuAction(window, "selectPortAction")->trigger(); },
                       QStringLiteral("03-port-list"));

    session.startPowerOn();
    if (quenda::CPowerOnConnectDlg *dlg = window.powerOnDlg()) {
        dlg->tick(); // one second of the countdown gone
        settle();
    }
    shooter.shoot(window.powerOnDlg(), QStringLiteral("04-connect-power-on"));
    if (!session.powerOnAndRead()) {
        std::fprintf(stderr, "quenda-screens: the read after power-on did not finish\n");
        return EXIT_FAILURE;
    }
    settle();
    const std::pair<const char *, const char *> pages[] = {
        {"basicInfoButton", "06-page-basic-info"},
        {"radioInfoButton", "07-page-radio"},
        {"serialInfoButton", "08-page-serial"},
        {"channelButton", "09-page-channels"},
    };
    for (const auto &[button, name] : pages) {
        session.clickButton(button);
        settle();
        shooter.shoot(&window, QLatin1String(name));
    }

    session.clickButton("closeButton");
    settle();
    window.setConnectMethod(quenda::ConnectMethod::SoftDiagnostic);
    session.clickButton("openButton");
    if (quenda::CSoftDiagConnectDlg *dlg = window.softDiagDlg()) {
        dlg->tick(); // the first rate, which the radio does not use
        settle();
    }
    shooter.shoot(window.softDiagDlg(), QStringLiteral("10-connect-soft-diagnostic"));
    if (!session.softDiagnosticRead()) {
        std::fprintf(stderr, "quenda-screens: the read after soft diagnosis did not finish\n");
        return EXIT_FAILURE;
    }

    session.changeForSave();
    session.clickButton("channelButton");
    if (auto *table = window.channelListPage()->findChild<QTableWidget *>())
        table->scrollToItem(table->item(SimSession::kFirstChangedRow, 0),
                            QAbstractItemView::PositionAtTop);
    settle();
    shooter.shoot(&window, QStringLiteral("11-channels-edited"));
    if (!session.save() || !session.radioHoldsChanges()) {
        std::fprintf(stderr, "quenda-screens: the save did not finish\n");
        return EXIT_FAILURE;
    }
    settle();
    shooter.shoot(&window, QStringLiteral("13-after-save"));

    // The windows of profiles and backups, on what this run read.
    {
        quenda::CBackupDlg backupsDlg(quenda::BackupStore(backups.path()), &window);
        backupsDlg.selectRadio(session.config().serialNumber);
        backupsDlg.show();
        settle();
        shooter.shoot(&backupsDlg, QStringLiteral("14-backups"));

        // The read's backup holds the channel table; the report after a save does not.
        const quenda::BackupStore store(backups.path());
        const QList<quenda::BackupEntry> taken = store.backups(session.config().serialNumber);
        const std::optional<quenda::RadioProfile> read =
            taken.isEmpty() ? std::nullopt : quenda::BackupStore::load(taken.first().path).profile;
        const quenda::RadioProfile held = read.value_or(quenda::profile::fromConfig(session.config()));
        quenda::RadioProfile base = held;
        base.setValue(108, 27);
        base.setValue(105, 4321);
        base.channels[3] = quenda::ProfileChannel{455125000, 2, 2};
        quenda::CCompareDlg compare(held, QStringLiteral("电台 %1").arg(held.serialNumber), base,
                                    QStringLiteral("base.json"), &window);
        compare.show();
        settle();
        shooter.shoot(&compare, QStringLiteral("15-compare"));
    }

    // The communication log of this run: two reads, a close and a save.
    menuAction(window, "commLogAction")->trigger();
    settle(2 * quenda::CCommLogWindow::kRefreshMs);
    shooter.shoot(window.commLogWindow(), QStringLiteral("16-comm-log"));

    if (!readingShot || !savingShot)
        std::fprintf(stderr, "quenda-screens: a progress window was never seen\n");
    window.reject();
    for (int fd : ports) {
        if (fd >= 0)
            ::close(fd);
    }
    return shooter.missing() == 0 && readingShot && savingShot ? EXIT_SUCCESS : EXIT_FAILURE;
}
