// The return editor: the checks of the cover as each field is left, and the logic rules of the
// pages with their error list.
#include "entry/dlgSurveyData.h"

#include "base/Gbk.h"
#include "base/SettingsStore.h"
#include "db/DbError.h"
#include "db/WorkingDatabase.h"
#include "entry/CityName.h"
#include "entry/HeaderValidation.h"
#include "entry/MVValidEdit.h"
#include "entry/NumericEdit.h"
#include "entry/RecordStore.h"
#include "logic/MessageListWin.h"
#include "logic/RuleCheck.h"
#include "model/Division.h"
#include "widgets/CodePicker.h"
#include "widgets/Prompter.h"

#include <QLineEdit>
#include <QToolButton>

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
