// The reporting picture's figures on a table of cases, and the tree by division.
#include "ExchangeFixture.h"

#include "exchange/ReportingPicture.h"

namespace {
struct Unit {
    qint64 code;
    int division; // 0: none
    const char* name;
};
struct Return {
    qint64 code;
    int division;
    int state; // -1: NULL
};

void fill(Connection& db, const QVector<Unit>& units, const QVector<Return>& returns)
{
    db.execute("delete from ct_expected");
    db.execute("delete from dt_data");
    for (const Unit& u : units)
        db.execute("insert into ct_expected (c901, c902, c903, Source, AddedAt) values (?1, ?2, ?3, 'test', '2024-01-01 00:00:00')",
                   {u.code, QString::fromUtf8(u.name), u.division ? QVariant(u.division) : QVariant()});
    for (const Return& r : returns)
        db.execute("insert into dt_data (c901, c902, c903, c904, c907, RecordState) values (?1, 'x', ?2, 10, 1, ?3)",
                   {r.code, r.division ? QVariant(r.division) : QVariant(), r.state < 0 ? QVariant() : QVariant(r.state)});
}

// "code expected/received/missing/withErrors" per Unit row in the order of the command line.
QString byDivision(const ReportingPicture& p)
{
    QStringList rows;
    for (const int r : UnitDivisionRows(p)) {
        const DivisionFigures& d = p.divisions[r];
        rows << QStringLiteral("%1 %2/%3/%4/%5")
                    .arg(d.code == 0 ? QStringLiteral("none") : QString::number(d.code))
                    .arg(d.expected)
                    .arg(d.received)
                    .arg(d.missing)
                    .arg(d.withErrors);
    }
    return rows.join("; ");
}

QString codes(const QVector<double>& values)
{
    QStringList s;
    for (double v : values)
        s << QString::number(qint64(v) % 1000);
    return s.join(',');
}

QString missingCodes(const ReportingPicture& p)
{
    QVector<double> v;
    for (const MissingUnit& m : p.missingUnits)
        v << double(m.code);
    return codes(v);
}

constexpr qint64 C = 110101000000; // codes below are C + n
} // namespace

using ReportingPictureTest = ExchangeTest;

TEST_F(ReportingPictureTest, FiguresOnATableOfCases)
{
    const struct {
        const char* name;
        QVector<Unit> units;
        QVector<Return> returns;
        qint64 expected, received, missing, unexpected, clean, withErrors, held;
        const char* missingCodes;
        const char* unexpectedCodes;
        const char* byDivision;
    } cases[] = {
        {"empty list", {}, {{C + 1, 110101, 1}, {C + 2, 110101, 2}}, 0, 0, 0, 2, 0, 0, 0, "", "1,2", ""},
        {"nothing at all", {}, {}, 0, 0, 0, 0, 0, 0, 0, "", "", ""},
        {"every unit received",
         {{C + 1, 110101, "a"}, {C + 2, 110101, "b"}, {C + 3, 110102, "c"}},
         {{C + 1, 110101, 1}, {C + 2, 110101, 1}, {C + 3, 110102, 1}},
         3, 3, 0, 0, 3, 0, 0, "", "", "110101 2/2/0/0; 110102 1/1/0/0"},
        {"units missing",
         {{C + 1, 110101, "a"}, {C + 2, 110101, "b"}, {C + 3, 110101, "c"}, {C + 4, 110101, "d"}},
         {{C + 3, 110101, 1}, {C + 1, 110101, 1}},
         4, 2, 2, 0, 2, 0, 0, "2,4", "", "110101 4/2/2/0"},
        {"unexpected codes",
         {{C + 2, 110101, "b"}, {C + 5, 110101, "e"}},
         {{C + 9, 110101, 1}, {C + 5, 110101, 1}, {C + 1, 110101, 2}, {C + 2, 110101, 1}},
         2, 2, 0, 2, 2, 0, 0, "", "1,9", "110101 2/2/0/0"},
        {"states 0, 1, 2, NULL and another",
         {{C + 1, 110101, "a"}, {C + 2, 110101, "b"}, {C + 3, 110101, "c"}, {C + 4, 110101, "d"}, {C + 5, 110101, "e"}},
         {{C + 1, 110101, 0}, {C + 2, 110101, 1}, {C + 3, 110101, 2}, {C + 4, 110101, -1}, {C + 5, 110101, 7}},
         5, 5, 0, 0, 1, 1, 3, "", "", "110101 5/5/0/1"},
        {"divisions: the list's first, else the return's, codes the table lacks, none",
         {{C + 1, 990101, "a"}, {C + 2, 0, "b"}, {C + 3, 0, "c"}, {C + 4, 110105, "d"}},
         {{C + 1, 110101, 2}, {C + 2, 110102, 1}, {C + 4, 110101, 1}},
         4, 3, 1, 0, 2, 1, 0, "3", "", "110102 1/1/0/0; 110105 1/1/0/0; 990101 1/1/0/1; none 1/0/1/0"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        fill(SysConnection(), c.units, c.returns);
        const ReportingPicture p = ComputeReportingPicture(SysConnection());
        EXPECT_EQ(p.expected, c.expected);
        EXPECT_EQ(p.received, c.received);
        EXPECT_EQ(p.missing, c.missing);
        EXPECT_EQ(p.unexpected, c.unexpected);
        EXPECT_EQ(p.clean, c.clean);
        EXPECT_EQ(p.withErrors, c.withErrors);
        EXPECT_EQ(p.held, c.held);
        EXPECT_EQ(missingCodes(p), c.missingCodes);
        EXPECT_EQ(codes(p.unexpectedCodes), c.unexpectedCodes);
        EXPECT_EQ(byDivision(p), c.byDivision);
    }
}

// The tree: provinces, their prefectures and divisions in code order; every row's figures are
// the sums of the rows below; a division's missing units are found under it.
TEST_F(ReportingPictureTest, TheTreeSumsItsRowsAndHoldsEachDivisionsMissingUnits)
{
    fill(SysConnection(),
         {{C + 1, 110101, "东一"}, {C + 2, 110101, "东二"}, {C + 3, 110102, "西一"}, {C + 4, 110100, "市本级"},
          {120101000001, 120101, "和平"}, {C + 5, 110199, "不在表中"}, {C + 6, 990101, "无省"}, {C + 7, 0, "无地区"}},
         {{C + 1, 110101, 2}, {C + 3, 110102, 1}, {120101000001, 120101, 0}});
    const ReportingPicture p = ComputeReportingPicture(SysConnection());
    QStringList tree;
    for (const DivisionFigures& d : p.divisions) {
        const QString indent(d.parent < 0 ? 0 : (p.divisions[d.parent].parent < 0 ? 2 : 4), ' ');
        tree << indent + DivisionCaption(d) + QStringLiteral(" %1/%2/%3/%4").arg(d.expected).arg(d.received).arg(d.missing).arg(d.withErrors);
    }
    EXPECT_EQ(tree, QStringList({"110000 北京市 5/2/3/1",
                                 "  110100 市辖区 5/2/3/1",
                                 "    110100 市辖区 1/0/1/0",
                                 "    110101 东城区 2/1/1/1",
                                 "    110102 西城区 1/1/0/0",
                                 "    110199（代码表中没有） 1/0/1/0",
                                 "120000 天津市 1/1/0/0",
                                 "  120100 市辖区 1/1/0/0",
                                 "    120101 和平区 1/1/0/0",
                                 "990101（代码表中没有） 1/0/1/0",
                                 "未填行政区划 1/0/1/0"}))
        << tree.join('\n').toStdString();
    // Each Unit row's missing units, by code.
    for (const DivisionFigures& d : p.divisions) {
        if (d.level != DivisionFigures::Unit)
            continue;
        for (int k = 0; k < d.missing; ++k) {
            const MissingUnit& m = p.missingUnits[p.missingByDivision[d.firstMissing + k]];
            EXPECT_EQ(m.division, d.code) << m.code;
        }
    }
    EXPECT_EQ(p.missingByDivision.size(), p.missingUnits.size());
    EXPECT_EQ(p.missingUnits[1].name, "市本级");
    EXPECT_EQ(p.missingUnits[1].divisionName, "北京市");
    EXPECT_EQ(p.missingUnits[0].divisionName, "北京市东城区");
}

// A file opened only for reading that predates the list and the register: they count as empty.
TEST_F(ReportingPictureTest, WithoutTheTablesTheListAndTheRegisterAreEmpty)
{
    AddReturns(SysConnection(), C + 1, 3);
    SysConnection().executeScript("DROP TABLE ct_expected; DROP TABLE dt_receipt;");
    const ReportingPicture p = ComputeReportingPicture(SysConnection());
    EXPECT_EQ(p.expected, 0);
    EXPECT_EQ(p.unexpected, 3);
    EXPECT_TRUE(p.receipts.isEmpty());
}
