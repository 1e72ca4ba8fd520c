#pragma once

#include <QApplication>

// The program's application object. An error that no operation catches ends the event that
// raised it, not the program: it is shown in the general error box and the program goes on.
class TApplication : public QApplication {
    Q_OBJECT
public:
    TApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};

// The general error box: shows the message of an error that no operation caught.
void ShowGeneralError(const QString& message);

// Installs Qt's own Chinese texts (message box buttons, file dialogs, their questions) from Qt's
// translations folder; false when the translation files are missing.
bool InstallChineseQtTexts();
