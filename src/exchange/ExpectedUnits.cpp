#include "exchange/ExpectedUnits.h"

#include "base/Gbk.h"
#include "base/ValueText.h"
#include "db/Connection.h"
#include "db/DbError.h"
#include "db/Statement.h"
#include "exchange/PackageFile.h"
#include "exchange/PackageImport.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QStringDecoder>

#include <cmath>

namespace {
const QByteArray kDatabaseHeader("SQLite format 3\0", 16);
constexpr qint64 kLowestCode = 100000000000LL;
constexpr qint64 kHighestCode = 999999999999LL;

void addProblem(ExpectedReading& reading, const QString& text)
{
    if (reading.problems.size() < kProblemsListed)
        reading.problems << text;
    ++reading.problemCount;
}

// A text as a message shows it: control characters become "?", at most `limit` characters.
QString shown(const QString& text, int limit = 24)
{
    QString s = ShownLabel(text.left(limit));
    if (text.size() > limit)
        s += QStringLiteral("…");
    return s;
}

bool hasControl(const QString& text)
{
    for (const QChar c : text)
        if (c.category() == QChar::Other_Control || c.category() == QChar::Other_Format)
            return true;
    return false;
}

QString unquoted(QString field)
{
    field = field.trimmed();
    if (field.size() >= 2 && field.startsWith(QLatin1Char('"')) && field.endsWith(QLatin1Char('"')))
        field = field.mid(1, field.size() - 2).replace(QStringLiteral("\"\""), QStringLiteral("\""));
    return field.trimmed();
}

bool isCodeText(const QString& code)
{
    if (code.size() != 12 || code[0] == QLatin1Char('0'))
        return false;
    for (const QChar c : code)
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    return true;
}

// One line of the text file: a unit, a message, or nothing for a blank line.
void readLine(ExpectedReading& reading, QHash<qint64, int>& lineOfCode, const QString& text, int number)
{
    const QString line = text.trimmed();
    if (line.isEmpty())
        return;
    int separator = -1;
    for (int i = 0; i < line.size() && separator < 0; ++i)
        if (line[i] == QLatin1Char('\t') || line[i] == QLatin1Char(','))
            separator = i;
    const QString code = unquoted(separator < 0 ? line : line.left(separator));
    const QString name = separator < 0 ? QString() : unquoted(line.mid(separator + 1));
    const QString where = QStringLiteral("第%1行：").arg(number);
    if (!isCodeText(code)) {
        addProblem(reading, where + QStringLiteral("“%1”不是12位的工会统计编码").arg(shown(code)));
        return;
    }
    if (hasControl(name)) {
        addProblem(reading, where + QStringLiteral("单位名称中有控制字符"));
        return;
    }
    if (!GbkCanEncode(name)) {
        addProblem(reading, where + QStringLiteral("单位名称“%1”中有GBK不能表示的字符").arg(shown(name)));
        return;
    }
    if (GbkByteLength(name) > kExpectedNameLimit) {
        addProblem(reading, where + QStringLiteral("单位名称超过%1个字节（%2个汉字）：“%3”")
                                        .arg(kExpectedNameLimit)
                                        .arg(kExpectedNameLimit / 2)
                                        .arg(shown(name)));
        return;
    }
    const qint64 value = code.toLongLong();
    const auto seen = lineOfCode.constFind(value);
    if (seen != lineOfCode.constEnd()) {
        addProblem(reading, where + QStringLiteral("编码%1与第%2行重复").arg(code).arg(seen.value()));
        return;
    }
    lineOfCode.insert(value, number);
    reading.units.append({value, name, QVariant()});
}

// The division of a record: a whole number of at most six digits, else none.
QVariant divisionOf(const QVariant& value)
{
    bool ok = false;
    const double d = value.toDouble(&ok);
    if (!ok || value.isNull() || d != std::floor(d) || d < 1 || d > 999999)
        return QVariant();
    return int(d);
}

// The codes, names and divisions of the returns of an open database, in code order.
void readReturns(ExpectedReading& reading, Connection& db, const QString& table)
{
    // Names are read no longer than they can be stored, whatever a file holds.
    Statement statement(db.handle(),
                        QStringLiteral("select c901, substr(cast(c902 as text), 1, ?1), c903 from %1 order by c901")
                            .arg(table));
    statement.bind(1, kExpectedNameLimit);
    while (statement.step()) {
        const QVariant code = statement.value(0);
        bool ok = false;
        const double d = code.toDouble(&ok);
        if (!ok || code.isNull() || d != std::floor(d) || d < double(kLowestCode) || d > double(kHighestCode)) {
            addProblem(reading, QStringLiteral("编码为%1的单位：不是12位的工会统计编码").arg(shown(FormatValueText(code))));
            continue;
        }
        const QString name = GbkCut(ShownLabel(statement.value(1).toString()), kExpectedNameLimit);
        reading.units.append({qint64(d), name, divisionOf(statement.value(2))});
    }
}
} // namespace

ExpectedReading ReadExpectedText(const QByteArray& input, const QString& source)
{
    ExpectedReading reading;
    reading.source = source;
    if (input.contains('\0')) {
        reading.error = QStringLiteral("所选的文件不是文本文件");
        return reading;
    }
    QByteArray bytes = input;
    const bool bom = bytes.startsWith("\xEF\xBB\xBF");
    if (bom)
        bytes.remove(0, 3);
    // The lines as bytes, for their lengths and for decoding a broken file line by line.
    QList<QByteArray> lines = bytes.split('\n');
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(bytes);
    bool decoded = !utf8.hasError();
    if (!decoded && !bom) {
        text = GbkDecode(bytes);
        decoded = !text.endsWith(QChar(QChar::ReplacementCharacter));
    }
    const QStringList decodedLines = decoded ? text.split(QLatin1Char('\n')) : QStringList();
    QHash<qint64, int> lineOfCode;
    for (int i = 0; i < lines.size(); ++i) {
        const int number = i + 1;
        QByteArray& raw = lines[i];
        if (raw.endsWith('\r'))
            raw.chop(1);
        if (raw.size() > kExpectedLineLimit) {
            addProblem(reading, QStringLiteral("第%1行：一行超过%2个字节").arg(number).arg(kExpectedLineLimit));
            continue;
        }
        QString line;
        if (decoded) {
            line = decodedLines.value(i);
        } else {
            // A file valid in neither encoding: each line is read as GBK if it can be.
            QStringDecoder lineUtf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
            line = lineUtf8.decode(raw);
            if (lineUtf8.hasError() && !bom) {
                line = GbkDecode(raw);
            }
            if (line.contains(QChar(QChar::ReplacementCharacter))) {
                addProblem(reading, QStringLiteral("第%1行：有既不是GBK也不是UTF-8的字节").arg(number));
                continue;
            }
        }
        readLine(reading, lineOfCode, line, number);
    }
    if (reading.units.isEmpty())
        reading.error = QStringLiteral("所选的文件中没有应报单位（每行一个12位的工会统计编码，其后可以是制表符或逗号和单位名称）");
    return reading;
}

ExpectedReading ReadExpectedTextFile(const QString& path)
{
    const QString source = QStringLiteral("文本文件：") + QFileInfo(path).fileName();
    ExpectedReading refused;
    refused.source = source;
    QFile file(path);
    if (!file.exists()) {
        refused.error = QStringLiteral("您选择的文件并不存在，请选择其它文件。");
        return refused;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        refused.error = QStringLiteral("无法读取文件“%1”：%2").arg(path, file.errorString());
        return refused;
    }
    // Read no more than the limit, whatever the file claims or becomes meanwhile.
    const QByteArray bytes = file.read(kExpectedTextLimit + 1);
    if (file.error() != QFileDevice::NoError) {
        refused.error = QStringLiteral("无法读取文件“%1”：%2").arg(path, file.errorString());
        return refused;
    }
    if (bytes.size() > kExpectedTextLimit) {
        refused.error = QStringLiteral("文件超过%1MB，不是应报单位名单").arg(kExpectedTextLimit / (1024 * 1024));
        return refused;
    }
    return ReadExpectedText(bytes, source);
}

ExpectedReading ReadExpectedDatabaseFile(Connection& working, const QString& path)
{
    ExpectedReading reading;
    reading.source = QStringLiteral("数据库文件：") + QFileInfo(path).fileName();
    const QString table = QStringLiteral("dt_data");
    const ReceivedFile received(working, path, table);
    switch (received.status()) {
    case ReceivedFile::Ready:
        break;
    case ReceivedFile::NotFound:
        reading.error = QStringLiteral("您选择的文件并不存在，请选择其它文件。");
        return reading;
    case ReceivedFile::MissingTable:
    case ReceivedFile::MissingWorkingTable:
    case ReceivedFile::Refused:
        reading.error = received.message();
        return reading;
    }
    if (!received.label().isEmpty())
        reading.source += QStringLiteral("【") + shown(received.label(), 40) + QStringLiteral("】");
    try {
        Connection db;
        db.open(received.readPath(), Connection::Mode::ReadOnly);
        readReturns(reading, db, table);
    } catch (const DbError& e) {
        reading.units.clear();
        reading.error = e.message();
        return reading;
    }
    if (reading.units.isEmpty() && reading.error.isEmpty())
        reading.error = QStringLiteral("所选的文件中没有单位的数据");
    return reading;
}

ExpectedReading ReadExpectedFromReturns(Connection& working)
{
    ExpectedReading reading;
    reading.source = QStringLiteral("现有数据");
    try {
        readReturns(reading, working, QStringLiteral("dt_data"));
    } catch (const DbError& e) {
        reading.units.clear();
        reading.error = e.message();
        return reading;
    }
    if (reading.units.isEmpty())
        reading.error = QStringLiteral("数据库中还没有单位的数据");
    return reading;
}

bool IsDatabaseOrPackageFile(const QString& path)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == QLatin1String("dat") || suffix == QLatin1String("mdb"))
        return true;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    QByteArray head = file.read(kDatabaseHeader.size());
    if (head == kDatabaseHeader)
        return true;
    for (char& c : head)
        c = char(RestoreByte((unsigned char)c));
    return head == kDatabaseHeader;
}

ExpectedReading ReadExpectedFile(Connection& working, const QString& path)
{
    return IsDatabaseOrPackageFile(path) ? ReadExpectedDatabaseFile(working, path) : ReadExpectedTextFile(path);
}

ExpectedStoreResult StoreExpectedUnits(Connection& working, const ExpectedReading& reading, ExpectedStoreMode mode,
                                       const QDateTime& addedAt)
{
    ExpectedStoreResult result;
    const QString at = addedAt.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    try {
        Transaction transaction(working);
        const qint64 before = working.scalar(QStringLiteral("select count(*) from ct_expected")).toLongLong();
        if (mode == ExpectedStoreMode::Replace)
            working.execute(QStringLiteral("delete from ct_expected"));
        // A code already listed keeps its row; only what it lacks is filled in.
        Statement insert(working.handle(),
                         QStringLiteral("insert into ct_expected (c901, c902, c903, Source, AddedAt) "
                                        "values (?1, ?2, ?3, ?4, ?5) on conflict (c901) do update set "
                                        "c902 = case when ifnull(c902, '') = '' then excluded.c902 else c902 end, "
                                        "c903 = ifnull(c903, excluded.c903)"));
        for (const ExpectedUnit& unit : reading.units) {
            insert.bind(1, unit.code);
            insert.bind(2, unit.name);
            insert.bind(3, unit.division);
            insert.bind(4, reading.source);
            insert.bind(5, at);
            while (insert.step()) {
            }
            insert.reset();
        }
        result.total = working.scalar(QStringLiteral("select count(*) from ct_expected")).toLongLong();
        result.added = mode == ExpectedStoreMode::Replace ? result.total : result.total - before;
        transaction.commit();
    } catch (const DbError& e) {
        result = {};
        result.error = e.message();
    }
    return result;
}

qint64 RemoveExpectedUnits(Connection& working, const QVector<qint64>& codes)
{
    Transaction transaction(working);
    const qint64 before = working.scalar(QStringLiteral("select count(*) from ct_expected")).toLongLong();
    Statement remove(working.handle(), QStringLiteral("delete from ct_expected where c901 = ?1"));
    for (const qint64 code : codes) {
        remove.bind(1, code);
        while (remove.step()) {
        }
        remove.reset();
    }
    const qint64 removed = before - working.scalar(QStringLiteral("select count(*) from ct_expected")).toLongLong();
    transaction.commit();
    return removed;
}

ExpectedListSummary ReadExpectedSummary(Connection& working)
{
    ExpectedListSummary summary;
    if (!working.hasTable(QStringLiteral("ct_expected")))
        return summary;
    RowSet rows = working.query(QStringLiteral(
        "select Source, count(*) as units, max(AddedAt) as addedAt from ct_expected group by Source "
        "order by max(AddedAt) desc, Source"));
    for (rows.first(); !rows.eof(); rows.next()) {
        summary.sources.append({rows.text(QStringLiteral("Source")), rows.toInt(QStringLiteral("units")),
                                rows.text(QStringLiteral("addedAt"))});
        summary.units += summary.sources.last().units;
    }
    return summary;
}

QString ExpectedListSql()
{
    return QStringLiteral("select e.c901 as c901, e.c902 as c902, e.c903 as c903, c.CombName as DivisionName, "
                          "e.Source as Source, e.AddedAt as AddedAt from ct_expected e "
                          "left join CT_CityName c on c.ID = e.c903 order by e.c901");
}

QString ExpectedProblemsText(const ExpectedReading& reading, int linesShown)
{
    if (reading.problemCount == 0)
        return QString();
    QString text = QStringLiteral("有%1行（条）没有读入：").arg(reading.problemCount);
    for (int i = 0; i < reading.problems.size() && i < linesShown; ++i)
        text += QLatin1Char('\n') + reading.problems[i];
    if (reading.problemCount > qMin<qint64>(linesShown, reading.problems.size()))
        text += QStringLiteral("\n……");
    return text;
}

QString ExpectedStoredSummary(const ExpectedReading& reading, const ExpectedStoreResult& stored)
{
    return QStringLiteral("从%1读入了%2个单位，新加入名单%3个，名单中现有%4个应报单位。")
        .arg(reading.source)
        .arg(reading.units.size())
        .arg(stored.added)
        .arg(stored.total);
}

QString ExpectedStoredText(const ExpectedReading& reading, const ExpectedStoreResult& stored, int linesShown)
{
    QString text = ExpectedStoredSummary(reading, stored);
    if (reading.problemCount > 0)
        text += QLatin1Char('\n') + ExpectedProblemsText(reading, linesShown);
    return text;
}
