#include "app/NavigationBar.h"

#include <QAction>
#include <QToolButton>
#include <QVBoxLayout>

NavigationBar::NavigationBar(QWidget* parent) : QWidget(parent)
{
    m_layout = new QVBoxLayout(this);
    m_layout->setContentsMargins(0, 0, 0, 0);
    m_layout->setSpacing(1);
    m_layout->addStretch(1);
    setStyleSheet(QStringLiteral(
        "NavigationBar { background: rgb(120,150,205); }"
        "QToolButton#groupHeader { background: qlineargradient(x1:0,y1:0,x2:0,y2:1, stop:0 #f4f8ff, stop:1 #b9cdef);"
        "  border: 1px solid #7f9db9; font-weight: bold; padding: 4px; text-align: left; }"
        "QToolButton#navItem { color: white; border: none; padding: 3px; }"
        "QToolButton#navItem:hover { background: rgba(255,255,255,40); border-radius: 3px; }"
        "QToolButton#navItem:disabled { color: rgb(190,200,220); }"));
}

int NavigationBar::addGroup(const QString& caption, bool open)
{
    Group g;
    g.header = new QToolButton(this);
    g.header->setObjectName(QStringLiteral("groupHeader"));
    g.header->setText(caption);
    g.header->setCheckable(true);
    g.header->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    g.header->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    g.items = new QWidget(this);
    g.layout = new QVBoxLayout(g.items);
    g.layout->setContentsMargins(2, 4, 2, 4);
    g.layout->setSpacing(2);
    const int index = int(m_groups.size());
    m_layout->insertWidget(m_layout->count() - 1, g.header);
    m_layout->insertWidget(m_layout->count() - 1, g.items);
    m_groups << g;
    connect(g.header, &QToolButton::toggled, this, [this, index](bool checked) { setGroupOpen(index, checked); });
    setGroupOpen(index, open);
    return index;
}

QToolButton* NavigationBar::addItem(int group, QAction* action)
{
    auto* item = new QToolButton(m_groups[group].items);
    item->setObjectName(QStringLiteral("navItem"));
    item->setDefaultAction(action);
    item->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    item->setIconSize(QSize(32, 32));
    item->setAutoRaise(true);
    item->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    m_groups[group].layout->addWidget(item);
    return item;
}

bool NavigationBar::isGroupOpen(int group) const
{
    return m_groups[group].items->isVisibleTo(const_cast<NavigationBar*>(this));
}

void NavigationBar::setGroupOpen(int group, bool open)
{
    Group& g = m_groups[group];
    g.header->blockSignals(true);
    g.header->setChecked(open);
    g.header->blockSignals(false);
    g.header->setArrowType(open ? Qt::DownArrow : Qt::RightArrow);
    g.items->setVisible(open);
}

QToolButton* NavigationBar::groupHeader(int group) const
{
    return m_groups[group].header;
}
