#pragma once

#include "widgets/Prompter.h"

#include <QStringList>
#include <QVariant>
#include <QVariantList>

// A prompter for tests: records every text shown and answers from a queue. An answer is an int
// for a question, a QString for a file dialog or a text box; an invalid QVariant cancels.
// With the queue empty, questions answer 2 (closed) and dialogs are cancelled.
class ScriptedPrompter : public Prompter {
public:
    ScriptedPrompter() { SetPrompter(this); }
    ~ScriptedPrompter() override { SetPrompter(nullptr); }

    void answer(const QVariant& value) { m_answers << value; }

    QStringList shown;        // messages and questions, in order
    QStringList questions;    // question texts only
    QList<int> questionButtons;
    QList<FileDialogOptions> fileDialogs;
    QStringList opened;       // files opened with the default viewer

    void message(const QString& text) override { shown << text; }
    int question(const QString& text, int buttons) override
    {
        shown << text;
        questions << text;
        questionButtons << buttons;
        const QVariant a = next();
        return a.isValid() ? a.toInt() : AnswerClosed;
    }
    int warningQuestion(const QString& caption, const QString& text) override
    {
        captions << caption;
        const int answer = question(text, ButtonYes | ButtonNo);
        return answer == AnswerYes ? AnswerYes : AnswerNo;
    }
    int captionedQuestion(const QString& caption, const QString& text) override
    {
        captions << caption;
        const int answer = question(text, ButtonYes | ButtonNo | QuestionIcon);
        return answer == AnswerYes ? AnswerYes : AnswerNo;
    }
    QString saveFileName(const FileDialogOptions& options) override
    {
        fileDialogs << options;
        if (options.chosenFilter)
            *options.chosenFilter = chosenFilter;
        return next().toString();
    }
    QString openFileName(const FileDialogOptions& options) override
    {
        fileDialogs << options;
        if (options.chosenFilter)
            *options.chosenFilter = chosenFilter;
        return next().toString();
    }
    // Answered by a QStringList, or a QString for one file.
    QStringList openFileNames(const FileDialogOptions& options) override
    {
        fileDialogs << options;
        if (options.chosenFilter)
            *options.chosenFilter = chosenFilter;
        const QVariant a = next();
        if (a.typeId() == QMetaType::QStringList)
            return a.toStringList();
        return a.isValid() && !a.toString().isEmpty() ? QStringList{a.toString()} : QStringList();
    }
    bool inputText(const QString& caption, const QString& prompt, QString* text, int maxLength) override
    {
        shown << prompt;
        captions << caption;
        inputStarts << *text;
        const QVariant a = next();
        if (!a.isValid())
            return false;
        *text = a.toString().left(maxLength);
        return true;
    }
    bool openFile(const QString& path) override
    {
        opened << path;
        return openSucceeds;
    }
    bool openSucceeds = true;
    int chosenFilter = 0;  // the filter every file dialog reports as chosen
    QStringList captions;    // captions of warning questions and text boxes
    QStringList inputStarts; // the text each text box started with

private:
    QVariant next() { return m_answers.isEmpty() ? QVariant() : m_answers.takeFirst(); }
    QVariantList m_answers;
};
