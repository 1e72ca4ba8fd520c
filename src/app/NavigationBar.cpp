#include "app/NavigationBar.h"

#include <QAction>
#include <QPainter>
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
    g.header->setFocusPolicy(Qt::NoFocus);
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

namespace {
constexpr int kIconSize = 32;

// The icon drawn at exactly the item size: a smaller picture is scaled up and centred, so every
// item shows an icon of the same size.
QIcon uniformIcon(const QIcon& icon)
{
    QPixmap picture = icon.pixmap(kIconSize, kIconSize);
    if (picture.isNull() || picture.size() == QSize(kIconSize, kIconSize))
        return picture.isNull() ? icon : QIcon(picture);
    picture = picture.scaled(kIconSize, kIconSize, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    QPixmap square(kIconSize, kIconSize);
    square.fill(Qt::transparent);
    QPainter painter(&square);
    painter.drawPixmap((kIconSize - picture.width()) / 2, (kIconSize - picture.height()) / 2, picture);
    return QIcon(square);
}
} // namespace

int NavigationBar::neededWidth() const
{
    int widest = 0;
    for (const Group& g : m_groups) {
        widest = qMax(widest, g.header->sizeHint().width());
        for (QToolButton* item : g.items->findChildren<QToolButton*>())
            widest = qMax(widest, item->sizeHint().width() + g.layout->contentsMargins().left() +
                                      g.layout->contentsMargins().right());
    }
    return widest;
}

QToolButton* NavigationBar::addItem(int group, QAction* action)
{
    action->setIcon(uniformIcon(action->icon()));
    auto* item = new QToolButton(m_groups[group].items);
    item->setObjectName(QStringLiteral("navItem"));
    item->setDefaultAction(action);
    item->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    item->setIconSize(QSize(kIconSize, kIconSize));
    item->setAutoRaise(true);
    item->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    // The bar is worked with the mouse; the keyboard stays with the list beside it.
    item->setFocusPolicy(Qt::NoFocus);
    connect(item, &QToolButton::clicked, this, &NavigationBar::itemDone);
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
