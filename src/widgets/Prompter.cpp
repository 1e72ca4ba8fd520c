#include "widgets/Prompter.h"

#include "widgets/InputTextDialog.h"
#include "widgets/QuestionDialog.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QGridLayout>
#include <QMessageBox>
#include <QPushButton>
#include <QUrl>

namespace {
QString qtFilter(const QString& filter)
{
    const QStringList parts = filter.split(QLatin1Char('|'));
    if (parts.size() < 2)
        return filter;
    // "Access文件(*.mdb)|*.mdb|...": the descriptions name their patterns; Qt reads them from
    // the parentheses.
    QStringList descriptions;
    for (int i = 0; i < parts.size(); i += 2)
        descriptions << parts[i];
    return descriptions.join(QStringLiteral(";;"));
}

void reportFilter(const FileDialogOptions& o, const QString& chosen)
{
    if (o.chosenFilter)
        *o.chosenFilter = qMax(0, qtFilter(o.filter).split(QStringLiteral(";;")).indexOf(chosen));
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
        // Some messages break their lines with LF CR; shown, that is one break, not two.
        QString shown = text;
        shown.replace(QStringLiteral("\n\r"), QStringLiteral("\n"));
        QMessageBox box(QMessageBox::Information, QStringLiteral("Tallyra"), shown, QMessageBox::Ok,
                        QApplication::activeWindow());
        // File names and received labels are text, never markup.
        box.setTextFormat(Qt::PlainText);
        KeepCaptionWhole(box);
        box.exec();
    }
    int warningQuestion(const QString& caption, const QString& text) override
    {
        return yesNoBox(QMessageBox::Warning, caption, text);
    }
    int captionedQuestion(const QString& caption, const QString& text) override
    {
        return yesNoBox(QMessageBox::Question, caption, text);
    }
    int question(const QString& text, int buttons) override { return AskQuestion(text, buttons); }
    QString saveFileName(const FileDialogOptions& o) override
    {
        const QFileDialog::Options flags = QFileDialog::DontConfirmOverwrite;
        const QString start = o.fileName.isEmpty() ? o.folder : o.folder + QLatin1Char('/') + o.fileName;
        QString chosen;
        const QString name = QFileDialog::getSaveFileName(QApplication::activeWindow(), o.title, start,
                                                          qtFilter(o.filter), &chosen, flags);
        reportFilter(o, chosen);
        return name;
    }
    QString openFileName(const FileDialogOptions& o) override
    {
        QString chosen;
        const QString name = QFileDialog::getOpenFileName(QApplication::activeWindow(), o.title, o.folder,
                                                          qtFilter(o.filter), &chosen);
        reportFilter(o, chosen);
        return name;
    }
    QStringList openFileNames(const FileDialogOptions& o) override
    {
        QString chosen;
        const QStringList names = QFileDialog::getOpenFileNames(QApplication::activeWindow(), o.title, o.folder,
                                                                qtFilter(o.filter), &chosen);
        reportFilter(o, chosen);
        return names;
    }
    bool inputText(const QString& caption, const QString& prompt, QString* text, int maxLength) override
    {
        return InputTextDialog(caption, prompt, text, maxLength);
    }
    bool openFile(const QString& path) override { return QDesktopServices::openUrl(QUrl::fromLocalFile(path)); }

private:
    // "是"/"否" with "否" the default, the text shown as plain text.
    static int yesNoBox(QMessageBox::Icon icon, const QString& caption, const QString& text)
    {
        QMessageBox box(icon, caption, text, QMessageBox::Yes | QMessageBox::No, QApplication::activeWindow());
        box.setTextFormat(Qt::PlainText);
        box.setDefaultButton(QMessageBox::No);
        KeepCaptionWhole(box);
        box.button(QMessageBox::Yes)->setText(QStringLiteral("是"));
        box.button(QMessageBox::No)->setText(QStringLiteral("否"));
        box.setWindowModality(Qt::ApplicationModal);
        return box.exec() == QMessageBox::Yes ? AnswerYes : AnswerNo;
    }
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
