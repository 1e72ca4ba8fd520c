#pragma once

#include <QString>
#include <stdexcept>

// The settings store stands in for the registry: one INI file per root in the user's config
// folder (or in TALLYRA_SETTINGS_DIR), key paths kept as groups. Values are typed: a text and
// an integer are told apart as the registry tells them apart.
enum class SettingsRoot { LocalMachine, CurrentUser };

class SettingsError : public std::runtime_error {
public:
    explicit SettingsError(const QString& message) : std::runtime_error(message.toStdString()), m_message(message) {}
    const QString& message() const { return m_message; }

private:
    QString m_message;
};

// Key paths of the program.
QString ProductKey(); // "\SOFTWARE\Morvane\Tallyra"
QString EnvSettingKey();
QString DataKey();
QString ShellFoldersKey(); // "\Software\Microsoft\Windows\CurrentVersion\Explorer\User Shell Folders"

// Missing key, missing value or empty text give the default; an integer value raises SettingsError.
QString RegReadString(const QString& name, const QString& defaultValue, SettingsRoot root, const QString& keyPath);
// Missing key or value, or a value that is not an integer, give the default.
int RegReadInteger(const QString& name, int defaultValue, SettingsRoot root, const QString& keyPath);
// Writing creates the key; a failure raises SettingsError.
void RegWriteString(const QString& name, const QString& value, SettingsRoot root, const QString& keyPath);
void RegWriteInteger(const QString& name, int value, SettingsRoot root, const QString& keyPath);
void RegWriteBool(const QString& name, bool value, SettingsRoot root, const QString& keyPath);

// The INI file that holds one root.
QString SettingsFilePath(SettingsRoot root);
