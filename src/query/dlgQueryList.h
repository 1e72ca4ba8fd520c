#pragma once

#include "db/RowSet.h"

#include <QDialog>
#include <functional>

class QLabel;
class QTableView;
class QToolButton;
class RowSetTableModel;
class TdlgSurveyDataForm;

// The record editor the main window keeps; the result list opens it on its own rows.
using EditorProvider = std::function<TdlgSurveyDataForm&()>;

// "查询结果列表": the returns of a search or query. From it a return is opened in the record
// editor (whose navigation then moves through the result), deleted, or the result exported.
class TdlgQueryListForm : public QDialog {
    Q_OBJECT
public:
    explicit TdlgQueryListForm(EditorProvider editor, QWidget* parent = nullptr);

    // Reads the rows of the condition ("where ..." or empty). Raises DbError with the engine's
    // message when the condition's statement fails; the window is then not to be shown.
    void ShowQueryResult(const QString& condition);

    // Toolbar work.
    void EditCurrentRecord();
    void DeleteRecords();
    void ExportToAccess();
    void ExportToExcel();
    // Every field of the listed returns into an SPSS or Stata file.
    void ExportForAnalysis();

    RowSet& reportQuery() { return ReportQuery; }
    RowSet& detailQuery() { return DetailQuery; }
    QTableView* grid() const { return DBGrid1; }
    RowSetTableModel* model() const { return m_model; }
    QLabel* countLabel() const { return CountLabel; }
    QToolButton* button(const QString& caption) const;
    int sortState() const { return m_sortState; }

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildColumns();
    void titleClicked(int column);
    void rereadDetail();

    EditorProvider m_editor;
    RowSet ReportQuery;
    RowSet DetailQuery;
    QTableView* DBGrid1;
    RowSetTableModel* m_model;
    QLabel* CountLabel;
    QList<QToolButton*> m_buttons;
    int m_sortState = 1;
    int m_lastSorted = -1;
    int m_pressedKey = 0;
};

// Shows the result list of a condition modally; an engine error in the condition becomes the
// run-error message and no list is shown. The two search dialogs call this.
void ShowResultList(const QString& condition, const EditorProvider& editor, QWidget* parent);
