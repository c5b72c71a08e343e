#include "pages/page.h"

#include "ui/dialogunits.h"

#include <QLabel>

namespace quenda {

CPage::CPage(const RadioConfig &config, int widthUnits, int heightUnits, QWidget *parent)
    : QFrame(parent), m_config(config)
{
    setFrameStyle(QFrame::WinPanel | QFrame::Raised);
    setFont(DialogUnits::dialogFont());
    const int border = frameWidth();
    // Its own size until the main window fits it into the page frame.
    resize(DialogUnits::size(widthUnits, heightUnits) + QSize(2 * border, 2 * border));
}

void CPage::place(QWidget *widget, int x, int y, int w, int h) const
{
    DialogUnits::place(widget, x, y, w, h);
    widget->move(widget->pos() + QPoint(frameWidth(), frameWidth()));
}

QLabel *CPage::addCaption(const QString &text, QWidget *buddy, int x, int y, int w, int h,
                          Qt::Alignment alignment)
{
    auto *label = new QLabel(text, this);
    label->setAlignment(alignment | Qt::AlignVCenter);
    label->setBuddy(buddy);
    place(label, x, y, w, h);
    // Fonts other than the dialog's own can be wider: a caption grows away from its control.
    const int missing = label->sizeHint().width() - label->width();
    if (missing > 0) {
        const int left = qMax(frameWidth(), label->x() - missing);
        label->setGeometry(left, label->y(), label->geometry().right() - left + 1, label->height());
    }
    buddy->setAccessibleName(QString(text).remove(u'：'));
    return label;
}

} // namespace quenda
