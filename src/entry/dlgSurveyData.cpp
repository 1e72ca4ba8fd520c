#include "entry/dlgSurveyData.h"

#include "widgets/CodePicker.h"
#include "base/Environment.h"
#include "base/Gbk.h"
#include "base/InputMethods.h"
#include "widgets/Prompter.h"
#include "base/SettingsStore.h"
#include "base/ValueText.h"
#include "db/DbError.h"
#include "db/WorkingDatabase.h"
#include "entry/CityName.h"
#include "entry/HeaderValidation.h"
#include "entry/MVValidEdit.h"
#include "entry/NumericEdit.h"
#include "entry/PrintReturn.h"
#include "entry/RecordStore.h"
#include "entry/RtfReader.h"
#include "entry/SurveyPages.h"
#include "logic/ErrorListPlace.h"
#include "logic/MessageListWin.h"
#include "logic/RuleCheck.h"
#include "model/Division.h"
#include "model/LevelRule.h"

#include <QAction>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QScreen>
#include <QGuiApplication>
#include <QTabBar>
#include <QTabWidget>
#include <QTextBrowser>
#include <QTimer>
#include <QToolButton>

#include <cmath>

namespace {
const QString kQuotes = QStringLiteral("'\"`");

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

QRect TdlgSurveyDataForm::errorListPlace(const QSize& frameSize) const
{
    const QRect notes(rtfNotes->mapToGlobal(QPoint(0, 0)), rtfNotes->size());
    const QScreen* shownOn = screen() ? screen() : QGuiApplication::primaryScreen();
    return ErrorListPlace(frameGeometry(), notes, frameSize, shownOn->availableGeometry());
}

void TdlgSurveyDataForm::jumpToField(int page, const QString& field)
{
    if (page < 0 || page > kLastPage)
        return;
    DataPage->setCurrentIndex(page);
    // The double click made the error list the active window: the keys typed next belong to
    // the editor's field, which is entered as Tab enters it, so that typing replaces the value.
    activateWindow();
    QWidget* w = control(field);
    if (w && w->isEnabled() && DataPage->currentIndex() == page) {
        w->setFocus(Qt::OtherFocusReason);
        if (auto* edit = qobject_cast<QLineEdit*>(w))
            edit->selectAll();
    }
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
    m_openOnField.clear();
}

void TdlgSurveyDataForm::openForModifyOnField(RowSet* list, const QString& field)
{
    openForModify(list);
    m_openOnField = field;
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
    // The error list belongs to the editor while it shows: a modal window blocks every window
    // but its own, and the list must take double clicks. It jumps into this editor.
    TMessageListWinForm& errors = MessageListWin();
    if (errors.parent() != this)
        errors.setParent(this, errors.windowFlags());
    QPointer<TdlgSurveyDataForm> self(this);
    MessageListWin().jumpTo = [self](int page, const QString& field) {
        if (self)
            self->jumpToField(page, field);
    };
    MessageListWin().placeFor = [self](const QSize& frameSize) {
        return self ? self->errorListPlace(frameSize) : QRect();
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
    if (!m_openOnField.isEmpty()) {
        // After the window has shown, so that the page change and the focus act on it.
        const QString field = m_openOnField;
        m_openOnField.clear();
        QTimer::singleShot(0, this, [this, field] {
            if (QWidget* w = control(field))
                jumpToField(m_pageOf.value(w, 0), field);
        });
    }
}

void TdlgSurveyDataForm::LoadRecord()
{
    IsLoaded = false;
    // The list speaks of the return that was shown; a newly loaded one starts without it.
    clearAndHideErrorList();
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
            // The cover fields keep the limits of their own boxes.
            if (f.ID > 6 && f.PageID >= 1) {
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
                edit->setValue(v.isNull() ? 0.0 : NearestWhole(v.toDouble()));
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
        QString error;
        CityNameCtrl->setText(LookupDivisionName(SysConnection(), city, &error));
        if (!error.isEmpty())
            ShowRunError(error, QStringLiteral(",请与系统管理员或软件发行者联系。"));
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
    if (!problem.lookupError.isEmpty())
        ShowRunError(problem.lookupError, QStringLiteral(",请与系统管理员或软件发行者联系。"));
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

void TdlgSurveyDataForm::exitCheck(QWidget* field, bool byUser)
{
    const QString name = field->objectName().toLower();
    if (name == QLatin1String("c901")) {
        const QString code = numeric("c901")->plainText().trimmed();
        if (code.isEmpty())
            showProblem(QStringLiteral("必须输入工会统计编码"), name);
        else if (code.size() != 12)
            showProblem(QStringLiteral("工会统计编码必须为12位"), name);
        return;
    }
    if (!IsLoaded)
        return;
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
    // A tab click was checked before the change (tabPressed); other changes are checked now.
    const bool approved = index == m_approvedPage;
    m_approvedPage = -1;
    if (!approved && !pageChanging(m_page, index)) {
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

bool TdlgSurveyDataForm::tabPressed(QMouseEvent* event)
{
    // The change is checked before the tab bar switches, so a refused change never shows the
    // other page and the tab bar, the page and the notes stay together.
    if (event->button() != Qt::LeftButton)
        return false;
    const int index = DataPage->tabBar()->tabAt(event->position().toPoint());
    if (index < 0 || index == DataPage->currentIndex())
        return false;
    if (!pageChanging(m_page, index))
        return true;
    m_approvedPage = index;
    return false;
}

bool TdlgSurveyDataForm::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == DataPage->tabBar() && event->type() == QEvent::MouseButtonPress)
        return tabPressed(static_cast<QMouseEvent*>(event)) || QDialog::eventFilter(watched, event);
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
            // A message box or a menu taking the focus is not the user leaving the field, nor is
            // the field going out of sight with its page: the page change has its own checks.
            if (!m_inCheck && reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason &&
                w->isVisible()) {
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

void TdlgSurveyDataForm::tbPrintClick()
{
    // Only the stored return the window was opened with, unchanged, is printed.
    if (IsAddMode || !button("tbPrint")->isEnabled())
        return;
    PrintReturn(QStringLiteral("2011打印表.xltx"), QString::number(OpenedKey), true);
}

void TdlgSurveyDataForm::tbReturnClick()
{
    button("tbSave")->setEnabled(false);
    close();
}

bool TdlgSurveyDataForm::FormCloseQuery()
{
    // A return of a union that reports no data keeps the hold disabled; its changes are still asked for.
    const bool pending = button("tbSave")->isEnabled()
                         && (button("tbHold")->isEnabled() || StateValue(numeric("c907")->plainText()) > 2);
    if (pending) {
        const int answer = CurrentPrompter().question(QStringLiteral("对数据改动后尚未保存，准备保存这些改动吗？"),
                                                      ButtonYes | ButtonNo | QuestionIcon);
        // Esc or the close box answers neither: the window stays with everything typed.
        if (answer != AnswerYes && answer != AnswerNo)
            return false;
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

void TdlgSurveyDataForm::releaseErrorList()
{
    TMessageListWinForm& errors = MessageListWin();
    if (errors.parent() == this) {
        errors.hide();
        errors.setParent(nullptr, errors.windowFlags());
    }
}

void TdlgSurveyDataForm::hideEvent(QHideEvent* event)
{
    releaseErrorList();
    QDialog::hideEvent(event);
}

TdlgSurveyDataForm::~TdlgSurveyDataForm()
{
    releaseErrorList();
}
