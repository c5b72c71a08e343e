#include "app/commlogwindow.h"

#include "link/commlog.h"
#include "protocol/filereason.h"
#include "protocol/messages.h"
#include "ui/dialogunits.h"
#include "ui/filedialog.h"
#include "ui/messagebox.h"

#include <QClipboard>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSaveFile>
#include <QVBoxLayout>

#include <algorithm>

namespace quenda {
namespace {
// Empty when written, otherwise why not. A failed save leaves any earlier file as it was.
QString writeText(const QString &path, const QString &text)
{
    const QFileInfo folder(QFileInfo(path).absolutePath());
    if (!folder.isDir())
        return messages::folderMissing();
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text))
        return folder.isWritable() ? fileErrorReason(file) : messages::folderReadOnly();
    const QByteArray bytes = text.toUtf8();
    // Flushing here catches a full disk, which the commit does not always report.
    if (file.write(bytes) != bytes.size() || !file.flush()) {
        const QString reason = fileErrorReason(file);
        file.cancelWriting();
        return reason;
    }
    return file.commit() ? QString() : fileErrorReason(file);
}
} // namespace

CCommLogWindow::CCommLogWindow(CommLog &log, QWidget *parent)
    : QDialog(parent), m_log(log), m_view(new QPlainTextEdit(this)), m_count(new QLabel(this)),
      m_clear(new QPushButton(QStringLiteral("清空"), this)),
      m_copy(new QPushButton(QStringLiteral("复制"), this)),
      m_save(new QPushButton(QStringLiteral("保存..."), this)),
      m_close(new QPushButton(QStringLiteral("关闭"), this))
{
    setObjectName(QStringLiteral("commLogWindow"));
    setWindowTitle(QStringLiteral("通信记录"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint);
    setAttribute(Qt::WA_DeleteOnClose);
    setModal(false);
    setFont(DialogUnits::dialogFont());
    resize(DialogUnits::size(420, 240));

    m_view->setObjectName(QStringLiteral("commLogView"));
    m_view->setReadOnly(true);
    m_view->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_view->setMaximumBlockCount(kMaxLines);
    m_view->setUndoRedoEnabled(false);
    QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    fixed.setPointSize(DialogUnits::dialogFont().pointSize());
    m_view->setFont(fixed);
    m_count->setObjectName(QStringLiteral("commLogCount"));

    const std::pair<QPushButton *, const char *> buttons[] = {
        {m_clear, "clearLogButton"},
        {m_copy, "copyLogButton"},
        {m_save, "saveLogButton"},
        {m_close, "closeLogButton"},
    };
    auto *row = new QHBoxLayout;
    row->addWidget(m_count, 1);
    for (const auto &[button, name] : buttons) {
        button->setObjectName(QLatin1String(name));
        // Enter in the view must not press a button.
        button->setAutoDefault(false);
        button->setMinimumWidth(DialogUnits::x(50));
        row->addWidget(button);
    }
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_view, 1);
    layout->addLayout(row);

    m_refresh.setSingleShot(true);
    m_refresh.setInterval(kRefreshMs);
    connect(&m_refresh, &QTimer::timeout, this, &CCommLogWindow::showNew);
    connect(m_clear, &QPushButton::clicked, this, &CCommLogWindow::OnClear);
    connect(m_copy, &QPushButton::clicked, this, &CCommLogWindow::OnCopy);
    connect(m_save, &QPushButton::clicked, this, &CCommLogWindow::OnSave);
    connect(m_close, &QPushButton::clicked, this, &QDialog::reject);
}

void CCommLogWindow::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    follow(true);
    const bool empty = m_view->document()->isEmpty();
    showNew();
    // Opened on the newest lines, at their start: a long chunk must not scroll the rest away.
    if (empty) {
        m_view->moveCursor(QTextCursor::End);
        m_view->moveCursor(QTextCursor::StartOfBlock);
    }
}

void CCommLogWindow::hideEvent(QHideEvent *event)
{
    follow(false);
    QDialog::hideEvent(event);
}

void CCommLogWindow::follow(bool on)
{
    if (on == !m_following.isEmpty())
        return;
    if (!on) {
        for (const QMetaObject::Connection &c : std::as_const(m_following))
            disconnect(c);
        m_following.clear();
        m_refresh.stop();
        return;
    }
    // The timer runs in the pause's event loop too, so lines come while the session waits.
    m_following << connect(&m_log, &CommLog::appended, this, [this] {
        if (!m_refresh.isActive())
            m_refresh.start();
    });
    m_following << connect(&m_log, &CommLog::cleared, this, [this] {
        m_refresh.stop();
        m_view->clear();
        m_shown = m_log.appendedCount();
        showCount();
    });
}

void CCommLogWindow::showNew()
{
    m_refresh.stop();
    const quint64 first = m_log.firstNumber();
    const quint64 end = m_log.appendedCount();
    // Entries the log dropped before they were shown are gone; beyond the view's size only
    // the newest count.
    quint64 from = std::max(m_shown, first);
    if (end - from > quint64(kMaxLines))
        from = end - quint64(kMaxLines);
    if (from < end) {
        const std::deque<CommLogEntry> &entries = m_log.entries();
        QString text;
        for (quint64 n = from; n < end; ++n) {
            if (n > from)
                text += u'\n';
            text += m_log.formatEntry(entries[std::size_t(n - first)]);
        }
        m_view->appendPlainText(text);
    }
    m_shown = end;
    showCount();
}

void CCommLogWindow::showCount()
{
    const quint64 entries = m_log.entries().size();
    m_count->setText(entries > quint64(kMaxLines) ? messages::commLogCountCut(entries, kMaxLines)
                                                  : messages::commLogCount(entries));
}

void CCommLogWindow::OnClear()
{
    m_log.clear();
    // Also when hidden and so not following: the view must not keep what the log lost.
    m_view->clear();
    m_shown = m_log.appendedCount();
    showCount();
}

void CCommLogWindow::OnCopy()
{
    QString text = m_view->textCursor().selectedText();
    text = text.isEmpty() ? m_log.toText() : text.replace(QChar::ParagraphSeparator, u'\n');
    QGuiApplication::clipboard()->setText(text);
}

void CCommLogWindow::OnSave()
{
    const QString proposed = QStringLiteral("通信记录-%1.txt")
                                 .arg(QDateTime::currentDateTime().toString(
                                     QStringLiteral("yyyyMMdd-HHmmss")));
    const QString path = FileDialog::getSaveFileName(this, QStringLiteral("保存通信记录"), proposed,
                                                     FileDialog::Log);
    if (path.isEmpty())
        return;
    const QString reason = writeText(path, m_log.toText());
    if (!reason.isEmpty())
        MessageBox::warn(this, messages::commLogNotSaved(QDir::toNativeSeparators(path), reason));
}

} // namespace quenda
