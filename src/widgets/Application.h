#pragma once

#include <QApplication>

#include <functional>

// The program's application object. An error that no operation catches ends the event that
// raised it, not the program: it is shown in the general error box and the program goes on.
// This is the last resort: the handlers of the windows run through RunHandler, so their errors
// never pass through the toolkit's code on the way here.
class TApplication : public QApplication {
    Q_OBJECT
public:
    TApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};

// Runs one handler of a window (an action, a shortcut, a button): an error it does not catch is
// shown in the general error box here and the program goes on. It must not travel on through the
// toolkit's code between the handler and the application object: that code is built without
// unwinding clean-ups, so what it holds on the way (a copy of the mouse event, the guards of the
// button) would never be freed.
void RunHandler(const std::function<void()>& work);

// A slot for connect() that runs its work through RunHandler:
// connect(button, &QPushButton::clicked, this, Handled([this] { ... })).
template <typename Work>
auto Handled(Work work)
{
    return [work = std::move(work)] { RunHandler(work); };
}

// The same for a window's own handler: Handled(this, &TSomeForm::tbSaveClick).
template <typename Window, typename Method>
auto Handled(Window* window, Method method)
{
    return [window, method] { RunHandler([window, method] { (window->*method)(); }); };
}

// The general error box: shows the message of an error that no operation caught.
void ShowGeneralError(const QString& message);

// Installs Qt's own Chinese texts (message box buttons, file dialogs, their questions) from Qt's
// translations folder; false when the translation files are missing.
bool InstallChineseQtTexts();
