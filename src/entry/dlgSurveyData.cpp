#include "entry/dlgSurveyData.h"

#include "app/CodePicker.h"
#include "app/Environment.h"
#include "app/Gbk.h"
#include "app/InputMethods.h"
#include "app/Prompter.h"
#include "app/SettingsStore.h"
#include "db/DbError.h"
#include "db/WorkingDatabase.h"
#include "entry/CityName.h"
#include "entry/HeaderValidation.h"
#include "entry/MVValidEdit.h"
#include "entry/NumericEdit.h"
#include "entry/RecordStore.h"
#include "entry/RtfReader.h"
#include "entry/SurveyPages.h"
#include "logic/MessageListWin.h"
#include "logic/RuleCheck.h"
#include "model/Division.h"
#include "model/LevelRule.h"

#include <QAction>
#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QScrollArea>
#include <QShortcut>
#include <QStyle>
#include <QTabWidget>
#include <QTextBrowser>
#include <QToolButton>
#include <QVBoxLayout>

#include <cmath>

namespace {
const QString kQuotes = QStringLiteral("'\"`");
const QString kLater = QStringLiteral("该功能将在后续版本中提供。");

QLabel* headingLabel(const QString& text, int pixelSize, bool bold)
{
    auto* label = new QLabel(text);
    QFont f = label->font();
    f.setPixelSize(pixelSize);
    f.setBold(bold);
    label->setFont(f);
    label->setAlignment(Qt::AlignCenter);
    label->setWordWrap(true);
    return label;
}

// The dependent fields of a yes/no trigger.
struct Dependents {
    const char* trigger;
    const char* letter;
    int first, last;
};
const Dependents kDependents[] = {{"b001", "b", 2, 8}, {"c001", "c", 2, 8}, {"c009", "c", 10, 21}};
} // namespace

TdlgSurveyDataForm::TdlgSurveyDataForm(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("基层以上单位数据"));
    setObjectName(QStringLiteral("dlgSurveyDataForm"));
    buildWindow();
}

// ---------------------------------------------------------------- building the window

void TdlgSurveyDataForm::buildWindow()
{
    try {
        m_catalogue = LoadFieldCatalogue(SysConnection());
    } catch (const DbError& e) {
        ShowRunError(e.message(), QStringLiteral(",请与软件发行者联系。"));
    }
    auto* bar = new QWidget;
    auto* barLayout = new QHBoxLayout(bar);
    barLayout->setContentsMargins(4, 2, 4, 2);
    auto addButton = [&](const QString& name, const QString& caption, const QString& hint, QStyle::StandardPixmap icon,
                         const std::function<void()>& click) {
        auto* b = new QToolButton;
        b->setObjectName(name);
        b->setText(caption);
        b->setIcon(style()->standardIcon(icon));
        b->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        b->setAutoRaise(true);
        const int bar = hint.indexOf(QLatin1Char('|'));
        b->setToolTip(bar < 0 ? hint : hint.left(bar));
        b->setStatusTip(bar < 0 ? hint : hint.mid(bar + 1));
        connect(b, &QToolButton::clicked, this, click);
        barLayout->addWidget(b);
        m_buttons.insert(name, b);
    };
    const QString saveHint = QStringLiteral("正式保存输入的数据|正式保存已经数据的数据，将检查数据的逻辑关系");
    addButton("tbHold", QStringLiteral("临时保存"),
              QStringLiteral("临时保存输入的数据|临时保存已经输入的数据，不检查数据的逻辑关系，保存后可继续编辑，临时保存的数据不能被导出或上报"),
              QStyle::SP_DialogSaveButton, [this] { tbHoldClick(); });
    addButton("tbSave", QStringLiteral("保存记录"), saveHint, QStyle::SP_DialogApplyButton, [this] { tbSaveClick(); });
    addButton("tbAdd", QStringLiteral("保存记录"), saveHint + QStringLiteral("，保存后会请空所有已经输入的数据，以便输入新的数据"),
              QStyle::SP_DialogApplyButton, [this] { tbSaveClick(); });
    addButton("tbCheck", QStringLiteral("检查逻辑"), QStringLiteral("检查逻辑"), QStyle::SP_FileDialogContentsView,
              [this] { tbCheckClick(); });
    addButton("tbPrint", QStringLiteral("打  印"), QStringLiteral("打印当前的报表"), QStyle::SP_ComputerIcon,
              [] { CurrentPrompter().message(kLater); });
    addButton("tbReturn", QStringLiteral("返  回"), QStringLiteral("返  回"), QStyle::SP_DialogCloseButton,
              [this] { tbReturnClick(); });
    barLayout->addSpacing(20);

    NavBar = new QWidget;
    auto* navLayout = new QHBoxLayout(NavBar);
    navLayout->setContentsMargins(0, 0, 0, 0);
    const std::pair<const char*, QStyle::StandardPixmap> navs[] = {{"第一条", QStyle::SP_MediaSkipBackward},
                                                                  {"上一条", QStyle::SP_MediaSeekBackward},
                                                                  {"下一条", QStyle::SP_MediaSeekForward},
                                                                  {"最后一条", QStyle::SP_MediaSkipForward}};
    for (int i = 0; i < 4; ++i) {
        auto* a = new QAction(style()->standardIcon(navs[i].second), QString::fromUtf8(navs[i].first), this);
        connect(a, &QAction::triggered, this, [this, i] { navigate(i); });
        auto* b = new QToolButton;
        b->setDefaultAction(a);
        b->setAutoRaise(true);
        navLayout->addWidget(b);
        m_nav.insert(QString::fromUtf8(navs[i].first), a);
    }
    barLayout->addWidget(NavBar);
    ItemNo = new QLabel;
    barLayout->addWidget(ItemNo);
    barLayout->addStretch(1);

    m_pageFields.resize(kLastPage + 1);
    DataPage = new QTabWidget;
    DataPage->setTabPosition(QTabWidget::South);
    DataPage->setObjectName(QStringLiteral("DataPage"));
    for (const SurveyPage& page : SurveyPages()) {
        auto* scroll = new QScrollArea;
        scroll->setWidgetResizable(true);
        scroll->setFrameShape(QFrame::NoFrame);
        scroll->setWidget(page.number == 0 ? buildCover() : buildDataPage(page.number));
        DataPage->addTab(scroll, page.tabCaption);
    }
    connect(DataPage, &QTabWidget::currentChanged, this, &TdlgSurveyDataForm::pageChanged);

    rtfNotes = new QTextBrowser;
    rtfNotes->setObjectName(QStringLiteral("rtfNotes"));
    rtfNotes->setReadOnly(true);
    rtfNotes->setFixedHeight(120);
    rtfNotes->setFocusPolicy(Qt::NoFocus);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(bar);
    layout->addWidget(DataPage, 1);
    layout->addWidget(rtfNotes);
    resize(1000, 720);

    // Tab goes through a page's fields in their order.
    for (const QList<QWidget*>& fields : m_pageFields)
        for (int i = 1; i < fields.size(); ++i)
            setTabOrder(fields[i - 1], fields[i]);

    auto* hold = new QShortcut(QKeySequence(QStringLiteral("Ctrl+S")), this);
    connect(hold, &QShortcut::activated, this, [this] { tbHoldClick(); });
}

QWidget* TdlgSurveyDataForm::buildCover()
{
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("page0"));
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(30, 16, 30, 16);
    layout->addWidget(headingLabel(SurveyPages()[0].heading, 22, true));

    auto* block = new QLabel(QStringLiteral("表    号：工统基2表\n制表机关：中华全国总工会\n批准机关：国家统计局\n"
                                            "批准文号：国统制〔2012〕18号\n有效期至：2013年12月"));
    block->setAlignment(Qt::AlignRight | Qt::AlignTop);
    auto* notice = new QLabel(QStringLiteral(
        "依照《中华人民共和国统计法》的规定，本调查表所填报的数据必须真实、准确、完整、及时，"
        "不得虚报、瞒报、拒报、迟报，不得伪造、篡改。本调查表所取得的资料仅用于工会统计工作。"));
    notice->setWordWrap(true);
    auto* top = new QHBoxLayout;
    top->addWidget(notice, 3);
    top->addSpacing(30);
    top->addWidget(block, 1);
    layout->addLayout(top);
    layout->addSpacing(12);

    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(10);
    grid->setVerticalSpacing(12);
    auto numericField = [this](const char* name, int digits) {
        auto* edit = new NumericEdit;
        edit->setObjectName(QString::fromLatin1(name));
        edit->setMaxLength(digits);
        edit->setMaximum(std::pow(10.0, digits) - 1);
        edit->setThousandsSeparators(false);
        edit->setFixedWidth(digits > 6 ? 160 : 90);
        registerField(edit, 0);
        return edit;
    };
    auto textField = [this](const char* name, int bytes, int width) {
        auto* edit = new TMVValidEdit;
        edit->setObjectName(QString::fromLatin1(name));
        edit->setForbidChars(kQuotes);
        edit->setByteLimit(bytes);
        edit->setFixedWidth(width);
        registerField(edit, 0);
        return edit;
    };
    auto nameBox = [this](const char* name, const QString& hint, const std::function<void()>& drop) {
        auto* box = new QLineEdit;
        box->setObjectName(QString::fromLatin1(name));
        box->setReadOnly(true);
        box->setFocusPolicy(Qt::NoFocus);
        box->setToolTip(hint);
        box->setMinimumWidth(260);
        box->setStyleSheet(QStringLiteral("QLineEdit { background: #f3f6fb; }"));
        QAction* button = box->addAction(style()->standardIcon(QStyle::SP_ArrowDown), QLineEdit::TrailingPosition);
        button->setObjectName(QString::fromLatin1(name) + QStringLiteral("Button"));
        connect(button, &QAction::triggered, this, drop);
        return box;
    };
    auto label = [](const QString& text) {
        auto* l = new QLabel(text);
        l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        return l;
    };
    int row = 0;
    grid->addWidget(label(QStringLiteral("901. 本级工会统计编码：")), row, 0);
    grid->addWidget(numericField("c901", 12), row++, 1, Qt::AlignLeft);
    grid->addWidget(label(QStringLiteral("902. 本级工会名称：")), row, 0);
    grid->addWidget(textField("c902", 60, 420), row++, 1, 1, 2, Qt::AlignLeft);
    grid->addWidget(label(QStringLiteral("903. 本级工会所在地行政区划代码：")), row, 0);
    grid->addWidget(numericField("c903", 6), row, 1, Qt::AlignLeft);
    CityNameCtrl = nameBox("CityNameCtrl", QStringLiteral("选择本级工会所在地行政区划"), [this] { openDivisionPicker(); });
    grid->addWidget(CityNameCtrl, row++, 2);
    grid->addWidget(label(QStringLiteral("904. 本级工会层次代码：")), row, 0);
    grid->addWidget(numericField("c904", 6), row, 1, Qt::AlignLeft);
    LevelName = nameBox("LevelName", QString(), [this] {
        ShowCodePicker(LevelName, m_levels, [this](const QVariant&, int code) { ApplyLevel(code); });
    });
    grid->addWidget(LevelName, row++, 2);
    grid->addWidget(label(QStringLiteral("907. 基层以上工会本年度的填报状态：")), row, 0);
    grid->addWidget(numericField("c907", 6), row, 1, Qt::AlignLeft);
    StateName = nameBox("StateName", QString(), [this] {
        ShowCodePicker(StateName, m_states, [this](const QVariant&, int code) { ApplyState(code); });
    });
    grid->addWidget(StateName, row++, 2);
    grid->setColumnStretch(3, 1);
    layout->addLayout(grid);
    layout->addSpacing(24);

    auto* people = new QHBoxLayout;
    people->addStretch(1);
    people->addWidget(new QLabel(QStringLiteral("填 表 人：")));
    people->addWidget(textField("c905", 50, 140));
    people->addSpacing(30);
    people->addWidget(new QLabel(QStringLiteral("联系电话：")));
    TMVValidEdit* phone = textField("c906", 50, 160);
    phone->setCheckType(tcValidate);
    phone->setValidChars(QStringLiteral("0123456789-"));
    people->addWidget(phone);
    layout->addLayout(people);
    layout->addStretch(1);
    return page;
}

QWidget* TdlgSurveyDataForm::buildDataPage(int number)
{
    const SurveyPage& info = SurveyPages()[number];
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("page%1").arg(number));
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(16, 12, 16, 12);
    layout->addWidget(headingLabel(info.heading, 17, true));
    if (!info.headingLine.isEmpty())
        layout->addWidget(headingLabel(info.headingLine, 12, false));
    layout->addSpacing(8);

    QHash<QString, const TFieldData*> byName;
    for (const TFieldData& f : m_catalogue)
        byName.insert(f.FieldName.toLower(), &f);
    const QStringList names = PageFieldNames(number);
    const int perColumn = (int(names.size()) + 1) / 2;
    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(6);
    for (int i = 0; i < names.size(); ++i) {
        const QString& name = names[i];
        const int column = (i / perColumn) * 4;
        const int row = i % perColumn;
        auto* code = new QLabel(name);
        code->setStyleSheet(QStringLiteral("color: #5a6b8c;"));
        const TFieldData* f = byName.value(name);
        auto* caption = new QLabel(f ? f->Hint : name);
        caption->setWordWrap(true);
        caption->setMinimumWidth(230);
        auto* edit = new NumericEdit;
        edit->setObjectName(name);
        edit->setDecimalsAllowed(IndicatorTakesDecimals(name));
        edit->setFixedWidth(130);
        edit->setAlignment(Qt::AlignRight);
        grid->addWidget(code, row, column);
        grid->addWidget(caption, row, column + 1);
        grid->addWidget(edit, row, column + 2);
        if (column == 0)
            grid->setColumnMinimumWidth(3, 24);
        registerField(edit, number);
    }
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(5, 1);
    layout->addLayout(grid);
    layout->addStretch(1);
    return page;
}

void TdlgSurveyDataForm::registerField(QWidget* control, int page)
{
    const QString name = control->objectName().toLower();
    m_controls.insert(name, control);
    m_pageOf.insert(control, page);
    m_pageFields[page] << control;
    control->installEventFilter(this);
    if (auto* numeric = qobject_cast<NumericEdit*>(control)) {
        connect(numeric, &NumericEdit::valueChanged, this, [this, name] {
            MarkChanged();
            if (name == QLatin1String("b001") || name == QLatin1String("c001") || name == QLatin1String("c009"))
                dependentChanged(name);
        });
    } else if (auto* text = qobject_cast<QLineEdit*>(control)) {
        connect(text, &QLineEdit::textChanged, this, [this] { MarkChanged(); });
    }
}

// ---------------------------------------------------------------- access to fields

QWidget* TdlgSurveyDataForm::control(const QString& name) const
{
    return m_controls.value(name.toLower());
}

NumericEdit* TdlgSurveyDataForm::numeric(const QString& name) const
{
    return qobject_cast<NumericEdit*>(control(name));
}

bool TdlgSurveyDataForm::fieldValue(const QString& name, qint64* value) const
{
    NumericEdit* edit = numeric(name);
    if (!edit)
        return false;
    *value = edit->intValue();
    return true;
}

int TdlgSurveyDataForm::currentPage() const
{
    return DataPage->currentIndex();
}

QToolButton* TdlgSurveyDataForm::button(const QString& name) const
{
    return m_buttons.value(name);
}

QLineEdit* TdlgSurveyDataForm::nameBox(const QString& name) const
{
    if (name == QLatin1String("CityNameCtrl"))
        return CityNameCtrl;
    if (name == QLatin1String("LevelName"))
        return LevelName;
    if (name == QLatin1String("StateName"))
        return StateName;
    return nullptr;
}

void TdlgSurveyDataForm::focusField(const QString& name)
{
    if (QWidget* w = control(name)) {
        const int page = m_pageOf.value(w, 0);
        if (DataPage->currentIndex() != page) {
            DataPage->blockSignals(true);
            DataPage->setCurrentIndex(page);
            DataPage->blockSignals(false);
            m_page = page;
            showNotes(page);
        }
        w->setFocus(Qt::OtherFocusReason);
    }
}

void TdlgSurveyDataForm::jumpToField(int page, const QString& field)
{
    if (page < 0 || page > kLastPage)
        return;
    DataPage->setCurrentIndex(page);
    QWidget* w = control(field);
    if (w && w->isEnabled() && DataPage->currentIndex() == page)
        w->setFocus(Qt::OtherFocusReason);
}

// ---------------------------------------------------------------- opening and loading

void TdlgSurveyDataForm::openForNew(RowSet* list)
{
    IsAddMode = true;
    m_list = list;
}

void TdlgSurveyDataForm::openForModify(RowSet* list)
{
    IsAddMode = false;
    m_list = list;
    OpenedKey = (list && list->position() >= 0) ? list->toInt(QStringLiteral("c901")) : 0;
}

void TdlgSurveyDataForm::readCodeLists()
{
    try {
        m_levels = LoadCodeTable(SysConnection(), QStringLiteral("CT_LevelCode"));
        m_states = LoadCodeTable(SysConnection(), QStringLiteral("CT_state"));
    } catch (const DbError& e) {
        ShowRunError(e.message(), QStringLiteral(",请与软件发行者联系。"));
    }
}

void TdlgSurveyDataForm::showEvent(QShowEvent* event)
{
    move(10, 2);
    // The error list jumps into this editor.
    QPointer<TdlgSurveyDataForm> self(this);
    MessageListWin().jumpTo = [self](int page, const QString& field) {
        if (self)
            self->jumpToField(page, field);
    };
    readCodeLists();
    LoadRecord();
    button("tbPrint")->setEnabled(!IsAddMode);
    if (IsAddMode) {
        NavBar->hide();
        ItemNo->hide();
    } else {
        NavBar->setVisible(m_list && m_list->recordCount() > 1);
        ItemNo->show();
    }
    QDialog::showEvent(event);
}

void TdlgSurveyDataForm::LoadRecord()
{
    IsLoaded = false;
    if (m_levels.isEmpty())
        readCodeLists();
    const bool hasRow = m_list && m_list->position() >= 0;
    const qint64 listKey = hasRow ? m_list->toInt(QStringLiteral("c901")) : 0;
    QHash<QString, QVariant> stored;
    if (!IsAddMode) {
        try {
            stored = ReadReturn(SysConnection(), listKey);
        } catch (const DbError& e) {
            ShowRunError(e.message(), QStringLiteral(",请与软件发行者联系。"));
        }
    }
    if (IsAddMode) {
        IsStoredOnce = false;
        CurrentKey = 0;
    } else {
        CurrentKey = listKey;
    }
    // Limits and values, field by field from the catalogue.
    for (const TFieldData& f : m_catalogue) {
        QWidget* w = control(f.FieldName);
        if (!w)
            continue;
        const QVariant v = stored.value(f.FieldName.toLower());
        if (auto* edit = qobject_cast<NumericEdit*>(w)) {
            if (f.ID > 6) {
                const bool answer = f.QueryType == AnswerCode;
                edit->setMinimum(0);
                edit->setMaximum(answer ? 2 : 99999999999999.0);
                edit->setMaxLength(answer ? 1 : 0);
            }
            edit->setEnabled(true);
            if (IsAddMode)
                edit->setValue(0);
            else if (f.QueryType == DecimalNumber)
                edit->setValue(v.isNull() ? 0.0 : v.toDouble());
            else
                edit->setValue(v.isNull() ? 0.0 : std::round(v.toDouble()));
        } else if (auto* text = qobject_cast<TMVValidEdit*>(w)) {
            // The telephone takes digits and "-" only; the other texts refuse the quote characters.
            if (f.FieldName.compare(QLatin1String("c906"), Qt::CaseInsensitive) != 0) {
                text->setCheckType(tcForbid);
                text->setForbidChars(kQuotes);
            }
            text->setText(IsAddMode ? QString() : v.toString());
        }
    }
    for (const char* name : {"c001", "c009"}) {
        numeric(QString::fromLatin1(name))->setMinimum(1);
        numeric(QString::fromLatin1(name))->setMaximum(2);
        numeric(QString::fromLatin1(name))->setMaxLength(1);
    }
    if (IsAddMode) {
        qint64 next = 0;
        try {
            next = NextFreeCode(SysConnection());
        } catch (const DbError& e) {
            ShowRunError(e.message(), QStringLiteral(",请与软件发行者联系。"));
        }
        numeric("c901")->setValue(double(next));
        const int city = RegReadInteger(QStringLiteral("AppLastCity"), 0, SettingsRoot::LocalMachine, EnvSettingKey());
        numeric("c903")->setValue(city);
        SetEditTag(CityNameCtrl, city);
        CityNameCtrl->setText(LookupDivisionName(SysConnection(), city));
        numeric("c904")->setValue(10);
        SetEditTag(LevelName, 10);
        LevelName->setText(FindCodeName(m_levels, 10));
        numeric("c907")->setValue(0);
        SetEditTag(StateName, 0);
        StateName->setText(QString());
        QString person, phone;
        try {
            person = RegReadString(QStringLiteral("c905"), QString(), SettingsRoot::LocalMachine, DataKey());
            phone = RegReadString(QStringLiteral("c906"), QString(), SettingsRoot::LocalMachine, DataKey());
        } catch (const SettingsError&) {
        }
        qobject_cast<QLineEdit*>(control("c905"))->setText(person);
        qobject_cast<QLineEdit*>(control("c906"))->setText(phone);
    } else {
        numeric("c901")->setValue(double(CurrentKey));
        lookupDivision(false);
        lookupLevel(false);
        lookupState(false);
    }
    ApplyLevel(LevelValue(numeric("c904")->plainText()));
    button("tbHold")->setEnabled(false);
    button("tbSave")->setEnabled(false);
    DataPage->setCurrentIndex(0);
    m_page = 0;
    showNotes(0);
    control("c901")->setFocus(Qt::OtherFocusReason);

    const int count = m_list ? m_list->recordCount() : 0;
    if (count < 2) {
        ItemNo->setText(QStringLiteral("第1条/共1条"));
        NavBar->hide();
    } else {
        ItemNo->setText(QStringLiteral("第%1条/共%2条").arg(m_list->position() + 1).arg(count));
        if (!IsAddMode && isVisible())
            NavBar->show();
    }
    updateNavigation();
    button("tbAdd")->setVisible(IsAddMode);
    button("tbSave")->setVisible(!IsAddMode);
    button("tbSave")->setEnabled(false);
    button("tbHold")->setEnabled(false);
    IsLoaded = true;
}

void TdlgSurveyDataForm::updateNavigation()
{
    const int pos = m_list ? m_list->position() : -1;
    const int count = m_list ? m_list->recordCount() : 0;
    m_nav.value(QStringLiteral("第一条"))->setEnabled(pos > 0);
    m_nav.value(QStringLiteral("上一条"))->setEnabled(pos > 0);
    m_nav.value(QStringLiteral("下一条"))->setEnabled(pos >= 0 && pos < count - 1);
    m_nav.value(QStringLiteral("最后一条"))->setEnabled(pos >= 0 && pos < count - 1);
}

// ---------------------------------------------------------------- rules of fields

void TdlgSurveyDataForm::MarkChanged()
{
    // A reporting state of 3 or more keeps the hold disabled.
    button("tbHold")->setEnabled(StateValue(numeric("c907")->plainText()) < 3);
    button("tbSave")->setEnabled(true);
    button("tbPrint")->setEnabled(false);
}

void TdlgSurveyDataForm::setDependentFields(const QString& trigger, int first, int last)
{
    const bool on = numeric(trigger)->intValue() == 1 && numeric(trigger)->isEnabled();
    for (int n = first; n <= last; ++n) {
        NumericEdit* edit = numeric(IndicatorName(trigger[0], n));
        if (!edit)
            continue;
        edit->setEnabled(on);
        if (!on && edit->value() != 0)
            edit->setValue(0);
    }
}

void TdlgSurveyDataForm::dependentChanged(const QString& trigger)
{
    for (const Dependents& d : kDependents)
        if (trigger == QLatin1String(d.trigger))
            setDependentFields(trigger, d.first, d.last);
}

void TdlgSurveyDataForm::ApplyLevel(int level)
{
    numeric("c904")->setValue(level);
    if (StateValue(numeric("c907")->plainText()) > 2)
        return;
    for (const TFieldData& f : m_catalogue) {
        if (f.Rule.isEmpty())
            continue;
        QWidget* w = control(f.FieldName);
        if (!w)
            continue;
        const bool applies = MatchesLevelRule(level, f.Rule);
        w->setEnabled(applies);
        if (!applies) {
            if (auto* edit = qobject_cast<NumericEdit*>(w)) {
                if (edit->value() != 0)
                    edit->setValue(0);
            } else if (auto* text = qobject_cast<QLineEdit*>(w)) {
                text->clear();
            }
        }
    }
    // A trigger the level leaves enabled still decides over its dependent fields.
    for (const Dependents& d : kDependents)
        if (numeric(QString::fromLatin1(d.trigger))->isEnabled())
            setDependentFields(QString::fromLatin1(d.trigger), d.first, d.last);
}

void TdlgSurveyDataForm::ApplyState(int state)
{
    numeric("c907")->setValue(state);
    if (state < 3) {
        button("tbCheck")->setEnabled(true);
        button("tbHold")->setEnabled(true);
        for (const QString& name : IndicatorNames())
            control(name)->setEnabled(true);
        ApplyLevel(LevelValue(numeric("c904")->plainText()));
    } else {
        button("tbCheck")->setEnabled(false);
        button("tbHold")->setEnabled(false);
        clearAndHideErrorList();
        for (const QString& name : IndicatorNames()) {
            NumericEdit* edit = numeric(name);
            edit->setEnabled(false);
            if (edit->value() != 0)
                edit->setValue(0);
        }
    }
}

// ---------------------------------------------------------------- cover checks

void TdlgSurveyDataForm::showProblem(const QString& message, const QString& field)
{
    m_inCheck = true;
    CurrentPrompter().message(message);
    focusField(field);
    m_inCheck = false;
}

bool TdlgSurveyDataForm::ValidateHeader()
{
    HeaderFields f;
    f.c901 = numeric("c901")->plainText();
    f.c902 = qobject_cast<QLineEdit*>(control("c902"))->text();
    f.c903 = numeric("c903")->plainText();
    f.c904 = numeric("c904")->plainText();
    f.c907 = numeric("c907")->plainText();
    f.c905 = qobject_cast<QLineEdit*>(control("c905"))->text();
    f.c906 = qobject_cast<QLineEdit*>(control("c906"))->text();
    HeaderContext context;
    context.isAddMode = IsAddMode;
    context.currentKey = CurrentKey;
    context.levels = &m_levels;
    context.states = &m_states;
    HeaderProblem problem;
    try {
        problem = ValidateHeaderFields(SysConnection(), f, context);
    } catch (const DbError& e) {
        ShowRunError(e.message(), QStringLiteral(",请与软件发行者联系。"));
        return false;
    }
    if (problem.ok())
        return true;
    if (problem.duplicate) {
        button("tbHold")->setEnabled(false);
        button("tbSave")->setEnabled(false);
    }
    showProblem(problem.message, problem.field);
    return false;
}

void TdlgSurveyDataForm::lookupDivision(bool byUser)
{
    const int code = numeric("c903")->intValue();
    QString error;
    const QString name = LookupDivisionName(SysConnection(), code, &error);
    if (!error.isEmpty())
        ShowRunError(error, QStringLiteral(",请与系统管理员或软件发行者联系。"));
    if (!name.isEmpty()) {
        CityNameCtrl->setText(name);
        SetEditTag(CityNameCtrl, code);
        return;
    }
    if (byUser)
        showProblem(QStringLiteral("输入的行政区划代码错误，请重新输入，或用对话框选择"), QStringLiteral("c903"));
}

void TdlgSurveyDataForm::lookupLevel(bool byUser)
{
    const int code = LevelValue(numeric("c904")->plainText());
    const QString name = FindCodeName(m_levels, code);
    if (!name.isEmpty()) {
        SetEditTag(LevelName, code);
        LevelName->setText(name);
        ApplyLevel(code);
        return;
    }
    if (byUser)
        showProblem(QStringLiteral("输入的本级工会层次代码不合法，请重新输入或通过列表选择"), QStringLiteral("c904"));
}

void TdlgSurveyDataForm::lookupState(bool byUser)
{
    const int code = StateValue(numeric("c907")->plainText());
    const QString name = FindCodeName(m_states, code);
    if (!name.isEmpty()) {
        SetEditTag(StateName, code);
        StateName->setText(name);
        ApplyState(code);
        return;
    }
    if (byUser)
        showProblem(QStringLiteral("输入的填报状态代码不合法，请重新输入或通过列表选择"), QStringLiteral("c907"));
}

bool TdlgSurveyDataForm::exitCheck(QWidget* field, bool byUser)
{
    const QString name = field->objectName().toLower();
    if (name == QLatin1String("c901")) {
        const QString code = numeric("c901")->plainText().trimmed();
        if (code.isEmpty())
            showProblem(QStringLiteral("必须输入工会统计编码"), name);
        else if (code.size() != 12)
            showProblem(QStringLiteral("工会统计编码必须为12位"), name);
        return true;
    }
    if (!IsLoaded)
        return true;
    if (name == QLatin1String("c902") || name == QLatin1String("c905") || name == QLatin1String("c906")) {
        auto* edit = qobject_cast<TMVValidEdit*>(field);
        edit->setText(GbkCut(edit->text(), edit->byteLimit()));
        if (edit->text().trimmed().isEmpty()) {
            const QString message = name == QLatin1String("c902") ? QStringLiteral("必须输入本级工会名称")
                                    : name == QLatin1String("c905") ? QStringLiteral("必须输入填表人")
                                                                     : QStringLiteral("必须输入联系电话");
            showProblem(message, name);
        }
    } else if (name == QLatin1String("c903")) {
        lookupDivision(byUser);
    } else if (name == QLatin1String("c904")) {
        lookupLevel(byUser);
    } else if (name == QLatin1String("c907")) {
        lookupState(byUser);
    }
    return true;
}

void TdlgSurveyDataForm::openDivisionPicker()
{
    TCityNameForm picker(this);
    if (EditTag(CityNameCtrl) > 0)
        picker.setSelectedCode(EditTag(CityNameCtrl));
    if (picker.exec() != QDialog::Accepted)
        return;
    numeric("c903")->setValue(picker.selectedCode());
    SetEditTag(CityNameCtrl, picker.selectedCode());
    CityNameCtrl->setText(picker.selectedName());
}

// ---------------------------------------------------------------- moving around

QList<QWidget*> TdlgSurveyDataForm::focusableFields(int page) const
{
    QList<QWidget*> out;
    if (page < 0 || page > kLastPage)
        return out;
    for (QWidget* w : m_pageFields[page])
        if (w->isEnabled() && (w->focusPolicy() & Qt::TabFocus))
            out << w;
    return out;
}

void TdlgSurveyDataForm::FocusFirstField()
{
    const QList<QWidget*> fields = focusableFields(DataPage->currentIndex());
    if (!fields.isEmpty())
        fields.first()->setFocus(Qt::TabFocusReason);
}

void TdlgSurveyDataForm::FocusNextField(QWidget* from)
{
    const int page = m_pageOf.value(from, DataPage->currentIndex());
    const QList<QWidget*> fields = focusableFields(page);
    const int at = int(fields.indexOf(from));
    if (at >= 0 && at + 1 < fields.size()) {
        fields[at + 1]->setFocus(Qt::TabFocusReason);
        return;
    }
    if (page == kLastPage) {
        saveReturn(true);
        return;
    }
    DataPage->setCurrentIndex(page + 1);
}

void TdlgSurveyDataForm::FocusPreviousField(QWidget* from)
{
    const int page = m_pageOf.value(from, DataPage->currentIndex());
    const QList<QWidget*> fields = focusableFields(page);
    const int at = int(fields.indexOf(from));
    if (at > 0) {
        fields[at - 1]->setFocus(Qt::BacktabFocusReason);
        return;
    }
    const int target = page == 0 ? kLastPage : page - 1;
    DataPage->setCurrentIndex(target);
    if (DataPage->currentIndex() == target) {
        const QList<QWidget*> previous = focusableFields(target);
        if (!previous.isEmpty())
            previous.last()->setFocus(Qt::BacktabFocusReason);
    }
}

bool TdlgSurveyDataForm::pageChanging(int from, int to)
{
    if (!IsLoaded || StateValue(numeric("c907")->plainText()) > 2)
        return true;
    clearAndHideErrorList();
    if (from == 0) {
        if (!ValidateHeader())
            return false;
        if (!errorListJumpInProgress())
            return true;
    }
    checkPageRules(to, true);
    if (from >= 1 && from <= kLastPage)
        checkPageRules(from, false);
    return true;
}

void TdlgSurveyDataForm::pageChanged(int index)
{
    if (index == m_page)
        return;
    if (!pageChanging(m_page, index)) {
        DataPage->blockSignals(true);
        DataPage->setCurrentIndex(m_page);
        DataPage->blockSignals(false);
        return;
    }
    m_page = index;
    showNotes(index);
    FocusFirstField();
}

void TdlgSurveyDataForm::showNotes(int page)
{
    rtfNotes->clear();
    rtfNotes->setHtml(ReadNotesFile(NotesFilePath(page)));
}

bool TdlgSurveyDataForm::eventFilter(QObject* watched, QEvent* event)
{
    auto* w = qobject_cast<QWidget*>(watched);
    if (w && m_pageOf.contains(w)) {
        if (event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent*>(event)->key();
            if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Down) {
                FocusNextField(w);
                return true;
            }
            if (key == Qt::Key_Up) {
                FocusPreviousField(w);
                return true;
            }
        } else if (event->type() == QEvent::FocusOut) {
            const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
            // A message box or a menu taking the focus is not the user leaving the field.
            if (!m_inCheck && reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) {
                const QString name = w->objectName().toLower();
                if (m_pageOf.value(w) == 0)
                    exitCheck(w, true);
                else if (name == QLatin1String("c001") || name == QLatin1String("c009"))
                    dependentChanged(name);
            }
        } else if (event->type() == QEvent::FocusIn) {
            const QString name = w->objectName().toLower();
            if (name == QLatin1String("c902") || name == QLatin1String("c905") || name == QLatin1String("c906"))
                SwitchInputMethod(Environment().preferredInputMethod);
        }
    }
    return QDialog::eventFilter(watched, event);
}

// ---------------------------------------------------------------- storing

bool TdlgSurveyDataForm::StoreRecord(int recordState)
{
    QVector<FieldValue> values;
    for (const TFieldData& f : m_catalogue) {
        QWidget* w = control(f.FieldName);
        if (!w)
            continue;
        QVariant v;
        if (auto* edit = qobject_cast<NumericEdit*>(w)) {
            switch (f.QueryType) {
            case AnswerCode:
                if (edit->intValue() > 2)
                    edit->setValue(2);
                v = edit->intValue();
                break;
            case DecimalNumber:
                v = edit->value();
                break;
            default:
                v = edit->intValue();
            }
            // An empty level field stands for level 10, as the checks read it.
            if (f.FieldName.compare(QLatin1String("c904"), Qt::CaseInsensitive) == 0)
                v = LevelValue(edit->plainText());
        } else if (auto* text = qobject_cast<QLineEdit*>(w)) {
            v = text->text().trimmed();
        }
        values.push_back({f.FieldName, v});
    }
    const bool append = IsAddMode && !IsStoredOnce;
    try {
        StoreReturn(SysConnection(), values, recordState, append, CurrentKey);
    } catch (const DbError& e) {
        CurrentPrompter().message(QStringLiteral("保存过程中遇到错误：") + e.message() + QStringLiteral("数据没有被保存。"));
        return false;
    }
    CurrentKey = numeric("c901")->intValue();
    return true;
}

void TdlgSurveyDataForm::reReadList(int position)
{
    if (!m_list || !m_list->isOpen())
        return;
    try {
        m_list->requery();
    } catch (const DbError& e) {
        ShowRunError(e.message(), QStringLiteral(",请与软件发行者联系。"));
        return;
    }
    if (!m_list->moveTo(position))
        m_list->last();
    emit listReread();
}

bool TdlgSurveyDataForm::holdReturn()
{
    if (!ValidateHeader())
        return false;
    const int position = m_list ? m_list->position() : -1;
    if (!StoreRecord(StateHeld))
        return false;
    reReadList(position);
    IsStoredOnce = true;
    button("tbHold")->setEnabled(false);
    CurrentPrompter().message(QStringLiteral("数据已经被临时保存。"));
    return true;
}

bool TdlgSurveyDataForm::saveReturn(bool byUser)
{
    if (!ValidateHeader())
        return false;
    if (byUser && StateValue(numeric("c907")->plainText()) <= 2)
        checkAllPageRules();
    const int position = m_list ? m_list->position() : -1;
    const bool clean = isErrorListEmpty();
    if (!StoreRecord(clean ? StateClean : StateWithErrors))
        return false;
    reReadList(position);
    IsStoredOnce = true;
    button("tbHold")->setEnabled(false);
    button("tbSave")->setEnabled(false);
    CurrentPrompter().message(clean ? QStringLiteral("数据保存成功，没有逻辑错误！") : QStringLiteral("数据保存成功，有逻辑错误！"));
    try {
        RegWriteInteger(QStringLiteral("AppLastCity"), numeric("c903")->intValue(), SettingsRoot::LocalMachine,
                        EnvSettingKey());
        RegWriteString(QStringLiteral("c905"), qobject_cast<QLineEdit*>(control("c905"))->text(), SettingsRoot::LocalMachine,
                       DataKey());
        RegWriteString(QStringLiteral("c906"), qobject_cast<QLineEdit*>(control("c906"))->text(), SettingsRoot::LocalMachine,
                       DataKey());
    } catch (const SettingsError& e) {
        CurrentPrompter().message(e.message());
    }
    if (IsAddMode)
        LoadRecord();
    return true;
}

void TdlgSurveyDataForm::tbHoldClick()
{
    holdReturn();
}

void TdlgSurveyDataForm::tbSaveClick()
{
    saveReturn(true);
}

void TdlgSurveyDataForm::tbCheckClick()
{
    if (!ValidateHeader())
        return;
    checkAllPageRules();
    if (isErrorListEmpty()) {
        CurrentPrompter().message(QStringLiteral("没有逻辑错误"));
        clearAndHideErrorList();
    } else {
        FocusFirstField();
    }
}

void TdlgSurveyDataForm::tbReturnClick()
{
    button("tbSave")->setEnabled(false);
    close();
}

bool TdlgSurveyDataForm::FormCloseQuery()
{
    if (button("tbSave")->isEnabled() && button("tbHold")->isEnabled()) {
        const int answer =
            CurrentPrompter().question(QStringLiteral("对数据改动后尚未保存，准备保存这些改动吗？"), ButtonYes | ButtonNo);
        if (answer == AnswerYes) {
            if (!ValidateHeader())
                return false;
            if (StateValue(numeric("c907")->plainText()) <= 2)
                checkAllPageRules();
            hideErrorList();
            // A return with errors is held, not saved with errors. A failed store keeps the
            // window open so nothing typed is lost.
            return isErrorListEmpty() ? saveReturn(false) : holdReturn();
        }
    }
    hideErrorList();
    return true;
}

void TdlgSurveyDataForm::closeEvent(QCloseEvent* event)
{
    if (FormCloseQuery())
        event->accept();
    else
        event->ignore();
}

void TdlgSurveyDataForm::navigate(int move)
{
    if (!m_list || m_list->isEmpty() || !FormCloseQuery())
        return;
    switch (move) {
    case 0:
        m_list->first();
        break;
    case 1:
        m_list->prior();
        if (m_list->bof())
            m_list->first();
        break;
    case 2:
        m_list->next();
        if (m_list->eof())
            m_list->last();
        break;
    default:
        m_list->last();
    }
    LoadRecord();
}

// ---------------------------------------------------------------- logic rules

FieldReading TdlgSurveyDataForm::readField(const QString& name) const
{
    FieldReading reading;
    QWidget* w = control(name);
    if (!w)
        return reading;
    if (auto* edit = qobject_cast<NumericEdit*>(w)) {
        reading.kind = FieldReading::Numeric;
        reading.value = edit->intValue();
    } else {
        reading.kind = FieldReading::NotNumeric;
    }
    return reading;
}

bool TdlgSurveyDataForm::checkPageRules(int page, bool clearFirst)
{
    return CheckPageRules(page, clearFirst, [this](const QString& name) { return readField(name); });
}

void TdlgSurveyDataForm::checkAllPageRules()
{
    CheckAllPageRules([this](const QString& name) { return readField(name); });
}

bool TdlgSurveyDataForm::isErrorListEmpty() const
{
    return IsErrorListEmpty();
}

void TdlgSurveyDataForm::clearAndHideErrorList()
{
    ClearErrorList();
    MessageListWin().hide();
}

void TdlgSurveyDataForm::hideErrorList()
{
    MessageListWin().hide();
}

bool TdlgSurveyDataForm::errorListJumpInProgress() const
{
    return ErrorListJumpInProgress();
}

void TdlgSurveyDataForm::reject()
{
    close();
}
