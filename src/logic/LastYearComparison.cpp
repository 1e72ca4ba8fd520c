#include "logic/LastYearComparison.h"

#include "base/SettingsStore.h"
#include "db/Connection.h"
#include "db/DbError.h"
#include "db/ExportTarget.h"
#include "db/Statement.h"
#include "exchange/PackageImport.h"
#include "model/FieldCatalogue.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

#include <sqlite3.h>

namespace {
const QString kAlias = QStringLiteral("lastyear");
const QString kTable = QStringLiteral("dt_data");
// Pending events are let through at most this often.
constexpr qint64 kEventsMs = 20;

// ---------------------------------------------------------------- the settings store

const QString kFileValue = QStringLiteral("CompareLastYearFile");
const QString kParameterValues[3] = {QStringLiteral("CompareU"), QStringLiteral("CompareA"),
                                     QStringLiteral("CompareC")};

QString readText(const QString& name)
{
    try {
        return RegReadString(name, QString(), SettingsRoot::LocalMachine, DataKey());
    } catch (const SettingsError&) {
        return QString(); // a value of another type is as good as none
    }
}

// ---------------------------------------------------------------- one indicator

bool pairCounts(double x, double y)
{
    return x > 0 && y > 0 && x != y && std::isfinite(x) && std::isfinite(y);
}

// max(x, y)^U, the dearest step of the method. Most values are small whole numbers that recur
// across units and indicators, so their powers are kept once computed (the same std::pow, so
// the results stay those of the method as written).
class SizeWeight {
public:
    explicit SizeWeight(double u) : m_u(u) {}
    double operator()(double size)
    {
        if (size < kKept && size == std::floor(size)) {
            if (m_kept.empty())
                m_kept.assign(kKept, -1);
            double& kept = m_kept[size_t(size)];
            if (kept < 0)
                kept = std::pow(size, m_u);
            return kept;
        }
        return std::pow(size, m_u);
    }

private:
    static constexpr int kKept = 1 << 16;
    double m_u;
    std::vector<double> m_kept;
};

// ---------------------------------------------------------------- the sweep

// A value of a pair in 32 bits: a whole number below 2^31 as itself, any other value as the
// high bit and its place among the wide values. Most counts are small whole numbers, so the
// pairs of 100,000 returns of some 170 indicators stay compact.
constexpr uint32_t kWideBit = 0x80000000u;

struct PairEntry {
    uint32_t current;
    uint32_t last;
};

// The pairs of one indicator: the two values in blocks, so growing never copies what is held,
// and which matched units they belong to as one bit per unit, so a pair takes 8 bytes.
class PairList {
public:
    void add(uint32_t row, const PairEntry& entry)
    {
        if (m_blocks.empty() || m_blocks.back().size() == kBlock) {
            m_blocks.emplace_back();
            m_blocks.back().reserve(kBlock);
        }
        m_blocks.back().push_back(entry);
        ++m_count;
        if (m_units.size() <= row / 64)
            m_units.resize(row / 64 + 1, 0);
        m_units[row / 64] |= uint64_t(1) << (row % 64);
    }
    // Visits the pairs in the order they were added, with the unit of each.
    template <typename Visit> void forEach(Visit&& visit) const
    {
        size_t word = 0;
        uint64_t bits = m_units.empty() ? 0 : m_units[0];
        for (const auto& block : m_blocks)
            for (const PairEntry& e : block) {
                while (bits == 0)
                    bits = m_units[++word];
                const uint32_t row = uint32_t(word * 64 + size_t(__builtin_ctzll(bits)));
                bits &= bits - 1;
                visit(row, e);
            }
    }

    size_t size() const { return m_count; }

private:
    static constexpr size_t kBlock = 4096;
    std::vector<std::vector<PairEntry>> m_blocks;
    std::vector<uint64_t> m_units;
    size_t m_count = 0;
};

class ValueStore {
public:
    uint32_t encode(double v)
    {
        if (v < 2147483648.0 && v == std::floor(v))
            return uint32_t(v);
        if (m_wide.size() >= kWideBit)
            throw DbError(QStringLiteral("比对的数据太多"));
        m_wide.push_back(v);
        return kWideBit | uint32_t(m_wide.size() - 1);
    }
    double decode(uint32_t e) const { return (e & kWideBit) ? m_wide[e & ~kWideBit] : double(e); }

private:
    std::vector<double> m_wide;
};

// A value as the comparison reads it: numbers only; NULL, texts and blobs are no value (NaN).
double numberAt(sqlite3_stmt* s, int column)
{
    switch (sqlite3_column_type(s, column)) {
    case SQLITE_INTEGER:
        return double(sqlite3_column_int64(s, column));
    case SQLITE_FLOAT:
        return sqlite3_column_double(s, column);
    default:
        return std::numeric_limits<double>::quiet_NaN();
    }
}

bool reportsData(double state)
{
    return state == 1 || state == 2;
}

// The state of a return as a code; a state that is no number reads 0, as the editor reads it.
int stateCode(double state)
{
    return std::isfinite(state) && state >= 0 && state <= 1e9 ? int(state) : 0;
}

QString textAt(sqlite3_stmt* s, int column)
{
    const char* text = reinterpret_cast<const char*>(sqlite3_column_text(s, column));
    return text ? QString::fromUtf8(text, sqlite3_column_bytes(s, column)) : QString();
}

// One of the two files, read in code order; rows without a numeric code and repeats of a code
// are passed over (they cannot be matched).
class CodeStream {
public:
    CodeStream(Connection& db, const QString& sql, const std::function<void()>& stepped)
        : m_statement(db.handle(), sql), m_stepped(stepped)
    {
        advance();
    }
    bool more() const { return m_more; }
    double code() const { return m_code; }
    sqlite3_stmt* row() const { return m_statement.handle(); }
    double state() const { return numberAt(row(), 2); }
    void advance()
    {
        while ((m_more = m_statement.step())) {
            if (m_stepped)
                m_stepped();
            const int type = sqlite3_column_type(row(), 0);
            if (type != SQLITE_INTEGER && type != SQLITE_FLOAT)
                continue;
            const double code = sqlite3_column_double(row(), 0);
            if (m_started && code == m_code)
                continue;
            m_code = code;
            m_started = true;
            return;
        }
    }

private:
    Statement m_statement;
    std::function<void()> m_stepped;
    bool m_more = false;
    bool m_started = false;
    double m_code = 0;
};

QString sweepSql(const QString& schema, const QVector<CompareIndicator>& indicators)
{
    QStringList columns{QStringLiteral("c901"), QStringLiteral("c902"), QStringLiteral("c907")};
    for (const CompareIndicator& i : indicators)
        columns << QuoteIdentifier(i.field);
    return QStringLiteral("select %1 from %2.%3 order by c901").arg(columns.join(','), schema, kTable);
}
} // namespace

// ---------------------------------------------------------------- files

// ---------------------------------------------------------------- parameters

QString CheckCompareParameters(const CompareParameters& p)
{
    if (!(p.u >= 0 && p.u <= 1))
        return QStringLiteral("参数U应在0到1之间");
    if (!(p.a >= 0 && p.a <= 100))
        return QStringLiteral("参数A应在0到100之间");
    if (!(p.c > 0 && p.c <= 1000))
        return QStringLiteral("参数C应大于0，不超过1000");
    return QString();
}

CompareParameters StoredCompareParameters()
{
    CompareParameters p;
    double* values[3] = {&p.u, &p.a, &p.c};
    CompareParameters read = p;
    double* readValues[3] = {&read.u, &read.a, &read.c};
    for (int i = 0; i < 3; ++i) {
        bool ok = false;
        const double v = readText(kParameterValues[i]).toDouble(&ok);
        if (ok)
            *readValues[i] = v;
    }
    // A stored set that cannot be used gives way to the defaults as a whole.
    if (CheckCompareParameters(read).isEmpty())
        for (int i = 0; i < 3; ++i)
            *values[i] = *readValues[i];
    return p;
}

void StoreCompareParameters(const CompareParameters& p)
{
    const double values[3] = {p.u, p.a, p.c};
    for (int i = 0; i < 3; ++i)
        RegWriteString(kParameterValues[i], QString::number(values[i], 'g', 17), SettingsRoot::LocalMachine,
                       DataKey());
}

QString StoredReferenceFile()
{
    return readText(kFileValue);
}

void StoreReferenceFile(const QString& path)
{
    RegWriteString(kFileValue, path, SettingsRoot::LocalMachine, DataKey());
}

// ---------------------------------------------------------------- the method

double MedianOf(std::vector<double>& values)
{
    const size_t n = values.size();
    if (n == 0)
        return 0;
    const size_t half = n / 2;
    std::nth_element(values.begin(), values.begin() + half, values.end());
    const double upper = values[half];
    if (n % 2 == 1)
        return upper;
    const double lower = *std::max_element(values.begin(), values.begin() + half);
    return (lower + upper) / 2;
}

double InterpolatedPercentile(std::vector<double>& values, double p)
{
    const size_t n = values.size();
    if (n == 0)
        return 0;
    const double position = double(n - 1) * p;
    const size_t k = size_t(std::floor(position));
    const double fraction = position - double(k);
    std::nth_element(values.begin(), values.begin() + k, values.end());
    const double below = values[k];
    if (fraction == 0 || k + 1 >= n)
        return below;
    const double above = *std::min_element(values.begin() + k + 1, values.end());
    return below + (above - below) * fraction;
}

namespace {
IndicatorOutcome assess(const std::vector<double>& current, const std::vector<double>& last,
                        const CompareParameters& p, SizeWeight& weight)
{
    IndicatorOutcome out;
    std::vector<int> place;
    const size_t n = std::min(current.size(), last.size());
    place.reserve(n);
    for (size_t i = 0; i < n; ++i)
        if (pairCounts(current[i], last[i]))
            place.push_back(int(i));
    out.pairs = int(place.size());
    if (out.pairs < kComparePairsNeeded) {
        out.skipped = true;
        return out;
    }
    // Values at the ends of what a double holds (only a damaged or made-up file has them) would
    // give ratios or effects of no size; such an indicator is skipped rather than ranked.
    auto beyond = [&out] {
        out.skipped = true;
        out.flags.clear();
        return out;
    };
    std::vector<double> ratios(place.size());
    for (size_t j = 0; j < place.size(); ++j) {
        ratios[j] = current[place[j]] / last[place[j]];
        if (!(ratios[j] > 0) || !std::isfinite(ratios[j]))
            return beyond();
    }
    std::vector<double> work = ratios;
    out.medianRatio = MedianOf(work);
    if (!(out.medianRatio > 0) || !std::isfinite(out.medianRatio))
        return beyond();
    std::vector<double> effects(place.size());
    for (size_t j = 0; j < place.size(); ++j) {
        const double r = ratios[j];
        const double s = r < out.medianRatio ? 1 - out.medianRatio / r : r / out.medianRatio - 1;
        effects[j] = s * weight(std::max(current[place[j]], last[place[j]]));
        if (!std::isfinite(effects[j]))
            return beyond();
    }
    work = effects;
    out.q1 = InterpolatedPercentile(work, 0.25);
    out.median = InterpolatedPercentile(work, 0.5);
    out.q3 = InterpolatedPercentile(work, 0.75);
    const double floor = std::abs(p.a * out.median);
    out.lowDistance = std::max(out.median - out.q1, floor);
    out.highDistance = std::max(out.q3 - out.median, floor);
    if (!std::isfinite(out.lowDistance) || !std::isfinite(out.highDistance))
        return beyond();
    for (size_t j = 0; j < place.size(); ++j) {
        const double e = effects[j];
        IndicatorFlag flag{place[j], ratios[j], 0, false};
        if (out.lowDistance > 0 && e < out.median - p.c * out.lowDistance)
            flag.score = (out.median - e) / out.lowDistance;
        else if (out.highDistance > 0 && e > out.median + p.c * out.highDistance)
            flag = {place[j], ratios[j], (e - out.median) / out.highDistance, true};
        else
            continue;
        if (!std::isfinite(flag.score))
            return beyond();
        out.flags.push_back(flag);
    }
    return out;
}

} // namespace

IndicatorOutcome AssessIndicator(const std::vector<double>& current, const std::vector<double>& last,
                                 const CompareParameters& parameters)
{
    SizeWeight weight(parameters.u);
    return assess(current, last, parameters, weight);
}

// ---------------------------------------------------------------- indicators

QVector<CompareIndicator> CompareIndicators(Connection& working)
{
    static const QStringList codes{QStringLiteral("z011"), QStringLiteral("z012"), QStringLiteral("c002"),
                                   QStringLiteral("c003")};
    const QStringList columns = working.columnNames(kTable);
    QVector<CompareIndicator> indicators;
    for (const TFieldData& f : LoadFieldCatalogue(working)) {
        if (f.PageID < 1 || f.PageID > 13 || (f.QueryType != WholeNumber && f.QueryType != DecimalNumber))
            continue;
        if (codes.contains(f.FieldName, Qt::CaseInsensitive) ||
            !columns.contains(f.FieldName, Qt::CaseInsensitive))
            continue;
        bool repeated = false;
        for (const CompareIndicator& i : indicators)
            repeated = repeated || i.field.compare(f.FieldName, Qt::CaseInsensitive) == 0;
        if (!repeated)
            indicators.push_back({f.FieldName, f.Hint, f.PageID});
    }
    return indicators;
}

// ---------------------------------------------------------------- the run

QString DirectionWord(bool rise)
{
    return rise ? QStringLiteral("rise") : QStringLiteral("fall");
}

QString DirectionText(bool rise)
{
    return rise ? QStringLiteral("增") : QStringLiteral("减");
}

CompareResult CompareWithLastYear(Connection& working, const QString& lastYearFile,
                                  const CompareParameters& parameters, const BatchCheckHooks& hooks)
{
    CompareResult result;
    const QString invalid = CheckCompareParameters(parameters);
    if (!invalid.isEmpty()) {
        result.refused = invalid;
        return result;
    }
    if (lastYearFile.trimmed().isEmpty() || !QFileInfo(lastYearFile).isFile()) {
        result.refused = QStringLiteral("找不到上年数据文件“%1”").arg(lastYearFile);
        return result;
    }
    if (IsSameFile(lastYearFile, working.path())) {
        result.refused = QStringLiteral("所选的文件是正在使用的数据库，不能作为上年数据");
        return result;
    }
    const ReceivedFile source(working, lastYearFile, kTable);
    if (source.status() != ReceivedFile::Ready) {
        result.refused = source.status() == ReceivedFile::NotFound
                             ? QStringLiteral("找不到上年数据文件“%1”").arg(lastYearFile)
                             : source.message();
        return result;
    }
    result.indicators = CompareIndicators(working);
    const int indicatorCount = int(result.indicators.size());

    const AttachGuard attached(working, source.readPath(), kAlias, AttachGuard::As::Outside);
    if (hooks.started) {
        const qint64 rows = working.scalar(QStringLiteral("select count(*) from main.dt_data")).toLongLong() +
                            source.recordCount();
        hooks.started(rows + indicatorCount, 0);
    }
    CodeStream now(working, sweepSql(QStringLiteral("main"), result.indicators), hooks.stepped);
    CodeStream before(working, sweepSql(kAlias, result.indicators), hooks.stepped);

    std::vector<PairList> pairs(static_cast<size_t>(indicatorCount));
    ValueStore values;
    std::vector<double> matchedCodes;
    std::vector<QString> matchedNames;
    QElapsedTimer sinceEvents;
    sinceEvents.start();
    auto letEventsThrough = [&](bool force) {
        if (hooks.processEvents && (force || sinceEvents.elapsed() >= kEventsMs)) {
            hooks.processEvents();
            sinceEvents.restart();
        }
    };
    while (now.more() || before.more()) {
        if (hooks.paused && hooks.paused()) {
            letEventsThrough(true);
            if (hooks.stopped && hooks.stopped())
                break;
            continue;
        }
        const bool onlyNow = !before.more() || (now.more() && now.code() < before.code());
        const bool onlyBefore = !now.more() || (before.more() && before.code() < now.code());
        if (onlyNow) {
            if (reportsData(now.state()))
                result.newNow.push_back({now.code(), textAt(now.row(), 1), -1});
            now.advance();
        } else if (onlyBefore) {
            if (reportsData(before.state()))
                result.absentNow.push_back({before.code(), textAt(before.row(), 1), -1});
            before.advance();
        } else {
            const bool reportsNow = reportsData(now.state()), reportedBefore = reportsData(before.state());
            if (reportsNow && reportedBefore) {
                const uint32_t row = uint32_t(matchedCodes.size());
                bool anyPair = false;
                for (int k = 0; k < indicatorCount; ++k) {
                    const double x = numberAt(now.row(), 3 + k);
                    if (!(x > 0))
                        continue;
                    const double y = numberAt(before.row(), 3 + k);
                    if (!pairCounts(x, y))
                        continue;
                    pairs[size_t(k)].add(row, {values.encode(x), values.encode(y)});
                    anyPair = true;
                }
                if (anyPair) {
                    matchedCodes.push_back(now.code());
                    matchedNames.push_back(textAt(now.row(), 1));
                }
                ++result.matched;
            } else if (reportedBefore) {
                result.absentNow.push_back({before.code(), textAt(before.row(), 1), stateCode(now.state())});
            } else if (reportsNow) {
                result.newNow.push_back({now.code(), textAt(now.row(), 1), stateCode(before.state())});
            }
            now.advance();
            before.advance();
        }
        letEventsThrough(false);
        if (hooks.stopped && hooks.stopped())
            break;
    }
    // A stopped run has no lists: the quartiles of a part would rank nothing.
    auto stoppedRun = [&result] {
        CompareResult stopped;
        stopped.stopped = true;
        stopped.indicators = result.indicators;
        return stopped;
    };
    if (now.more() || before.more() || (hooks.stopped && hooks.stopped()))
        return stoppedRun();

    std::vector<double> current, last;
    std::vector<uint32_t> rows;
    SizeWeight weight(parameters.u); // one table for every indicator of the run
    for (int k = 0; k < indicatorCount; ++k) {
        current.clear();
        last.clear();
        rows.clear();
        current.reserve(pairs[size_t(k)].size());
        last.reserve(pairs[size_t(k)].size());
        rows.reserve(pairs[size_t(k)].size());
        pairs[size_t(k)].forEach([&](uint32_t row, const PairEntry& e) {
            current.push_back(values.decode(e.current));
            last.push_back(values.decode(e.last));
            rows.push_back(row);
        });
        pairs[size_t(k)] = PairList(); // its memory goes as soon as it is read
        const IndicatorOutcome outcome = assess(current, last, parameters, weight);
        result.pairs << outcome.pairs;
        if (outcome.skipped)
            result.skipped << result.indicators[k].field;
        for (const IndicatorFlag& f : outcome.flags) {
            const uint32_t row = rows[size_t(f.pair)];
            result.flagged.push_back({k, matchedCodes[row], matchedNames[row], last[size_t(f.pair)],
                                      current[size_t(f.pair)], f.ratio, f.score, f.rise});
        }
        if (hooks.stepped)
            hooks.stepped();
        letEventsThrough(false);
        if (hooks.stopped && hooks.stopped())
            return stoppedRun();
    }
    const QVector<CompareIndicator>& indicators = result.indicators;
    std::stable_sort(result.flagged.begin(), result.flagged.end(),
                     [&indicators](const CompareFlag& a, const CompareFlag& b) {
                         if (a.score != b.score)
                             return a.score > b.score;
                         if (a.code != b.code)
                             return a.code < b.code;
                         return indicators[a.indicator].field.compare(indicators[b.indicator].field,
                                                                      Qt::CaseInsensitive) < 0;
                     });
    letEventsThrough(true);
    return result;
}
