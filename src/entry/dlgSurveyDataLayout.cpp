// The record editor's window: toolbar, navigation bar, the cover and the data pages built from
// the page table and the catalogue captions, and the notes box.
#include "entry/dlgSurveyData.h"

#include "widgets/Application.h"
#include "widgets/CodePicker.h"
#include "widgets/Prompter.h"
#include "db/DbError.h"
#include "db/WorkingDatabase.h"
#include "entry/MVValidEdit.h"
#include "entry/NumericEdit.h"
#include "entry/SurveyPages.h"

#include <QAction>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QScrollArea>
#include <QShortcut>
#include <QStyle>
#include <QTabBar>
#include <QTabWidget>
#include <QTextBrowser>
#include <QToolButton>
#include <QVBoxLayout>

#include <cmath>

namespace {
const QString kQuotes = QStringLiteral("'\"`");

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

} // namespace

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
        connect(b, &QToolButton::clicked, this, Handled(click));
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
              [this] { tbPrintClick(); });
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
        connect(a, &QAction::triggered, this, Handled([this, i] { navigate(i); }));
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
        // A click on a blank part of a page does not leave the field being typed in.
        scroll->setFocusPolicy(Qt::NoFocus);
        scroll->setWidget(page.number == 0 ? buildCover() : buildDataPage(page.number));
        DataPage->addTab(scroll, page.tabCaption);
    }
    connect(DataPage, &QTabWidget::currentChanged, this, &TdlgSurveyDataForm::pageChanged);
    DataPage->tabBar()->installEventFilter(this);

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
    connect(hold, &QShortcut::activated, this, Handled([this] { tbHoldClick(); }));
}

QWidget* TdlgSurveyDataForm::buildCover()
{
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("page0"));
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(30, 16, 30, 16);
    layout->addWidget(headingLabel(SurveyPages()[0].heading, 22, true));

    auto* block = new QLabel(SurveyFormIdentity().join(QLatin1Char('\n')));
    block->setObjectName(QStringLiteral("FormIdentity"));
    block->setAlignment(Qt::AlignRight | Qt::AlignTop);
    auto* notice = new QLabel(SurveyFormNotice());
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
        // The button must not take the focus: leaving an invalid code would refuse the picker.
        for (QToolButton* b : box->findChildren<QToolButton*>())
            b->setFocusPolicy(Qt::NoFocus);
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
    NumericEdit* division = numericField("c903", 6);
    division->setZeroPadding(6);
    grid->addWidget(division, row, 1, Qt::AlignLeft);
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

