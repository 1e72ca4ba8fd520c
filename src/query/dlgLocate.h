#pragma once

#include <QDialog>
#include <functional>

class QLineEdit;
class QRadioButton;
class RowSet;
class TMVValidEdit;

// "定位数据记录": moves the main list to the return with a code, or to the first return whose
// name contains a text.
class TdlgLocateForm : public QDialog {
    Q_OBJECT
public:
    // moved is called after the list's current row was changed (the grid follows it).
    TdlgLocateForm(RowSet* list, std::function<void()> moved, QWidget* parent = nullptr);

    // "定  位": closes the dialog when found; says so and stays open otherwise.
    void LocateByCodeOrName();

    QRadioButton* rad901;
    QRadioButton* rad902;
    QLineEdit* c901;
    TMVValidEdit* c902;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool locateCode(const QVariant& code);
    RowSet* m_list;
    std::function<void()> m_moved;
};
