#pragma once

#include "protocol/radioconfig.h"

#include <QFrame>

class QLabel;

namespace quenda {

// Common frame of the four configuration pages: a bordered child dialog laid out in dialog
// units of the dialog font, reading the process-wide configuration record.
class CPage : public QFrame {
    Q_OBJECT
public:
    CPage(const RadioConfig &config, int widthUnits, int heightUnits, QWidget *parent);

signals:
    // The user changed something that differs from what was read: Save becomes possible.
    void changed();

protected:
    void MarkChanged() { emit changed(); }

    // Places a child at a rectangle in dialog units of the client area inside the border.
    void place(QWidget *widget, int x, int y, int w, int h) const;
    // A static caption that names `buddy` for keyboard and assistive technology.
    QLabel *addCaption(const QString &text, QWidget *buddy, int x, int y, int w, int h,
                       Qt::Alignment alignment = Qt::AlignLeft);

    const RadioConfig &m_config;
};

} // namespace quenda
