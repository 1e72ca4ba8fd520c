#include "logic/MessageListWin.h"

#include "logic/ErrorListPlace.h"
#include "widgets/Application.h"

#include <QEvent>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QHeaderView>
#include <QScopeGuard>
#include <QScreen>
#include <QStyle>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

namespace {

struct ColumnDesign {
    const char* title;
    int width;
};

// Rule, explanation, page, field.
const ColumnDesign Columns[] = {{"逻辑关系", 340}, {"说明", 321}, {"页号", 73}, {"变量", 70}};

QTableWidgetItem* NewCell(const QString& text)
{
    auto* item = new QTableWidgetItem(text);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    return item;
}

// The fixed column shows nothing, not the row numbers a row header shows by default.
void BlankRowHeader(QTableWidget* grid, int row)
{
    grid->setVerticalHeaderItem(row, new QTableWidgetItem());
}

} // namespace

TMessageListWinForm::TMessageListWinForm(QWidget* parent)
    : QDialog(parent, Qt::Tool | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint)
{
    setWindowTitle(QStringLiteral("逻辑错误列表"));
    // The list shows beside the editor while the clerk types: showing or refilling it must
    // not take the keyboard away from the editor's field.
    setAttribute(Qt::WA_ShowWithoutActivating);
    resize(DesignedSize);
    QFont listFont(QStringLiteral("宋体"));
    listFont.setPixelSize(13);
    setFont(listFont);
    QPalette pale = palette();
    pale.setColor(QPalette::Window, QColor(255, 255, 204)); // the colour value 13434879
    setPalette(pale);
    setAutoFillBackground(true);

    Grid = new QTableWidget(1, int(std::size(Columns)), this);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(Grid);

    Grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    Grid->setSelectionMode(QAbstractItemView::SingleSelection);
    Grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Grid->setDragEnabled(false);
    Grid->setWordWrap(true);
    Grid->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    Grid->horizontalHeader()->setSectionsMovable(false);
    QHeaderView* rows = Grid->verticalHeader();
    rows->setSectionResizeMode(QHeaderView::Interactive);
    rows->setMinimumSectionSize(4);
    rows->setDefaultSectionSize(DefaultRowHeight);
    rows->setFixedWidth(FixedColumnWidth);
    for (int c = 0; c < int(std::size(Columns)); ++c) {
        Grid->setHorizontalHeaderItem(c, new QTableWidgetItem(QString::fromUtf8(Columns[c].title)));
        Grid->setColumnWidth(c, Columns[c].width);
    }
    BlankRowHeader(Grid, 0);
    Grid->setRowHeight(0, DefaultRowHeight);
    connect(Grid, &QTableWidget::cellDoubleClicked, this, Handled(this, &TMessageListWinForm::GridDblClick));
}

void TMessageListWinForm::ClearErrorList()
{
    m_hasRows = false;
    Grid->setRowCount(1);
    for (int c = 0; c < Grid->columnCount(); ++c)
        SetCellText(0, c, QString());
    hide();
}

void TMessageListWinForm::AddErrorRow(const QString& rule, const QString& explanation, const QString& field,
                                      int page)
{
    int row = 0;
    if (m_hasRows) {
        row = Grid->rowCount();
        Grid->insertRow(row);
        BlankRowHeader(Grid, row);
    } else {
        m_hasRows = true; // the blank row takes the first rule
    }
    SetWrappedCellText(row, RuleColumn, rule);
    SetWrappedCellText(row, ExplanationColumn, explanation);
    SetCellText(row, PageColumn, QString::number(page));
    SetCellText(row, FieldColumn, field);
    const QRect first = Grid->visualRect(Grid->model()->index(row, 0));
    Grid->viewport()->update(0, first.top(), Grid->viewport()->width(), first.height());
}

int TMessageListWinForm::TextRowHeight(int column, const QString& text) const
{
    // The cell draws its text inside a small margin on either side.
    const int margin = Grid->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, Grid) + 1;
    const int width = qMax(1, Grid->columnWidth(column) - 2 * margin);
    const QFontMetrics metrics(Grid->font());
    const QRect drawn = metrics.boundingRect(QRect(0, 0, width, 100000),
                                             Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, text);
    return drawn.height() + 8;
}

void TMessageListWinForm::SetCellText(int row, int column, const QString& text)
{
    if (QTableWidgetItem* item = Grid->item(row, column))
        item->setText(text);
    else
        Grid->setItem(row, column, NewCell(text));
}

void TMessageListWinForm::SetWrappedCellText(int row, int column, const QString& text)
{
    Grid->setRowHeight(row, qMax(TextRowHeight(column, text), Grid->rowHeight(row)));
    SetCellText(row, column, text);
}

QString TMessageListWinForm::CellText(int row, int column) const
{
    const QTableWidgetItem* item = Grid->item(row, column);
    return item ? item->text() : QString();
}

void TMessageListWinForm::GridDblClick()
{
    if (m_jumpInProgress)
        return;
    const int row = Grid->currentRow();
    const QString pageText = CellText(row, PageColumn);
    if (row < 0 || pageText.isEmpty())
        return; // the blank row names no page
    m_jumpInProgress = true;
    // The flag must not outlive a jump that fails, or no later double click would act.
    const auto clearFlag = qScopeGuard([this] { m_jumpInProgress = false; });
    const QString field = CellText(row, FieldColumn);
    if (jumpTo)
        jumpTo(pageText.toInt(), field);
    // The jump re-evaluates the pages and so refills the list: start again at its top.
    Grid->setCurrentCell(0, RuleColumn);
}

void TMessageListWinForm::showEvent(QShowEvent* event)
{
    m_settled = false;
    m_settleTries = 0;
    place();
    QDialog::showEvent(event);
    // Until the window manager has framed the window its frame is a guess, and the window may
    // land a title bar's height away from where it was put: it is put again once the frame is
    // known.
    QTimer::singleShot(0, this, &TMessageListWinForm::settlePlace);
}

QRect TMessageListWinForm::wantedFrame() const
{
    const QSize frame = frameMargins();
    if (m_movedByUser)
        return QRect(m_userPlace, size() + frame);
    const QSize designed(DesignedSize.width() + frame.width(), DesignedSize.height() + frame.height());
    const QRect place = placeFor ? placeFor(designed) : QRect();
    return place.isValid() ? place : QRect(ShownPosition, designed);
}

QSize TMessageListWinForm::frameMargins() const
{
    // The frame around the client area is known once the window has been shown; before, the
    // owner's frame, drawn by the same window manager, stands in for it.
    QSize frame = frameGeometry().size() - geometry().size();
    if (frame.isEmpty() && parentWidget())
        frame = parentWidget()->window()->frameGeometry().size() - parentWidget()->window()->geometry().size();
    return frame;
}

void TMessageListWinForm::place()
{
    const QScreen* shownOn = screen() ? screen() : QGuiApplication::primaryScreen();
    const QRect wanted = shownOn ? KeepOnScreen(wantedFrame(), shownOn->availableGeometry()) : wantedFrame();
    m_placing = true;
    resize(wanted.size() - frameMargins());
    move(wanted.topLeft());
    m_placing = false;
    m_placedAt = pos();
}

void TMessageListWinForm::settlePlace()
{
    if (!isVisible() || m_settled)
        return;
    const bool framed = frameGeometry().size() != geometry().size();
    if (!framed && ++m_settleTries < 20) {
        QTimer::singleShot(50, this, &TMessageListWinForm::settlePlace);
        return;
    }
    place();
    m_settled = true;
}

void TMessageListWinForm::moveEvent(QMoveEvent* event)
{
    // A move the program did not make is the clerk's drag, unless it is the window manager
    // framing the window around the place given (the client area where the frame was meant to be).
    if (isVisible() && !m_placing && pos() != m_placedAt && geometry().topLeft() != m_placedAt) {
        m_movedByUser = true;
        m_userPlace = pos();
    }
    QDialog::moveEvent(event);
}

void TMessageListWinForm::changeEvent(QEvent* event)
{
    // Activating another window of the program must not bury the list under it.
    if (event->type() == QEvent::ActivationChange && isVisible() && !isActiveWindow())
        raise();
    QDialog::changeEvent(event);
}

TMessageListWinForm& MessageListWin()
{
    // Lives until the program ends; it is never destroyed, only hidden.
    static auto* form = new TMessageListWinForm;
    return *form;
}

void ClearErrorList()
{
    MessageListWin().ClearErrorList();
}

void AddErrorRow(const QString& rule, const QString& explanation, const QString& field, int page)
{
    MessageListWin().AddErrorRow(rule, explanation, field, page);
}

bool IsErrorListEmpty()
{
    return MessageListWin().IsErrorListEmpty();
}

bool ErrorListJumpInProgress()
{
    return MessageListWin().JumpInProgress();
}
