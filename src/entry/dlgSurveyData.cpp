#include "entry/dlgSurveyData.h"

#include "base/SettingsStore.h"
#include "base/ValueText.h"
#include "db/DbError.h"
#include "db/WorkingDatabase.h"
#include "entry/CityName.h"
#include "entry/HeaderValidation.h"
#include "entry/MVValidEdit.h"
#include "entry/NumericEdit.h"
#include "entry/RecordStore.h"
#include "entry/SurveyPages.h"
#include "logic/ErrorListPlace.h"
#include "logic/MessageListWin.h"
#include "logic/RuleCheck.h"
#include "model/Division.h"
#include "model/LevelRule.h"
#include "widgets/CodePicker.h"
#include "widgets/Prompter.h"

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
