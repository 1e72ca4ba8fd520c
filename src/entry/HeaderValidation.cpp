#include "entry/HeaderValidation.h"

#include "db/Connection.h"
#include "model/Division.h"

qint64 CodeValue(const QString& digits)
{
    return digits.trimmed().toLongLong();
}

int LevelValue(const QString& digits)
{
    return digits.trimmed().isEmpty() ? 10 : digits.trimmed().toInt();
}

int StateValue(const QString& digits)
{
    return digits.trimmed().isEmpty() ? 0 : digits.trimmed().toInt();
}

int CountReturnsWithCode(Connection& db, qint64 code)
{
    return db.scalar(QStringLiteral("SELECT count(*) as TBLNUM FROM dt_data  WHERE c901=?1"), {code}).toInt();
}

HeaderProblem ValidateHeaderFields(Connection& db, const HeaderFields& f, const HeaderContext& context)
{
    const QString code = f.c901.trimmed();
    if (code.isEmpty())
        return {QStringLiteral("必须输入工会统计编码"), QStringLiteral("c901")};
    const qint64 value = CodeValue(code);
    if (QString::number(value).size() != 12 && value < 100000000000LL)
        return {QStringLiteral("本级工会编码必须大于100000000000且必须为12位!"), QStringLiteral("c901")};
    if (CountReturnsWithCode(db, value) > 0 && value != context.currentKey) {
        const QString text = QString::number(value);
        const QString message = context.isAddMode
                                    ? QStringLiteral("在增加数据时，填写的本级工会编码为%1，该编码的数据已经存在，请改用其它编码。").arg(text)
                                    : QStringLiteral("在修改数据时，将本级工会编码改为%1，该编码的数据已经存在，请改用其它编码。").arg(text);
        return {message, QStringLiteral("c901"), true};
    }
    if (f.c902.trimmed().isEmpty())
        return {QStringLiteral("必须输入本级工会名称"), QStringLiteral("c902")};
    QString lookupError;
    if (LookupDivisionName(db, f.c903.trimmed().toInt(), &lookupError).isEmpty()) {
        HeaderProblem problem{QStringLiteral("输入的行政区划代码错误，请重新输入，或用对话框选择"), QStringLiteral("c903")};
        problem.lookupError = lookupError;
        return problem;
    }
    if (!context.levels || FindCodeName(*context.levels, LevelValue(f.c904)).isEmpty())
        return {QStringLiteral("输入的本级工会层次代码不合法，请重新输入或通过列表选择"), QStringLiteral("c904")};
    if (!context.states || FindCodeName(*context.states, StateValue(f.c907)).isEmpty())
        return {QStringLiteral("输入的基层以上工会本年度的填报状态代码不合法，请重新输入或通过列表选择"), QStringLiteral("c907")};
    if (f.c905.trimmed().isEmpty())
        return {QStringLiteral("必须输入填表人"), QStringLiteral("c905")};
    if (f.c906.trimmed().isEmpty())
        return {QStringLiteral("必须输入联系电话"), QStringLiteral("c906")};
    return {};
}
