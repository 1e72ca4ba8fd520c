#include "app/Main.h"

#include "base/Environment.h"
#include "app/NavigationBar.h"
#include "base/Paths.h"
#include "base/ProductVersion.h"
#include "widgets/Prompter.h"
#include "base/PublicProcedure.h"
#include "widgets/WheelToKeys.h"
#include "widgets/Application.h"
#include "app/dlgAbout.h"
#include "app/dlgOptionSetup.h"
#include "app/dlgShow.h"
#include "widgets/SaveFileDialog.h"
#include "db/DatabaseFile.h"
#include "db/DbError.h"
#include "db/WorkingDatabase.h"
#include "entry/PrintReturn.h"
#include "entry/dlgSurveyData.h"
#include "exchange/ExchangeActions.h"
#include "exchange/dlgPackagePreview.h"
#include "exchange/dlgExpected.h"
#include "exchange/dlgReceipts.h"
#include "logic/BatchCheck.h"
#include "logic/dlgCheck.h"
#include "logic/dlgCompare.h"
#include "app/Startup.h"
#include "summary/dlgGroupList.h"
#include "summary/dlgSaveList.h"
#include "summary/dlgSum.h"
#include "query/dlgDataSearch.h"
#include "query/dlgDelete.h"
#include "query/dlgLocate.h"
#include "query/dlgSearch.h"
#include "base/ValueText.h"

#include <QAction>
#include <QApplication>
#include <QDate>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLinearGradient>
#include <QMenuBar>
#include <QPainter>
#include <QScrollArea>
#include <QShortcut>
#include <QSplitter>
#include <QStackedWidget>
#include <QStatusBar>
#include <QStyle>
#include <QTableView>
#include <QVBoxLayout>

#include <cmath>

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

const QString kLater = QStringLiteral("该功能将在后续版本中提供。");
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
    m_grid->setItemDelegate(new StripedCellDelegate(m_grid));
    m_grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_grid->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_grid->setShowGrid(true);
    m_grid->setWordWrap(false);
    m_grid->verticalHeader()->setDefaultSectionSize(22);
    m_grid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_grid->verticalHeader()->setFixedWidth(14);
    m_grid->horizontalHeader()->setSectionsClickable(true);
    m_grid->horizontalHeader()->setHighlightSections(false);
    // The titles take their colour from the palette, not from a style sheet, which would hide
    // the lime of the sorted column's title.
    for (QHeaderView* header : {m_grid->horizontalHeader(), m_grid->verticalHeader()}) {
        QPalette titles = header->palette();
        titles.setColor(QPalette::Button, QColor(193, 215, 249));
        header->setPalette(titles);
    }
    QFont marker = m_grid->verticalHeader()->font();
    marker.setPixelSize(9);
    m_grid->verticalHeader()->setFont(marker);
    m_grid->setStyleSheet(
        QStringLiteral("QTableView { gridline-color: #c8cde0; selection-background-color: rgb(49,106,197); }"));
    m_grid->setContextMenuPolicy(Qt::CustomContextMenu);
    m_grid->installEventFilter(this);
    connect(m_grid->horizontalHeader(), &QHeaderView::sectionClicked, this,
            [this](int section) { RunHandler([this, section] { titleClicked(section); }); });
    connect(m_grid, &QTableView::doubleClicked, this, [this] { RunHandler([this] { actEditExecute(); }); });
    connect(m_grid->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) {
                if (current.isValid()) {
                    m_reportQuery.moveTo(current.row());
                    m_model->setMarkedRow(current.row());
                }
            });
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

QAction* TMainForm::makeAction(const QString& caption, int icon, const std::function<void()>& work)
{
    auto* a = new QAction(style()->standardIcon(QStyle::StandardPixmap(icon)), caption, this);
    connect(a, &QAction::triggered, this, [work] { RunHandler(work); });
    m_actions.insert(caption, a);
    return a;
}

void TMainForm::laterFunction()
{
    CurrentPrompter().message(kLater);
}

void TMainForm::buildActions()
{
    auto later = [this] { laterFunction(); };
    makeAction(QStringLiteral("添加新记录"), QStyle::SP_FileIcon, [this] { actAddExecute(); });
    makeAction(QStringLiteral("修改选中的记录"), QStyle::SP_FileDialogDetailedView, [this] { actEditExecute(); });
    makeAction(QStringLiteral("删除记录"), QStyle::SP_TrashIcon, [this] { actDeleteExecute(); });
    makeAction(QStringLiteral("检查数据的逻辑"), QStyle::SP_DialogApplyButton, [this] { actCheckExecute(); });
    makeAction(QStringLiteral("指标查询"), QStyle::SP_FileDialogContentsView, [this] { actDataSearchExecute(); });
    makeAction(QStringLiteral("数据汇总"), QStyle::SP_FileDialogListView, [this] {
        TdlgSumForm dialog(this);
        dialog.exec();
    });
    makeAction(QStringLiteral("数据分组"), QStyle::SP_DirIcon, [this] {
        TdlgGroupListForm dialog(this);
        dialog.groupingTables = GroupingTableNames();
        dialog.exec();
    });
    makeAction(QStringLiteral("导出数据列表"), QStyle::SP_DialogSaveButton, [this] {
        TdlgSaveListForm dialog(this);
        dialog.exec();
    });
    makeAction(QStringLiteral("打印选中记录的年报表"), QStyle::SP_ComputerIcon, [this] { actPrintExecute(); });
    makeAction(QStringLiteral("数据导入"), QStyle::SP_ArrowDown, [this] { actFastImportExecute(); });
    makeAction(QStringLiteral("数据备份"), QStyle::SP_DriveHDIcon, [this] { actBackupExecute(); });
    makeAction(QStringLiteral("查看并导入数据包"), QStyle::SP_FileDialogContentsView, [this] { actPackagePreviewExecute(); });
    makeAction(QStringLiteral("上报到离线版"), QStyle::SP_ArrowUp, [this] { actExportExecute(); });
    makeAction(QStringLiteral("上报到网络版"), QStyle::SP_DriveNetIcon, [this] { actExportCSVExecute(); });
    makeAction(QStringLiteral("应报单位名单"), QStyle::SP_FileDialogListView, [this] {
        TdlgExpectedForm dialog(this);
        dialog.exec();
    });
    makeAction(QStringLiteral("收报情况"), QStyle::SP_FileDialogInfoView, [this] {
        TdlgReceiptsForm dialog(this);
        dialog.exec();
    });
    makeAction(QStringLiteral("压缩数据库文件"), QStyle::SP_BrowserReload, [this] { actCompactExecute(); });
    makeAction(QStringLiteral("参数设置"), QStyle::SP_FileDialogInfoView, [this] { actOptionExecute(); });
    makeAction(QStringLiteral("自定义列表显示"), QStyle::SP_FileDialogListView, [this] { actShowExecute(); });
    makeAction(QStringLiteral("按条件查找定位数据"), QStyle::SP_FileDialogContentsView, [this] { actLocateExecute(); });
    makeAction(QStringLiteral("按编号范围查找数据"), QStyle::SP_FileDialogContentsView, [this] { actSearchExecute(); });
    makeAction(QStringLiteral("检查选中数据的逻辑"), QStyle::SP_DialogApplyButton, [this] { CheckSelectedRecords(); });
    makeAction(QStringLiteral("与上年数据比对"), QStyle::SP_FileDialogContentsView, [this] {
        TdlgCompareForm dialog([this]() -> TdlgSurveyDataForm& { return surveyDataForm(); }, [this] { keepPosition(); },
                               this);
        dialog.exec();
    });
    makeAction(QStringLiteral("关于"), QStyle::SP_MessageBoxInformation, [this] { actAboutExecute(); });
    makeAction(QStringLiteral("退出"), QStyle::SP_DialogCloseButton, [this] { close(); });
}

void TMainForm::buildNavigation()
{
    const int data = m_navigation->addGroup(QStringLiteral("数据操作"), false);
    for (const char* c : {"添加新记录", "修改选中的记录", "删除记录", "检查数据的逻辑", "指标查询", "数据汇总",
                          "数据分组", "导出数据列表", "打印选中记录的年报表"})
        m_navigation->addItem(data, action(QString::fromUtf8(c)));
    const int exchange = m_navigation->addGroup(QStringLiteral("备份与上报"), false);
    for (const char* c : {"数据导入", "查看并导入数据包", "数据备份", "上报到离线版", "上报到网络版"})
        m_navigation->addItem(exchange, action(QString::fromUtf8(c)));
    // Who has reported: the office above's list and picture.
    m_navigation->addItem(exchange, action(QStringLiteral("应报单位名单")));
    m_navigation->addItem(exchange, action(QStringLiteral("收报情况")));
    const int tools = m_navigation->addGroup(QStringLiteral("系统工具"), true);
    for (const char* c : {"压缩数据库文件", "参数设置", "自定义列表显示"})
        m_navigation->addItem(tools, action(QString::fromUtf8(c)));
}

void TMainForm::buildMenus()
{
    auto add = [this](QMenu* menu, const char* caption) { menu->addAction(action(QString::fromUtf8(caption))); };
    QMenu* records = menuBar()->addMenu(QStringLiteral("数据记录"));
    for (const char* c : {"添加新记录", "修改选中的记录", "删除记录", "打印选中记录的年报表"})
        add(records, c);
    QMenu* find = menuBar()->addMenu(QStringLiteral("查找"));
    add(find, "按条件查找定位数据");
    add(find, "按编号范围查找数据");
    QMenu* check = menuBar()->addMenu(QStringLiteral("逻辑检查"));
    add(check, "检查选中数据的逻辑");
    add(check, "检查数据的逻辑");
    add(check, "与上年数据比对");
    QMenu* process = menuBar()->addMenu(QStringLiteral("数据处理"));
    add(process, "数据分组");
    add(process, "数据汇总");
    add(process, "查看并导入数据包");
    QMenu* tools = menuBar()->addMenu(QStringLiteral("工具"));
    for (const char* c : {"参数设置", "压缩数据库文件", "自定义列表显示"})
        add(tools, c);
    QMenu* receipts = menuBar()->addMenu(QStringLiteral("收报"));
    add(receipts, "应报单位名单");
    add(receipts, "收报情况");
    // The menu bar shows these two as words; the icons stay with the other places.
    menuBar()->addAction(QStringLiteral("关于"), this, [this] { actAboutExecute(); });
    menuBar()->addAction(QStringLiteral("退出"), this, [this] { close(); });

    m_contextMenu = new QMenu(this);
    for (const char* c : {"添加新记录", "修改选中的记录", "删除记录"})
        add(m_contextMenu, c);
    m_contextMenu->addSeparator();
    add(m_contextMenu, "按条件查找定位数据");
    add(m_contextMenu, "按编号范围查找数据");
    m_contextMenu->addSeparator();
    add(m_contextMenu, "检查选中数据的逻辑");
    m_contextMenu->addSeparator();
    add(m_contextMenu, "自定义列表显示");
    add(m_contextMenu, "打印选中记录的年报表");
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

void TMainForm::updateActions()
{
    const bool notEmpty = m_reportQuery.isOpen() && !m_reportQuery.isEmpty();
    for (const char* c : {"修改选中的记录", "删除记录", "打印选中记录的年报表", "按条件查找定位数据", "按编号范围查找数据"})
        action(QString::fromUtf8(c))->setEnabled(notEmpty);
    action(QStringLiteral("自定义列表显示"))->setEnabled(m_showGrid);
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

TdlgSurveyDataForm& TMainForm::surveyDataForm()
{
    if (!m_editor) {
        m_editor = new TdlgSurveyDataForm(this);
        // Every store re-reads the list; the grid follows the row set.
        connect(m_editor, &TdlgSurveyDataForm::listReread, this, [this] {
            m_model->reload();
            SelectCurrentRow(*m_grid, m_reportQuery);
            updateActions();
        });
    }
    return *m_editor;
}

void TMainForm::actAddExecute()
{
    TdlgSurveyDataForm& editor = surveyDataForm();
    editor.openForNew(&m_reportQuery);
    keepPosition([&] { editor.exec(); });
}

void TMainForm::actEditExecute()
{
    if (!m_reportQuery.isOpen() || m_reportQuery.isEmpty())
        return;
    TdlgSurveyDataForm& editor = surveyDataForm();
    editor.openForModify(&m_reportQuery);
    editor.exec();
    m_model->reload();
    SelectCurrentRow(*m_grid, m_reportQuery);
    updateActions();
}

void TMainForm::actDeleteExecute()
{
    // After a deletion the list is read again; its current row is not kept.
    TdlgDeleteForm dialog(m_grid, m_model, [this] {
        if (m_reportQuery.isOpen())
            m_reportQuery.requery();
        m_model->reload();
        m_grid->clearSelection();
        SelectCurrentRow(*m_grid, m_reportQuery);
        updateActions();
    }, this);
    dialog.exec();
}

void TMainForm::reopenWorkingDatabase()
{
    const OpenDatabaseResult opened = OpenWorkingDatabase(CurrentDatabasePath);
    if (opened.status != OpenDatabaseResult::Opened)
        ShowRunError(opened.error.isEmpty() ? CurrentDatabasePath : opened.error,
                     QStringLiteral(",请与系统管理员或软件发行者联系。"));
}

void TMainForm::actBackupExecute()
{
    FileDialogOptions dialog;
    dialog.title = QStringLiteral("备份文件存放为");
    dialog.filter = QStringLiteral("Access文件(*.mdb)|*.mdb");
    dialog.folder = DocumentsFolder();
    const QString target = ChooseSaveFile(dialog, KeepShortNames(QStringLiteral(".mdb")));
    if (target.isEmpty())
        return;
    keepPosition([&] {
        SysConnection().close();
        QString error;
        if (CopyFileContents(CurrentDatabasePath, target, &error))
            CurrentPrompter().message(QStringLiteral("备份成功"));
        else
            CurrentPrompter().message(error);
        reopenWorkingDatabase();
    });
}

void TMainForm::actCompactExecute()
{
    keepPosition([this] {
        SysConnection().close();
        const CompactResult result = CompactDatabaseFile(CurrentDatabasePath);
        if (result.replaced)
            CurrentPrompter().message(QStringLiteral("压缩操作成功"));
        else
            ShowRunError(result.error);
        reopenWorkingDatabase();
    });
    // After a compaction the list starts again at its first return.
    if (m_reportQuery.isOpen() && !m_reportQuery.isEmpty()) {
        m_reportQuery.first();
        SelectCurrentRow(*m_grid, m_reportQuery);
    }
}

void TMainForm::actShowExecute()
{
    TdlgShowForm dialog(this);
    connect(&dialog, &TdlgShowForm::saved, this, [this] { BuildRecordList(); });
    dialog.exec();
}

void TMainForm::actOptionExecute()
{
    TdlgOptionSetupForm dialog(this);
    dialog.exec();
}

void TMainForm::actAboutExecute()
{
    TdlgAboutForm about(ProductVersion().buildNumber, [this] {
        keepPosition([] { SysConnection().execute(QStringLiteral("update dt_data set RecordState=1")); });
    }, this);
    about.exec();
}

namespace {
// A code as a statement takes it: a number in plain digits. A value that is no number (a text
// in a file from elsewhere) gives none, so it never becomes part of the statement.
void addCode(QStringList& codes, const QVariant& value)
{
    bool isNumber = false;
    const double code = value.toDouble(&isNumber);
    if (isNumber && std::isfinite(code))
        codes << FormatValueText(QVariant(code));
}
} // namespace

QStringList TMainForm::selectedCodes()
{
    QStringList codes;
    if (!m_reportQuery.isOpen() || m_reportQuery.isEmpty())
        return codes;
    const int code = m_reportQuery.columnIndex(QStringLiteral("c901"));
    const QModelIndexList selected = m_grid->selectionModel()->selectedRows();
    if (selected.isEmpty()) {
        if (m_reportQuery.position() >= 0)
            addCode(codes, m_reportQuery.valueAt(m_reportQuery.position(), code));
        return codes;
    }
    for (const QModelIndex& index : selected) {
        m_reportQuery.moveTo(index.row());
        addCode(codes, m_reportQuery.valueAt(index.row(), code));
    }
    // The list ends on the last selected row; the grid shows it as the current one.
    m_grid->selectionModel()->setCurrentIndex(selected.last(), QItemSelectionModel::NoUpdate);
    return codes;
}

void TMainForm::CheckSelectedRecords()
{
    ::CheckSelectedRecords(selectedCodes());
}

void TMainForm::actSearchExecute()
{
    TdlgSearchForm dialog([this]() -> TdlgSurveyDataForm& { return surveyDataForm(); }, [this] { keepPosition(); }, this);
    dialog.exec();
}

void TMainForm::actLocateExecute()
{
    TdlgLocateForm dialog(&m_reportQuery, [this] {
        m_grid->clearSelection();
        SelectCurrentRow(*m_grid, m_reportQuery);
    }, this);
    dialog.exec();
}

void TMainForm::actDataSearchExecute()
{
    TdlgDataSearchForm dialog([this]() -> TdlgSurveyDataForm& { return surveyDataForm(); }, [this] { keepPosition(); },
                              this);
    dialog.exec();
}

void TMainForm::actPrintExecute()
{
    if (!m_reportQuery.isOpen() || m_reportQuery.position() < 0)
        return;
    const int code = m_reportQuery.columnIndex(QStringLiteral("c901"));
    PrintReturn(QStringLiteral("2012打印表.xltx"), FormatValueText(m_reportQuery.valueAt(m_reportQuery.position(), code)), false);
}

void TMainForm::actCheckExecute()
{
    TdlgCheckForm dialog(this);
    dialog.selectedCodes = [this] { return selectedCodes(); };
    dialog.refreshList = [this] { keepPosition(); };
    dialog.exec();
}

void TMainForm::actExportCSVExecute()
{
    ExportUploadCsv();
}

void TMainForm::actExportExecute()
{
    ExportReturns();
}

void TMainForm::actPackagePreviewExecute()
{
    TdlgPackagePreviewForm dialog(this);
    if (!dialog.chooseFiles())
        return;
    dialog.exec();
    // The list has not moved meanwhile: re-reading it returns to the same return.
    if (dialog.importedAny())
        keepPosition();
}

void TMainForm::actFastImportExecute()
{
    // The list has not moved while the import ran: re-reading it returns to the same return.
    if (ImportPackage(QStringLiteral("dt_data")))
        keepPosition();
}
