#pragma once

#include "db/Connection.h"
#include "exchange/ConflictDecisions.h"
#include "exchange/ReturnComparison.h"

#include <QString>
#include <QVector>

#include <memory>

class ReceivedFile;

// A package's codes that the working database already holds, for a clerk to decide code by
// code: keep the return here or take the package's. Returns equal in every field need no
// decision. The package is read through a read-only connection of its own while this lives.
class ConflictReview {
public:
    // Compares the package's returns with the working database's; decisions made before for
    // these codes are taken over. Raises DbError.
    ConflictReview(Connection& working, std::shared_ptr<ReceivedFile> source, const ConflictDecisions& earlier = {});

    int count() const { return int(m_comparison.both.size()); }
    const ReturnPair& conflict(int i) const { return m_comparison.both[i]; }
    const QVector<ComparedField>& fields() const { return m_comparison.fields; }
    qint64 newCodes() const { return m_comparison.onlyB.size(); }
    qint64 equalCount() const;

    // Undecided for an equal return: it needs none.
    ConflictChoice choice(int i) const;
    // "保留现有", "采用导入", "未决定" or, for an equal return, "相同".
    QString choiceText(int i) const;
    void decide(int i, ConflictChoice choice);
    // Every code whose returns differ.
    void decideAll(ConflictChoice choice);
    // The first code (in list order) whose returns differ and that has no decision; -1 when none.
    int firstUndecided() const;
    int undecidedCount() const;
    qint64 count(ConflictChoice choice) const;
    ConflictDecisions decisions() const;

    // One line of the field pane.
    struct FieldRow {
        QString page;    // the page's name
        QString caption; // the catalogue's caption
        QString name;    // the column
        QString here;    // 现有数据
        QString imported; // 导入数据
        bool differs = false;
    };
    // Every field of the code's two returns in catalogue order, or only those that differ.
    QVector<FieldRow> fieldRows(int i, bool onlyDifferent);

private:
    Connection& m_working;
    std::shared_ptr<ReceivedFile> m_source;
    Connection m_package;
    ReturnComparison m_comparison;
    QVector<ConflictChoice> m_choices;
};

// A record state as the record list words it: 0 "暂存", 1 "通过", 2 "有错".
QString RecordStateText(const QVariant& state);
