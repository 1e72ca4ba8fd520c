// The return editor: holding and saving a return, closing, and moving to another return.
#include "entry/dlgSurveyData.h"

#include "base/SettingsStore.h"
#include "db/DbError.h"
#include "db/WorkingDatabase.h"
#include "entry/HeaderValidation.h"
#include "entry/NumericEdit.h"
#include "entry/PrintReturn.h"
#include "entry/RecordStore.h"
#include "entry/SurveyPages.h"
#include "logic/RuleCheck.h"
#include "widgets/CodePicker.h"
#include "widgets/Prompter.h"

#include <QCloseEvent>
#include <QLineEdit>
#include <QToolButton>

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
