#pragma once

#include <QDialog>

class ConflictReview;
class QAbstractTableModel;
class QCheckBox;
class QLabel;
class QPushButton;
class QTableView;
class QTableWidget;

// The conflicts of one package, code by code: on the left the codes the working database
// already holds, on the right the fields of the selected code, 现有数据 beside 导入数据. The clerk
// decides "保留现有" or "采用导入" per code or for all at once; the keyboard alone walks the list
// (Up, Down) and decides (Left keeps, Right takes the package's). "按决定导入" is possible once
// every differing code is decided; it closes the window asking the caller to import.
class TdlgConflictReviewForm : public QDialog {
    Q_OBJECT
public:
    TdlgConflictReviewForm(ConflictReview& review, const QString& file, const QString& label,
                           QWidget* parent = nullptr);

    // Whether the window was closed with "按决定导入".
    bool importRequested() const { return m_importRequested; }

    void tbKeepClick();
    void tbReplaceClick();
    void tbKeepAllClick();
    void tbReplaceAllClick();
    void tbImportClick();

    QTableView* codeList() const { return m_codes; }
    QTableWidget* fieldList() const { return m_fields; }
    QCheckBox* onlyDifferent() const { return m_onlyDifferent; }
    QLabel* summary() const { return m_summary; }
    QPushButton* button(const QString& caption) const;
    int currentConflict() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void decide(int conflict, int choice);
    void selectConflict(int conflict);
    void showFields();
    void updateState();

    ConflictReview& m_review;
    QAbstractTableModel* m_model;
    QTableView* m_codes;
    QTableWidget* m_fields;
    QCheckBox* m_onlyDifferent;
    QLabel* m_summary;
    QPushButton* m_import;
    bool m_importRequested = false;
};
