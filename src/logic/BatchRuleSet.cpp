#include "logic/BatchRuleSet.h"

#include "base/Gbk.h"
#include "db/DbError.h"
#include "db/RowSet.h"

#include <QFile>
#include <QVariant>

#include <cmath>

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

int requireColumn(const RowSet& rows, const char* name)
{
    const int column = rows.columnIndex(QString::fromLatin1(name));
    if (column < 0)
        throw DbError(QStringLiteral("没有找到字段 %1").arg(QString::fromLatin1(name)));
    return column;
}

// A whole field may hold a fraction (typed in or imported); it counts as the nearest whole
// number, halves going to the even one (the default rounding mode of nearbyint).
qint64 wholeValue(const QVariant& value)
{
    if (value.typeId() == QMetaType::LongLong)
        return value.toLongLong();
    if (value.isNull() || !value.isValid())
        return 0;
    return qint64(std::nearbyint(value.toDouble()));
}

QByteArray gbkLine(const QString& text)
{
    return GbkEncode(text) + "\r\n";
}
} // namespace

BatchRecordReader::BatchRecordReader(const RowSet& rows)
{
    for (const WholeField& field : kWholeFields)
        m_wholeColumns.push_back(requireColumn(rows, field.name));
    for (const RealField& field : kRealFields)
        m_realColumns.push_back(requireColumn(rows, field.name));
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
        {1, 1, "z003<=z001", [](const R& r) { return r.z003 > r.z001; }, "z003[<=]z001"},
        {2, 1, "(z010=1 and z011<=3) or (z010<>1 and z011=0)", [](const R& r) { return (r.z010 == 1 && r.z011 > 3) || (r.z010 != 1 && r.z011 != 0); }, "如果z010[=]1，那么z011[<=]3；如果不是z010，那么z011[=]0"},
        {3, 1, "(z010 = 1 and z012 <=3) or (z010 <> 1 and z012=0)", [](const R& r) { return (r.z010 == 1 && r.z012 > 3) || (r.z010 != 1 && r.z012 != 0); }, "如果z010[=]1，那么z012[<=]3；如果不是z010，那么z012[=]0"},
        {4, 1, "z002<=z001", [](const R& r) { return r.z002 > r.z001; }, "z002[<=]z001"},
        {5, 1, "z004+z005+z006+z007=z001", [](const R& r) { return r.z004 + r.z005 + r.z006 + r.z007 != r.z001; }, "z004、z005、z006、z007的和[=]z001"},
        {6, 1, "z001+z008>0", [](const R& r) { return r.z001 + r.z008 <= 0; }, "z001、z008的和[>]0"},
        {7, 1, "z009<=z008", [](const R& r) { return r.z009 > r.z008; }, "z009[<=]z008"},
        {8, 1, "z013<=z001", [](const R& r) { return r.z013 > r.z001; }, "z013[<=]z001"},
        {9, 1, "(z010 = 1 and z013 + z014 > 0 and z013 + z014<= z001 + z008) or (z010 <> 1 and z013 + z014=0)", [](const R& r) { return r.z010 == 1 && (r.z013 + r.z014 <= 0 || r.z013 + r.z014 > r.z001 + r.z008); }, "如果z010，那么z013+z014[>]0并且z013+z014[<=]z001+z008"},
        {10, 1, "(z010 = 1 and z013 + z014 > 0 and z013 + z014<= z001 + z008) or (z010 <> 1 and z013 + z014=0)", [](const R& r) { return r.z010 != 1 && r.z013 + r.z014 > 0; }, "如果不是z010，那么z013+z014[=]0"},
        {11, 1, "(z015 + z016 = 0) or (z010 = 1 and z015 * z016 > 0 and z016 > z015)", [](const R& r) { return r.z015 + r.z016 != 0 && (r.z010 != 1 || (r.z015 == 0 || r.z016 == 0) || r.z016 <= r.z015); }, "如果z010，则z015、z016必须大于0，并且z016>z015；如果不是z010，那么z015、z016[=]0"},
        {12, 2, "x002<=x001", [](const R& r) { return r.x002 > r.x001; }, "x002[<=]x001"},
        {13, 2, "x011<=x003", [](const R& r) { return r.x011 > r.x003; }, "x011[<=]x003"},
        {14, 2, "x012<=x011", [](const R& r) { return r.x012 > r.x011; }, "x012[<=]x011"},
        {15, 2, "x002<=z002+z009", [](const R& r) { return r.x002 > r.z002 + r.z009; }, "x002[<=]z002+z009"},
        {16, 2, "(c904<4 and x001>0 and x001<= z001 + z008)or c904 >3", [](const R& r) { return r.c904 < 4 && (r.x001 <= 0 || r.x001 > r.z001 + r.z008); }, "如果c904<4，那么x001[>]0并且x001[<=]z001+z008"},
        {17, 2, "(x001*x003>0 and x003<=x001) or x001+x003=0", [](const R& r) { return r.x001 == 0 && r.x003 > 0; }, "如果x001=0，那么x003[=]0"},
        {18, 2, "(x001*x003>0 and x003<=x001) or x001+x003=0", [](const R& r) { return r.x001 > 0 && (r.x003 <= 0 || r.x003 > r.x001); }, "如果x001>0，那么x003[<=]x001"},
        {19, 2, "x010<=x009", [](const R& r) { return r.x010 > r.x009; }, "x010[<=]x009"},
        {20, 2, "x008<=x003", [](const R& r) { return r.x008 > r.x003; }, "x008[<=]x003"},
        {21, 2, "x009<=x003", [](const R& r) { return r.x009 > r.x003; }, "x009[<=]x003"},
        {22, 3, "p005<=p004", [](const R& r) { return r.p005 > r.p004; }, "p005[<=]p004"},
        {23, 4, "b007<=b005", [](const R& r) { return r.b007 > r.b005; }, "b007[<=]b005"},
        {24, 4, "b012<=b005", [](const R& r) { return r.b012 > r.b005; }, "b012[<=]b005"},
        {25, 4, "(b013=1) or (b013<>1 and b014=0)", [](const R& r) { return r.b013 != 1 && r.b014 != 0; }, "如果b013<>1，那么b014[=]0"},
        {26, 4, "b016<=b015", [](const R& r) { return r.b016 > r.b015; }, "b016[<=]b015"},
        {27, 4, "(b001=1) or (b001<>1  and b002=0)", [](const R& r) { return r.b001 != 1 && r.b002 != 0; }, "如果不是b001，那么b002[=]0"},
        {28, 4, "b003<=b002", [](const R& r) { return r.b003 > r.b002; }, "b003[<=]b002"},
        {29, 4, "b004<=b003", [](const R& r) { return r.b004 > r.b003; }, "b004[<=]b003"},
        {30, 4, "b002+b005=0 or (b002*b005>0 and b005<=b002)", [](const R& r) { return r.b005 == 0 && r.b002 > 0; }, "如果b005=0，那么b002[=]0"},
        {31, 4, "b002+b005=0 or (b002*b005>0 and b005<=b002)", [](const R& r) { return r.b005 > 0 && r.b005 > r.b002; }, "如果b002>0，那么b005[<=]b002"},
        {32, 4, "b006<=b005", [](const R& r) { return r.b006 > r.b005; }, "b006[<=]b005"},
        {33, 4, "(b005+b008=0) or (b005*b008>0 and b008>=b005)", [](const R& r) { return r.b005 == 0 && r.b008 > 0; }, "如果b005=0，那么b008[=]0"},
        {34, 4, "(b005+b008=0) or (b005*b008>0 and b008>=b005)", [](const R& r) { return r.b005 > 0 && r.b008 < r.b005; }, "如果b005>0，那么b008[>=]b005"},
        {35, 4, "(b009+b010=0) or (b009*b010>0)", [](const R& r) { return (r.b009 == 0 && r.b010 > 0) || (r.b009 > 0 && r.b010 == 0); }, "b009和b010要么都为0，要么都大于0"},
        {36, 4, "(b011=1) or (b011<>1 and b012=0)", [](const R& r) { return r.b011 != 1 && r.b012 > 0; }, "如果不是b011，那么b012[=]0"},
        {37, 4, "b019<=b018", [](const R& r) { return r.b019 > r.b018; }, "b019[<=]b018"},
        {38, 4, "b020<=b018", [](const R& r) { return r.b020 > r.b018; }, "b020[<=]b018"},
        {39, 4, "b021<=b020", [](const R& r) { return r.b021 > r.b020; }, "b021[<=]b020"},
        {40, 4, "b023<=b022", [](const R& r) { return r.b023 > r.b022; }, "b023[<=]b022"},
        {41, 4, "b028<=b027", [](const R& r) { return r.b028 > r.b027; }, "b028[<=]b027"},
        {42, 4, "b029<=b027", [](const R& r) { return r.b029 > r.b027; }, "b029[<=]b027"},
        {43, 4, "b026<=b025", [](const R& r) { return r.b026 > r.b025; }, "b026[<=]b025"},
        {44, 4, "b027<=b025", [](const R& r) { return r.b027 > r.b025; }, "b027[<=]b025"},
        {45, 4, "(b030+b031=0) or b030>0", [](const R& r) { return r.b030 == 0 && r.b031 != 0; }, "如果b030=0,那么b031[=]0"},
        {46, 5, "b038<=b037", [](const R& r) { return r.b038 > r.b037; }, "b038[<=]b037"},
        {47, 5, "b040<=b037", [](const R& r) { return r.b040 > r.b037; }, "b040[<=]b037"},
        {48, 5, "(b038+b039=0) or (b038*b039>0 and b039>b038)", [](const R& r) { return (r.b038 == 0 && r.b039 > 0) || (r.b038 > 0 && r.b039 <= r.b038); }, "如果b038=0，那么b039[=]0；如果b038>0，那么b039[>]b038"},
        {49, 5, "b042>=b029", [](const R& r) { return r.b042 < r.b029; }, "b042[>=]b029"},
        {50, 5, "(b043+b044=0) or (b043*b044>0)", [](const R& r) { return (r.b043 == 0 && r.b044 > 0) || (r.b043 > 0 && r.b044 == 0); }, "b043和b044要么都为0，要么都大于0"},
        {51, 5, "(b045 = 1 and b046 > 0) or (b045 <> 1 and b046= 0)", [](const R& r) { return r.b045 == 1 && r.b046 <= 0; }, "如果b045，那么b046[>]0"},
        {52, 5, "b034<=b033", [](const R& r) { return r.b034 > r.b033; }, "b034[<=]b033"},
        {53, 5, "(b045 = 1 and b046 > 0) or (b045 <> 1 and b046= 0)", [](const R& r) { return r.b045 != 1 && r.b046 != 0; }, "如果不是b045，那么b046[=]0"},
        {54, 5, "b047 <= b046", [](const R& r) { return r.b047 > r.b046; }, "b047[<=]b046"},
        {55, 5, "(b047 + b048 = 0) or (b047 * b048> 0 and b048 > b047)", [](const R& r) { return (r.b047 == 0 && r.b048 > 0) || (r.b047 > 0 && r.b048 <= r.b047); }, "如果b047=0，那么b048[=]0"},
        {56, 5, "(b045 = 1) or (b045 <> 1 and b049 = 0)", [](const R& r) { return r.b045 != 1 && r.b049 != 0; }, "如果不是b045，那么b049[=]0"},
        {57, 5, "(b033+b035=0) or (b033*b035>0 and b035>b033)", [](const R& r) { return r.b033 == 0 && r.b035 != 0; }, "如果b033=0,那么b035[=]0"},
        {58, 5, "(b033+b035=0) or (b033*b035>0 and b035>b033)", [](const R& r) { return r.b033 > 0 && r.b035 <= r.b033; }, "如果b033>0,那么b035[>]b033"},
        {59, 5, "(b036+b037=0) or (b036*b037>0 and b037>b036)", [](const R& r) { return (r.b036 == 0 && r.b037 > 0) || (r.b036 > 0 && r.b037 <= r.b036); }, "如果b036=0，那么b037[=]0；如果b036>0，那么b037[>]b036"},
        {60, 6, "f021<=z001+z008", [](const R& r) { return r.f021 > r.z001 + r.z008; }, "f021[<=]z001+z008"},
        {61, 6, "f022<=f021", [](const R& r) { return r.f022 > r.f021; }, "f022[<=]f021"},
        {62, 6, "f029+f030+f031+f032 = f028", [](const R& r) { return r.f029 + r.f030 + r.f031 + r.f032 != r.f028; }, "f029、f030、f031、f032的和[=][f028]"},
        {63, 6, "f033 <= f028", [](const R& r) { return r.f033 > r.f028; }, "f033[<=]f028"},
        {64, 6, "(f023 = 1) or (f023 <> 1 and f034 = 0)", [](const R& r) { return r.f023 != 1 && r.f034 != 0; }, "如果不是f023，那么f034[=]0"},
        {65, 6, "f002 = 1 or (f002 <> 1 and f003 = 0)", [](const R& r) { return r.f002 != 1 && r.f003 != 0; }, "如果不是f002，那么f003[=]0"},
        {66, 6, "f004 + f005 <= f003", [](const R& r) { return r.f004 + r.f005 > r.f003; }, "f004与f005的和[<=]f003"},
        {67, 6, "(f007 = 1 and f008 > 0) or (f007 <> 1 and f008 = 0)", [](const R& r) { return r.f007 == 1 && r.f008 <= 0; }, "如果f007，那么f008[>]0"},
        {68, 6, "(f007 = 1 and f008 > 0) or (f007 <> 1 and f008 = 0)", [](const R& r) { return r.f007 != 1 && r.f008 != 0; }, "如果不是f007，那么f008[=]0"},
        {69, 6, "(f007 = 1) or (f007 <> 1 and f009 = 0)", [](const R& r) { return r.f007 != 1 && r.f009 != 0; }, "如果不是f007，那么f009[=]0"},
        {70, 6, "f010 <= f009", [](const R& r) { return r.f010 > r.f009; }, "f010[<=]f009"},
        {71, 6, "f011 <= z001", [](const R& r) { return r.f011 > r.z001; }, "f011[<=]z001"},
        {72, 6, "f012 <= f011", [](const R& r) { return r.f012 > r.f011; }, "f012[<=]f011"},
        {73, 6, "(f012 > 0) or (f012 = 0 and f013 = 0)", [](const R& r) { return r.f012 == 0 && r.f013 != 0; }, "如果f012=0，那么f013[=]0"},
        {74, 6, "(f015 = 1 and f016 > 0) or (f015 <> 1 and f016=0)", [](const R& r) { return r.f015 == 1 && r.f016 == 0; }, "如果f015，那么f016[>]0"},
        {75, 6, "(f015 = 1 and f016 > 0) or (f015 <> 1 and f016=0)", [](const R& r) { return r.f015 != 1 && r.f016 != 0; }, "如果不是f015，那么f016[=]0"},
        {76, 6, "(f015 = 1) or (f015 <> 1 and f017 = 0)", [](const R& r) { return r.f015 != 1 && r.f017 != 0; }, "如果不是f015，那么f017[=]0"},
        {77, 6, "f018 + f019 <= f017", [](const R& r) { return r.f018 + r.f019 > r.f017; }, "f018与f019的和[<=]f017"},
        {78, 6, "(f023 = 1 and f024 > 0) or (f023 <> 1 and f024 = 0)", [](const R& r) { return r.f023 == 1 && r.f024 == 0; }, "如果f023，那么f024[>]0"},
        {79, 6, "(f023 = 1 and f024 > 0) or (f023 <> 1 and f024 = 0)", [](const R& r) { return r.f023 != 1 && r.f024 > 0; }, "如果不是f023，那么f024[=]0"},
        {80, 6, "f025 <= f024", [](const R& r) { return r.f025 > r.f024; }, "f025[<=]f024"},
        {81, 6, "(f023 = 1) or (f023 <> 1 and f028 = 0)", [](const R& r) { return r.f023 != 1 && r.f028 != 0; }, "如果不是f023，那么f028[=]0"},
        {82, 7, "(l001 = 1) or (l001 <> 1 and l002 = 0)", [](const R& r) { return r.l001 != 1 && r.l002 != 0; }, "如果不是L001，那么L002[=]0"},
        {83, 7, "(l001 = 1) or (l001 <> 1 and l003 = 0)", [](const R& r) { return r.l001 != 1 && r.l003 != 0; }, "如果不是L001，那么L003[=]0"},
        {84, 7, "(l004 + l005 = 0) or l004 > 0", [](const R& r) { return r.l004 == 0 && r.l005 != 0; }, "如果L004=0，那么L005[=]0"},
        {85, 8, "(h003+h004+h005=0) or (h003*h004*h005>0 and h004>h003 and h005>h004)", [](const R& r) { return r.h003 + r.h004 + r.h005 != 0 && (ProductSign(r.h003, r.h004, r.h005) <= 0 || r.h004 <= r.h003 || r.h005 <= r.h004); }, "h003、h004、h005都为0，或者都大于0并且h004[>]h003且h005[>]h004"},
        {86, 9, "(j012+j013+j014=0) or (j012*j013>0 and j013>j012 and j014<=j013)", [](const R& r) { return (r.j012 == 0 && (r.j013 > 0 || r.j014 > 0)) || (r.j012 > 0 && (r.j013 <= r.j012 || r.j014 > r.j013)); }, "j012、j013、j014都为0，或者j012、j013大于0并且j013[>]j012,j014[<=]j013"},
        {87, 9, "(j015= 1) or (j015 <> 1 and j016 <> 1)", [](const R& r) { return r.j015 != 1 && r.j016 == 1; }, "如果不是j015，那么j016[<>]1"},
        {88, 9, "j011 <= j010", [](const R& r) { return r.j011 > r.j010; }, "j011[<=]j010"},
        {89, 9, "(j016=1) or (j016<>1 and j017+j018=0)", [](const R& r) { return r.j016 != 1 && r.j017 + r.j018 != 0; }, "如果不是j016，那么j017+j018[=]0"},
        {90, 9, "(j017+j018=0) or (j017*j018>0 and j018>j017)", [](const R& r) { return (r.j017 == 0 && r.j018 > 0) || (r.j017 > 0 && r.j018 <= r.j017); }, "如果j017=0，那么j018[=]0；如果j017>0，那么j018[>]j017"},
        {91, 9, "j020 <= j019", [](const R& r) { return r.j020 > r.j019; }, "j020[<=]j019"},
        {92, 9, "j019 <= j017", [](const R& r) { return r.j019 > r.j017; }, "j019[<=]j017"},
        {93, 9, "(j020+j021=0) or (j020*j021>0 and j021>j020)", [](const R& r) { return (r.j020 == 0 && r.j021 > 0) || (r.j020 > 0 && r.j021 <= r.j020); }, "如果j020=0，那么j021[=]0；如果j020>0，那么j021[>]j020"},
        {94, 10, "(s005 = 1) or (s005 <> 1 and s006 <> 1)", [](const R& r) { return r.s005 != 1 && r.s006 == 1; }, "如果不是s005，那么也必须不是s006"},
        {95, 10, "(s006 = 1 and s007 <= z001) or (s006 <> 1 and s007 = 0)", [](const R& r) { return r.s006 == 1 && r.s007 > r.z001; }, "如果s006，那么s007[<=]z001"},
        {96, 10, "(s006 = 1 and s007 <= z001) or (s006 <> 1 and s007 = 0)", [](const R& r) { return r.s006 != 1 && r.s007 != 0; }, "如果不是s006，那么s007[=]0"},
        {97, 10, "(s006 = 1 and s007 + s008 > 0 and s007 + s008 < z001 + z008) or (s006 <> 1 and s007+s008 = 0)", [](const R& r) { return r.s006 == 1 && (r.s007 + r.s008 <= 0 || r.s007 + r.s008 >= r.z001 + r.z008); }, "如果s006，那么s007+s008[>]0并且s007+s008[<]z001+z008"},
        {98, 10, "(s006 = 1 and s007 + s008 > 0 and s007 + s008 < z001 + z008) or (s006 <> 1 and s007+s008 = 0)", [](const R& r) { return r.s006 != 1 && r.s007 + r.s008 != 0; }, "如果不是s006，那么s007+s008=0"},
        {99, 10, "(s005 = 1) or (s005 <> 1 and s011 <> 1)", [](const R& r) { return r.s005 != 1 && r.s011 == 1; }, "如果不是s005，那么必须也不是s011"},
        {100, 10, "(s005 = 1) or (s005 <> 1 and s012 <> 1)", [](const R& r) { return r.s005 != 1 && r.s012 == 1; }, "如果不是s005，那么必须也不是s012"},
        {101, 10, "(s005 = 1) or (s005 <> 1 and s013 = 0)", [](const R& r) { return r.s005 != 1 && r.s013 != 0; }, "如果不是s005，那么s013=0"},
        {102, 10, "(s005 = 1) or (s005 <> 1 and s009 <> 1)", [](const R& r) { return r.s005 != 1 && r.s009 == 1; }, "如果不是s005，那么必须也不是s009"},
        {103, 10, "(s005 = 1) or (s005 <> 1 and s010 <> 1)", [](const R& r) { return r.s005 != 1 && r.s010 == 1; }, "如果不是s005，那么必须也不是s010"},
        {104, 11, "w008 <= w006", [](const R& r) { return r.w008 > r.w006; }, "w008[<=]w006"},
        {105, 11, "w009 <= w006", [](const R& r) { return r.w009 > r.w006; }, "w009[<=]w006"},
        {106, 11, "w010 <= w006", [](const R& r) { return r.w010 > r.w006; }, "w010[<=]w006"},
        {107, 11, "w011 <= w006", [](const R& r) { return r.w011 > r.w006; }, "w011[<=]w006"},
        {108, 11, "(w004 + w005 = 0) or (w004 * w005 >0  and w005 > w004)", [](const R& r) { return r.w004 == 0 && r.w005 != 0; }, "如果w004=0，那么w005[=]0"},
        {109, 11, "(w004 + w005 = 0) or (w004 * w005 >0  and w005 > w004)", [](const R& r) { return r.w004 > 0 && r.w005 <= r.w004; }, "如果w004>0，那么w005[>]w004"},
        {110, 11, "w007 <= w006", [](const R& r) { return r.w007 > r.w006; }, "w007[<=]w006"},
        {111, 12, "(g001 + g002 = 0) or (g001 * g002 > 0 and g002 > g001)", [](const R& r) { return r.g001 == 0 && r.g002 != 0; }, "如果g001=0，那么g002[=]0"},
        {112, 12, "(g001 + g002 = 0) or (g001 * g002 > 0 and g002 > g001)", [](const R& r) { return r.g001 > 0 && r.g002 <= r.g001; }, "如果g001>0，那么g002[>]g001"},
        {113, 12, "(g003 + g004 = 0) or (g003 * g004 > 0 and g004 > g003)", [](const R& r) { return r.g003 == 0 && r.g004 != 0; }, "如果g003=0，那么g004[=]0"},
        {114, 12, "(g003 + g004 = 0) or (g003 * g004 > 0 and g004 > g003)", [](const R& r) { return r.g003 > 0 && r.g004 <= r.g003; }, "如果g003>0，那么g004[>]g003"},
        {115, 12, "(g005 + g006 = 0) or (g005 * g006 > 0 and g006 > g005)", [](const R& r) { return r.g005 == 0 && r.g006 != 0; }, "如果g005=0，那么g006[=]0"},
        {116, 12, "(g005 + g006 = 0) or (g005 * g006 > 0 and g006 > g005)", [](const R& r) { return r.g005 > 0 && r.g006 <= r.g005; }, "如果g005>0，那么g006[>]g005"},
        {117, 12, "(g007 + g008 = 0) or (g007 * g008 > 0 and g008 > g007)", [](const R& r) { return r.g007 == 0 && r.g008 != 0; }, "如果g007=0，那么g008[=]0"},
        {118, 12, "(g007 + g008 = 0) or (g007 * g008 > 0 and g008 > g007)", [](const R& r) { return r.g007 > 0 && r.g008 <= r.g007; }, "如果g007>0，那么g008[>]g007"},
        {119, 13, "c009=1 or (c009<>1 and c010=0)", [](const R& r) { return r.c009 != 1 && r.c010 != 0; }, "如果c009<>1，那么c010[=]0"},
        {120, 13, "(c001=1 and c002<>0) or (c001<>1 and c002=0)", [](const R& r) { return r.c001 == 1 && r.c002 == 0; }, "如果c001=1，那么c002[<>]0"},
        {121, 13, "(c001=1 and c002<>0) or (c001<>1 and c002=0)", [](const R& r) { return r.c001 != 1 && r.c002 != 0; }, "如果c001<>1，那么c002[=]0"},
        {122, 13, "(c001=1 and c003<>0) or (c001<>1 and c003=0)", [](const R& r) { return r.c001 == 1 && r.c003 == 0; }, "如果c001=1，那么c003[<>]0"},
        {123, 13, "(c001=1 and c003<>0) or (c001<>1 and c003=0)", [](const R& r) { return r.c001 != 1 && r.c003 != 0; }, "如果c001<>1，那么c003[=]0"},
        {124, 13, "(c001=1) or (c001<>1 and c004<>1)", [](const R& r) { return r.c001 != 1 && r.c004 == 1; }, "如果c001<>1，那么c004[<>]1"},
        {125, 13, "(c001=1) or (c001<>1 and c005=0)", [](const R& r) { return r.c001 != 1 && r.c005 != 0; }, "如果c001<>1，那么c005[=]0"},
        {126, 13, "c007<= c006", [](const R& r) { return r.c007 > r.c006; }, "c007[<=] c006"},
        {127, 13, "c008<= c006", [](const R& r) { return r.c008 > r.c006; }, "c008[<=] c006"},
        {128, 13, "c011<= c010", [](const R& r) { return r.c011 > r.c010; }, "c011[<=] c010"},
        {129, 13, "c013<= c010", [](const R& r) { return r.c013 > r.c010; }, "c013[<=] c010"},
        {130, 13, "c012<= c011", [](const R& r) { return r.c012 > r.c011; }, "c012[<=] c011"},
        {131, 13, "c014<= c011", [](const R& r) { return r.c014 > r.c011; }, "c014[<=] c011"},
        {132, 13, "c015<= c014", [](const R& r) { return r.c015 > r.c014; }, "c015[<=] c014"},
        {133, 13, "(c010 + c016  = 0) or (c010 * c016  > 0 and c016  > c010)", [](const R& r) { return r.c010 == 0 && r.c016 != 0; }, "如果c010=0，那么c016 [=]0"},
        {134, 13, "(c010 + c016  = 0) or (c010 * c016  > 0 and c016  > c010)", [](const R& r) { return r.c010 > 0 && r.c016 <= r.c010; }, "如果c010>0，那么c016 [>]c010"},
        {135, 13, "c017<= c016", [](const R& r) { return r.c017 > r.c016; }, "c017[<=] c016"},
        {136, 13, "c018<= c016", [](const R& r) { return r.c018 > r.c016; }, "c018[<=] c016"},
        {137, 13, "c019<= c016", [](const R& r) { return r.c019 > r.c016; }, "c019[<=] c016"},
        {138, 13, "c006<= c005", [](const R& r) { return r.c006 > r.c005; }, "c006[<=] c005"},
        {139, 13, "c002<=4", [](const R& r) { return r.c002 > 4; }, "c002[<=]4"},
        {140, 13, "c003<=4", [](const R& r) { return r.c003 > 4; }, "c003[<=]4"},
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

    QFile file(m_fileName);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append))
        throw ReportFileError(m_fileName + QStringLiteral(": ") + file.errorString());
    if (file.write(entry) != entry.size() || !file.flush())
        throw ReportFileError(m_fileName + QStringLiteral(": ") + file.errorString());
    file.close();
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
