#include "app/progressdlgs.h"

#include "ui/dialogunits.h"

#include <QGuiApplication>
#include <QLabel>
#include <QScreen>

#include <algorithm>

namespace quenda {
namespace {
QLabel *label(QWidget *parent, const QString &text, int x, int y, int w, int h)
{
    auto *l = new QLabel(text, parent);
    DialogUnits::place(l, x, y, w, h);
    return l;
}

void setUpProgressWindow(QDialog *dlg, const QString &caption, int w, int h)
{
    dlg->setWindowTitle(caption);
    dlg->setFont(DialogUnits::dialogFont());
    dlg->setFixedSize(DialogUnits::size(w, h));
    dlg->setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                        Qt::WindowCloseButtonHint);
    dlg->setModal(false);
}
} // namespace

CReadingDlg::CReadingDlg(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("readingDlg"));
    setUpProgressWindow(this, QStringLiteral("读取配置"), 155, 66);
    label(this, QStringLiteral("正在读取设置，请稍候"), 21, 28, 81, 8);
    label(this, QStringLiteral("..."), 102, 28, 9, 8);
    label(this, QStringLiteral("..."), 114, 28, 9, 8);
    label(this, QStringLiteral("..."), 126, 28, 9, 8);
}

CSavingDlg::CSavingDlg(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("savingDlg"));
    setUpProgressWindow(this, QStringLiteral("保存设置"), 187, 64);
    label(this, QStringLiteral("新设置保存中，请稍候......"), 31, 28, 105, 8);
}

void showCentredNow(QWidget *window, QWidget *reference)
{
    QScreen *screen = reference ? reference->screen() : QGuiApplication::primaryScreen();
    if (screen) {
        const QRect area = screen->availableGeometry();
        // Over the main window, where the user looks; over the screen only without one.
        const QRect over = reference && reference->isVisible()
                               ? reference->window()->frameGeometry()
                               : area;
        QRect frame = window->frameGeometry();
        frame.moveCenter(over.center());
        // A main window half off the screen must not take the window with it.
        frame.moveRight(std::min(frame.right(), area.right()));
        frame.moveLeft(std::max(frame.left(), area.left()));
        frame.moveBottom(std::min(frame.bottom(), area.bottom()));
        frame.moveTop(std::max(frame.top(), area.top()));
        window->move(frame.topLeft());
    }
    window->show();
    if (QGuiApplication::platformName() != QLatin1String("offscreen"))
        window->raise();
    window->repaint();
}

} // namespace quenda
