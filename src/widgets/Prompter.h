#pragma once

#include <QString>
#include <QStringList>

// Everything the windows say to the user or ask of the user goes through the prompter, so
// tests can script the answers and read every text that was shown.
struct FileDialogOptions {
    QString title;
    QString folder;
    QString filter; // "Access文件(*.mdb)|*.mdb": description and pattern parted by "|"
    QString fileName;
    int* chosenFilter = nullptr; // when given, receives the index of the filter the user chose
};

class Prompter {
public:
    virtual ~Prompter() = default;
    // A message box with one OK button.
    virtual void message(const QString& text) = 0;
    // The question dialog: buttons is a bit set (1 是, 2 否, 4 全都是, 8 全都否); the answer
    // is 6 是, 7 否, 9 全都否, 10 全都是, or 2 when the window was closed otherwise.
    virtual int question(const QString& text, int buttons) = 0;
    // A warning box with "是"/"否", "否" the default, the text shown as plain text: AnswerYes,
    // or AnswerNo however else it closes.
    virtual int warningQuestion(const QString& caption, const QString& text)
    {
        Q_UNUSED(caption);
        return question(text, 1 | 2) == 6 ? 6 : 7;
    }
    // A message box with the question icon, the caption and "是"/"否": AnswerYes, or AnswerNo
    // however else it closes.
    virtual int captionedQuestion(const QString& caption, const QString& text)
    {
        Q_UNUSED(caption);
        return question(text, 1 | 2) == 6 ? 6 : 7;
    }
    // File dialogs: the chosen path, or empty text when cancelled. The save dialog asks nothing
    // about an existing file: ChooseSaveFile (widgets/SaveFileDialog.h) asks about the name
    // that will be written once the extension rule has made it.
    virtual QString saveFileName(const FileDialogOptions& options) = 0;
    virtual QString openFileName(const FileDialogOptions& options) = 0;
    // The open dialog that takes several files: the chosen paths, none when cancelled.
    virtual QStringList openFileNames(const FileDialogOptions& options) = 0;
    // The text input box: false when cancelled.
    virtual bool inputText(const QString& caption, const QString& prompt, QString* text, int maxLength) = 0;
    // Opens a file with the desktop's default application.
    // false when the desktop has no application for it.
    virtual bool openFile(const QString& path) = 0;
};

enum AnswerCode { AnswerClosed = 2, AnswerYes = 6, AnswerNo = 7, AnswerNoToAll = 9, AnswerYesToAll = 10 };
enum AnswerButton { ButtonYes = 1, ButtonNo = 2, ButtonYesToAll = 4, ButtonNoToAll = 8 };
// Added to the buttons of a question: the dialog shows the question icon beside the text.
constexpr int QuestionIcon = 0x100;

Prompter& CurrentPrompter();
// Installs a prompter (tests); nullptr restores the one that shows real dialogs.
void SetPrompter(Prompter* prompter);

class QMessageBox;
// Room a title bar takes besides its caption: the window icon and the three buttons.
constexpr int kTitleBarExtras = 150;
// Widens a message box so that its title bar shows the whole caption.
void KeepCaptionWhole(QMessageBox& box);

// Shows "运行中发生错误：" + the message + the tail the caller names.
void ShowRunError(const QString& message, const QString& tail = QString());
