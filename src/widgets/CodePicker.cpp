#include "widgets/CodePicker.h"

#include <QAction>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QWidget>

namespace {
// The hidden tool window that owns the picker's menu and remembers its target.
struct ToolForm {
    QWidget window;
    QMenu* menu = nullptr;
    QPointer<QLineEdit> target;
    CodePickedNotification notification;
    QVariant context;

    ToolForm()
    {
        window.setObjectName(QStringLiteral("ToolForm"));
        menu = new QMenu(&window);
        menu->setObjectName(QStringLiteral("CodePopupMenu"));
        QObject::connect(menu, &QMenu::triggered, menu, [this](QAction* item) { choose(item); });
    }

    void choose(QAction* item)
    {
        if (!target)
            return;
        const int code = item->data().toInt();
        target->setText(item->text().trimmed());
        SetEditTag(target, code);
        if (notification)
            notification(context, code);
    }
};

ToolForm& toolForm()
{
    static ToolForm* form = new ToolForm; // lives for the run, like the window it stands for
    return *form;
}
} // namespace

int EditTag(const QLineEdit* editBox)
{
    return editBox->property("tag").toInt();
}

void SetEditTag(QLineEdit* editBox, int code)
{
    editBox->setProperty("tag", code);
}

QMenu* CodePopupMenu()
{
    return toolForm().menu;
}

QPoint CodePickerPoint(const QLineEdit* editBox)
{
    const QRect g = editBox->geometry();
    const QPoint local(g.left() + g.width() - 10, g.top() + g.height() - 30);
    QWidget* parent = editBox->parentWidget();
    return parent ? parent->mapToGlobal(local) : local;
}

void ShowCodePicker(QLineEdit* editBox, const TMenuItemDataArray& codes, const CodePickedNotification& notification,
                    const QVariant& context)
{
    ToolForm& form = toolForm();
    form.target = editBox;
    const QPoint at = CodePickerPoint(editBox);
    form.menu->clear();
    for (const TCode& entry : codes) {
        // "&" would become an accelerator; the items carry none.
        QString caption = entry.name;
        caption.replace(QLatin1Char('&'), QLatin1String("&&"));
        QAction* item = form.menu->addAction(caption);
        item->setData(entry.code);
        item->setCheckable(true);
        item->setChecked(entry.code == EditTag(editBox));
    }
    form.notification = notification;
    form.context = context;
    form.menu->popup(at);
}
