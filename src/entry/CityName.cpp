#include "entry/CityName.h"

#include "widgets/Application.h"
#include "widgets/Prompter.h"
#include "db/DbError.h"
#include "db/WorkingDatabase.h"
#include "model/Division.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>

#include <algorithm>
#include <functional>

namespace {
// Shows the names of the rows; the list's row numbers are the rows' places.
void showRows(QListWidget* list, const QVector<DivisionRow>& rows)
{
    list->clear();
    for (const DivisionRow& row : rows)
        list->addItem(row.name);
}

// Makes the first row that matches current; without one, the list's first row.
void goToRow(QListWidget* list, const QVector<DivisionRow>& rows,
             const std::function<bool(const DivisionRow&)>& matches)
{
    const auto found = std::find_if(rows.begin(), rows.end(), matches);
    if (list->count() > 0)
        list->setCurrentRow(found == rows.end() ? 0 : int(found - rows.begin()));
}

bool isArrowKey(int key)
{
    return key == Qt::Key_Up || key == Qt::Key_Down || key == Qt::Key_Left || key == Qt::Key_Right;
}
} // namespace

TCityNameForm::TCityNameForm(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("中华人民共和国行政区划"));
    CityName1 = new QListWidget(this);
    CityName2 = new QListWidget(this);
    CityName3 = new QListWidget(this);
    CityName1->setObjectName(QStringLiteral("CityName1"));
    CityName2->setObjectName(QStringLiteral("CityName2"));
    CityName3->setObjectName(QStringLiteral("CityName3"));
    // Room for the longest names: "新疆维吾尔自治区", "克孜勒苏柯尔克孜自治州" and the
    // autonomous counties.
    CityName1->setMinimumWidth(140);
    CityName2->setMinimumWidth(180);
    CityName3->setMinimumWidth(220);
    tbOK = new QPushButton(QStringLiteral("确认选择"), this);
    tbCancel = new QPushButton(QStringLiteral("取消选择"), this);
    tbOK->setObjectName(QStringLiteral("tbOK"));
    tbCancel->setObjectName(QStringLiteral("tbCancel"));
    // Enter does not confirm; the buttons and the double click do.
    tbOK->setAutoDefault(false);
    tbCancel->setAutoDefault(false);

    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel(QStringLiteral("省级地区"), this), 0, 0);
    grid->addWidget(new QLabel(QStringLiteral("地市及直辖市所属区县"), this), 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("县、市辖区、县级市、旗"), this), 0, 2);
    grid->addWidget(CityName1, 1, 0);
    grid->addWidget(CityName2, 1, 1);
    grid->addWidget(CityName3, 1, 2);
    grid->setColumnStretch(0, 14);
    grid->setColumnStretch(1, 18);
    grid->setColumnStretch(2, 22);
    auto* note = new QLabel(
        QStringLiteral("说明：基于国家统计局2007年12月31日公布的《中华人民共和国行政区划代码》编排"), this);
    note->setWordWrap(true);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(tbOK);
    buttons->addWidget(tbCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid, 1);
    layout->addWidget(note);
    layout->addLayout(buttons);
    resize(640, 420);

    connect(CityName1, &QListWidget::clicked, this, Handled(this, &TCityNameForm::CityName1Click));
    connect(CityName2, &QListWidget::clicked, this, Handled(this, &TCityNameForm::CityName2Click));
    connect(CityName3, &QListWidget::doubleClicked, this, Handled(this, &TCityNameForm::tbOKClick));
    connect(tbOK, &QPushButton::clicked, this, Handled(this, &TCityNameForm::tbOKClick));
    connect(tbCancel, &QPushButton::clicked, this, &QDialog::reject);
    CityName1->installEventFilter(this);
    CityName2->installEventFilter(this);

    loadProvinces();
}

void TCityNameForm::loadProvinces()
{
    try {
        m_provinces = Provinces(SysConnection());
    } catch (const DbError& e) {
        m_provinces.clear();
        ShowRunError(e.message());
    }
    showRows(CityName1, m_provinces);
}

void TCityNameForm::fillPrefectures(int code1)
{
    try {
        m_prefectures = Prefectures(SysConnection(), code1);
    } catch (const DbError& e) {
        m_prefectures.clear();
        ShowRunError(e.message());
    }
    showRows(CityName2, m_prefectures);
}

void TCityNameForm::fillCounties(int code1, int code2)
{
    try {
        m_counties = Counties(SysConnection(), code1, code2);
    } catch (const DbError& e) {
        m_counties.clear();
        ShowRunError(e.message());
    }
    showRows(CityName3, m_counties);
}

void TCityNameForm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    centreOnScreen();
    FormShow();
}

void TCityNameForm::centreOnScreen()
{
    if (const QScreen* s = screen())
        move(s->availableGeometry().center() - rect().center());
}

// Puts the three lists on the preset code.
void TCityNameForm::FormShow()
{
    const DivisionParts c = SplitDivisionCode(m_selectedCode);
    goToRow(CityName1, m_provinces, [&](const DivisionRow& r) { return r.code1 == c.province; });
    fillPrefectures(c.province);
    goToRow(CityName2, m_prefectures,
            [&](const DivisionRow& r) { return r.code1 == c.province && r.code2 == c.city; });
    fillCounties(c.province, c.city);
    goToRow(CityName3, m_counties, [&](const DivisionRow& r) {
        return r.code1 == c.province && r.code2 == c.city && r.code3 == c.county;
    });
}

void TCityNameForm::CityName1Click()
{
    const int row = CityName1->currentRow();
    if (row < 0 || row >= m_provinces.size())
        return;
    // A province opens on its first prefecture, whatever was chosen before.
    const int c1 = m_provinces[row].code1;
    fillPrefectures(c1);
    goToRow(CityName2, m_prefectures, [&](const DivisionRow& r) { return r.code1 == c1 && r.code2 == 1; });
    fillCounties(c1, 1);
    goToRow(CityName3, m_counties, [&](const DivisionRow& r) { return r.code3 == 0; });
}

void TCityNameForm::CityName2Click()
{
    const int province = CityName1->currentRow();
    const int row = CityName2->currentRow();
    if (province < 0 || province >= m_provinces.size() || row < 0 || row >= m_prefectures.size())
        return;
    const int c1 = m_provinces[province].code1;
    const int c2 = m_prefectures[row].code2;
    fillCounties(c1, c2);
    goToRow(CityName3, m_counties, [&](const DivisionRow& r) { return r.code3 == 0; });
}

void TCityNameForm::tbOKClick()
{
    const int row = CityName3->currentRow();
    if (row < 0 || row >= m_counties.size())
        return; // nothing to take
    m_selectedCode = m_counties[row].id;
    m_selectedName = m_counties[row].combName.trimmed();
    accept();
}

bool TCityNameForm::eventFilter(QObject* watched, QEvent* event)
{
    // Moving through a list with the arrow keys chooses the row the key leaves it on.
    if (event->type() == QEvent::KeyRelease) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (isArrowKey(key->key()) && !key->isAutoRepeat()) {
            if (watched == CityName1)
                CityName1Click();
            else if (watched == CityName2)
                CityName2Click();
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TCityNameForm::keyPressEvent(QKeyEvent* event)
{
    // Esc closes on its release, below.
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void TCityNameForm::keyReleaseEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape && !event->isAutoRepeat()) {
        reject();
        return;
    }
    QDialog::keyReleaseEvent(event);
}
