#include "widgets/Prompter.h"

#include "widgets/QuestionDialog.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QGridLayout>
#include <QInputDialog>
#include <QMessageBox>
#include <QUrl>

namespace {
QString qtFilter(const QString& filter)
{
    const QStringList parts = filter.split(QLatin1Char('|'));
    if (parts.size() < 2)
        return filter;
    // "Access文件(*.mdb)" already names the pattern; Qt reads it from the parentheses.
    return parts[0];
}

} // namespace

void KeepCaptionWhole(QMessageBox& box)
{
    // A short message would make the box narrower than its title bar needs for the caption
    // beside the window manager's icon and buttons. The box sizes itself to its layout, so the
    // layout gets a row as wide as that.
    const QFontMetrics title(QApplication::font("QMdiSubWindowTitleBar"));
    const int width = title.horizontalAdvance(box.windowTitle()) + kTitleBarExtras;
    if (auto* grid = qobject_cast<QGridLayout*>(box.layout()))
        grid->addItem(new QSpacerItem(width, 0, QSizePolicy::Minimum, QSizePolicy::Fixed), grid->rowCount(), 0, 1,
                      grid->columnCount());
}

namespace {
class DialogPrompter : public Prompter {
public:
    void message(const QString& text) override
    {
        QMessageBox box(QMessageBox::Information, QStringLiteral("Tallyra"), text, QMessageBox::Ok,
                        QApplication::activeWindow());
        KeepCaptionWhole(box);
        box.exec();
    }
    int question(const QString& text, int buttons) override { return AskQuestion(text, buttons); }
    QString saveFileName(const FileDialogOptions& o) override
    {
        QFileDialog::Options flags;
        if (!o.confirmOverwrite)
            flags |= QFileDialog::DontConfirmOverwrite;
        const QString start = o.fileName.isEmpty() ? o.folder : o.folder + QLatin1Char('/') + o.fileName;
        return QFileDialog::getSaveFileName(QApplication::activeWindow(), o.title, start, qtFilter(o.filter),
                                            nullptr, flags);
    }
    QString openFileName(const FileDialogOptions& o) override
    {
        return QFileDialog::getOpenFileName(QApplication::activeWindow(), o.title, o.folder, qtFilter(o.filter));
    }
    bool inputText(const QString& caption, const QString& prompt, QString* text, int maxLength) override
    {
        QInputDialog dialog(QApplication::activeWindow());
        dialog.setWindowTitle(caption);
        dialog.setLabelText(prompt);
        dialog.setTextValue(*text);
        dialog.setOkButtonText(QStringLiteral("确定"));
        dialog.setCancelButtonText(QStringLiteral("取消"));
        if (dialog.exec() != QDialog::Accepted)
            return false;
        *text = dialog.textValue().left(maxLength);
        return true;
    }
    bool openFile(const QString& path) override { return QDesktopServices::openUrl(QUrl::fromLocalFile(path)); }
};

Prompter*& installed()
{
    static Prompter* current = nullptr;
    return current;
}
} // namespace

Prompter& CurrentPrompter()
{
    static DialogPrompter dialogs;
    return installed() ? *installed() : dialogs;
}

void SetPrompter(Prompter* prompter)
{
    installed() = prompter;
}

void ShowRunError(const QString& message, const QString& tail)
{
    CurrentPrompter().message(QStringLiteral("运行中发生错误：") + message + tail);
}
