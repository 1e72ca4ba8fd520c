#include "query/DataSearchCode.h"

#include "db/DbError.h"
#include "db/WorkingDatabase.h"
#include "widgets/Application.h"
#include "widgets/Prompter.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>

TDataSearchCodeForm::TDataSearchCodeForm(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("选择指标"));
    setObjectName(QStringLiteral("DataSearchCode"));
    SheetList = new QListWidget(this);
    SheetList->setObjectName(QStringLiteral("SheetList"));
    SheetList->setMinimumWidth(340);
    FieldList = new QTableWidget(0, 2, this);
    FieldList->setObjectName(QStringLiteral("FieldList"));
    FieldList->setHorizontalHeaderLabels({QStringLiteral("指标"), QStringLiteral("名称")});
    FieldList->verticalHeader()->hide();
    FieldList->setSelectionBehavior(QAbstractItemView::SelectRows);
    FieldList->setSelectionMode(QAbstractItemView::SingleSelection);
    FieldList->setEditTriggers(QAbstractItemView::NoEditTriggers);
    FieldList->horizontalHeader()->setStretchLastSection(true);
    FieldList->setColumnWidth(0, 70);
    FieldList->setMinimumWidth(420);

    try {
        m_pages = IndicatorPages(SysConnection());
    } catch (const DbError& e) {
        ShowRunError(e.message());
    }
    for (const TCode& p : m_pages)
        SheetList->addItem(p.name);
    // A click or an arrow key on a page lists its indicators.
    connect(SheetList, &QListWidget::currentRowChanged, this, [this](int row) {
        if (row >= 0 && row < m_pages.size())
            showPage(m_pages[row].code);
    });
    connect(FieldList, &QTableWidget::cellDoubleClicked, this, Handled([this] { confirm(); }));

    auto* ok = new QPushButton(QStringLiteral("确认"), this);
    ok->setObjectName(QStringLiteral("btnOk"));
    ok->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("取消"), this);
    cancel->setObjectName(QStringLiteral("btnCancel"));
    connect(ok, &QPushButton::clicked, this, Handled([this] { confirm(); }));
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* left = new QVBoxLayout;
    left->addWidget(new QLabel(QStringLiteral("表"), this));
    left->addWidget(SheetList, 1);
    auto* right = new QVBoxLayout;
    right->addWidget(new QLabel(QStringLiteral("指标"), this));
    right->addWidget(FieldList, 1);
    auto* lists = new QHBoxLayout;
    lists->addLayout(left);
    lists->addLayout(right, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(lists, 1);
    layout->addLayout(buttons);
    resize(860, 480);

    // The picker opens on the first page that has indicators to choose (the cover has none in
    // the delivered catalogue); every page stays in the list.
    int start = 0;
    try {
        start = std::max(0, FirstPageWithIndicators(SysConnection(), m_pages));
    } catch (const DbError& e) {
        ShowRunError(e.message());
    }
    if (!m_pages.isEmpty())
        SheetList->setCurrentRow(start);
    else
        showPage(0);
}

void TDataSearchCodeForm::showPage(int page)
{
    QVector<IndicatorEntry> indicators;
    try {
        indicators = PageIndicators(SysConnection(), page);
    } catch (const DbError& e) {
        ShowRunError(e.message());
    }
    FieldList->setRowCount(int(indicators.size()));
    for (int i = 0; i < indicators.size(); ++i) {
        FieldList->setItem(i, 0, new QTableWidgetItem(indicators[i].fieldName));
        FieldList->setItem(i, 1, new QTableWidgetItem(indicators[i].hint));
    }
    if (!indicators.isEmpty())
        FieldList->setCurrentCell(0, 0);
}

QString TDataSearchCodeForm::currentField() const
{
    const int row = FieldList->currentRow();
    if (row < 0 || !FieldList->item(row, 0))
        return QString();
    return FieldList->item(row, 0)->text().trimmed();
}

void TDataSearchCodeForm::confirm()
{
    if (currentField().isEmpty())
        return;
    accept();
}

QString PickIndicator(QWidget* parent)
{
    TDataSearchCodeForm picker(parent);
    if (picker.exec() != QDialog::Accepted)
        return QString();
    return picker.currentField();
}
