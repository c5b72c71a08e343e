#include "link/connectdlgs.h"

#include "ui/dialogunits.h"
#include "ui/messagebox.h"

#include <QLabel>

namespace quenda {

CConnectDlg::CConnectDlg(ConnectProcedure &procedure, QWidget *parent)
    : QDialog(parent), m_procedure(&procedure)
{
    setWindowTitle(QStringLiteral("连接电台"));
    setFont(DialogUnits::dialogFont());
    setModal(false);
    connect(&procedure, &ConnectProcedure::ticked, this, [this] { showState(); });
    connect(&procedure, &ConnectProcedure::stopped, this, &QWidget::hide);
    connect(&procedure, &ConnectProcedure::gaveUp, this,
            [this](const QString &message) { MessageBox::inform(this, message); });
    connect(&procedure, &ConnectProcedure::failed, this,
            [this](const QString &description) { MessageBox::warn(this, description); });
}

void CConnectDlg::tick()
{
    if (m_procedure)
        m_procedure->tick();
}

void CConnectDlg::stopAndHide()
{
    if (m_procedure)
        m_procedure->stop();
    hide();
}

bool CConnectDlg::isRunning() const
{
    return m_procedure && m_procedure->isRunning();
}

void CConnectDlg::setTickPeriod(int periodMs)
{
    if (m_procedure)
        m_procedure->setTickPeriod(periodMs);
}

QLabel *CConnectDlg::addLabel(const QString &text, int x, int y, int w, int h)
{
    auto *label = new QLabel(text, this);
    DialogUnits::place(label, x, y, w, h);
    // A stand-in for 宋体 may be wider: let the text run on rather than lose its last characters.
    const int needed = label->sizeHint().width();
    if (needed > label->width())
        label->resize(qMin(needed, DialogUnits::x(158) - label->x()), label->height());
    return label;
}

CPowerOnConnectDlg::CPowerOnConnectDlg(PowerOnProcedure &procedure, QWidget *parent)
    : CConnectDlg(procedure, parent)
{
    setFixedSize(DialogUnits::size(158, 74));
    m_portLabel = addLabel(QStringLiteral("COM%1").arg(procedure.portNumber()), 56, 13, 25, 8);
    addLabel(QStringLiteral("请按住CONFIG键，在10秒内给K7V4上电！"), 7, 31, 145, 8);
    addLabel(QStringLiteral("剩余时间（秒）："), 26, 49, 65, 8);
    m_secondsLabel = addLabel(QString::number(procedure.secondsShown()), 93, 48, 25, 8);
}

const PowerOnProcedure *CPowerOnConnectDlg::procedure() const
{
    return static_cast<const PowerOnProcedure *>(m_procedure.data());
}

int CPowerOnConnectDlg::secondsLeft() const
{
    return procedure() ? procedure()->secondsLeft() : 0;
}

QString CPowerOnConnectDlg::portText() const
{
    return m_portLabel->text();
}

QString CPowerOnConnectDlg::secondsText() const
{
    return m_secondsLabel->text();
}

void CPowerOnConnectDlg::showState()
{
    if (procedure())
        m_secondsLabel->setText(QString::number(procedure()->secondsShown()));
}

CSoftDiagConnectDlg::CSoftDiagConnectDlg(SoftDiagnosticProcedure &procedure, QWidget *parent)
    : CConnectDlg(procedure, parent)
{
    setFixedSize(DialogUnits::size(135, 79));
    m_portLabel = addLabel(QStringLiteral("COM%1").arg(procedure.portNumber()), 47, 14, 25, 8);
    addLabel(QStringLiteral("尝试软诊断连接电台"), 26, 32, 73, 8);
    addLabel(QStringLiteral("波特率："), 25, 49, 33, 8);
    m_rateLabel = addLabel(procedure.rateTried(), 65, 49, 40, 8);
}

const SoftDiagnosticProcedure *CSoftDiagConnectDlg::procedure() const
{
    return static_cast<const SoftDiagnosticProcedure *>(m_procedure.data());
}

int CSoftDiagConnectDlg::tryIndex() const
{
    return procedure() ? procedure()->tryIndex() : 0;
}

QString CSoftDiagConnectDlg::portText() const
{
    return m_portLabel->text();
}

QString CSoftDiagConnectDlg::rateText() const
{
    return m_rateLabel->text();
}

void CSoftDiagConnectDlg::showState()
{
    if (procedure())
        m_rateLabel->setText(procedure()->rateTried());
}

} // namespace quenda
