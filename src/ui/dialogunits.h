#pragma once

#include <QFont>
#include <QRect>
#include <QSize>

class QWidget;

namespace quenda {

// Layout positions are given in dialog units of the dialog font (宋体 9 pt); this turns them into
// pixels of the font actually used, so every window keeps its proportions on any platform.
class DialogUnits {
public:
    static QFont dialogFont();
    static int x(int units);
    static int y(int units);
    static QRect rect(int x, int y, int w, int h);
    static QSize size(int w, int h);
    // Gives `widget` the dialog font and places it at a rectangle in dialog units.
    static void place(QWidget *widget, int x, int y, int w, int h);
};

} // namespace quenda
