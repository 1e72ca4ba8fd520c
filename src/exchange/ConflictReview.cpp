#include "exchange/ConflictReview.h"

#include "exchange/PackageImport.h"

#include <algorithm>

ConflictReview::ConflictReview(Connection& working, std::shared_ptr<ReceivedFile> source,
                               const ConflictDecisions& earlier)
    : m_working(working), m_source(std::move(source))
{
    m_package.open(m_source->readPath(), Connection::Mode::ReadOnly);
    m_comparison = CompareReturns(ComparedFields(working), {&m_working, QStringLiteral("main")},
                                  {&m_package, QStringLiteral("main")});
    m_choices.reserve(m_comparison.both.size());
    for (const ReturnPair& p : m_comparison.both)
        m_choices.push_back(p.equal() ? ConflictChoice::Undecided : earlier.choiceFor(p.code));
}

qint64 ConflictReview::equalCount() const
{
    return std::count_if(m_comparison.both.begin(), m_comparison.both.end(),
                         [](const ReturnPair& p) { return p.equal(); });
}

ConflictChoice ConflictReview::choice(int i) const
{
    return m_choices[i];
}

QString ConflictReview::choiceText(int i) const
{
    return conflict(i).equal() ? EqualReturnText() : ConflictChoiceText(m_choices[i]);
}

void ConflictReview::decide(int i, ConflictChoice choice)
{
    if (!conflict(i).equal())
        m_choices[i] = choice;
}

void ConflictReview::decideAll(ConflictChoice choice)
{
    for (int i = 0; i < count(); ++i)
        decide(i, choice);
}

int ConflictReview::firstUndecided() const
{
    for (int i = 0; i < count(); ++i)
        if (!conflict(i).equal() && m_choices[i] == ConflictChoice::Undecided)
            return i;
    return -1;
}

int ConflictReview::undecidedCount() const
{
    int n = 0;
    for (int i = 0; i < count(); ++i)
        n += !conflict(i).equal() && m_choices[i] == ConflictChoice::Undecided;
    return n;
}

qint64 ConflictReview::count(ConflictChoice choice) const
{
    qint64 n = 0;
    for (int i = 0; i < count(); ++i)
        n += !conflict(i).equal() && m_choices[i] == choice;
    return n;
}

ConflictDecisions ConflictReview::decisions() const
{
    ConflictDecisions decisions;
    for (int i = 0; i < count(); ++i)
        if (m_choices[i] != ConflictChoice::Undecided)
            decisions.codes.insert(conflict(i).code, m_choices[i]);
    return decisions;
}

QVector<ConflictReview::FieldRow> ConflictReview::fieldRows(int i, bool onlyDifferent)
{
    const ReturnPair& pair = conflict(i);
    const QVector<ComparedField>& all = fields();
    QVector<FieldRow> rows;
    auto row = [&all](int field, const QVariant& here, const QVariant& imported, bool differs) {
        const ComparedField& f = all[field];
        return FieldRow{f.pageName, f.caption, f.name, ShownLabel(StoredValueText(here)),
                        ShownLabel(StoredValueText(imported)), differs};
    };
    if (onlyDifferent) {
        for (const FieldDifference& d : pair.differences)
            rows.push_back(row(d.field, d.a, d.b, true));
        return rows;
    }
    const QVector<QVariant> here = StoredReturn(all, {&m_working, QStringLiteral("main")}, pair.rowA);
    const QVector<QVariant> imported = StoredReturn(all, {&m_package, QStringLiteral("main")}, pair.rowB);
    for (int f = 0; f < all.size(); ++f) {
        const bool differs = std::any_of(pair.differences.begin(), pair.differences.end(),
                                         [f](const FieldDifference& d) { return d.field == f; });
        rows.push_back(row(f, here.value(f), imported.value(f), differs));
    }
    return rows;
}

QString RecordStateText(const QVariant& state)
{
    if (SameStoredValue(state, 0))
        return QStringLiteral("暂存");
    if (SameStoredValue(state, 1))
        return QStringLiteral("通过");
    if (SameStoredValue(state, 2))
        return QStringLiteral("有错");
    return ShownLabel(StoredValueText(state));
}
