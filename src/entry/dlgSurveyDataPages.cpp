// The return editor: moving between fields and turning the pages.
#include "entry/dlgSurveyData.h"

#include "base/Environment.h"
#include "base/InputMethods.h"
#include "base/SettingsStore.h"
#include "db/DbError.h"
#include "entry/CityName.h"
#include "entry/HeaderValidation.h"
#include "entry/NumericEdit.h"
#include "entry/RecordStore.h"
#include "entry/RtfReader.h"
#include "entry/SurveyPages.h"
#include "logic/RuleCheck.h"
#include "widgets/Prompter.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QTabBar>
#include <QTabWidget>
#include <QTextBrowser>

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
