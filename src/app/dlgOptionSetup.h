#pragma once

#include <QComboBox>
#include <QDialog>
#include <functional>

// A drop-down whose items are filled afresh each time it drops down.
class RefreshingComboBox : public QComboBox {
public:
    using QComboBox::QComboBox;
    std::function<QStringList()> items;
    void showPopup() override;
};

// "软件参数设置": the input method switched on in the free-text boxes.
class TdlgOptionSetupForm : public QDialog {
    Q_OBJECT
public:
    explicit TdlgOptionSetupForm(QWidget* parent = nullptr);
    RefreshingComboBox* inputMethods() const { return cbIme; }
    void OKBtnClick();

private:
    RefreshingComboBox* cbIme;
};
