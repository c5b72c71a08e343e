#include "ui/messagebox.h"

#include <QCoreApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QQueue>

namespace quenda {
namespace {
struct TestState {
    bool testMode = false;
    QQueue<MessageBox::Answer> answers;
    QStringList shown;
};

TestState &testState()
{
    static TestState state;
    return state;
}

MessageBox::Answer run(QWidget *parent, const QString &text, const QString &caption,
                       QMessageBox::Icon icon, bool withCancel)
{
    TestState &state = testState();
    state.shown << text;
    if (state.testMode)
        return state.answers.isEmpty() ? MessageBox::Ok : state.answers.dequeue();

    QMessageBox box(icon, caption.isEmpty() ? MessageBox::applicationName() : caption, text,
                    withCancel ? QMessageBox::Ok | QMessageBox::Cancel : QMessageBox::Ok, parent);
    box.button(QMessageBox::Ok)->setText(QStringLiteral("确定"));
    if (withCancel)
        box.button(QMessageBox::Cancel)->setText(QStringLiteral("取消"));
    return box.exec() == QMessageBox::Ok ? MessageBox::Ok : MessageBox::Cancel;
}
} // namespace

MessageBox::Answer MessageBox::inform(QWidget *parent, const QString &text, const QString &caption)
{
    return run(parent, text, caption, QMessageBox::NoIcon, false);
}

MessageBox::Answer MessageBox::ask(QWidget *parent, const QString &text, const QString &caption)
{
    return run(parent, text, caption, QMessageBox::Question, true);
}

MessageBox::Answer MessageBox::warn(QWidget *parent, const QString &text, const QString &caption)
{
    return run(parent, text, caption, QMessageBox::Warning, false);
}

QString MessageBox::applicationName()
{
    // Qt derives it from the executable's file name, without extension.
    return QCoreApplication::applicationName();
}

void MessageBox::setTestMode(bool on)
{
    testState().testMode = on;
}

void MessageBox::setNextAnswer(Answer answer)
{
    testState().answers.enqueue(answer);
}

QStringList MessageBox::shownTexts()
{
    return testState().shown;
}

void MessageBox::reset()
{
    testState() = TestState{};
}

} // namespace quenda
