#include "pages/comparedlg.h"

#include "pages/profiletable.h"
#include "ui/dialogunits.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace quenda {

CCompareDlg::CCompareDlg(const RadioProfile &left, const QString &leftTitle,
                         const RadioProfile &right, const QString &rightTitle, QWidget *parent)
    : QDialog(parent), m_table(new CProfileTable(this)), m_summary(new QLabel(this)),
      m_onlyDifferences(new QCheckBox(QStringLiteral("只显示不同项(&D)"), this)),
      m_next(new QPushButton(QStringLiteral("下一处不同(&N)"), this)),
      m_close(new QPushButton(QStringLiteral("关闭"), this))
{
    setObjectName(QStringLiteral("compareDlg"));
    setWindowTitle(QStringLiteral("与文件比较"));
    setFont(DialogUnits::dialogFont());
    resize(DialogUnits::size(360, 260));

    m_table->setObjectName(QStringLiteral("compareTable"));
    m_table->showProfiles(left, leftTitle, right, rightTitle);
    m_table->setAccessibleName(QStringLiteral("比较结果"));

    const qsizetype count = m_table->differences().size();
    m_summary->setObjectName(QStringLiteral("compareSummary"));
    m_summary->setText(count == 0 ? QStringLiteral("两者的设置和信道完全相同。")
                                  : QStringLiteral("共有 %1 处不同，已用“≠”标出。").arg(count));

    m_onlyDifferences->setObjectName(QStringLiteral("onlyDifferences"));
    m_onlyDifferences->setEnabled(count > 0);
    connect(m_onlyDifferences, &QCheckBox::toggled, m_table, &CProfileTable::setOnlyDifferences);

    m_next->setObjectName(QStringLiteral("nextDifference"));
    m_next->setEnabled(count > 0);
    m_next->setAutoDefault(false);
    connect(m_next, &QPushButton::clicked, m_table, [this] {
        m_table->goToNextDifference();
        m_table->setFocus();
    });

    m_close->setObjectName(QStringLiteral("closeButton"));
    m_close->setDefault(true);
    connect(m_close, &QPushButton::clicked, this, &QDialog::accept);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_onlyDifferences);
    buttons->addStretch();
    buttons->addWidget(m_next);
    buttons->addWidget(m_close);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_summary);
    layout->addWidget(m_table, 1);
    layout->addLayout(buttons);

    const QMargins margins = layout->contentsMargins();
    resize(qMax(width(), m_table->contentsWidth() + margins.left() + margins.right()), height());

    // The first difference is where the user wants to look; Tab goes on to the options.
    m_table->setFocus();
    if (count > 0)
        m_table->goToFirstDifference();
    setTabOrder(m_table, m_onlyDifferences);
    setTabOrder(m_onlyDifferences, m_next);
    setTabOrder(m_next, m_close);
}

} // namespace quenda
