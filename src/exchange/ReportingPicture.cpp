#include "exchange/ReportingPicture.h"

#include "db/Connection.h"
#include "db/Statement.h"

#include <QHash>

#include <algorithm>
#include <cmath>
#include <map>
#include <sqlite3.h>
#include <vector>

namespace {
struct ExpectedRow {
    double code;
    int division; // 0: none
    QString name;
};

struct ReturnRow {
    double code;
    int division;
    int state; // -1 for NULL
};

struct CityRow {
    QString name;
    QString combName;
};

// A division code as a number of at most six digits; 0 for none.
int divisionOf(sqlite3_stmt* s, int column)
{
    const int type = sqlite3_column_type(s, column);
    if (type != SQLITE_INTEGER && type != SQLITE_FLOAT)
        return 0;
    const double d = sqlite3_column_double(s, column);
    return (d >= 1 && d <= 999999 && d == std::floor(d)) ? int(d) : 0;
}

std::vector<ExpectedRow> readExpected(Connection& db)
{
    std::vector<ExpectedRow> rows;
    if (!db.hasTable(QStringLiteral("ct_expected")))
        return rows;
    Statement statement(db.handle(), QStringLiteral("select c901, c903, c902 from ct_expected"));
    sqlite3_stmt* s = statement.handle();
    while (statement.step()) {
        const int type = sqlite3_column_type(s, 0);
        if (type != SQLITE_INTEGER && type != SQLITE_FLOAT)
            continue;
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(s, 2));
        rows.push_back({sqlite3_column_double(s, 0), divisionOf(s, 1),
                        text ? QString::fromUtf8(text, sqlite3_column_bytes(s, 2)) : QString()});
    }
    std::sort(rows.begin(), rows.end(), [](const ExpectedRow& a, const ExpectedRow& b) { return a.code < b.code; });
    return rows;
}

std::vector<ReturnRow> readReturns(Connection& db)
{
    std::vector<ReturnRow> rows;
    Statement statement(db.handle(), QStringLiteral("select c901, c903, RecordState from dt_data"));
    sqlite3_stmt* s = statement.handle();
    while (statement.step()) {
        const int type = sqlite3_column_type(s, 0);
        if (type != SQLITE_INTEGER && type != SQLITE_FLOAT)
            continue;
        const int stateType = sqlite3_column_type(s, 2);
        int state = -1;
        if (stateType == SQLITE_INTEGER || stateType == SQLITE_FLOAT) {
            const double d = sqlite3_column_double(s, 2);
            state = (d == 1 || d == 2) ? int(d) : 0;
        }
        rows.push_back({sqlite3_column_double(s, 0), divisionOf(s, 1), state});
    }
    std::sort(rows.begin(), rows.end(), [](const ReturnRow& a, const ReturnRow& b) { return a.code < b.code; });
    return rows;
}

QHash<int, CityRow> readCities(Connection& db)
{
    QHash<int, CityRow> cities;
    if (!db.hasTable(QStringLiteral("CT_CityName")))
        return cities;
    Statement statement(db.handle(), QStringLiteral("select ID, Name, CombName from CT_CityName"));
    while (statement.step())
        cities.insert(statement.value(0).toInt(), {statement.value(1).toString(), statement.value(2).toString()});
    return cities;
}

// What one Unit row of the tree holds while the picture is made.
struct UnitDivision {
    qint64 expected = 0, received = 0, withErrors = 0;
    std::vector<int> missing; // indexes into missingUnits
};

// A row of the tree as a key: the code and the level, so a prefecture's own Unit row and the
// prefecture's row differ.
using RowKey = std::pair<int, int>;
const RowKey kTop{-1, 0};
} // namespace

QVector<int> UnitDivisionRows(const ReportingPicture& picture)
{
    QVector<int> rows;
    for (int i = 0; i < picture.divisions.size(); ++i)
        if (picture.divisions[i].level == DivisionFigures::Unit)
            rows << i;
    std::sort(rows.begin(), rows.end(), [&](int a, int b) {
        const int ca = picture.divisions[a].code, cb = picture.divisions[b].code;
        if ((ca == 0) != (cb == 0))
            return cb == 0;
        return ca < cb;
    });
    return rows;
}

QString DivisionCaption(const DivisionFigures& row)
{
    if (row.code == 0)
        return QStringLiteral("未填行政区划");
    const QString code = QString::number(row.code);
    return row.name.isEmpty() ? code + QStringLiteral("（代码表中没有）") : code + QLatin1Char(' ') + row.name;
}

double ReceivedShare(qint64 received, qint64 expected)
{
    return expected > 0 ? double(received) / double(expected) : 0.0;
}

ReportingPicture ComputeReportingPicture(Connection& db)
{
    ReportingPicture picture;
    const std::vector<ExpectedRow> expected = readExpected(db);
    const std::vector<ReturnRow> returns = readReturns(db);
    const QHash<int, CityRow> cities = readCities(db);

    // Both lists by code, side by side.
    std::map<int, UnitDivision> units;
    size_t j = 0;
    for (const ExpectedRow& e : expected) {
        while (j < returns.size() && returns[j].code < e.code)
            picture.unexpectedCodes << returns[j++].code;
        const bool present = j < returns.size() && returns[j].code == e.code;
        int division = e.division;
        UnitDivision* unit = nullptr;
        if (present) {
            const ReturnRow& r = returns[j];
            if (division == 0)
                division = r.division;
            unit = &units[division];
            ++picture.received;
            ++unit->received;
            if (r.state == 1)
                ++picture.clean;
            else if (r.state == 2) {
                ++picture.withErrors;
                ++unit->withErrors;
            } else
                ++picture.held;
            while (j < returns.size() && returns[j].code == e.code)
                ++j;
        } else {
            unit = &units[division];
            unit->missing.push_back(int(picture.missingUnits.size()));
            MissingUnit m;
            m.code = qint64(e.code);
            m.name = e.name;
            m.division = division;
            m.divisionName = cities.value(division).combName;
            picture.missingUnits.append(m);
        }
        ++unit->expected;
    }
    while (j < returns.size())
        picture.unexpectedCodes << returns[j++].code;
    picture.expected = qint64(expected.size());
    picture.missing = picture.expected - picture.received;
    picture.unexpected = picture.unexpectedCodes.size();

    // The tree: each Unit row under the nearest of its prefecture and province that the code
    // table has, each prefecture under its province when the table has it.
    std::map<RowKey, std::vector<RowKey>> children;
    std::map<RowKey, bool> placed;
    const auto place = [&](const RowKey& parent, const RowKey& child) {
        if (!placed[child]) {
            placed[child] = true;
            children[parent].push_back(child);
        }
    };
    for (const auto& [code, unit] : units) {
        if (code == 0)
            continue;
        const int province = code / 10000 * 10000, prefecture = code / 100 * 100;
        const bool hasPrefecture = prefecture % 10000 != 0 && cities.contains(prefecture);
        const bool hasProvince = cities.contains(province);
        const RowKey leaf{code, DivisionFigures::Unit};
        const RowKey provinceKey{province, DivisionFigures::Province};
        if (hasPrefecture) {
            const RowKey prefectureKey{prefecture, DivisionFigures::Prefecture};
            place(prefectureKey, leaf);
            place(hasProvince ? provinceKey : kTop, prefectureKey);
        } else {
            place(hasProvince ? provinceKey : kTop, leaf);
        }
        if (hasProvince)
            place(kTop, provinceKey);
    }
    for (auto& [parent, list] : children)
        std::sort(list.begin(), list.end(), [](const RowKey& a, const RowKey& b) {
            return a.first != b.first ? a.first < b.first : a.second > b.second; // a Unit row before its prefecture's
        });
    // Rows in tree order, depth first; the units without a division last.
    std::vector<std::pair<RowKey, int>> todo;
    const auto pushChildren = [&](const RowKey& parent, int parentRow) {
        const auto found = children.find(parent);
        if (found == children.end())
            return;
        for (auto it = found->second.rbegin(); it != found->second.rend(); ++it)
            todo.push_back({*it, parentRow});
    };
    pushChildren(kTop, -1);
    if (units.count(0))
        todo.insert(todo.begin(), {RowKey{0, DivisionFigures::Unit}, -1});
    while (!todo.empty()) {
        const auto [key, parentRow] = todo.back();
        todo.pop_back();
        DivisionFigures row;
        row.code = key.first;
        row.level = DivisionFigures::Level(key.second);
        row.name = cities.value(row.code).name;
        row.parent = parentRow;
        const int index = picture.divisions.size();
        if (row.level == DivisionFigures::Unit) {
            const UnitDivision& unit = units.at(row.code);
            row.expected = unit.expected;
            row.received = unit.received;
            row.missing = qint64(unit.missing.size());
            row.withErrors = unit.withErrors;
            row.firstMissing = picture.missingByDivision.size();
            for (const int m : unit.missing)
                picture.missingByDivision << m;
            // The figures count in every row above.
            for (int up = parentRow; up >= 0; up = picture.divisions[up].parent) {
                DivisionFigures& above = picture.divisions[up];
                above.expected += row.expected;
                above.received += row.received;
                above.missing += row.missing;
                above.withErrors += row.withErrors;
            }
        }
        picture.divisions.append(row);
        pushChildren(key, index);
    }
    picture.receipts = ReadReceipts(db);
    return picture;
}
