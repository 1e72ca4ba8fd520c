#include "base/ProductVersion.h"

#include "TallyraVersion.h"

TProductVersion& ProductVersion()
{
    static TProductVersion version;
    return version;
}

namespace {
VersionResource compiledIn()
{
    VersionResource resource;
    resource.fileVersion = QStringLiteral(TALLYRA_FILE_VERSION);
    resource.productVersion = QStringLiteral(TALLYRA_PRODUCT_VERSION);
    return resource;
}

VersionSource& source()
{
    static VersionSource current = compiledIn;
    return current;
}
} // namespace

void SetVersionSource(VersionSource s)
{
    source() = s ? std::move(s) : VersionSource(compiledIn);
}

bool ReadProductVersion(TProductVersion& version, QString* error)
{
    const VersionResource resource = source()();
    if (!resource.present) {
        version.buildNumber = -1;
        return true;
    }
    if (resource.fileVersion) {
        const QString text = *resource.fileVersion;
        const QString tail = text.mid(text.lastIndexOf(QLatin1Char('.')) + 1);
        bool ok = false;
        const int build = tail.trimmed().toInt(&ok);
        if (!ok) {
            if (error)
                *error = QStringLiteral("'%1' is not a valid integer value").arg(tail);
            return false;
        }
        version.buildNumber = build;
    } else {
        version.buildNumber = 0;
    }
    if (resource.productVersion)
        version.versionText = *resource.productVersion;
    return true;
}
