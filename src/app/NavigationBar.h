#pragma once

#include <QWidget>

class QAction;
class QToolButton;
class QVBoxLayout;

// A side bar of collapsible groups of large-icon items, each item showing an action. Every item
// shows its icon at the same size (32 pixels).
class NavigationBar : public QWidget {
    Q_OBJECT
public:
    explicit NavigationBar(QWidget* parent = nullptr);
    // Adds a group and returns its number; items follow with addItem.
    int addGroup(const QString& caption, bool open);
    QToolButton* addItem(int group, QAction* action);
    bool isGroupOpen(int group) const;
    void setGroupOpen(int group, bool open);
    QToolButton* groupHeader(int group) const;
    // The width that shows every caption whole.
    int neededWidth() const;

signals:
    // An item was clicked and its action has run: the keyboard goes back to the window's list.
    void itemDone();

private:
    struct Group {
        QToolButton* header;
        QWidget* items;
        QVBoxLayout* layout;
    };
    QList<Group> m_groups;
    QVBoxLayout* m_layout;
};
