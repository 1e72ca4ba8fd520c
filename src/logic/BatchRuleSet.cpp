#include "logic/BatchRuleSet.h"

#include "base/Gbk.h"
#include "base/ValueText.h"
#include "db/DbError.h"
#include "db/RowSet.h"

#include "db/Statement.h"

#include <QFile>
#include <QHash>
#include <QVariant>

#include <cmath>
#include <limits>
#include <sqlite3.h>

namespace {
struct WholeField {
    const char* name;
    qint64 RecordValues::*member;
};
struct RealField {
    const char* name;
    double RecordValues::*member;
};

#define TALLYRA_WHOLE_ENTRY(name) {#name, &RecordValues::name},
#define TALLYRA_REAL_ENTRY(name) {#name, &RecordValues::name},
const WholeField kWholeFields[] = {TALLYRA_BATCH_WHOLE_FIELDS(TALLYRA_WHOLE_ENTRY)};
const RealField kRealFields[] = {TALLYRA_BATCH_REAL_FIELDS(TALLYRA_REAL_ENTRY)};
#undef TALLYRA_WHOLE_ENTRY
#undef TALLYRA_REAL_ENTRY

int requireColumn(int column, const char* name)
{
    if (column < 0)
        throw DbError(QStringLiteral("没有找到字段 %1").arg(QString::fromLatin1(name)));
    return column;
}

// A whole field may hold a fraction (typed in or imported); it counts as the nearest whole
// number, halves going to the even one, the program's one rule (NearestWhole64). A value beyond
// the 64-bit range counts as the nearest bound, so it still compares as huge.
qint64 wholeValue(const QVariant& value)
{
    if (value.typeId() == QMetaType::LongLong)
        return value.toLongLong();
    if (value.isNull() || !value.isValid())
        return 0;
    return NearestWhole64(value.toDouble());
}

// Texts in number fields read as numbers the way a QVariant converts them; anything else as 0.
double textNumber(sqlite3_value* value)
{
    const char* text = reinterpret_cast<const char*>(sqlite3_value_text(value));
    return text ? QByteArray::fromRawData(text, sqlite3_value_bytes(value)).toDouble() : 0.0;
}

// One engine call per value: the value's own readers need no locking.
qint64 wholeValue(sqlite3_stmt* stmt, int column)
{
    sqlite3_value* value = sqlite3_column_value(stmt, column);
    switch (sqlite3_value_type(value)) {
    case SQLITE_INTEGER:
        return sqlite3_value_int64(value);
    case SQLITE_NULL:
        return 0;
    case SQLITE_FLOAT:
        return NearestWhole64(sqlite3_value_double(value));
    default:
        return NearestWhole64(textNumber(value));
    }
}

double realValue(sqlite3_stmt* stmt, int column)
{
    sqlite3_value* value = sqlite3_column_value(stmt, column);
    switch (sqlite3_value_type(value)) {
    case SQLITE_INTEGER:
    case SQLITE_FLOAT:
        return sqlite3_value_double(value);
    case SQLITE_NULL:
        return 0.0;
    default:
        return textNumber(value);
    }
}

QByteArray gbkLine(const QString& text)
{
    return GbkEncode(text) + "\r\n";
}

// Sums of whole fields are taken in 128 bits: 64-bit values cannot overflow them.
using Wide = __int128;
constexpr Wide w(qint64 v)
{
    return v;
}
} // namespace

BatchRecordReader::BatchRecordReader(const RowSet& rows)
{
    for (const WholeField& field : kWholeFields)
        m_wholeColumns.push_back(requireColumn(rows.columnIndex(QString::fromLatin1(field.name)), field.name));
    for (const RealField& field : kRealFields)
        m_realColumns.push_back(requireColumn(rows.columnIndex(QString::fromLatin1(field.name)), field.name));
}

BatchRecordReader::BatchRecordReader(const Statement& statement)
{
    QHash<QString, int> columns;
    for (int c = statement.columnCount() - 1; c >= 0; --c)
        columns.insert(statement.columnName(c).toLower(), c); // the first of equal names wins
    for (const WholeField& field : kWholeFields)
        m_wholeColumns.push_back(requireColumn(columns.value(QString::fromLatin1(field.name), -1), field.name));
    for (const RealField& field : kRealFields)
        m_realColumns.push_back(requireColumn(columns.value(QString::fromLatin1(field.name), -1), field.name));
}

RecordValues BatchRecordReader::read(const RowSet& rows) const
{
    const int position = rows.position();
    if (position < 0)
        throw DbError(QStringLiteral("没有当前记录"));
    RecordValues values;
    for (size_t i = 0; i < m_wholeColumns.size(); ++i)
        values.*kWholeFields[i].member = wholeValue(rows.valueAt(position, m_wholeColumns[i]));
    for (size_t i = 0; i < m_realColumns.size(); ++i)
        values.*kRealFields[i].member = rows.doubleAt(position, m_realColumns[i]);
    return values;
}

void BatchRecordReader::read(const Statement& statement, RecordValues& values) const
{
    sqlite3_stmt* stmt = statement.handle();
    for (size_t i = 0; i < m_wholeColumns.size(); ++i)
        values.*kWholeFields[i].member = wholeValue(stmt, m_wholeColumns[i]);
    for (size_t i = 0; i < m_realColumns.size(); ++i)
        values.*kRealFields[i].member = realValue(stmt, m_realColumns[i]);
}

namespace {
// The sign of a product, without computing a product that could overflow.
int ProductSign(qint64 a, qint64 b, qint64 c)
{
    if (a == 0 || b == 0 || c == 0)
        return 0;
    return ((a < 0) + (b < 0) + (c < 0)) % 2 ? -1 : 1;
}
} // namespace

const std::vector<BatchCheck>& BatchChecks()
{
    using R = RecordValues;
    // Number, page, expression text written to the report, failure test, description template.
    // Where one rule is split in two checks, both keep the rule's expression text, and each
    // failure test covers its own half only.
    // clang-format off
    static const std::vector<BatchCheck> checks = {
        {1, 1, "z003<=z001", [](const R& r) { return w(r.z003) > w(r.z001); }, "z003[<=]z001"},
        {2, 1, "(z010=1 and z011<=3) or (z010<>1 and z011=0)", [](const R& r) { return (w(r.z010) == 1 && w(r.z011) > 3) || (w(r.z010) != 1 && w(r.z011) != 0); }, "如果z010[=]1，那么z011[<=]3；如果不是z010，那么z011[=]0"},
        {3, 1, "(z010 = 1 and z012 <=3) or (z010 <> 1 and z012=0)", [](const R& r) { return (w(r.z010) == 1 && w(r.z012) > 3) || (w(r.z010) != 1 && w(r.z012) != 0); }, "如果z010[=]1，那么z012[<=]3；如果不是z010，那么z012[=]0"},
        {4, 1, "z002<=z001", [](const R& r) { return w(r.z002) > w(r.z001); }, "z002[<=]z001"},
        {5, 1, "z004+z005+z006+z007=z001", [](const R& r) { return w(r.z004) + w(r.z005) + w(r.z006) + w(r.z007) != w(r.z001); }, "z004、z005、z006、z007的和[=]z001"},
        {6, 1, "z001+z008>0", [](const R& r) { return w(r.z001) + w(r.z008) <= 0; }, "z001、z008的和[>]0"},
        {7, 1, "z009<=z008", [](const R& r) { return w(r.z009) > w(r.z008); }, "z009[<=]z008"},
        {8, 1, "z013<=z001", [](const R& r) { return w(r.z013) > w(r.z001); }, "z013[<=]z001"},
        {9, 1, "(z010 = 1 and z013 + z014 > 0 and z013 + z014<= z001 + z008) or (z010 <> 1 and z013 + z014=0)", [](const R& r) { return w(r.z010) == 1 && (w(r.z013) + w(r.z014) <= 0 || w(r.z013) + w(r.z014) > w(r.z001) + w(r.z008)); }, "如果z010，那么z013+z014[>]0并且z013+z014[<=]z001+z008"},
        {10, 1, "(z010 = 1 and z013 + z014 > 0 and z013 + z014<= z001 + z008) or (z010 <> 1 and z013 + z014=0)", [](const R& r) { return w(r.z010) != 1 && w(r.z013) + w(r.z014) > 0; }, "如果不是z010，那么z013+z014[=]0"},
        {11, 1, "(z015 + z016 = 0) or (z010 = 1 and z015 * z016 > 0 and z016 > z015)", [](const R& r) { return w(r.z015) + w(r.z016) != 0 && (w(r.z010) != 1 || (w(r.z015) == 0 || w(r.z016) == 0) || w(r.z016) <= w(r.z015)); }, "如果z010，则z015、z016必须大于0，并且z016>z015；如果不是z010，那么z015、z016[=]0"},
        {12, 2, "x002<=x001", [](const R& r) { return w(r.x002) > w(r.x001); }, "x002[<=]x001"},
        {13, 2, "x011<=x003", [](const R& r) { return w(r.x011) > w(r.x003); }, "x011[<=]x003"},
        {14, 2, "x012<=x011", [](const R& r) { return w(r.x012) > w(r.x011); }, "x012[<=]x011"},
        {15, 2, "x002<=z002+z009", [](const R& r) { return w(r.x002) > w(r.z002) + w(r.z009); }, "x002[<=]z002+z009"},
        {16, 2, "(c904<4 and x001>0 and x001<= z001 + z008)or c904 >3", [](const R& r) { return w(r.c904) < 4 && (w(r.x001) <= 0 || w(r.x001) > w(r.z001) + w(r.z008)); }, "如果c904<4，那么x001[>]0并且x001[<=]z001+z008"},
        {17, 2, "(x001*x003>0 and x003<=x001) or x001+x003=0", [](const R& r) { return w(r.x001) == 0 && w(r.x003) > 0; }, "如果x001=0，那么x003[=]0"},
        {18, 2, "(x001*x003>0 and x003<=x001) or x001+x003=0", [](const R& r) { return w(r.x001) > 0 && (w(r.x003) <= 0 || w(r.x003) > w(r.x001)); }, "如果x001>0，那么x003[<=]x001"},
        {19, 2, "x010<=x009", [](const R& r) { return w(r.x010) > w(r.x009); }, "x010[<=]x009"},
        {20, 2, "x008<=x003", [](const R& r) { return w(r.x008) > w(r.x003); }, "x008[<=]x003"},
        {21, 2, "x009<=x003", [](const R& r) { return w(r.x009) > w(r.x003); }, "x009[<=]x003"},
        {22, 3, "p005<=p004", [](const R& r) { return w(r.p005) > w(r.p004); }, "p005[<=]p004"},
        {23, 4, "b007<=b005", [](const R& r) { return w(r.b007) > w(r.b005); }, "b007[<=]b005"},
        {24, 4, "b012<=b005", [](const R& r) { return w(r.b012) > w(r.b005); }, "b012[<=]b005"},
        {25, 4, "(b013=1) or (b013<>1 and b014=0)", [](const R& r) { return w(r.b013) != 1 && r.b014 != 0; }, "如果b013<>1，那么b014[=]0"},
        {26, 4, "b016<=b015", [](const R& r) { return w(r.b016) > w(r.b015); }, "b016[<=]b015"},
        {27, 4, "(b001=1) or (b001<>1  and b002=0)", [](const R& r) { return w(r.b001) != 1 && w(r.b002) != 0; }, "如果不是b001，那么b002[=]0"},
        {28, 4, "b003<=b002", [](const R& r) { return w(r.b003) > w(r.b002); }, "b003[<=]b002"},
        {29, 4, "b004<=b003", [](const R& r) { return w(r.b004) > w(r.b003); }, "b004[<=]b003"},
        {30, 4, "b002+b005=0 or (b002*b005>0 and b005<=b002)", [](const R& r) { return w(r.b005) == 0 && w(r.b002) > 0; }, "如果b005=0，那么b002[=]0"},
        {31, 4, "b002+b005=0 or (b002*b005>0 and b005<=b002)", [](const R& r) { return w(r.b005) > 0 && w(r.b005) > w(r.b002); }, "如果b002>0，那么b005[<=]b002"},
        {32, 4, "b006<=b005", [](const R& r) { return w(r.b006) > w(r.b005); }, "b006[<=]b005"},
        {33, 4, "(b005+b008=0) or (b005*b008>0 and b008>=b005)", [](const R& r) { return w(r.b005) == 0 && w(r.b008) > 0; }, "如果b005=0，那么b008[=]0"},
        {34, 4, "(b005+b008=0) or (b005*b008>0 and b008>=b005)", [](const R& r) { return w(r.b005) > 0 && w(r.b008) < w(r.b005); }, "如果b005>0，那么b008[>=]b005"},
        {35, 4, "(b009+b010=0) or (b009*b010>0)", [](const R& r) { return (w(r.b009) == 0 && w(r.b010) > 0) || (w(r.b009) > 0 && w(r.b010) == 0); }, "b009和b010要么都为0，要么都大于0"},
        {36, 4, "(b011=1) or (b011<>1 and b012=0)", [](const R& r) { return w(r.b011) != 1 && w(r.b012) > 0; }, "如果不是b011，那么b012[=]0"},
        {37, 4, "b019<=b018", [](const R& r) { return w(r.b019) > w(r.b018); }, "b019[<=]b018"},
        {38, 4, "b020<=b018", [](const R& r) { return w(r.b020) > w(r.b018); }, "b020[<=]b018"},
        {39, 4, "b021<=b020", [](const R& r) { return w(r.b021) > w(r.b020); }, "b021[<=]b020"},
        {40, 4, "b023<=b022", [](const R& r) { return w(r.b023) > w(r.b022); }, "b023[<=]b022"},
        {41, 4, "b028<=b027", [](const R& r) { return w(r.b028) > w(r.b027); }, "b028[<=]b027"},
        {42, 4, "b029<=b027", [](const R& r) { return w(r.b029) > w(r.b027); }, "b029[<=]b027"},
        {43, 4, "b026<=b025", [](const R& r) { return w(r.b026) > w(r.b025); }, "b026[<=]b025"},
        {44, 4, "b027<=b025", [](const R& r) { return w(r.b027) > w(r.b025); }, "b027[<=]b025"},
        {45, 4, "(b030+b031=0) or b030>0", [](const R& r) { return w(r.b030) == 0 && w(r.b031) != 0; }, "如果b030=0,那么b031[=]0"},
        {46, 5, "b038<=b037", [](const R& r) { return w(r.b038) > w(r.b037); }, "b038[<=]b037"},
        {47, 5, "b040<=b037", [](const R& r) { return w(r.b040) > w(r.b037); }, "b040[<=]b037"},
        {48, 5, "(b038+b039=0) or (b038*b039>0 and b039>b038)", [](const R& r) { return (w(r.b038) == 0 && r.b039 > 0) || (w(r.b038) > 0 && r.b039 <= w(r.b038)); }, "如果b038=0，那么b039[=]0；如果b038>0，那么b039[>]b038"},
        {49, 5, "b042>=b029", [](const R& r) { return w(r.b042) < w(r.b029); }, "b042[>=]b029"},
        {50, 5, "(b043+b044=0) or (b043*b044>0)", [](const R& r) { return (w(r.b043) == 0 && w(r.b044) > 0) || (w(r.b043) > 0 && w(r.b044) == 0); }, "b043和b044要么都为0，要么都大于0"},
        {51, 5, "(b045 = 1 and b046 > 0) or (b045 <> 1 and b046= 0)", [](const R& r) { return w(r.b045) == 1 && w(r.b046) <= 0; }, "如果b045，那么b046[>]0"},
        {52, 5, "b034<=b033", [](const R& r) { return w(r.b034) > w(r.b033); }, "b034[<=]b033"},
        {53, 5, "(b045 = 1 and b046 > 0) or (b045 <> 1 and b046= 0)", [](const R& r) { return w(r.b045) != 1 && w(r.b046) != 0; }, "如果不是b045，那么b046[=]0"},
        {54, 5, "b047 <= b046", [](const R& r) { return w(r.b047) > w(r.b046); }, "b047[<=]b046"},
        {55, 5, "(b047 + b048 = 0) or (b047 * b048> 0 and b048 > b047)", [](const R& r) { return (w(r.b047) == 0 && r.b048 > 0) || (w(r.b047) > 0 && r.b048 <= w(r.b047)); }, "如果b047=0，那么b048[=]0"},
        {56, 5, "(b045 = 1) or (b045 <> 1 and b049 = 0)", [](const R& r) { return w(r.b045) != 1 && r.b049 != 0; }, "如果不是b045，那么b049[=]0"},
        {57, 5, "(b033+b035=0) or (b033*b035>0 and b035>b033)", [](const R& r) { return w(r.b033) == 0 && r.b035 != 0; }, "如果b033=0,那么b035[=]0"},
        {58, 5, "(b033+b035=0) or (b033*b035>0 and b035>b033)", [](const R& r) { return w(r.b033) > 0 && r.b035 <= w(r.b033); }, "如果b033>0,那么b035[>]b033"},
        {59, 5, "(b036+b037=0) or (b036*b037>0 and b037>b036)", [](const R& r) { return (w(r.b036) == 0 && w(r.b037) > 0) || (w(r.b036) > 0 && w(r.b037) <= w(r.b036)); }, "如果b036=0，那么b037[=]0；如果b036>0，那么b037[>]b036"},
        {60, 6, "f021<=z001+z008", [](const R& r) { return w(r.f021) > w(r.z001) + w(r.z008); }, "f021[<=]z001+z008"},
        {61, 6, "f022<=f021", [](const R& r) { return w(r.f022) > w(r.f021); }, "f022[<=]f021"},
        {62, 6, "f029+f030+f031+f032 = f028", [](const R& r) { return w(r.f029) + w(r.f030) + w(r.f031) + w(r.f032) != w(r.f028); }, "f029、f030、f031、f032的和[=][f028]"},
        {63, 6, "f033 <= f028", [](const R& r) { return w(r.f033) > w(r.f028); }, "f033[<=]f028"},
        {64, 6, "(f023 = 1) or (f023 <> 1 and f034 = 0)", [](const R& r) { return w(r.f023) != 1 && w(r.f034) != 0; }, "如果不是f023，那么f034[=]0"},
        {65, 6, "f002 = 1 or (f002 <> 1 and f003 = 0)", [](const R& r) { return w(r.f002) != 1 && w(r.f003) != 0; }, "如果不是f002，那么f003[=]0"},
        {66, 6, "f004 + f005 <= f003", [](const R& r) { return w(r.f004) + w(r.f005) > w(r.f003); }, "f004与f005的和[<=]f003"},
        {67, 6, "(f007 = 1 and f008 > 0) or (f007 <> 1 and f008 = 0)", [](const R& r) { return w(r.f007) == 1 && w(r.f008) <= 0; }, "如果f007，那么f008[>]0"},
        {68, 6, "(f007 = 1 and f008 > 0) or (f007 <> 1 and f008 = 0)", [](const R& r) { return w(r.f007) != 1 && w(r.f008) != 0; }, "如果不是f007，那么f008[=]0"},
        {69, 6, "(f007 = 1) or (f007 <> 1 and f009 = 0)", [](const R& r) { return w(r.f007) != 1 && w(r.f009) != 0; }, "如果不是f007，那么f009[=]0"},
        {70, 6, "f010 <= f009", [](const R& r) { return w(r.f010) > w(r.f009); }, "f010[<=]f009"},
        {71, 6, "f011 <= z001", [](const R& r) { return w(r.f011) > w(r.z001); }, "f011[<=]z001"},
        {72, 6, "f012 <= f011", [](const R& r) { return w(r.f012) > w(r.f011); }, "f012[<=]f011"},
        {73, 6, "(f012 > 0) or (f012 = 0 and f013 = 0)", [](const R& r) { return w(r.f012) == 0 && w(r.f013) != 0; }, "如果f012=0，那么f013[=]0"},
        {74, 6, "(f015 = 1 and f016 > 0) or (f015 <> 1 and f016=0)", [](const R& r) { return w(r.f015) == 1 && w(r.f016) == 0; }, "如果f015，那么f016[>]0"},
        {75, 6, "(f015 = 1 and f016 > 0) or (f015 <> 1 and f016=0)", [](const R& r) { return w(r.f015) != 1 && w(r.f016) != 0; }, "如果不是f015，那么f016[=]0"},
        {76, 6, "(f015 = 1) or (f015 <> 1 and f017 = 0)", [](const R& r) { return w(r.f015) != 1 && w(r.f017) != 0; }, "如果不是f015，那么f017[=]0"},
        {77, 6, "f018 + f019 <= f017", [](const R& r) { return w(r.f018) + w(r.f019) > w(r.f017); }, "f018与f019的和[<=]f017"},
        {78, 6, "(f023 = 1 and f024 > 0) or (f023 <> 1 and f024 = 0)", [](const R& r) { return w(r.f023) == 1 && w(r.f024) == 0; }, "如果f023，那么f024[>]0"},
        {79, 6, "(f023 = 1 and f024 > 0) or (f023 <> 1 and f024 = 0)", [](const R& r) { return w(r.f023) != 1 && w(r.f024) > 0; }, "如果不是f023，那么f024[=]0"},
        {80, 6, "f025 <= f024", [](const R& r) { return w(r.f025) > w(r.f024); }, "f025[<=]f024"},
        {81, 6, "(f023 = 1) or (f023 <> 1 and f028 = 0)", [](const R& r) { return w(r.f023) != 1 && w(r.f028) != 0; }, "如果不是f023，那么f028[=]0"},
        {82, 7, "(l001 = 1) or (l001 <> 1 and l002 = 0)", [](const R& r) { return w(r.l001) != 1 && w(r.l002) != 0; }, "如果不是L001，那么L002[=]0"},
        {83, 7, "(l001 = 1) or (l001 <> 1 and l003 = 0)", [](const R& r) { return w(r.l001) != 1 && w(r.l003) != 0; }, "如果不是L001，那么L003[=]0"},
        {84, 7, "(l004 + l005 = 0) or l004 > 0", [](const R& r) { return w(r.l004) == 0 && w(r.l005) != 0; }, "如果L004=0，那么L005[=]0"},
        {85, 8, "(h003+h004+h005=0) or (h003*h004*h005>0 and h004>h003 and h005>h004)", [](const R& r) { return w(r.h003) + w(r.h004) + w(r.h005) != 0 && (ProductSign(r.h003, r.h004, r.h005) <= 0 || w(r.h004) <= w(r.h003) || w(r.h005) <= w(r.h004)); }, "h003、h004、h005都为0，或者都大于0并且h004[>]h003且h005[>]h004"},
        {86, 9, "(j012+j013+j014=0) or (j012*j013>0 and j013>j012 and j014<=j013)", [](const R& r) { return (w(r.j012) == 0 && (w(r.j013) > 0 || w(r.j014) > 0)) || (w(r.j012) > 0 && (w(r.j013) <= w(r.j012) || w(r.j014) > w(r.j013))); }, "j012、j013、j014都为0，或者j012、j013大于0并且j013[>]j012,j014[<=]j013"},
        {87, 9, "(j015= 1) or (j015 <> 1 and j016 <> 1)", [](const R& r) { return w(r.j015) != 1 && w(r.j016) == 1; }, "如果不是j015，那么j016[<>]1"},
        {88, 9, "j011 <= j010", [](const R& r) { return w(r.j011) > w(r.j010); }, "j011[<=]j010"},
        {89, 9, "(j016=1) or (j016<>1 and j017+j018=0)", [](const R& r) { return w(r.j016) != 1 && w(r.j017) + r.j018 != 0; }, "如果不是j016，那么j017+j018[=]0"},
        {90, 9, "(j017+j018=0) or (j017*j018>0 and j018>j017)", [](const R& r) { return (w(r.j017) == 0 && r.j018 > 0) || (w(r.j017) > 0 && r.j018 <= w(r.j017)); }, "如果j017=0，那么j018[=]0；如果j017>0，那么j018[>]j017"},
        {91, 9, "j020 <= j019", [](const R& r) { return w(r.j020) > w(r.j019); }, "j020[<=]j019"},
        {92, 9, "j019 <= j017", [](const R& r) { return w(r.j019) > w(r.j017); }, "j019[<=]j017"},
        {93, 9, "(j020+j021=0) or (j020*j021>0 and j021>j020)", [](const R& r) { return (w(r.j020) == 0 && r.j021 > 0) || (w(r.j020) > 0 && r.j021 <= w(r.j020)); }, "如果j020=0，那么j021[=]0；如果j020>0，那么j021[>]j020"},
        {94, 10, "(s005 = 1) or (s005 <> 1 and s006 <> 1)", [](const R& r) { return w(r.s005) != 1 && w(r.s006) == 1; }, "如果不是s005，那么也必须不是s006"},
        {95, 10, "(s006 = 1 and s007 <= z001) or (s006 <> 1 and s007 = 0)", [](const R& r) { return w(r.s006) == 1 && w(r.s007) > w(r.z001); }, "如果s006，那么s007[<=]z001"},
        {96, 10, "(s006 = 1 and s007 <= z001) or (s006 <> 1 and s007 = 0)", [](const R& r) { return w(r.s006) != 1 && w(r.s007) != 0; }, "如果不是s006，那么s007[=]0"},
        {97, 10, "(s006 = 1 and s007 + s008 > 0 and s007 + s008 < z001 + z008) or (s006 <> 1 and s007+s008 = 0)", [](const R& r) { return w(r.s006) == 1 && (w(r.s007) + w(r.s008) <= 0 || w(r.s007) + w(r.s008) >= w(r.z001) + w(r.z008)); }, "如果s006，那么s007+s008[>]0并且s007+s008[<]z001+z008"},
        {98, 10, "(s006 = 1 and s007 + s008 > 0 and s007 + s008 < z001 + z008) or (s006 <> 1 and s007+s008 = 0)", [](const R& r) { return w(r.s006) != 1 && w(r.s007) + w(r.s008) != 0; }, "如果不是s006，那么s007+s008=0"},
        {99, 10, "(s005 = 1) or (s005 <> 1 and s011 <> 1)", [](const R& r) { return w(r.s005) != 1 && w(r.s011) == 1; }, "如果不是s005，那么必须也不是s011"},
        {100, 10, "(s005 = 1) or (s005 <> 1 and s012 <> 1)", [](const R& r) { return w(r.s005) != 1 && w(r.s012) == 1; }, "如果不是s005，那么必须也不是s012"},
        {101, 10, "(s005 = 1) or (s005 <> 1 and s013 = 0)", [](const R& r) { return w(r.s005) != 1 && w(r.s013) != 0; }, "如果不是s005，那么s013=0"},
        {102, 10, "(s005 = 1) or (s005 <> 1 and s009 <> 1)", [](const R& r) { return w(r.s005) != 1 && w(r.s009) == 1; }, "如果不是s005，那么必须也不是s009"},
        {103, 10, "(s005 = 1) or (s005 <> 1 and s010 <> 1)", [](const R& r) { return w(r.s005) != 1 && w(r.s010) == 1; }, "如果不是s005，那么必须也不是s010"},
        {104, 11, "w008 <= w006", [](const R& r) { return w(r.w008) > w(r.w006); }, "w008[<=]w006"},
        {105, 11, "w009 <= w006", [](const R& r) { return w(r.w009) > w(r.w006); }, "w009[<=]w006"},
        {106, 11, "w010 <= w006", [](const R& r) { return w(r.w010) > w(r.w006); }, "w010[<=]w006"},
        {107, 11, "w011 <= w006", [](const R& r) { return w(r.w011) > w(r.w006); }, "w011[<=]w006"},
        {108, 11, "(w004 + w005 = 0) or (w004 * w005 >0  and w005 > w004)", [](const R& r) { return w(r.w004) == 0 && w(r.w005) != 0; }, "如果w004=0，那么w005[=]0"},
        {109, 11, "(w004 + w005 = 0) or (w004 * w005 >0  and w005 > w004)", [](const R& r) { return w(r.w004) > 0 && w(r.w005) <= w(r.w004); }, "如果w004>0，那么w005[>]w004"},
        {110, 11, "w007 <= w006", [](const R& r) { return w(r.w007) > w(r.w006); }, "w007[<=]w006"},
        {111, 12, "(g001 + g002 = 0) or (g001 * g002 > 0 and g002 > g001)", [](const R& r) { return w(r.g001) == 0 && w(r.g002) != 0; }, "如果g001=0，那么g002[=]0"},
        {112, 12, "(g001 + g002 = 0) or (g001 * g002 > 0 and g002 > g001)", [](const R& r) { return w(r.g001) > 0 && w(r.g002) <= w(r.g001); }, "如果g001>0，那么g002[>]g001"},
        {113, 12, "(g003 + g004 = 0) or (g003 * g004 > 0 and g004 > g003)", [](const R& r) { return w(r.g003) == 0 && w(r.g004) != 0; }, "如果g003=0，那么g004[=]0"},
        {114, 12, "(g003 + g004 = 0) or (g003 * g004 > 0 and g004 > g003)", [](const R& r) { return w(r.g003) > 0 && w(r.g004) <= w(r.g003); }, "如果g003>0，那么g004[>]g003"},
        {115, 12, "(g005 + g006 = 0) or (g005 * g006 > 0 and g006 > g005)", [](const R& r) { return w(r.g005) == 0 && w(r.g006) != 0; }, "如果g005=0，那么g006[=]0"},
        {116, 12, "(g005 + g006 = 0) or (g005 * g006 > 0 and g006 > g005)", [](const R& r) { return w(r.g005) > 0 && w(r.g006) <= w(r.g005); }, "如果g005>0，那么g006[>]g005"},
        {117, 12, "(g007 + g008 = 0) or (g007 * g008 > 0 and g008 > g007)", [](const R& r) { return w(r.g007) == 0 && w(r.g008) != 0; }, "如果g007=0，那么g008[=]0"},
        {118, 12, "(g007 + g008 = 0) or (g007 * g008 > 0 and g008 > g007)", [](const R& r) { return w(r.g007) > 0 && w(r.g008) <= w(r.g007); }, "如果g007>0，那么g008[>]g007"},
        {119, 13, "c009=1 or (c009<>1 and c010=0)", [](const R& r) { return w(r.c009) != 1 && w(r.c010) != 0; }, "如果c009<>1，那么c010[=]0"},
        {120, 13, "(c001=1 and c002<>0) or (c001<>1 and c002=0)", [](const R& r) { return w(r.c001) == 1 && w(r.c002) == 0; }, "如果c001=1，那么c002[<>]0"},
        {121, 13, "(c001=1 and c002<>0) or (c001<>1 and c002=0)", [](const R& r) { return w(r.c001) != 1 && w(r.c002) != 0; }, "如果c001<>1，那么c002[=]0"},
        {122, 13, "(c001=1 and c003<>0) or (c001<>1 and c003=0)", [](const R& r) { return w(r.c001) == 1 && w(r.c003) == 0; }, "如果c001=1，那么c003[<>]0"},
        {123, 13, "(c001=1 and c003<>0) or (c001<>1 and c003=0)", [](const R& r) { return w(r.c001) != 1 && w(r.c003) != 0; }, "如果c001<>1，那么c003[=]0"},
        {124, 13, "(c001=1) or (c001<>1 and c004<>1)", [](const R& r) { return w(r.c001) != 1 && w(r.c004) == 1; }, "如果c001<>1，那么c004[<>]1"},
        {125, 13, "(c001=1) or (c001<>1 and c005=0)", [](const R& r) { return w(r.c001) != 1 && w(r.c005) != 0; }, "如果c001<>1，那么c005[=]0"},
        {126, 13, "c007<= c006", [](const R& r) { return w(r.c007) > w(r.c006); }, "c007[<=] c006"},
        {127, 13, "c008<= c006", [](const R& r) { return w(r.c008) > w(r.c006); }, "c008[<=] c006"},
        {128, 13, "c011<= c010", [](const R& r) { return w(r.c011) > w(r.c010); }, "c011[<=] c010"},
        {129, 13, "c013<= c010", [](const R& r) { return w(r.c013) > w(r.c010); }, "c013[<=] c010"},
        {130, 13, "c012<= c011", [](const R& r) { return w(r.c012) > w(r.c011); }, "c012[<=] c011"},
        {131, 13, "c014<= c011", [](const R& r) { return w(r.c014) > w(r.c011); }, "c014[<=] c011"},
        {132, 13, "c015<= c014", [](const R& r) { return w(r.c015) > w(r.c014); }, "c015[<=] c014"},
        {133, 13, "(c010 + c016  = 0) or (c010 * c016  > 0 and c016  > c010)", [](const R& r) { return w(r.c010) == 0 && w(r.c016) != 0; }, "如果c010=0，那么c016 [=]0"},
        {134, 13, "(c010 + c016  = 0) or (c010 * c016  > 0 and c016  > c010)", [](const R& r) { return w(r.c010) > 0 && w(r.c016) <= w(r.c010); }, "如果c010>0，那么c016 [>]c010"},
        {135, 13, "c017<= c016", [](const R& r) { return w(r.c017) > w(r.c016); }, "c017[<=] c016"},
        {136, 13, "c018<= c016", [](const R& r) { return w(r.c018) > w(r.c016); }, "c018[<=] c016"},
        {137, 13, "c019<= c016", [](const R& r) { return w(r.c019) > w(r.c016); }, "c019[<=] c016"},
        {138, 13, "c006<= c005", [](const R& r) { return w(r.c006) > w(r.c005); }, "c006[<=] c005"},
        {139, 13, "c002<=4", [](const R& r) { return w(r.c002) > 4; }, "c002[<=]4"},
        {140, 13, "c003<=4", [](const R& r) { return w(r.c003) > 4; }, "c003[<=]4"},
    };
    // clang-format on
    return checks;
}

void RuleReport::setRecord(double code, const QString& name)
{
    m_code = code;
    m_name = name;
}

void RuleReport::WriteRuleFailure(const QString& expression, const QString& description)
{
    QByteArray entry;
    if (m_firstFailure) {
        entry += gbkLine(QString::number(m_code, 'f', 0) + QStringLiteral("  ") + m_name
                         + QStringLiteral("的数据有错误"));
        entry += gbkLine(QString(80, QLatin1Char('-')));
    }
    entry += gbkLine(QStringLiteral("  判断规则：") + expression);
    entry += gbkLine(QStringLiteral("  规则说明：") + description);
    entry += gbkLine(QString());

    if (m_device) {
        if (m_device->write(entry) != entry.size())
            throw ReportFileError(m_fileName + QStringLiteral(": ") + m_device->errorString());
    } else {
        QFile file(m_fileName);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Append))
            throw ReportFileError(m_fileName + QStringLiteral(": ") + file.errorString());
        if (file.write(entry) != entry.size() || !file.flush())
            throw ReportFileError(m_fileName + QStringLiteral(": ") + file.errorString());
        file.close();
        if (file.error() != QFileDevice::NoError)
            throw ReportFileError(m_fileName + QStringLiteral(": ") + file.errorString());
    }
    m_firstFailure = false;
    ++m_failureCount;
}

bool CheckRecordRules(const RecordValues& values, RuleReport& report,
                      const std::function<QString(const QString&)>& render)
{
    report.startRecord();
    for (const BatchCheck& check : BatchChecks())
        if (check.fails(values))
            report.WriteRuleFailure(check.expression, render(check.description));
    return !report.recordFailed();
}

bool AnyRuleFails(const RecordValues& values)
{
    for (const BatchCheck& check : BatchChecks())
        if (check.fails(values))
            return true;
    return false;
}
