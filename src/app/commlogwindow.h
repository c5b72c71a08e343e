#pragma once

#include <QDialog>
#include <QList>
#include <QTimer>

class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace quenda {

class CommLog;

// "通信记录": the session's communication log, one line per entry, kept up to date while the
// window is shown, the session's pauses included. Hidden, it listens to nothing; closed, it is
// destroyed, so a log nobody looks at costs no more than keeping it.
class CCommLogWindow : public QDialog {
    Q_OBJECT
public:
    // Lines the view keeps; saving and copying without a selection take the whole log.
    static constexpr int kMaxLines = 100000;
    // Entries arriving closer together than this are shown together: a listing that comes byte
    // by byte must not cost a repaint per byte.
    static constexpr int kRefreshMs = 50;

    // `log` must outlive the window.
    explicit CCommLogWindow(CommLog &log, QWidget *parent = nullptr);

    QPlainTextEdit *view() const { return m_view; }
    QLabel *count() const { return m_count; }
    QPushButton *clearButton() const { return m_clear; }
    QPushButton *copyButton() const { return m_copy; }
    QPushButton *saveButton() const { return m_save; }
    QPushButton *closeButton() const { return m_close; }

    void OnClear();
    // The selection if there is one, else the whole log with its heading.
    void OnCopy();
    void OnSave();

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    void follow(bool on);
    void showNew();
    void showCount();

    CommLog &m_log;
    QPlainTextEdit *m_view;
    QLabel *m_count;
    QPushButton *m_clear;
    QPushButton *m_copy;
    QPushButton *m_save;
    QPushButton *m_close;
    QTimer m_refresh;
    QList<QMetaObject::Connection> m_following;
    quint64 m_shown = 0; // number of the next entry to show
};

} // namespace quenda
