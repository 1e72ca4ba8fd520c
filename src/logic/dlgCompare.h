#pragma once

#include "logic/LastYearComparison.h"
#include "model/CodeList.h"

#include <QDialog>
#include <functional>

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QStandardItemModel;
class QPushButton;
class QTabWidget;
class QTableView;
class ProgressDisplay;
class CompareFlagModel;
class CompareUnitModel;
class TdlgSurveyDataForm;

// "与上年数据比对": compares the working database with last year's file and lists the values
// that changed much more than the same indicator did elsewhere, by score, with the units that
// report in one year only. Advisory: it changes nothing. A double click opens the return in the
// record editor on the value's field; "导  出" writes the three lists to a workbook.
class TdlgCompareForm : public QDialog {
    Q_OBJECT
public:
    using EditorProvider = std::function<TdlgSurveyDataForm&()>;
    TdlgCompareForm(EditorProvider editor, std::function<void()> refreshList, QWidget* parent = nullptr);
    ~TdlgCompareForm() override;

    void tbChooseClick();
    void tbRunClick();
    void tbStopClick();
    void tbExportClick();
    // Opens the return of a row of the lists in the editor (tab 0 on the value's field).
    void openRow(int tab, int row);

    const CompareResult& result() const { return m_result; }
    bool isRunning() const { return m_running; }

    // Controls, for tests.
    QLineEdit* fileBox() const { return m_file; }
    QLineEdit* parameterBox(int index) const { return m_parameters[index]; } // 0 U, 1 A, 2 C
    QPushButton* button(const QString& caption) const;
    QTabWidget* tabs() const { return m_tabs; }
    QTableView* grid(int tab) const; // 0 flagged, 1 absent now, 2 new now, 3 indicators not compared
    QComboBox* pageFilter() const { return m_pageFilter; }
    QComboBox* fieldFilter() const { return m_fieldFilter; }
    QLabel* summary() const { return m_summary; }
    QProgressBar* bar() const { return m_bar; }

protected:
    void closeEvent(QCloseEvent* event) override;
    // Esc stops a run, as the close box does.
    void reject() override;

private:
    void setRunning(bool running);
    void showResult();
    void fillFieldFilter();
    void applyFilters();
    bool readParameters(CompareParameters* parameters);

    EditorProvider m_editor;
    std::function<void()> m_refreshList;
    CompareResult m_result;
    QString m_resultFile; // last year's file of the result shown
    CompareParameters m_resultParameters;
    TMenuItemDataArray m_states;

    QLineEdit* m_file;
    QPushButton* m_choose;
    QLineEdit* m_parameters[3];
    QPushButton* m_run;
    QPushButton* m_stop;
    QPushButton* m_export;
    QPushButton* m_return;
    QGroupBox* m_progress;
    QProgressBar* m_bar;
    QLabel* m_done;
    QLabel* m_toDo;
    ProgressDisplay* m_display;
    QLabel* m_summary;
    QTabWidget* m_tabs;
    QComboBox* m_pageFilter;
    QComboBox* m_fieldFilter;
    QLabel* m_shown;
    QTableView* m_grids[4];
    CompareFlagModel* m_flagModel;
    CompareUnitModel* m_unitModels[2];
    QStandardItemModel* m_skippedModel;
    bool m_running = false;
    bool m_stopRequested = false;
    bool m_closeAfterRun = false; // the close box was pressed during a run
};
