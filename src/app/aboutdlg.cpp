#include "app/aboutdlg.h"

#include "ui/dialogunits.h"

#include <QLabel>
#include <QPixmap>
#include <QPushButton>

namespace quenda {

CAboutDlg::CAboutDlg(QWidget *parent) : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint)
{
    setObjectName(QStringLiteral("aboutDlg"));
    setFont(DialogUnits::dialogFont());
    setFixedSize(DialogUnits::size(248, 191));

    auto *picture = new QLabel(this);
    picture->setPixmap(QPixmap(QStringLiteral(":/res/bitmap142.png")));
    picture->setScaledContents(true);
    picture->setGeometry(DialogUnits::rect(0, 0, 248, 173));
    picture->setAccessibleName(QStringLiteral("QUENDA"));

    auto *ok = new QPushButton(QStringLiteral("确定"), this);
    ok->setObjectName(QStringLiteral("aboutOk"));
    DialogUnits::place(ok, 0, 174, 247, 17);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}

} // namespace quenda
