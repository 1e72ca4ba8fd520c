#include "base/Environment.h"

#include "base/Paths.h"
#include "base/SettingsStore.h"

#include <QDir>

EnvironmentSettings& Environment()
{
    static EnvironmentSettings settings;
    return settings;
}

QString InstalledVersionText()
{
    return QStringLiteral("1.0");
}

void LoadEnvironmentSettings(const QString& productName)
{
    const QString productKey = QStringLiteral("\\SOFTWARE\\Morvane\\") + productName;
    const QString envKey = productKey + QStringLiteral("\\Options\\EnvSetting");
    const SettingsRoot root = SettingsRoot::LocalMachine;
    EnvironmentSettings& env = Environment();

    QString version;
    try {
        version = RegReadString(QStringLiteral("Version"), QStringLiteral("000"), root, productKey);
    } catch (const SettingsError&) {
        version = QStringLiteral("000");
    }
    if (version == QLatin1String("000")) {
        env.preferredInputMethod.clear();
        env.inputWindowStyle = false;
        try {
            RegWriteString(QStringLiteral("ServicePack"), QStringLiteral("None"), root, productKey);
            RegWriteString(QStringLiteral("FilePath"), QDir::toNativeSeparators(ProgramFolder() + QLatin1Char('/')),
                           root, productKey);
            RegWriteInteger(QStringLiteral("AppTyp"), 1, root, productKey);
            RegWriteString(QStringLiteral("ImePrefer"), QString(), root, envKey);
            RegWriteInteger(QStringLiteral("InputWndStyle"), 0, root, envKey);
            RegWriteString(QStringLiteral("Version"), InstalledVersionText(), root, productKey);
        } catch (const SettingsError&) {
            // A store that cannot be written must not stop the program; the branch runs again.
        }
        return;
    }
    try {
        env.preferredInputMethod = RegReadString(QStringLiteral("ImePrefer"), QString(), root, envKey);
    } catch (const SettingsError&) {
        env.preferredInputMethod.clear();
    }
    env.inputWindowStyle = RegReadInteger(QStringLiteral("InputWndStyle"), 0, root, envKey) != 0;
}
