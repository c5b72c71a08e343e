#include "support/modalanswerer.h"

#include <QAbstractButton>
#include <QPushButton>
#include <QApplication>
#include <QDeadlineTimer>
#include <QDialog>
#include <QMenu>
#include <QTest>

namespace quenda::test {
namespace {
constexpr int kPollMs = 20;

QString withoutMnemonic(QString text)
{
    return text.remove(QLatin1Char('&'));
}

QAbstractButton *acceptingButton(QMessageBox *box)
{
    for (QAbstractButton *button : box->buttons()) {
        if (box->buttonRole(button) == QMessageBox::AcceptRole)
            return button;
    }
    if (QAbstractButton *button = box->defaultButton())
        return button;
    const QList<QAbstractButton *> buttons = box->buttons();
    return buttons.isEmpty() ? nullptr : buttons.first();
}

void clickLater(QObject *context, QWidget *widget, QPoint pos = {})
{
    // Clicking from inside the timer's own slot would block it for the nested loops the click
    // may open; a queued call leaves the timer free to answer the boxes those loops show.
    QMetaObject::invokeMethod(
        context,
        [target = QPointer<QWidget>(widget), pos] {
            if (!target)
                return;
            if (!pos.isNull())
                QTest::mouseMove(target, pos);
            QTest::mouseClick(target, Qt::LeftButton, Qt::NoModifier, pos);
        },
        Qt::QueuedConnection);
}
} // namespace

ModalAnswerer::ModalAnswerer(QObject *parent) : QObject(parent)
{
    m_timer.setInterval(kPollMs);
    connect(&m_timer, &QTimer::timeout, this, &ModalAnswerer::poll);
    m_timer.start();
}

void ModalAnswerer::answerNext(const QString &buttonText)
{
    m_answers.append(buttonText);
}

void ModalAnswerer::handleNextDialog(std::function<void(QDialog *)> handler)
{
    m_dialogHandlers.append(std::move(handler));
}

void ModalAnswerer::chooseInNextMenu(const QStringList &path)
{
    if (!path.isEmpty())
        m_menuPaths.append(path);
}

QStringList ModalAnswerer::texts() const
{
    QStringList result;
    for (const Box &box : m_boxes)
        result << box.text;
    return result;
}

bool ModalAnswerer::waitForCount(qsizetype n, int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    while (m_boxes.size() < n && !deadline.hasExpired())
        QTest::qWait(10);
    return m_boxes.size() >= n;
}

bool ModalAnswerer::waitForText(const QString &text, int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    for (;;) {
        if (texts().contains(text))
            return true;
        if (deadline.hasExpired())
            return false;
        QTest::qWait(10);
    }
}

bool ModalAnswerer::allUsed() const
{
    return m_answers.isEmpty() && m_dialogHandlers.isEmpty() && m_menuPaths.isEmpty();
}

void ModalAnswerer::clear()
{
    m_boxes.clear();
    m_answers.clear();
    m_dialogHandlers.clear();
    m_menuPaths.clear();
    m_menuStep = 0;
}

void ModalAnswerer::poll()
{
    QWidget *popup = QApplication::activePopupWidget();
    if (popup != m_menuActing)
        m_menuActing = nullptr;
    if (popup) {
        auto *menu = qobject_cast<QMenu *>(popup);
        if (menu && menu != m_menuActing && !m_menuPaths.isEmpty())
            stepMenu(menu);
        return;
    }

    QWidget *modal = QApplication::activeModalWidget();
    if (!modal || !modal->isVisible() || modal == m_acting)
        return;
    if (auto *box = qobject_cast<QMessageBox *>(modal)) {
        answerBox(box);
        return;
    }
    auto *dialog = qobject_cast<QDialog *>(modal);
    if (!dialog || m_dialogHandlers.isEmpty())
        return;
    m_acting = dialog;
    QMetaObject::invokeMethod(
        this,
        [handler = m_dialogHandlers.takeFirst(), target = QPointer<QDialog>(dialog)] {
            if (target)
                handler(target);
        },
        Qt::QueuedConnection);
}

void ModalAnswerer::answerBox(QMessageBox *box)
{
    Box seen;
    seen.caption = box->windowTitle();
    seen.text = box->text();
    seen.icon = box->icon();
    for (QAbstractButton *button : box->buttons())
        seen.buttons << button->text();

    QAbstractButton *chosen = nullptr;
    if (!m_answers.isEmpty()) {
        const QString wanted = m_answers.takeFirst();
        for (QAbstractButton *button : box->buttons()) {
            if (button->text() == wanted)
                chosen = button;
        }
        if (!chosen)
            qWarning("ModalAnswerer: the box \"%s\" has no button \"%s\"", qPrintable(seen.text),
                     qPrintable(wanted));
    }
    if (!chosen)
        chosen = acceptingButton(box);
    seen.clicked = chosen ? chosen->text() : QString();
    m_boxes.append(seen);
    m_acting = box;
    if (chosen && m_answerDelayMs > 0)
        QTimer::singleShot(m_answerDelayMs, this, [this, target = QPointer<QAbstractButton>(chosen)] {
            if (target)
                clickLater(this, target);
        });
    else if (chosen)
        clickLater(this, chosen);
}

void ModalAnswerer::stepMenu(QMenu *menu)
{
    const QStringList &path = m_menuPaths.first();
    const QString wanted = withoutMnemonic(path.at(m_menuStep));
    QAction *found = nullptr;
    for (QAction *action : menu->actions()) {
        if (withoutMnemonic(action->text()) == wanted)
            found = action;
    }
    if (!found)
        return; // a parent menu, still waiting for its submenu to come up
    m_menuActing = menu;
    if (++m_menuStep == path.size()) {
        m_menuPaths.removeFirst();
        m_menuStep = 0;
    }
    clickLater(this, menu, menu->actionGeometry(found).center());
}

} // namespace quenda::test
