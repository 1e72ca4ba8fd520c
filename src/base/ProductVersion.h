#pragma once

#include <QString>
#include <functional>
#include <optional>

struct TProductVersion {
    QString versionText;
    int buildNumber = 0;
};
TProductVersion& ProductVersion();

// What the program file says of its version; tests replace the source.
struct VersionResource {
    bool present = true;
    std::optional<QString> fileVersion;
    std::optional<QString> productVersion;
};
using VersionSource = std::function<VersionResource()>;
void SetVersionSource(VersionSource source); // an empty source restores the compiled-in one

// Fills ProductVersion(): the build number is what follows the last "." of the file version,
// -1 without any version resource, 0 without a file version. Returns false with the reason
// when that part is not a number.
bool ReadProductVersion(TProductVersion& version, QString* error = nullptr);
