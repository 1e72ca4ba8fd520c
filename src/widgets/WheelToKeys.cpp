#include "widgets/WheelToKeys.h"

#include <QApplication>
#include <QKeyEvent>
#include <QWheelEvent>
#include <QWidget>

void WheelToKeys::install()
{
    static WheelToKeys* filter = nullptr;
    if (!filter && qApp) {
        filter = new WheelToKeys(qApp);
        qApp->installEventFilter(filter);
    }
}

bool WheelToKeys::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::Wheel)
        return QObject::eventFilter(watched, event);
    const auto* wheel = static_cast<QWheelEvent*>(event);
    QWidget* target = QApplication::focusWidget();
    if (!target)
        target = qobject_cast<QWidget*>(watched);
    if (!target)
        return false;
    const int key = wheel->angleDelta().y() > 0 ? Qt::Key_Up : Qt::Key_Down;
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier);
    QApplication::sendEvent(target, &press);
    QApplication::sendEvent(target, &release);
    return true;
}
