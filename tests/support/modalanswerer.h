#pragma once

#include <QList>
#include <QMessageBox>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QTimer>

#include <functional>

class QDialog;
class QMenu;

namespace quenda::test {

// Answers the real modal windows of the program as a user would. Every QMessageBox that comes
// up is recorded and one of its buttons clicked with the mouse; other modal dialogs and popup
// menus go to what the test queued for them. It polls on a timer and acts from queued calls,
// so it answers boxes opened inside pauses, inside other modal loops and inside its own clicks.
class ModalAnswerer : public QObject {
    Q_OBJECT
public:
    struct Box {
        QString caption;
        QString text;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        QStringList buttons; // texts, in the box's order
        QString clicked;
    };

    explicit ModalAnswerer(QObject *parent = nullptr);

    // The next box gets the button with this text; boxes beyond the queue get their accepting
    // button ("确定").
    void answerNext(const QString &buttonText);
    // The next modal dialog that is not a message box goes to `handler`, which should end it.
    void handleNextDialog(std::function<void(QDialog *)> handler);
    // In the next popup menu, clicks the entries of `path`, one menu level per entry.
    void chooseInNextMenu(const QStringList &path);

    QList<Box> boxes() const { return m_boxes; }
    QStringList texts() const;
    qsizetype count() const { return m_boxes.size(); }
    // Processes events until `n` boxes have been answered in all; false when time ran out.
    bool waitForCount(qsizetype n, int timeoutMs);
    // Processes events until a box with exactly this text has been answered.
    bool waitForText(const QString &text, int timeoutMs);
    // Boxes are answered this long after they came up, as a user who reads them would.
    void setAnswerDelay(int ms) { m_answerDelayMs = ms; }
    // Nothing queued is left over.
    bool allUsed() const;
    void clear();

private:
    void poll();
    void answerBox(QMessageBox *box);
    void stepMenu(QMenu *menu);

    QTimer m_timer;
    QList<Box> m_boxes;
    QStringList m_answers;
    QList<std::function<void(QDialog *)>> m_dialogHandlers;
    QList<QStringList> m_menuPaths;
    int m_menuStep = 0;
    int m_answerDelayMs = 0;
    QPointer<QWidget> m_acting; // the window a queued action is about to serve
    QPointer<QMenu> m_menuActing;
};

} // namespace quenda::test
