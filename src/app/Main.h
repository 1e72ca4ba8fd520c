#pragma once

#include "widgets/RecordGrid.h"
#include "db/RowSet.h"
#include "model/FieldCatalogue.h"

#include <QHash>
#include <QMainWindow>
#include <functional>

class NavigationBar;
class TdlgSurveyDataForm;
class QLabel;
class QMenu;
class QStackedWidget;
class QTableView;

// The main window: the record list and every action of the program.
class TMainForm : public QMainWindow {
    Q_OBJECT
public:
    explicit TMainForm(QWidget* parent = nullptr);

    void setVersionText(const QString& text);
    QString versionText() const;
    bool showGrid() const { return m_showGrid; }
    // 1 shows the record list attached to its data; otherwise the background picture shows.
    void setShowGrid(bool show);

    // Rebuilds the columns from the field catalogue and opens the record list.
    void BuildRecordList();
    // Remembers the current row, runs the change, re-reads the list and returns to the row.
    void keepPosition(const std::function<void()>& change = {});
    // Enables the actions by the state of the list.
    void updateActions();

    RowSet& reportQuery() { return m_reportQuery; }
    QTableView* recordGrid() const { return m_grid; }
    RowSetTableModel* recordModel() const { return m_model; }
    const TFieldDataArray& fieldData() const { return m_fields; }
    NavigationBar* navigation() const { return m_navigation; }
    QMenu* contextMenu() const { return m_contextMenu; }
    // The action with this caption (navigation, menus and context menu share them).
    QAction* action(const QString& caption) const { return m_actions.value(caption); }
    int sortState() const { return m_sortState; }
    int lastSortedColumn() const { return m_lastSorted; }
    // The record editor, made on first use and kept for the run.
    TdlgSurveyDataForm& surveyDataForm();

    // Action handlers.
    void actAddExecute();
    void actEditExecute();
    void actDeleteExecute();
    void actBackupExecute();
    void actCompactExecute();
    void actShowExecute();
    void actOptionExecute();
    void actAboutExecute();
    void actCheckExecute();
    void actExportCSVExecute();
    void actExportExecute();
    void actFastImportExecute();
    void actPackagePreviewExecute();
    void actSearchExecute();
    void actLocateExecute();
    void actDataSearchExecute();
    void actPrintExecute();
    // Checks the returns selected in the list at once, without the dialog.
    void CheckSelectedRecords();
    // The codes of the selected returns, or of the current one; the list ends on the last.
    QStringList selectedCodes();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QAction* makeAction(const QString& caption, int icon, const std::function<void()>& work);
    void buildActions();
    void buildMenus();
    void buildNavigation();
    void reopenWorkingDatabase();
    void titleClicked(int column);

    QLabel* m_versionLabel;
    QLabel* m_dateLabel;
    NavigationBar* m_navigation;
    QStackedWidget* m_listArea;
    QTableView* m_grid;
    RowSetTableModel* m_model;
    QMenu* m_contextMenu;
    QHash<QString, QAction*> m_actions;
    RowSet m_reportQuery;
    TFieldDataArray m_fields;
    TdlgSurveyDataForm* m_editor = nullptr;
    bool m_showGrid = true;
    int m_pressedKey = 0;
    int m_sortState = 1;
    int m_lastSorted = -1;
};

// The record list statement.
inline QString ReportQuerySql()
{
    return QStringLiteral("SELECT *  from view_data order by c901 asc");
}
