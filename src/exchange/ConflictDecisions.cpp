#include "exchange/ConflictDecisions.h"

QString ConflictChoiceText(ConflictChoice choice)
{
    switch (choice) {
    case ConflictChoice::Keep:
        return QStringLiteral("保留现有");
    case ConflictChoice::Replace:
        return QStringLiteral("采用导入");
    case ConflictChoice::Undecided:
        break;
    }
    return QStringLiteral("未决定");
}

QString EqualReturnText()
{
    return QStringLiteral("相同");
}
