#include "app/Main.h"

#include "app/NavigationBar.h"
#include "base/ProductVersion.h"
#include "db/DbError.h"
#include "db/WorkingDatabase.h"
#include "widgets/Application.h"
#include "widgets/Prompter.h"
#include "widgets/WheelToKeys.h"

#include <QDate>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLinearGradient>
#include <QMenu>
#include <QPainter>
#include <QScrollArea>
#include <QShortcut>
#include <QSplitter>
#include <QStackedWidget>
#include <QStatusBar>
#include <QStyle>
#include <QTableView>
#include <QVBoxLayout>


namespace {
// The picture behind the record list, seen when the list is hidden.
class BackgroundPicture : public QWidget {
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        QLinearGradient g(rect().topLeft(), rect().bottomRight());
        g.setColorAt(0, QColor(232, 240, 253));
        g.setColorAt(1, QColor(160, 190, 238));
        p.fillRect(rect(), g);
        QFont f(QStringLiteral("Noto Sans CJK SC"));
        f.setPixelSize(qMax(24, height() / 10));
        f.setBold(true);
        p.setFont(f);
        p.setPen(QColor(255, 255, 255, 170));
        p.drawText(rect().adjusted(0, 0, 0, -height() / 8), Qt::AlignCenter, QStringLiteral("Tallyra"));
        f.setPixelSize(qMax(12, height() / 30));
        f.setBold(false);
        p.setFont(f);
        p.setPen(QColor(60, 80, 130, 160));
        p.drawText(rect().adjusted(0, height() / 8, 0, 0), Qt::AlignCenter, QStringLiteral("基层以上工会调查数据处理"));
    }
};

} // namespace

TMainForm::TMainForm(QWidget* parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("MainForm"));
    WheelToKeys::install();
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor(193, 215, 249));
    setPalette(pal);
    setAutoFillBackground(true);

    m_grid = new QTableView;
    m_grid->setObjectName(QStringLiteral("RecordGrid"));
    m_model = new RowSetTableModel(this);
    m_grid->setModel(m_model);
    SetUpRecordGrid(*m_grid);
    m_grid->setContextMenuPolicy(Qt::CustomContextMenu);
    m_grid->installEventFilter(this);
    connect(m_grid->horizontalHeader(), &QHeaderView::sectionClicked, this,
            [this](int section) { RunHandler([this, section] { titleClicked(section); }); });
    connect(m_grid, &QTableView::doubleClicked, this, [this] { RunHandler([this] { actEditExecute(); }); });
    FollowCurrentRow(*m_grid, m_reportQuery);
    connect(m_grid, &QTableView::customContextMenuRequested, this,
            [this](const QPoint& at) { m_contextMenu->popup(m_grid->viewport()->mapToGlobal(at)); });

    m_listArea = new QStackedWidget;
    m_listArea->addWidget(m_grid);
    m_listArea->addWidget(new BackgroundPicture);

    auto* right = new QWidget;
    auto* rightLayout = new QVBoxLayout(right);
    rightLayout->setContentsMargins(0, 0, 0, 0);
    rightLayout->setSpacing(0);
    auto* strip = new QWidget;
    strip->setFixedHeight(18);
    rightLayout->addWidget(strip);
    rightLayout->addWidget(m_listArea, 1);

    buildActions();
    m_navigation = new NavigationBar;
    buildNavigation();
    auto* splitter = new QSplitter(Qt::Horizontal);
    splitter->setHandleWidth(7);
    // The open groups may be taller than the screen: the pane scrolls, the window keeps its size.
    auto* navigationScroll = new QScrollArea;
    navigationScroll->setWidget(m_navigation);
    navigationScroll->setWidgetResizable(true);
    navigationScroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    navigationScroll->setFrameShape(QFrame::NoFrame);
    navigationScroll->setFocusPolicy(Qt::NoFocus);
    connect(m_navigation, &NavigationBar::itemDone, this, [this] {
        if (m_showGrid)
            m_grid->setFocus(Qt::OtherFocusReason);
    });
    // The pane is at least as wide as its longest caption, with room for its scroll bar.
    m_navigation->ensurePolished();
    const int paneWidth = m_navigation->neededWidth() + style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    navigationScroll->setMinimumWidth(paneWidth);
    splitter->addWidget(navigationScroll);
    splitter->addWidget(right);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({qMax(108, paneWidth), 900});
    setCentralWidget(splitter);
    buildMenus();

    m_versionLabel = new QLabel(this);
    m_dateLabel = new QLabel(QDate::currentDate().toString(QStringLiteral("yyyy年MM月dd日")), this);
    statusBar()->addWidget(m_versionLabel, 1);
    statusBar()->addPermanentWidget(m_dateLabel);

    auto* locate = new QShortcut(QKeySequence(QStringLiteral("Ctrl+L")), this);
    connect(locate, &QShortcut::activated, this, [this] {
        if (action(QStringLiteral("按条件查找定位数据"))->isEnabled())
            RunHandler([this] { actLocateExecute(); });
    });
    auto* find = new QShortcut(QKeySequence(QStringLiteral("Ctrl+F")), this);
    connect(find, &QShortcut::activated, this, [this] {
        if (action(QStringLiteral("按条件查找定位数据"))->isEnabled())
            RunHandler([this] { actDataSearchExecute(); });
    });
    resize(1024, 720);
    updateActions();
}

void TMainForm::setVersionText(const QString& text)
{
    m_versionLabel->setText(text);
}

QString TMainForm::versionText() const
{
    return m_versionLabel->text();
}

void TMainForm::setShowGrid(bool show)
{
    m_showGrid = show;
    m_listArea->setCurrentIndex(show ? 0 : 1);
    updateActions();
}

void TMainForm::BuildRecordList()
{
    m_sortState = 1;
    m_lastSorted = -1;
    try {
        m_fields = LoadFieldCatalogue(SysConnection());
        if (!m_fields.isEmpty()) {
            m_model->setFields(m_fields, m_showGrid ? &m_reportQuery : nullptr);
            for (int i = 0; i < m_fields.size(); ++i) {
                m_grid->setColumnWidth(i, m_fields[i].FieldWidth);
                m_grid->setColumnHidden(i, !m_fields[i].Visible);
            }
        }
        // The list's query opens whether or not the list shows: the actions work on its rows. A
        // hidden grid is only detached from it.
        if (!m_reportQuery.isOpen()) {
            m_reportQuery = SysConnection().query(ReportQuerySql());
            m_reportQuery.setKeyColumn(QStringLiteral("c901"));
        }
        m_model->setRowSet(m_showGrid ? &m_reportQuery : nullptr);
        SelectCurrentRow(*m_grid, m_reportQuery);
    } catch (const DbError& e) {
        ShowRunError(e.message(), QStringLiteral(",请与软件发行者联系。"));
    }
    updateActions();
}

void TMainForm::keepPosition(const std::function<void()>& change)
{
    const Bookmark mark = m_reportQuery.isOpen() ? m_reportQuery.bookmark() : Bookmark();
    if (change)
        change();
    if (!m_reportQuery.isOpen())
        return;
    try {
        m_reportQuery.requery();
        if (!m_reportQuery.gotoBookmark(mark))
            m_reportQuery.last();
    } catch (const DbError& e) {
        ShowRunError(e.message(), QStringLiteral(",请与软件发行者联系。"));
    }
    m_model->reload();
    m_grid->clearSelection();
    SelectCurrentRow(*m_grid, m_reportQuery);
    updateActions();
}

void TMainForm::titleClicked(int column)
{
    if (!m_reportQuery.isOpen())
        return;
    SortByColumnTitle(*m_model, column, m_sortState, m_lastSorted);
    SelectCurrentRow(*m_grid, m_reportQuery);
}

bool TMainForm::eventFilter(QObject* watched, QEvent* event)
{
    // A key acts when it is let go, but only when the list also saw it go down: the release of
    // the Enter that closed a message box must not open the editor.
    if (watched == m_grid && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (!key->isAutoRepeat())
            m_pressedKey = key->key();
    }
    if (watched == m_grid && event->type() == QEvent::KeyRelease) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->isAutoRepeat() || key->key() != m_pressedKey)
            return QMainWindow::eventFilter(watched, event);
        m_pressedKey = 0;
        switch (key->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            actEditExecute();
            return true;
        case Qt::Key_Insert:
            actAddExecute();
            return true;
        case Qt::Key_Delete:
            actDeleteExecute();
            return true;
        default:
            break;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}
