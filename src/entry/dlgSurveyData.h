#pragma once

#include "db/RowSet.h"
#include "model/CodeList.h"
#include "model/FieldCatalogue.h"

#include <QDialog>
#include <QHash>

class NumericEdit;
class QAction;
class QLabel;
class QLineEdit;
class QMouseEvent;
class QTabWidget;
class QTextBrowser;
class QToolButton;
class QWidget;
class TMVValidEdit;
struct FieldReading;

// "基层以上单位数据": the paged form in which one return is entered or changed.
class TdlgSurveyDataForm : public QDialog {
    Q_OBJECT
public:
    explicit TdlgSurveyDataForm(QWidget* parent = nullptr);
    ~TdlgSurveyDataForm() override;

    // Prepares the window for a new return or for the list's current return; exec() shows it.
    void openForNew(RowSet* list);
    void openForModify(RowSet* list);
    // The same, and once the window shows, its page and the field as the error list's jump
    // takes the clerk there (the comparison with last year opens a return on a value).
    void openForModifyOnField(RowSet* list, const QString& field);

    // Window state.
    bool IsAddMode = true;
    bool IsStoredOnce = false;
    bool IsLoaded = false;
    qint64 CurrentKey = 0;
    qint64 OpenedKey = 0;

    // The control of a field, found without regard to letter case; nullptr when none.
    QWidget* control(const QString& name) const;
    NumericEdit* numeric(const QString& name) const;
    // The whole-number value of a numeric field (an empty field reads 0); false when the name
    // is not a numeric field.
    bool fieldValue(const QString& name, qint64* value) const;
    int currentPage() const;
    // Switches to a page and focuses the field when it is enabled.
    void jumpToField(int page, const QString& field);
    // Where the error list's frame goes so that the tabs and fields stay visible.
    QRect errorListPlace(const QSize& frameSize) const;

    // Actions.
    void tbHoldClick();
    void tbSaveClick();
    void tbCheckClick();
    void tbReturnClick();
    void tbPrintClick();
    void navigate(int move); // 0 first, 1 previous, 2 next, 3 last

    bool ValidateHeader();
    void LoadRecord();
    void ApplyLevel(int level);
    void ApplyState(int state);
    void FocusNextField(QWidget* from);
    void FocusPreviousField(QWidget* from);
    void FocusFirstField();

    // Controls and parts of the window for tests and the error list.
    QTabWidget* pages() const { return DataPage; }
    QTextBrowser* notes() const { return rtfNotes; }
    QLabel* counter() const { return ItemNo; }
    QWidget* navigationBar() const { return NavBar; }
    QToolButton* button(const QString& name) const;
    QLineEdit* nameBox(const QString& name) const; // CityNameCtrl, LevelName, StateName
    const TMenuItemDataArray& levelList() const { return m_levels; }
    const TMenuItemDataArray& stateList() const { return m_states; }

    // The logic-rule hooks: page checks fill the error list.
    // The value of a field as the rules read it.
    FieldReading readField(const QString& name) const;
    bool checkPageRules(int page, bool clearFirst);
    void checkAllPageRules();
    bool isErrorListEmpty() const;
    void clearAndHideErrorList();
    void hideErrorList();
    bool errorListJumpInProgress() const;

    // Esc closes the window through the close check.
    void reject() override;

signals:
    // The record list was re-read after a store.
    void listReread();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildWindow();
    void releaseErrorList();
    QWidget* buildCover();
    QWidget* buildDataPage(int page);
    void registerField(QWidget* control, int page);
    void readCodeLists();
    void MarkChanged();
    void setDependentFields(const QString& trigger, int first, int last);
    void dependentChanged(const QString& trigger);
    bool FormCloseQuery();
    bool saveReturn(bool byUser);
    bool holdReturn();
    bool StoreRecord(int recordState);
    void reReadList(int position);
    void showNotes(int page);
    bool pageChanging(int from, int to);
    bool tabPressed(QMouseEvent* event);
    void pageChanged(int index);
    void exitCheck(QWidget* field, bool byUser);
    void lookupDivision(bool byUser);
    void lookupLevel(bool byUser);
    void lookupState(bool byUser);
    void openDivisionPicker();
    void updateNavigation();
    void focusField(const QString& name);
    QList<QWidget*> focusableFields(int page) const;
    void showProblem(const QString& message, const QString& field);

    QTabWidget* DataPage = nullptr;
    QTextBrowser* rtfNotes = nullptr;
    QLabel* ItemNo = nullptr;
    QWidget* NavBar = nullptr;
    QHash<QString, QToolButton*> m_buttons;
    QHash<QString, QAction*> m_nav;
    QLineEdit* CityNameCtrl = nullptr;
    QLineEdit* LevelName = nullptr;
    QLineEdit* StateName = nullptr;
    QHash<QString, QWidget*> m_controls;   // lower-case name -> control
    QHash<QWidget*, int> m_pageOf;
    QVector<QList<QWidget*>> m_pageFields; // tab order per page
    TFieldDataArray m_catalogue;
    TMenuItemDataArray m_levels;
    TMenuItemDataArray m_states;
    RowSet* m_list = nullptr;
    int m_page = 0;
    int m_approvedPage = -1; // a page change already checked when its tab was pressed
    QString m_openOnField;   // the field the next showing jumps to
    bool m_inCheck = false;
};
