#include "query/dlgQueryList.h"

#include "db/DbError.h"
#include "db/WorkingDatabase.h"
#include "entry/dlgSurveyData.h"
#include "exchange/AnalysisExport.h"
#include "exchange/AnalysisFile.h"
#include "model/FieldCatalogue.h"
#include "query/QueryConditions.h"
#include "query/ResultExport.h"
#include "query/SaveQuery.h"
#include "widgets/Application.h"
#include "widgets/Prompter.h"
#include "widgets/RecordGrid.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QStyle>
#include <QTableView>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace {
const QString kResultTitle = QStringLiteral("Tallyra查询结果");
}

TdlgQueryListForm::TdlgQueryListForm(EditorProvider editor, QWidget* parent)
    : QDialog(parent), m_editor(std::move(editor))
{
    setWindowTitle(QStringLiteral("查询结果列表"));
    setObjectName(QStringLiteral("dlgQueryList"));
    resize(1100, 620);

    auto* bar = new QHBoxLayout;
    bar->setSpacing(2);
    auto addButton = [&](const QString& caption, QStyle::StandardPixmap icon) {
        auto* b = new QToolButton(this);
        b->setText(caption);
        b->setIcon(style()->standardIcon(icon));
        b->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
        b->setAutoRaise(true);
        b->setMinimumWidth(96);
        bar->addWidget(b);
        m_buttons << b;
        return b;
    };
    connect(addButton(QStringLiteral("修改数据信息"), QStyle::SP_FileDialogDetailedView), &QToolButton::clicked, this,
            Handled([this] { EditCurrentRecord(); }));
    connect(addButton(QStringLiteral("删除数据信息"), QStyle::SP_TrashIcon), &QToolButton::clicked, this,
            Handled([this] { DeleteRecords(); }));
    QToolButton* exportButton = addButton(QStringLiteral("导出查询结果"), QStyle::SP_DialogSaveButton);
    auto* exportMenu = new QMenu(exportButton);
    exportMenu->addAction(QStringLiteral("导出详细数据为Access文件"), this, [this] { ExportToAccess(); });
    exportMenu->addAction(QStringLiteral("导出结果列表为Excel文件"), this, [this] { ExportToExcel(); });
    exportMenu->addAction(QStringLiteral("导出分析数据"), this, [this] { ExportForAnalysis(); });
    exportButton->setMenu(exportMenu);
    exportButton->setPopupMode(QToolButton::InstantPopup);
    connect(addButton(QStringLiteral("返  回"), QStyle::SP_DialogCloseButton), &QToolButton::clicked, this,
            &QDialog::accept);
    bar->addStretch(1);

    DBGrid1 = new QTableView(this);
    DBGrid1->setObjectName(QStringLiteral("DBGrid1"));
    m_model = new RowSetTableModel(this);
    DBGrid1->setModel(m_model);
    SetUpRecordGrid(*DBGrid1);
    DBGrid1->installEventFilter(this);
    connect(DBGrid1->horizontalHeader(), &QHeaderView::sectionClicked, this, [this](int column) { RunHandler([&] { titleClicked(column); }); });
    connect(DBGrid1, &QTableView::doubleClicked, this, Handled([this] { EditCurrentRecord(); }));
    FollowCurrentRow(*DBGrid1, ReportQuery);

    CountLabel = new QLabel(this);
    CountLabel->setObjectName(QStringLiteral("CountLabel"));

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addLayout(bar);
    layout->addWidget(DBGrid1, 1);
    layout->addWidget(CountLabel);
}

QToolButton* TdlgQueryListForm::button(const QString& caption) const
{
    for (QToolButton* b : m_buttons)
        if (b->text() == caption)
            return b;
    return nullptr;
}

void TdlgQueryListForm::ShowQueryResult(const QString& condition)
{
    ReportQuery.close();
    DetailQuery.close();
    m_model->setRowSet(nullptr);
    Connection& db = SysConnection();
    ReportQuery = db.query(ResultListSql(condition));
    ReportQuery.setKeyColumn(QStringLiteral("c901"));
    DetailQuery = db.query(ResultDetailSql(condition));
    m_model->setRowSet(&ReportQuery);
}

void TdlgQueryListForm::showEvent(QShowEvent* event)
{
    BuildColumns();
    QDialog::showEvent(event);
}

void TdlgQueryListForm::BuildColumns()
{
    TFieldDataArray catalogue;
    try {
        catalogue = LoadFieldCatalogue(SysConnection());
    } catch (const DbError& e) {
        ShowRunError(e.message());
    }
    if (!catalogue.isEmpty()) {
        // The list takes the catalogue in the order of its index "FieldName", visible rows only.
        std::stable_sort(catalogue.begin(), catalogue.end(), [](const TFieldData& a, const TFieldData& b) {
            return a.FieldName.compare(b.FieldName, Qt::CaseInsensitive) < 0;
        });
        TFieldDataArray shown;
        for (const TFieldData& f : catalogue)
            if (f.Visible)
                shown << f;
        m_model->setFields(shown, &ReportQuery);
        for (int i = 0; i < shown.size(); ++i)
            DBGrid1->setColumnWidth(i, shown[i].FieldWidth);
        m_lastSorted = -1;
        if (!shown.isEmpty()) {
            RowSetTableModel::Column& first = m_model->column(0);
            first.title = first.caption + SortMarker(m_sortState);
            first.titleColor = QColor(0, 255, 0);
            m_model->titleChanged(0);
            m_lastSorted = 0;
        }
    }
    CountLabel->setText(QStringLiteral("符合条件的数据总数：%1").arg(ReportQuery.isOpen() ? ReportQuery.recordCount() : 0));
    SelectCurrentRow(*DBGrid1, ReportQuery);
}

void TdlgQueryListForm::titleClicked(int column)
{
    if (!ReportQuery.isOpen())
        return;
    SortByColumnTitle(*m_model, column, m_sortState, m_lastSorted);
    SelectCurrentRow(*DBGrid1, ReportQuery);
}

void TdlgQueryListForm::EditCurrentRecord()
{
    if (!ReportQuery.isOpen() || ReportQuery.isEmpty() || !m_editor)
        return;
    TdlgSurveyDataForm& editor = m_editor();
    // Stores in the editor re-read these rows; the grid follows them.
    const QMetaObject::Connection reread = connect(&editor, &TdlgSurveyDataForm::listReread, this, [this] {
        m_model->reload();
        SelectCurrentRow(*DBGrid1, ReportQuery);
    });
    editor.openForModify(&ReportQuery);
    editor.exec();
    disconnect(reread);
    m_model->reload();
    SelectCurrentRow(*DBGrid1, ReportQuery);
    rereadDetail();
    CountLabel->setText(QStringLiteral("符合条件的数据总数：%1").arg(ReportQuery.recordCount()));
}

void TdlgQueryListForm::rereadDetail()
{
    // The full rows follow the list, so an export after an edit or a delete holds what is stored.
    try {
        if (DetailQuery.isOpen())
            DetailQuery.requery();
    } catch (const DbError& e) {
        ShowRunError(e.message());
    }
}

void TdlgQueryListForm::DeleteRecords()
{
    try {
        DeleteSelectedRecords(*DBGrid1, *m_model, SysConnection(), QStringLiteral("dt_data"), QStringLiteral("c901"));
    } catch (const DbError& e) {
        ShowRunError(e.message());
    }
    rereadDetail();
    CountLabel->setText(QStringLiteral("符合条件的数据总数：%1").arg(ReportQuery.recordCount()));
}

void TdlgQueryListForm::ExportToAccess()
{
    SaveQueryAsAccess(DetailQuery, kResultTitle);
}

void TdlgQueryListForm::ExportToExcel()
{
    // One descriptor per grid column, in column order, titled without the sort marker.
    TFieldDataArray columns;
    for (int c = 0; c < m_model->columnCount(); ++c) {
        const RowSetTableModel::Column& column = m_model->column(c);
        TFieldData f;
        f.ShowName = column.fieldName;
        f.Hint = TitleWithoutSortMarker(column.title);
        f.FieldWidth = 0;
        f.FieldType = ReportQuery.isOpen() ? ExportSqlType(ReportQuery.valueKinds(column.rowSetColumn)) : QString();
        f.QueryShow = true;
        columns << f;
    }
    SaveQueryAsExcel(ReportQuery, kResultTitle, columns);
}

void TdlgQueryListForm::ExportForAnalysis()
{
    // The returns the list shows, as they stand now (edits and deletes made here included).
    QList<double> codes;
    const int c901 = ReportQuery.isOpen() ? ReportQuery.columnIndex(QStringLiteral("c901")) : -1;
    for (int p = 0; c901 >= 0 && p < ReportQuery.recordCount(); ++p)
        if (!ReportQuery.isNullAt(p, c901))
            codes << ReportQuery.doubleAt(p, c901);
    SaveReturnsForAnalysis(CodeListCondition(), {CodeListParameter(codes)}, kResultTitle);
}

bool TdlgQueryListForm::eventFilter(QObject* watched, QEvent* event)
{
    // Keys act when let go, and only when the grid saw them go down (the Enter that closed a
    // message box must not open the editor).
    if (watched == DBGrid1 && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (!key->isAutoRepeat())
            m_pressedKey = key->key();
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)
            return true; // not the dialog's default button
    }
    if (watched == DBGrid1 && event->type() == QEvent::KeyRelease) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->isAutoRepeat() || key->key() != m_pressedKey)
            return QDialog::eventFilter(watched, event);
        m_pressedKey = 0;
        switch (key->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            EditCurrentRecord();
            return true;
        case Qt::Key_Period:
            DeleteRecords();
            return true;
        default:
            break;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void ShowResultList(const QString& condition, const EditorProvider& editor, QWidget* parent)
{
    TdlgQueryListForm list(editor, parent);
    try {
        list.ShowQueryResult(condition);
    } catch (const DbError& e) {
        ShowRunError(e.message());
        return;
    }
    list.exec();
}
