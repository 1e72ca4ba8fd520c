#include "base/SettingsStore.h"

#include <QDir>
#include <QSettings>
#include <QStandardPaths>

namespace {
// Integers are stored as "dword:N", texts as they are; a text that would read like a typed
// value gets the prefix "sz:".
const QString kIntegerPrefix = QStringLiteral("dword:");
const QString kTextPrefix = QStringLiteral("sz:");

QString settingsFolder()
{
    const QString redirected = qEnvironmentVariable("TALLYRA_SETTINGS_DIR");
    if (!redirected.isEmpty())
        return redirected;
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QStringLiteral("/Tallyra");
}

QString groupOf(const QString& keyPath)
{
    QString group = keyPath;
    group.replace(QLatin1Char('\\'), QLatin1Char('/'));
    while (group.startsWith(QLatin1Char('/')))
        group.remove(0, 1);
    return group;
}

QString storedValue(const QString& name, SettingsRoot root, const QString& keyPath, bool* found)
{
    QSettings settings(SettingsFilePath(root), QSettings::IniFormat);
    const QString key = groupOf(keyPath) + QLatin1Char('/') + name;
    *found = settings.contains(key);
    return *found ? settings.value(key).toString() : QString();
}

void store(const QString& name, const QString& raw, SettingsRoot root, const QString& keyPath)
{
    QDir().mkpath(settingsFolder());
    QSettings settings(SettingsFilePath(root), QSettings::IniFormat);
    settings.setValue(groupOf(keyPath) + QLatin1Char('/') + name, raw);
    settings.sync();
    if (settings.status() != QSettings::NoError || !settings.isWritable())
        throw SettingsError(QStringLiteral("无法写入设置 %1\\%2").arg(keyPath, name));
}
} // namespace

QString ProductKey()
{
    return QStringLiteral("\\SOFTWARE\\Morvane\\Tallyra");
}

QString EnvSettingKey()
{
    return ProductKey() + QStringLiteral("\\Options\\EnvSetting");
}

QString DataKey()
{
    return ProductKey() + QStringLiteral("\\Data");
}

QString ShellFoldersKey()
{
    return QStringLiteral("\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders");
}

QString SettingsFilePath(SettingsRoot root)
{
    return settingsFolder()
           + (root == SettingsRoot::LocalMachine ? QStringLiteral("/HKEY_LOCAL_MACHINE.ini")
                                                 : QStringLiteral("/HKEY_CURRENT_USER.ini"));
}

QString RegReadString(const QString& name, const QString& defaultValue, SettingsRoot root, const QString& keyPath)
{
    bool found = false;
    QString raw = storedValue(name, root, keyPath, &found);
    if (raw.startsWith(kIntegerPrefix))
        throw SettingsError(QStringLiteral("设置 %1\\%2 不是文本").arg(keyPath, name));
    if (raw.startsWith(kTextPrefix))
        raw.remove(0, kTextPrefix.size());
    return raw.isEmpty() ? defaultValue : raw;
}

int RegReadInteger(const QString& name, int defaultValue, SettingsRoot root, const QString& keyPath)
{
    bool found = false;
    const QString raw = storedValue(name, root, keyPath, &found);
    if (!found || raw.startsWith(kTextPrefix))
        return defaultValue;
    // Plain digits count too, so a value typed into the file by hand is read.
    bool ok = false;
    const int value = (raw.startsWith(kIntegerPrefix) ? raw.mid(kIntegerPrefix.size()) : raw).toInt(&ok);
    return ok ? value : defaultValue;
}

void RegWriteString(const QString& name, const QString& value, SettingsRoot root, const QString& keyPath)
{
    const bool needsPrefix = value.startsWith(kIntegerPrefix) || value.startsWith(kTextPrefix);
    store(name, needsPrefix ? kTextPrefix + value : value, root, keyPath);
}

void RegWriteInteger(const QString& name, int value, SettingsRoot root, const QString& keyPath)
{
    store(name, kIntegerPrefix + QString::number(value), root, keyPath);
}

void RegWriteBool(const QString& name, bool value, SettingsRoot root, const QString& keyPath)
{
    RegWriteInteger(name, value ? 1 : 0, root, keyPath);
}
