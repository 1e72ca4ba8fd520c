#include "app/dlgShow.h"

#include "widgets/Application.h"
#include "widgets/Prompter.h"
#include "db/DbError.h"
#include "db/WorkingDatabase.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QScrollArea>
#include <QTabWidget>
#include <QVBoxLayout>

QRect ColumnChooserBoxGeometry(int k)
{
    return QRect((k % 2) * 438 + 4, (k / 2) * 30 + 6, 438, 35);
}

TdlgShowForm::TdlgShowForm(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("自定义列表项"));
    DataPage = new QTabWidget(this);
    DataPage->setTabPosition(QTabWidget::South);
    addPage(QStringLiteral("封面"));
    tbSave = new QPushButton(QStringLiteral("确  定"), this);
    tbReturn = new QPushButton(QStringLiteral("关  闭"), this);
    connect(tbSave, &QPushButton::clicked, this, Handled(this, &TdlgShowForm::tbSaveClick));
    connect(tbReturn, &QPushButton::clicked, this, &QDialog::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(tbSave);
    buttons->addWidget(tbReturn);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(DataPage, 1);
    layout->addLayout(buttons);
    resize(920, 640);

    try {
        RowSet rows = SysConnection().query(
            QStringLiteral("select * from view_FieldList where PageID >=0 order by PageID,sequence"));
        int n = 0;
        int f = 0;
        QFont boxFont(QStringLiteral("宋体"));
        boxFont.setPointSize(9);
        for (rows.first(); !rows.eof(); rows.next(), ++n) {
            const int page = int(rows.toInt(QStringLiteral("PageID")));
            // Pages come in order; a page number that skips ahead gets every page up to it.
            while (page >= m_pageAreas.size()) {
                addPage(rows.text(QStringLiteral("SheetName")));
                f = n;
            }
            auto* box = new QCheckBox(rows.text(QStringLiteral("FieldName")) + QStringLiteral("--")
                                          + rows.text(QStringLiteral("Hint")),
                                      m_pageAreas[page]);
            box->setObjectName(rows.text(QStringLiteral("FieldName")));
            box->setProperty("tag", rows.toInt(QStringLiteral("id")));
            box->setFont(boxFont);
            box->setAttribute(Qt::WA_Hover);
            box->setChecked(rows.toBool(QStringLiteral("visible")));
            box->setGeometry(ColumnChooserBoxGeometry(n - f));
            m_boxes << box;
            QWidget* area = m_pageAreas[page];
            area->setMinimumSize(qMax(area->minimumWidth(), box->geometry().right() + 4),
                                 qMax(area->minimumHeight(), box->geometry().bottom() + 4));
        }
    } catch (const DbError& e) {
        ShowRunError(e.message());
    }
}

QWidget* TdlgShowForm::addPage(const QString& caption)
{
    auto* scroll = new QScrollArea;
    auto* area = new QWidget;
    area->setAutoFillBackground(true);
    QPalette pal = area->palette();
    pal.setColor(QPalette::Window, Qt::white);
    area->setPalette(pal);
    scroll->setWidget(area);
    scroll->setWidgetResizable(true);
    DataPage->addTab(scroll, caption);
    m_pageAreas << area;
    return area;
}

void TdlgShowForm::tbSaveClick()
{
    Connection& db = SysConnection();
    try {
        // One change: either every box is stored or none is.
        Transaction tx(db);
        db.execute(QStringLiteral("update view_fieldlist set visible=false"));
        for (QCheckBox* box : m_boxes)
            if (box->isChecked())
                db.execute(QStringLiteral("update view_fieldlist set visible=true where id=%1")
                               .arg(box->property("tag").toLongLong()));
        tx.commit();
    } catch (const DbError& e) {
        ShowRunError(e.message());
        return;
    }
    emit saved();
    CurrentPrompter().message(QStringLiteral("保存成功"));
    tbSave->setEnabled(false);
}
