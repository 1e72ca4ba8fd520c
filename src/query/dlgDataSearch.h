#pragma once

#include "query/dlgQueryList.h"

#include <QDialog>
#include <functional>

class QLineEdit;

// "指标查询": lists the returns whose value of one indicator lies in a range.
class TdlgDataSearchForm : public QDialog {
    Q_OBJECT
public:
    TdlgDataSearchForm(EditorProvider editor, std::function<void()> refreshList, QWidget* parent = nullptr);

    // "查  找": stays open for another query.
    void QueryByIndicator();
    // The DataField button: the picker's choice goes into DataField.
    void chooseIndicator();
    QString condition() const;

    QLineEdit* DataField;
    QLineEdit* lc1;
    QLineEdit* Number1;
    QLineEdit* lc3;
    QLineEdit* Number2;

private:
    EditorProvider m_editor;
    std::function<void()> m_refreshList;
};
