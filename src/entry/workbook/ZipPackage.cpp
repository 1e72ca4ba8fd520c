#include "entry/workbook/ZipPackage.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include <zip.h>

#include <cstdio>

namespace {
// Far above any workbook the program reads or writes; guards against a hostile archive that
// claims gigabytes.
constexpr zip_uint64_t kMaxEntrySize = 512ull * 1024 * 1024;
constexpr zip_int64_t kMaxEntries = 100000;

QString zipErrorText(int code)
{
    zip_error_t error;
    zip_error_init_with_code(&error, code);
    const QString text = QString::fromLocal8Bit(zip_error_strerror(&error));
    zip_error_fini(&error);
    return text;
}
} // namespace

namespace {
// The name of the root element of an XML text, from its first tag that is no declaration.
QByteArray rootName(const QByteArray& head)
{
    int at = 0;
    while ((at = head.indexOf('<', at)) >= 0) {
        if (at + 1 < head.size() && head[at + 1] != '?' && head[at + 1] != '!') {
            int end = at + 1;
            while (end < head.size() && !QByteArray(" \t\r\n/>").contains(head[end]))
                ++end;
            return head.mid(at + 1, end - at - 1);
        }
        ++at;
    }
    return {};
}
} // namespace

bool IsWholeZip(const QString& path, QString* error)
{
    int code = 0;
    // The end record and the central directory come last: a file cut short has neither. (The
    // stricter check of the local headers refuses the zip64 form the workbook writer uses.)
    zip_t* archive = zip_open(QFile::encodeName(path).constData(), ZIP_RDONLY, &code);
    if (!archive) {
        *error = zipErrorText(code);
        return false;
    }
    // Each part passed through a temporary file of the writer, whose failed writes it does not
    // notice either: every part must unpack to its stated size, and an XML part must end with
    // the closing tag of its root element.
    bool whole = true;
    const zip_int64_t count = zip_get_num_entries(archive, 0);
    char buffer[1 << 16];
    for (zip_int64_t i = 0; whole && i < count; ++i) {
        zip_stat_t st;
        zip_file_t* file = nullptr;
        if (zip_stat_index(archive, zip_uint64_t(i), 0, &st) != 0 || !(file = zip_fopen_index(archive, zip_uint64_t(i), 0))) {
            whole = false;
            break;
        }
        const QString name = QString::fromUtf8(st.name);
        const bool xml = name.endsWith(QLatin1String(".xml")) || name.endsWith(QLatin1String(".rels"));
        QByteArray head, tail;
        zip_uint64_t total = 0;
        zip_int64_t n;
        while ((n = zip_fread(file, buffer, sizeof buffer)) > 0) {
            total += zip_uint64_t(n);
            if (xml) {
                if (head.size() < 512)
                    head += QByteArray(buffer, int(qMin<zip_int64_t>(n, 512 - head.size())));
                tail = (tail + QByteArray(buffer, int(n))).right(256);
            }
        }
        zip_fclose(file);
        if (n < 0 || ((st.valid & ZIP_STAT_SIZE) && total != st.size)) {
            whole = false;
        } else if (xml) {
            const QByteArray root = rootName(head);
            whole = !root.isEmpty() && tail.trimmed().endsWith("</" + root + ">");
        }
        if (!whole)
            *error = QStringLiteral("部件%1不完整").arg(name);
    }
    if (whole && count < 0) {
        whole = false;
        *error = QStringLiteral("无法读取文件的目录");
    } else if (!whole && error->isEmpty()) {
        *error = QStringLiteral("文件不完整");
    }
    zip_discard(archive);
    return whole;
}

bool ReadZipEntries(const QString& path, QVector<ZipEntry>* entries, QString* error)
{
    if (!QFileInfo(path).isFile()) {
        *error = QStringLiteral("文件不存在：%1").arg(QDir::toNativeSeparators(path));
        return false;
    }
    int code = 0;
    zip_t* archive = zip_open(QFile::encodeName(path).constData(), ZIP_RDONLY, &code);
    if (!archive) {
        *error = QStringLiteral("不是有效的工作簿文件（%1）：%2").arg(zipErrorText(code), QDir::toNativeSeparators(path));
        return false;
    }
    const zip_int64_t count = zip_get_num_entries(archive, 0);
    bool ok = count >= 0 && count <= kMaxEntries;
    if (!ok)
        *error = QStringLiteral("工作簿文件的条目太多：%1").arg(QDir::toNativeSeparators(path));
    for (zip_int64_t i = 0; ok && i < count; ++i) {
        zip_stat_t st;
        if (zip_stat_index(archive, zip_uint64_t(i), 0, &st) != 0 || !(st.valid & ZIP_STAT_NAME) ||
            !(st.valid & ZIP_STAT_SIZE)) {
            *error = QStringLiteral("工作簿文件已损坏：%1").arg(QDir::toNativeSeparators(path));
            ok = false;
            break;
        }
        const QString name = QString::fromUtf8(st.name);
        if (name.endsWith(QLatin1Char('/')))
            continue; // a folder entry
        if (st.size > kMaxEntrySize) {
            *error = QStringLiteral("工作簿文件的部件%1太大").arg(name);
            ok = false;
            break;
        }
        zip_file_t* file = zip_fopen_index(archive, zip_uint64_t(i), 0);
        QByteArray data(qsizetype(st.size), Qt::Uninitialized);
        const zip_int64_t read = file ? zip_fread(file, data.data(), st.size) : -1;
        if (file)
            zip_fclose(file);
        if (read < 0 || zip_uint64_t(read) != st.size) {
            *error = QStringLiteral("工作簿文件已损坏，无法读出%1：%2").arg(name, QDir::toNativeSeparators(path));
            ok = false;
            break;
        }
        entries->push_back({name, data});
    }
    zip_discard(archive);
    return ok;
}

bool WriteZipEntries(const QString& path, const QVector<ZipEntry>& entries, QString* error)
{
    const QFileInfo target(path);
    if (!QDir().mkpath(target.absolutePath())) {
        *error = QStringLiteral("无法创建文件夹：%1").arg(QDir::toNativeSeparators(target.absolutePath()));
        return false;
    }
    // A unique name beside the target, so the rename stays on one file system.
    QString temp;
    {
        QTemporaryFile reserve(target.absolutePath() + QStringLiteral("/~wb-XXXXXX.part"));
        reserve.setAutoRemove(false);
        if (!reserve.open()) {
            *error = QStringLiteral("无法写入文件夹：%1").arg(QDir::toNativeSeparators(target.absolutePath()));
            return false;
        }
        temp = reserve.fileName();
    }
    int code = 0;
    zip_t* archive = zip_open(QFile::encodeName(temp).constData(), ZIP_CREATE | ZIP_TRUNCATE, &code);
    if (!archive) {
        QFile::remove(temp);
        *error = QStringLiteral("无法写入文件%1：%2").arg(QDir::toNativeSeparators(path), zipErrorText(code));
        return false;
    }
    bool ok = true;
    for (const ZipEntry& e : entries) {
        zip_source_t* source = zip_source_buffer(archive, e.data.constData(), zip_uint64_t(e.data.size()), 0);
        if (!source || zip_file_add(archive, e.name.toUtf8().constData(), source, ZIP_FL_ENC_UTF_8) < 0) {
            if (source)
                zip_source_free(source);
            ok = false;
            break;
        }
    }
    if (ok && zip_close(archive) != 0)
        ok = false;
    if (!ok) {
        *error = QStringLiteral("无法写入文件%1：%2")
                     .arg(QDir::toNativeSeparators(path), QString::fromLocal8Bit(zip_strerror(archive)));
        zip_discard(archive);
        QFile::remove(temp);
        return false;
    }
    if (!MoveIntoPlace(temp, path)) {
        *error = QStringLiteral("无法写入文件：%1").arg(QDir::toNativeSeparators(path));
        return false;
    }
    return true;
}

bool MoveIntoPlace(const QString& temp, const QString& target)
{
    const QFileInfo old(target);
    const QFile::Permissions permissions = old.exists() && old.isFile()
                                               ? old.permissions()
                                               : QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther;
    QFile::setPermissions(temp, permissions);
    // rename() replaces the target in one step.
    if (std::rename(QFile::encodeName(temp).constData(), QFile::encodeName(target).constData()) != 0) {
        QFile::remove(temp);
        return false;
    }
    return true;
}
