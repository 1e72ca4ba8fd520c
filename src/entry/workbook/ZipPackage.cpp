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

namespace {
// Whether an XML part, of which the start and the end are given, ends by closing the element it
// opens first (or is that one element, closed in itself).
bool xmlPartEnds(const QByteArray& head, const QByteArray& tail, bool headIsWhole)
{
    qsizetype start = -1;
    for (qsizetype i = head.indexOf('<'); i >= 0; i = head.indexOf('<', i + 1))
        if (i + 1 < head.size() && head[i + 1] != '?' && head[i + 1] != '!') {
            start = i;
            break;
        }
    if (start < 0)
        return false;
    qsizetype end = start + 1;
    while (end < head.size() && !QByteArray(" \t\r\n/>").contains(head[end]))
        ++end;
    const QByteArray root = head.mid(start + 1, end - start - 1);
    const QByteArray last = tail.trimmed();
    if (last.endsWith("</" + root + ">"))
        return true;
    return headIsWhole && last.endsWith("/>") && head.indexOf('<', start + 1) < 0;
}
} // namespace

bool IsWholeZip(const QString& path)
{
    int code = 0;
    // The directory closes the file: a file cut short has none. (libzip's stricter consistency
    // check refuses the zip64 headers the workbook writer puts before each entry.)
    zip_t* archive = zip_open(QFile::encodeName(path).constData(), ZIP_RDONLY, &code);
    if (!archive)
        return false;
    constexpr qsizetype kHead = 1024, kTail = 256;
    bool whole = true;
    const zip_int64_t count = zip_get_num_entries(archive, 0);
    for (zip_int64_t i = 0; whole && i < count; ++i) {
        zip_stat_t st;
        if (zip_stat_index(archive, zip_uint64_t(i), 0, &st) != 0 || !(st.valid & ZIP_STAT_SIZE)) {
            whole = false;
            break;
        }
        const QByteArray name(st.name);
        if (!name.endsWith(".xml") && !name.endsWith(".rels"))
            continue;
        zip_file_t* file = zip_fopen_index(archive, zip_uint64_t(i), 0);
        if (!file) {
            whole = false;
            break;
        }
        QByteArray head, tail, chunk(1 << 16, Qt::Uninitialized);
        zip_uint64_t total = 0;
        for (zip_int64_t n; (n = zip_fread(file, chunk.data(), zip_uint64_t(chunk.size()))) > 0;) {
            total += zip_uint64_t(n);
            if (head.size() < kHead)
                head.append(chunk.constData(), qMin<qsizetype>(n, kHead - head.size()));
            const qsizetype kept = qMin<qsizetype>(n, kTail);
            tail.append(chunk.constData() + n - kept, kept);
            tail = tail.right(kTail);
        }
        zip_fclose(file);
        whole = total == st.size && xmlPartEnds(head, tail, total <= zip_uint64_t(kHead));
    }
    zip_discard(archive);
    return whole;
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
