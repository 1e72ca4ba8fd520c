#include "widgets/SaveFileDialog.h"

#include "db/ExportTarget.h"

#include <QDir>
#include <QFileInfo>

QString ReplaceFileQuestion(const QString& path)
{
    return QStringLiteral("“%1”已经存在。\n要替换它吗？").arg(QDir::toNativeSeparators(path));
}

QString ReplaceFileCaption()
{
    return QStringLiteral("确认另存为");
}

namespace {
bool replaceAgreed(const QString& path)
{
    return CurrentPrompter().warningQuestion(ReplaceFileCaption(), ReplaceFileQuestion(path)) == AnswerYes;
}
} // namespace

QString ChooseSaveFile(FileDialogOptions dialog, const FileNameRule& rule, const QStringList& sources)
{
    return ChooseSaveFile(dialog, [&rule](int) { return rule; }, sources);
}

QString ChooseSaveFile(FileDialogOptions dialog, const std::function<FileNameRule(int filter)>& ruleOfFilter,
                       const QStringList& sources)
{
    int filter = 0;
    int* const reported = dialog.chosenFilter;
    dialog.chosenFilter = &filter;
    for (;;) {
        const QString typed = CurrentPrompter().saveFileName(dialog);
        if (reported)
            *reported = filter;
        const QString path = ApplyFileNameRule(typed, ruleOfFilter(filter));
        if (path.isEmpty())
            return QString();
        const QString refusal = RefuseExportTarget(path, sources);
        if (!refusal.isEmpty())
            CurrentPrompter().message(refusal);
        else if (!QFileInfo::exists(path) || replaceAgreed(path))
            return path;
        const QFileInfo chosen(path);
        dialog.folder = chosen.absolutePath();
        dialog.fileName = chosen.fileName();
    }
}
