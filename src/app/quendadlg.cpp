#include "app/quendadlg.h"

#include "app/aboutdlg.h"
#include "app/dialogunits.h"
#include "app/handlerguard.h"
#include "app/leavequestion.h"
#include "app/messagebox.h"
#include "app/messages.h"
#include "app/progressdlgs.h"
#include "app/resources.h"
#include "app/systemmenu.h"
#include "link/cmscomm.h"
#include "link/selectportdlg.h"
#include "link/serialbackend.h"
#include "pages/basicinfopage.h"
#include "pages/channellistpage.h"
#include "pages/radiopage.h"
#include "pages/serialpage.h"
#include "protocol/factorydefaults.h"
#include "protocol/radiocommands.h"
#include "protocol/reportparser.h"

#include <QActionGroup>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QDir>
#include <QGroupBox>
#include <QIcon>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTimer>

namespace quenda {
namespace {
// Command numbers of the window-menu entries, in menu order: port, power-on, soft diagnosis, About.
const QList<int> kSystemCommands{17, 18, 19, 16};

// Long enough for "ATA\r" at the slowest rate; short enough that a dead line never hangs the window.
constexpr int kDrainBeforeCloseMs = 500;

// A report answer is a few kilobytes; a line that keeps talking is not gathered without end.
constexpr int kMaxAnswerBytes = 256 * 1024;

QIcon applicationIcon()
{
    QIcon icon;
    for (const char *size : {"32", "48", "256"})
        icon.addFile(QStringLiteral(":/res/icon128-%1.png").arg(QLatin1String(size)));
    return icon;
}
} // namespace

// Marks a handler that talks to the radio for as long as it runs.
class CQuendaDlg::OperationScope {
public:
    explicit OperationScope(CQuendaDlg &dlg) : m_dlg(dlg) { m_dlg.beginOperation(); }
    ~OperationScope() { m_dlg.endOperation(); }
    OperationScope(const OperationScope &) = delete;
    OperationScope &operator=(const OperationScope &) = delete;

private:
    CQuendaDlg &m_dlg;
};

CQuendaDlg::CQuendaDlg(QuendaEnvironment env, QWidget *parent)
    : QDialog(parent), m_pause(env.pause), m_config(*env.config),
      m_programFolder(env.programFolder.isEmpty() ? QCoreApplication::applicationDirPath()
                                                  : env.programFolder),
      m_settingsFile(m_programFolder)
{
    Q_ASSERT(env.pause && env.config);
    if (!env.backend) {
        env.backend = std::make_unique<QSerialPortBackend>(
            PortNaming(QDir(m_programFolder).filePath(QStringLiteral("ports"))));
    }
    m_comm = std::make_unique<CMSComm>(*m_pause, std::move(env.backend));
    connect(m_comm.get(), &CMSComm::OnComm, this, guarded(this, &CQuendaDlg::OnCommEvent));
    connect(m_comm.get(), &CMSComm::portLost, this, &CQuendaDlg::onPortLost);
    m_readWatchdog = new GatedTimer(*m_pause, this);
    connect(m_readWatchdog, &GatedTimer::timeout, this, &CQuendaDlg::onReadWatchdog);

    buildWindow();
    buildSystemMenu();

    if (m_settingsFile.load(m_portChoice) == SettingsFile::LoadResult::NotRegular) {
        // Told once the window is up, so the message stands over it.
        QTimer::singleShot(0, this, [this] {
            MessageBox::warn(this, messages::settingsFileNotRegular(
                                       QDir::toNativeSeparators(m_settingsFile.path())));
        });
    }
    receiveText.clear();
    m_baudText = QStringLiteral("4800");
    m_save = SaveState{};
    applyButtonStates(WindowEvent::Start);
}

CQuendaDlg::~CQuendaDlg()
{
    // The modeless windows created on the way go with the main window.
    m_readingDlg.reset();
    m_savingDlg.reset();
    m_softDiagDlg.reset();
    m_powerOnDlg.reset();
}

void CQuendaDlg::buildWindow()
{
    initResources();
    setObjectName(QStringLiteral("quendaDlg"));
    setWindowTitle(QStringLiteral("QUENDA"));
    setWindowIcon(applicationIcon());
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    setFont(DialogUnits::dialogFont());
    setFixedSize(DialogUnits::size(379, 185));

    auto *logo = new QLabel(this);
    logo->setObjectName(QStringLiteral("logo"));
    logo->setPixmap(QPixmap(QStringLiteral(":/res/bitmap129.png")));
    logo->setGeometry(DialogUnits::rect(3, 5, 93, 43));
    logo->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    auto *group = new QGroupBox(this);
    DialogUnits::place(group, 9, 54, 78, 75);

    m_commandButtons[CommandButton::Open] = addButton("openButton", QStringLiteral("打开"), 15, 65, 66, 16);
    m_commandButtons[CommandButton::Save] = addButton("saveButton", QStringLiteral("保存"), 15, 86, 66, 16);
    m_commandButtons[CommandButton::Close] = addButton("closeButton", QStringLiteral("关闭"), 15, 107, 66, 16);
    QPushButton *exitButton = addButton("exitButton", QStringLiteral("退出"), 15, 136, 66, 16);
    m_commandButtons[CommandButton::Defaults] =
        addButton("defaultsButton", QStringLiteral("恢复出厂默认值"), 15, 160, 66, 16);
    QPushButton *basicButton = addButton("basicInfoButton", QStringLiteral("基本信息"), 116, 14, 50, 14);
    m_commandButtons[CommandButton::RadioInfo] =
        addButton("radioInfoButton", QStringLiteral("电台信息"), 166, 14, 50, 14);
    m_commandButtons[CommandButton::SerialInfo] =
        addButton("serialInfoButton", QStringLiteral("串口信息"), 215, 14, 50, 14);
    QPushButton *channelButton = addButton("channelButton", QStringLiteral("频率"), 265, 14, 50, 14);

    // Present but never shown: the undo command is reached only through its enabled state.
    m_commandButtons[CommandButton::Print] = addButton("printButton", QStringLiteral("打印"), 0, 0, 1, 1);
    QPushButton *helpButton = addButton("helpButton", QStringLiteral("帮助"), 0, 0, 1, 1);
    m_commandButtons[CommandButton::Undo] =
        addButton("undoButton", QStringLiteral("撤销所有改动"), 0, 0, 1, 1);
    for (QPushButton *hidden : {m_commandButtons[CommandButton::Print], helpButton,
                                m_commandButtons[CommandButton::Undo]})
        hidden->hide();

    const QRect pageArea = DialogUnits::rect(116, 27, 256, 150);
    m_basicPage = new CBasicInfoPage(m_config, this);
    m_radioPage = new CRadioPage(m_config, this);
    m_serialPage = new CSerialPage(m_config, this);
    m_channelPage = new CChannelListPage(m_config, this);
    for (CPage *page : std::initializer_list<CPage *>{m_basicPage, m_radioPage, m_serialPage,
                                                      m_channelPage}) {
        page->move(pageArea.topLeft());
        page->resize(pageArea.size());
        page->hide();
        connect(page, &CPage::changed, this, &CQuendaDlg::MarkChanged);
    }
    m_basicPage->show();

    connect(m_commandButtons[CommandButton::Open], &QPushButton::clicked, this,
            guarded(this, &CQuendaDlg::OnConnect));
    connect(m_commandButtons[CommandButton::Save], &QPushButton::clicked, this,
            guarded(this, &CQuendaDlg::OnSave));
    connect(m_commandButtons[CommandButton::Close], &QPushButton::clicked, this,
            guarded(this, &CQuendaDlg::OnCloseRadio));
    connect(m_commandButtons[CommandButton::Defaults], &QPushButton::clicked, this,
            guarded(this, &CQuendaDlg::OnRestoreDefaults));
    connect(m_commandButtons[CommandButton::Undo], &QPushButton::clicked, this,
            guarded(this, &CQuendaDlg::OnUndoAll));
    connect(exitButton, &QPushButton::clicked, this, &CQuendaDlg::reject);
    connect(basicButton, &QPushButton::clicked, this, [this] { showPage(m_basicPage); });
    connect(m_commandButtons[CommandButton::RadioInfo], &QPushButton::clicked, this,
            [this] { showPage(m_radioPage); });
    connect(m_commandButtons[CommandButton::SerialInfo], &QPushButton::clicked, this,
            [this] { showPage(m_serialPage); });
    connect(channelButton, &QPushButton::clicked, this, [this] { showPage(m_channelPage); });
}

QPushButton *CQuendaDlg::addButton(const char *objectName, const QString &text, int x, int y,
                                   int w, int h)
{
    auto *button = new QPushButton(text, this);
    button->setObjectName(QLatin1String(objectName));
    DialogUnits::place(button, x, y, w, h);
    return button;
}

void CQuendaDlg::buildSystemMenu()
{
    m_systemMenu = new QMenu(this);
    m_systemMenu->setObjectName(QStringLiteral("systemMenu"));
    QAction *selectPort = m_systemMenu->addAction(QStringLiteral("选择端口..."));
    selectPort->setObjectName(QStringLiteral("selectPortAction"));
    connect(selectPort, &QAction::triggered, this, guarded(this, &CQuendaDlg::OnSelectPort));

    QMenu *methods = m_systemMenu->addMenu(QStringLiteral("设置连接方法"));
    auto *group = new QActionGroup(methods);
    m_powerOnAction = methods->addAction(QStringLiteral("加电连接"));
    m_powerOnAction->setObjectName(QStringLiteral("powerOnAction"));
    m_softDiagAction = methods->addAction(QStringLiteral("软诊断"));
    m_softDiagAction->setObjectName(QStringLiteral("softDiagAction"));
    for (QAction *action : {m_powerOnAction, m_softDiagAction}) {
        action->setCheckable(true);
        group->addAction(action);
    }
    connect(m_powerOnAction, &QAction::triggered, this,
            [this] { setConnectMethod(ConnectMethod::PowerOn); });
    connect(m_softDiagAction, &QAction::triggered, this,
            [this] { setConnectMethod(ConnectMethod::SoftDiagnostic); });
    setConnectMethod(ConnectMethod::SoftDiagnostic);

    m_systemMenu->addSeparator();
    QAction *about = m_systemMenu->addAction(QStringLiteral("关于 QUENDA(&A)..."));
    about->setObjectName(QStringLiteral("aboutAction"));
    connect(about, &QAction::triggered, this, &CQuendaDlg::OnAbout);
    SystemMenu::install(this, m_systemMenu, kSystemCommands);
}

void CQuendaDlg::setConnectMethod(ConnectMethod method)
{
    m_connectMethod = method;
    m_powerOnAction->setChecked(method == ConnectMethod::PowerOn);
    m_softDiagAction->setChecked(method == ConnectMethod::SoftDiagnostic);
    SystemMenu::syncChecks(this, m_systemMenu, kSystemCommands);
}

void CQuendaDlg::contextMenuEvent(QContextMenuEvent *event)
{
    // X11 and Wayland give programs no window menu: its entries live on the free area instead.
    QWidget *under = childAt(event->pos());
    if (under && !qobject_cast<QLabel *>(under) && !qobject_cast<QGroupBox *>(under) &&
        !qobject_cast<CPage *>(under)) {
        event->ignore();
        return;
    }
    m_systemMenu->exec(event->globalPos());
}

#ifdef Q_OS_WIN
bool CQuendaDlg::nativeEvent(const QByteArray &eventType, void *message, qintptr *result)
{
    if (SystemMenu::handleCommand(m_systemMenu, kSystemCommands, message)) {
        *result = 0;
        return true;
    }
    return QDialog::nativeEvent(eventType, message, result);
}
#endif

void CQuendaDlg::applyButtonStates(WindowEvent event)
{
    for (CommandButton button : kCommandButtons) {
        if (const std::optional<bool> on = buttonStateAfter(event, button))
            m_commandButtons.value(button)->setEnabled(*on);
    }
}

void CQuendaDlg::showPage(QWidget *page)
{
    for (QWidget *each : std::initializer_list<QWidget *>{m_basicPage, m_radioPage, m_serialPage,
                                                          m_channelPage}) {
        if (each != page)
            each->hide();
    }
    page->show();
}

void CQuendaDlg::MarkChanged()
{
    applyButtonStates(WindowEvent::Edited);
}

void CQuendaDlg::OnAbout()
{
    CAboutDlg about(this);
    about.exec();
}

void CQuendaDlg::OnSelectPort()
{
    CSelectPortDlg dlg(m_portChoice, PortNaming(QDir(m_programFolder).filePath(QStringLiteral("ports"))),
                       m_settingsFile, this);
    dlg.exec();
}

void CQuendaDlg::OpenPort()
{
    if (m_comm->GetPortOpen())
        m_comm->SetPortOpen(false);
    m_comm->SetCommPort(short(m_portChoice.portNumber));
    if (m_connectMethod == ConnectMethod::SoftDiagnostic)
        m_comm->SetSettings(m_baudText + QStringLiteral(",n,8,1"));
    m_comm->SetInBufferSize(1024);
    m_comm->SetOutBufferSize(512);
    m_comm->SetInputMode(1);
    m_comm->SetPortOpen(true);
    m_comm->SetRThreshold(1);
    m_comm->SetInputLen(0);
    m_comm->SetNullDiscard(true);
    m_comm->SetRTSEnable(true);
    m_comm->GetInput(); // whatever waited before the open is not the radio's answer
}

void CQuendaDlg::OnConnect()
{
    if (m_busy > 0)
        return;
    const OperationScope operation(*this);
    if (!m_portChoice.portChosen) {
        MessageBox::inform(this, messages::choosePort());
        return;
    }
    // One procedure at a time: a second one would close the port under the first.
    for (CConnectDlg *running : {static_cast<CConnectDlg *>(m_powerOnDlg.get()),
                                 static_cast<CConnectDlg *>(m_softDiagDlg.get())}) {
        if (running && running->isRunning()) {
            running->show();
            running->raise();
            return;
        }
    }
    if (m_connectMethod == ConnectMethod::PowerOn) {
        OpenPort();
        m_powerOnDlg = std::make_unique<CPowerOnConnectDlg>(static_cast<ConnectionHost &>(*this), this);
        showCentredNow(m_powerOnDlg.get(), this);
    } else {
        m_softDiagDlg = std::make_unique<CSoftDiagConnectDlg>(static_cast<ConnectionHost &>(*this), this);
        showCentredNow(m_softDiagDlg.get(), this);
    }
}

void CQuendaDlg::sendCommand(const char *text)
{
    output(QByteArray(text));
    output(QByteArray(radio::kCR));
}

void CQuendaDlg::output(const QByteArray &bytes)
{
    noteCommand(bytes);
    m_comm->SetOutput(bytes);
}

void CQuendaDlg::noteCommand(const QByteArray &bytes)
{
    // A report request starts a new answer; the channel listing belongs to the same one.
    if (bytes == radio::kReadSettings || bytes == radio::kReadSettingsAfterSave) {
        m_answer.clear();
        m_collecting = true;
        m_listingRequested = false;
        ++m_answersBegun;
    } else if (bytes == radio::kReadChannels) {
        m_listingRequested = m_collecting;
    } else if (bytes != radio::kCR) {
        m_collecting = false;
    }
}

void CQuendaDlg::beginOperation()
{
    if (m_busy++ == 0)
        m_pausesAtStart = m_pause->pauseCount();
}

void CQuendaDlg::endOperation()
{
    // Clicks made while the window was frozen wait in the window system; take them now, while
    // still busy, so that a command button pressed meanwhile is not run as a new command.
    if (m_busy == 1 && m_pause->holdsInput() && m_pause->pauseCount() != m_pausesAtStart)
        QCoreApplication::processEvents();
    if (--m_busy == 0 && m_leaveRequested)
        QMetaObject::invokeMethod(this, &CQuendaDlg::reject, Qt::QueuedConnection);
}

void CQuendaDlg::OnCommEvent()
{
    if (m_comm->GetCommEvent() != CMSComm::comEvReceive)
        return;
    const OperationScope operation(*this);
    m_pause->pause(pauses::kReceiveSettle);
    receiveText.clear();

    // Whole, however long: what follows a cut would be lost.
    const QByteArray input = m_comm->GetInput();
    const int n = int(input.size());
    // Each consumer gets its own copy: a handler re-entered from a message box cannot disturb it.
    const QByteArray detectCopy = input;
    const QByteArray parseCopy = input;
    const QByteArray writeCopy = input;
    const quint64 answersBefore = m_answersBegun;

    const QLatin1String banner(radio::kBanner);
    for (int i = 0; i < n; ++i) {
        receiveText.append(QChar(uchar(detectCopy[i])));
        if (receiveText == banner)
            runReadSequence();
    }

    if (m_save.isWriting)
        WriteDialogueStep(writeCopy.constData(), n);

    // A chunk that came before a request written while handling it is no part of its answer.
    takeAnswer(parseCopy, answersBefore == m_answersBegun);
}

void CQuendaDlg::takeAnswer(const QByteArray &chunk, bool partOfAnswer)
{
    QByteArray report = chunk;
    if (m_collecting && partOfAnswer) {
        m_answer += chunk;
        report = m_answer;
        // Complete once the radio's closing "OK" has come (after the listing, when one was
        // asked for); what arrives later is a chunk of its own again.
        const bool complete =
            report.endsWith(radio::kListingEnd) &&
            (!m_listingRequested || report.contains(radio::kListingStart));
        if (complete || m_answer.size() > kMaxAnswerBytes) {
            m_collecting = false;
            m_answer.clear();
        }
    }
    if (report.size() <= 100)
        return;
    // Two settings reports in one answer must not join their values: the later one stands.
    const qsizetype lastReport = report.lastIndexOf(radio::kSerialTag);
    if (lastReport > 0 && report.indexOf(radio::kSerialTag) != lastReport)
        report = report.mid(lastReport);

    // Traffic that carries no report (a radio still in data mode) leaves the window alone.
    RadioConfig parsed = m_config;
    if (!quenda::ParseReport(report.constData(), int(report.size()), parsed))
        return;
    m_config = parsed;
    stopReading();
    // The radio is talking: no procedure may give up and close the port under it.
    closeConnectionDialog();
    m_basicPage->FillFromRecord();
    m_serialPage->FillFromRecord();
    m_radioPage->FillFromRecord();
    m_channelPage->FillFromRecord();
    applyButtonStates(WindowEvent::ReportShown);
}

void CQuendaDlg::stopReading()
{
    m_reading = false;
    m_readWatchdog->stop();
    if (m_readingDlg)
        m_readingDlg->hide();
}

void CQuendaDlg::onReadWatchdog()
{
    m_readWatchdog->stop();
    if (!m_reading)
        return;
    stopReading();
    applyButtonStates(WindowEvent::ReadFailed);
    MessageBox::warn(this, messages::readNoAnswer());
}

void CQuendaDlg::runReadSequence()
{
    receiveText.clear();
    closeConnectionDialog();
    m_readingDlg = std::make_unique<CReadingDlg>();
    showCentredNow(m_readingDlg.get(), this);
    sendCommand(radio::kReadSettings);
    m_pause->pause(pauses::kAfterSettingsRequest);
    sendCommand(radio::kReadChannels);
    m_pause->pause(pauses::kAfterChannelRequest);
    m_reading = true;
    m_readWatchdog->start(m_readAnswerBound);
}

void CQuendaDlg::closeConnectionDialog()
{
    // Every procedure, whichever method is chosen now: one left running would send "+++" into
    // the radio in configuration mode and close the port under the session.
    if (m_powerOnDlg)
        m_powerOnDlg->stopAndHide();
    if (m_softDiagDlg)
        m_softDiagDlg->stopAndHide();
}

void CQuendaDlg::procedureGaveUp()
{
    // The port is closed: the window must not go on showing a connected radio.
    if (!m_commandButtons.value(CommandButton::Close)->isEnabled())
        return;
    stopReading();
    endSave();
    applyButtonStates(WindowEvent::PortLost);
}

void CQuendaDlg::ParseReport(const char *bytes, int n)
{
    quenda::ParseReport(bytes, n, m_config);
}

void CQuendaDlg::WriteDialogueStep(const char *bytes, int length)
{
    quenda::WriteDialogueStep(bytes, length, m_save, static_cast<WriteDialogueHost &>(*this));
}

SettingsSelection CQuendaDlg::currentSelection()
{
    SettingsSelection selection;
    m_serialPage->fillSelection(selection);
    m_radioPage->fillSelection(selection);
    return selection;
}

void CQuendaDlg::hideSavingWindow()
{
    if (m_savingDlg)
        m_savingDlg->hide();
}

void CQuendaDlg::showWriteError()
{
    MessageBox::inform(this, messages::writeError());
}

void CQuendaDlg::showSaveComplete()
{
    MessageBox::inform(this, messages::saveComplete());
}

bool CQuendaDlg::CheckSelectedChannels() const
{
    for (int row : {m_radioPage->mainTxIndex, m_radioPage->mainRxIndex,
                    m_radioPage->repeaterTxIndex, m_radioPage->repeaterRxIndex}) {
        if (!m_channelPage->rowComplete(row))
            return false;
    }
    return true;
}

void CQuendaDlg::OnSave()
{
    // A second save over a running one would rebuild the table under its dialogue.
    if (m_busy > 0 || m_save.isWriting || m_reading)
        return;
    const OperationScope operation(*this);
    // Rows that cannot be written are named before anything is sent.
    if (!m_channelPage->ConfirmRowsBeforeSave())
        return;
    if (MessageBox::ask(this, messages::confirmSave(), messages::confirmSaveCaption()) !=
        MessageBox::Ok)
        return;
    m_save.end();
    m_save.isWriting = true;
    m_savingDlg = std::make_unique<CSavingDlg>();
    showCentredNow(m_savingDlg.get(), this);

    const bool channelsChanged = m_channelPage->BuildPendingChannels(m_save);
    m_save.channelRowIndex = 0;
    const bool sent = runGuarded(this, [&] {
        if (!channelsChanged) {
            output(radio::registerCommand(102, m_serialPage->baudIndex));
            return;
        }
        if (!CheckSelectedChannels()) {
            MessageBox::ask(this, messages::channelsIncomplete(),
                            messages::channelsIncompleteCaption());
            endSave();
            return;
        }
        sendCommand(radio::kEnterChannels);
        output(QByteArray(radio::kAccessCode));
        m_pause->pause(pauses::kAfterAccessCode);
    });
    // A save whose first write failed has nothing to wait for.
    if (!sent)
        endSave();
}

void CQuendaDlg::endSave()
{
    hideSavingWindow();
    m_save.end();
}

void CQuendaDlg::OnRestoreDefaults()
{
    if (m_busy > 0 || m_save.isWriting || m_reading)
        return;
    const OperationScope operation(*this);
    RestoreDefaults(currentSelection(), static_cast<RadioOutput &>(*this));
    MarkChanged();
}

void CQuendaDlg::OnUndoAll()
{
    m_serialPage->FillFromRecord();
    m_radioPage->FillFromRecord();
    m_channelPage->FillFromRecord();
    applyButtonStates(WindowEvent::UndoAll);
}

void CQuendaDlg::OnCloseRadio()
{
    // Not in the middle of another handler; a save waiting for the radio may be abandoned.
    if (m_busy > 0)
        return;
    const OperationScope operation(*this);
    // A port that went away cannot take "ATA"; the user is told, and the window still returns
    // to its starting state so another radio can be connected.
    if (runGuarded(this, [this] { sendCommand(radio::kLeaveConfig); }))
        m_comm->drainOutput(kDrainBeforeCloseMs);
    returnToStart();
}

void CQuendaDlg::returnToStart()
{
    stopReading();
    m_basicPage->ClearFields();
    m_channelPage->ClearChannels();
    showPage(m_basicPage);
    if (m_comm->GetPortOpen())
        m_comm->SetPortOpen(false);
    endSave();
    applyButtonStates(WindowEvent::Closed);
    m_channelPage->setDeleteEnabled(false);
}

void CQuendaDlg::onPortLost(const QString &description)
{
    // Nothing more may be written: stop every procedure, then tell the user.
    endSave();
    closeConnectionDialog();
    stopReading();
    applyButtonStates(WindowEvent::PortLost);
    MessageBox::warn(this, description);
}

void CQuendaDlg::OnCancel()
{
    if (m_comm->GetPortOpen()) {
        if (runGuarded(this, [this] { sendCommand(radio::kLeaveConfig); }))
            m_comm->drainOutput(kDrainBeforeCloseMs);
        if (m_comm->GetPortOpen())
            m_comm->SetPortOpen(false);
    }
}

void CQuendaDlg::reject()
{
    if (m_ending)
        return;
    // Leaving mid-handler would send "ATA" into a read or a save: leave once it has returned.
    if (m_busy > 0) {
        m_leaveRequested = true;
        return;
    }
    if (!confirmLeave(this, m_commandButtons.value(CommandButton::Save)->isEnabled()))
        return;
    m_ending = true;
    OnCancel();
    QDialog::reject();
}

void CQuendaDlg::accept()
{
    // Enter on the window must not end the program without "ATA"; it does nothing here.
}

void CQuendaDlg::closeEvent(QCloseEvent *event)
{
    event->ignore();
    reject();
}

} // namespace quenda
