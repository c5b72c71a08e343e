#include "ui/dialogunits.h"

#include <QFontMetrics>
#include <QWidget>

namespace quenda {
namespace {
struct BaseUnits {
    int x;
    int y;
};

const BaseUnits &baseUnits()
{
    static const BaseUnits units = [] {
        const QFontMetrics metrics(DialogUnits::dialogFont());
        // The average width of the Latin letters, rounded, as the dialog manager measures it.
        const QString letters = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
        const int average = (metrics.horizontalAdvance(letters) / 26 + 1) / 2;
        return BaseUnits{qMax(1, average), qMax(1, metrics.height())};
    }();
    return units;
}
} // namespace

QFont DialogUnits::dialogFont()
{
    static const QFont font = [] {
        QFont f(QStringLiteral("SimSun"));
        // Where 宋体 is missing, the system's CJK font takes its place.
        f.setFamilies({QStringLiteral("SimSun"), QStringLiteral("宋体"), QStringLiteral("NSimSun"),
                       QStringLiteral("WenQuanYi Zen Hei"), QStringLiteral("Noto Sans CJK SC"),
                       QStringLiteral("Noto Sans SC")});
        f.setPointSize(9);
        return f;
    }();
    return font;
}

int DialogUnits::x(int units)
{
    return (units * baseUnits().x + 2) / 4;
}

int DialogUnits::y(int units)
{
    return (units * baseUnits().y + 4) / 8;
}

QRect DialogUnits::rect(int x0, int y0, int w, int h)
{
    return QRect(x(x0), y(y0), x(w), y(h));
}

QSize DialogUnits::size(int w, int h)
{
    return QSize(x(w), y(h));
}

void DialogUnits::place(QWidget *widget, int x0, int y0, int w, int h)
{
    widget->setFont(dialogFont());
    widget->setGeometry(rect(x0, y0, w, h));
}

} // namespace quenda
