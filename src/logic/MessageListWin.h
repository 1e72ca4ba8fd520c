#pragma once

#include <QDialog>
#include <functional>

class QTableWidget;

// "逻辑错误列表": the rules the edited record breaks, one row each. A stay-on-top tool window
// that is created once and only shown and hidden. A double click on a row jumps to the page and
// field of its rule in the record editor.
//
// The grid's row header is the fixed first column (32 pixels, empty), so that it stays in place
// when the grid scrolls sideways and the user can drag row heights; the grid's columns are the
// rule, the explanation, the page and the field. An empty list still shows one blank row.
class TMessageListWinForm : public QDialog {
    Q_OBJECT
public:
    enum Column { RuleColumn = 0, ExplanationColumn = 1, PageColumn = 2, FieldColumn = 3 };
    static constexpr int FixedColumnWidth = 32;
    static constexpr int DefaultRowHeight = 18;
    static constexpr QPoint ShownPosition{90, 476};
    static constexpr QSize DesignedSize{900, 258};

    explicit TMessageListWinForm(QWidget* parent = nullptr);

    // Empties the list down to its one blank row and hides the window.
    void ClearErrorList();
    // Appends a rule; the first one fills the blank row. The row grows to hold the wrapped rule
    // and explanation, never shrinks. Does not show the window: the caller does.
    void AddErrorRow(const QString& rule, const QString& explanation, const QString& field, int page);
    bool IsErrorListEmpty() const { return !m_hasRows; }
    // True while a double click's jump runs.
    bool JumpInProgress() const { return m_jumpInProgress; }

    // The jump of a double click: switch the record editor to the page and focus the field.
    // The record editor installs it.
    std::function<void(int page, const QString& focusField)> jumpTo;
    // Where the window's frame goes when it shows, given the frame size it wants; the record
    // editor places it beside itself. An invalid rectangle, or none, shows it at ShownPosition.
    // Once the clerk has moved the window, it shows where the clerk left it for the rest of the run.
    // Wherever it goes, the whole window stays on the screen.
    std::function<QRect(const QSize& frameSize)> placeFor;
    bool movedByUser() const { return m_movedByUser; }

    QTableWidget* grid() const { return Grid; }
    // The row height a text needs in a column: its height wrapped at word boundaries within the
    // cell, plus 8 pixels.
    int TextRowHeight(int column, const QString& text) const;

protected:
    void showEvent(QShowEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    // Where the frame goes: beside the editor (placeFor), or where the clerk left it; on the screen.
    QRect wantedFrame() const;
    QSize frameMargins() const;
    void place();
    void settlePlace();
    void GridDblClick();
    void SetCellText(int row, int column, const QString& text);
    void SetWrappedCellText(int row, int column, const QString& text);
    QString CellText(int row, int column) const;

    QTableWidget* Grid;
    bool m_hasRows = false;
    bool m_jumpInProgress = false;
    QPoint m_placedAt;        // where the program last put the window
    bool m_placing = false;   // the program is moving it
    bool m_settled = false;   // framed by the window manager and put where it belongs
    int m_settleTries = 0;
    bool m_movedByUser = false;
    QPoint m_userPlace;
};

// The one error list of the program, made on first use.
TMessageListWinForm& MessageListWin();

// The list's operations as the record editor and the rule evaluation call them.
void ClearErrorList();
void AddErrorRow(const QString& rule, const QString& explanation, const QString& field, int page);
bool IsErrorListEmpty();
bool ErrorListJumpInProgress();
