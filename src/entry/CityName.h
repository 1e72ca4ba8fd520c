#pragma once

#include "model/DivisionTree.h"

#include <QDialog>

class QListWidget;
class QPushButton;

// The division picker: provinces, their prefectures, and the chosen prefecture's own row with
// its counties. Opens on the preset code; confirming takes the row of the county list.
class TCityNameForm : public QDialog {
    Q_OBJECT
public:
    explicit TCityNameForm(QWidget* parent = nullptr);

    void setSelectedCode(int code) { m_selectedCode = code; }
    int selectedCode() const { return m_selectedCode; }
    QString selectedName() const { return m_selectedName; }

    void CityName1Click(); // a province chosen
    void CityName2Click(); // a prefecture chosen
    void tbOKClick();

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FormShow();
    void loadProvinces();
    void fillPrefectures(int code1);
    void fillCounties(int code1, int code2);
    void centreOnScreen();

    QListWidget* CityName1;
    QListWidget* CityName2;
    QListWidget* CityName3;
    QPushButton* tbOK;
    QPushButton* tbCancel;
    QVector<DivisionRow> m_provinces;
    QVector<DivisionRow> m_prefectures;
    QVector<DivisionRow> m_counties;
    int m_selectedCode = 110100;
    QString m_selectedName = QStringLiteral("北京市");
};
