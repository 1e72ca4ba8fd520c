#pragma once

#include <QDialog>
#include <QList>

class QCheckBox;
class QPushButton;
class QTabWidget;

// "自定义列表项": one check box per catalogue field, a tab per survey page; saving stores the
// choice in the catalogue's visible column and the main list is rebuilt.
class TdlgShowForm : public QDialog {
    Q_OBJECT
public:
    explicit TdlgShowForm(QWidget* parent = nullptr);
    QTabWidget* pages() const { return DataPage; }
    QList<QCheckBox*> boxes() const { return m_boxes; }
    QPushButton* saveButton() const { return tbSave; }
    void tbSaveClick();

signals:
    void saved();

private:
    QWidget* addPage(const QString& caption);
    QTabWidget* DataPage;
    QPushButton* tbSave;
    QPushButton* tbReturn;
    QList<QWidget*> m_pageAreas;
    QList<QCheckBox*> m_boxes;
};

// Where the k-th box of a page stands: two columns, left first, 30 pixels a line.
QRect ColumnChooserBoxGeometry(int k);
