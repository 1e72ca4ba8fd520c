#pragma once

#include "exchange/ConflictDecisions.h"
#include "exchange/PackagePreview.h"

#include <QDialog>
#include <QVector>

#include <memory>

class ConflictReview;
class QPushButton;
class QTableWidget;

// "查看并导入数据包": the packages chosen, one row each, looked into before anything is imported
// (label, returns, codes already here, codes in another chosen file, returns failing the batch
// checks, the check's verdict). The clerk ticks the packages; "导  入" imports each ticked one
// all or nothing, in turn, with the two-line progress window and its stop. A package whose codes
// are already here goes in only once its conflicts are decided ("处理冲突").
class TdlgPackagePreviewForm : public QDialog {
    Q_OBJECT
public:
    explicit TdlgPackagePreviewForm(QWidget* parent = nullptr);
    ~TdlgPackagePreviewForm() override;

    // The import's open dialog, taking several files; they are looked into and listed. False
    // when none was chosen.
    bool chooseFiles();
    void addFiles(const QStringList& files);
    // Whether any package went in (the main list must be re-read).
    bool importedAny() const { return m_importedAny; }

    void tbAddClick();
    void tbReviewClick();
    void tbImportClick();

    QTableWidget* packageTable() const { return m_table; }
    QPushButton* button(const QString& caption) const;

    // The table's columns.
    enum Column { FileColumn, LabelColumn, ReturnsColumn, ExistingColumn, OtherFilesColumn, FailingColumn,
                  VerdictColumn, ConflictColumn, ResultColumn, ColumnCount };

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Row {
        PackagePreview preview;
        std::unique_ptr<ConflictReview> review; // made when first opened, dropped when the data changes
        ConflictDecisions decisions;
        QString result;
        bool imported = false;
    };
    void showRow(int row);
    // Whether the row's package is readable, not yet imported and has codes already here.
    bool hasConflicts(int row) const;
    void updateReviewButton();
    QString conflictText(const Row& row) const;
    ConflictReview* reviewOf(Row& row);
    // Imports the rows in turn with the progress window; shows the closing table.
    void importRows(const QVector<int>& rows);

    QTableWidget* m_table;
    std::vector<Row> m_rows;
    bool m_importedAny = false;
};
