#pragma once

#include <QString>
#include <QStringList>

class QWidget;

namespace quenda {

// Every message box of the program goes through here, so that tests can answer them.
class MessageBox {
public:
    enum Answer { Ok, Cancel };

    // OK only, no icon; the caption defaults to the application's name.
    static Answer inform(QWidget *parent, const QString &text, const QString &caption = {});
    // OK and Cancel with the question icon.
    static Answer ask(QWidget *parent, const QString &text, const QString &caption = {});
    // OK only, warning icon: failures with files or the port.
    static Answer warn(QWidget *parent, const QString &text, const QString &caption = {});

    static QString applicationName();

    // Tests: while set, no box is shown; queued answers are taken in turn, then OK.
    static void setTestMode(bool on);
    static void setNextAnswer(Answer answer);
    static QStringList shownTexts();
    static void reset();
};

} // namespace quenda
