#pragma once

#include "query/dlgQueryList.h"

#include <QDialog>
#include <functional>

class QLineEdit;

// "查询数据": lists the returns whose code satisfies one or two comparisons in the result list.
class TdlgSearchForm : public QDialog {
    Q_OBJECT
public:
    // refreshList re-reads the main list keeping its row, after the result list closes.
    TdlgSearchForm(EditorProvider editor, std::function<void()> refreshList, QWidget* parent = nullptr);

    // "查  找": stays open for another search.
    void SearchByCodeRange();
    // The condition of the boxes as they stand (empty when both values are blank).
    QString condition() const;

    QLineEdit* lc1;
    QLineEdit* number1;
    QLineEdit* lc2;
    QLineEdit* lc3;
    QLineEdit* number2;

private:
    EditorProvider m_editor;
    std::function<void()> m_refreshList;
};
