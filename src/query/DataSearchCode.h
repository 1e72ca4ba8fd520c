#pragma once

#include "query/QueryConditions.h"

#include <QDialog>

class QListWidget;
class QTableWidget;

// "选择指标": the two-level indicator picker, pages on the left, their indicators on the right.
class TDataSearchCodeForm : public QDialog {
    Q_OBJECT
public:
    explicit TDataSearchCodeForm(QWidget* parent = nullptr);

    // Lists the indicators of a page (its CodeID).
    void showPage(int page);
    // The field name of the current indicator, trimmed; empty when there is none.
    QString currentField() const;

    QListWidget* pageList() const { return SheetList; }
    QTableWidget* indicatorList() const { return FieldList; }

private:
    void confirm();
    QListWidget* SheetList;
    QTableWidget* FieldList;
    TMenuItemDataArray m_pages;
};

// Shows the picker; the chosen field name, or empty text when it was cancelled.
QString PickIndicator(QWidget* parent);
