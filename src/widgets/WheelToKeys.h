#pragma once

#include <QObject>

// Turns every mouse-wheel turn in the program into an Up (away from the user) or Down key
// press for the focused control, so lists move one row per wheel step.
class WheelToKeys : public QObject {
public:
    using QObject::QObject;
    static void install();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};
