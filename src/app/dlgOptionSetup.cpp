#include "app/dlgOptionSetup.h"

#include "base/Environment.h"
#include "base/InputMethods.h"
#include "widgets/Application.h"
#include "widgets/Prompter.h"
#include "base/SettingsStore.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

void RefreshingComboBox::showPopup()
{
    if (items) {
        clear();
        addItems(items());
    }
    QComboBox::showPopup();
}

TdlgOptionSetupForm::TdlgOptionSetupForm(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("软件参数设置"));
    auto* tabs = new QTabWidget(this);
    auto* page = new QWidget;
    auto* pageLayout = new QVBoxLayout(page);
    pageLayout->addWidget(new QLabel(QStringLiteral("选择使用的输入法:")));
    cbIme = new RefreshingComboBox;
    cbIme->setFixedWidth(270);
    cbIme->items = [] { return InstalledInputMethods(); };
    InstalledInputMethods(); // the framework's answer is ready by the time the list drops down
    // The current preference shows until the list is dropped down.
    cbIme->addItem(Environment().preferredInputMethod);
    pageLayout->addWidget(cbIme);
    pageLayout->addStretch(1);
    tabs->addTab(page, QStringLiteral("软件环境"));

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton(QStringLiteral("确定"), QDialogButtonBox::AcceptRole);
    QPushButton* cancel = buttons->addButton(QStringLiteral("取消"), QDialogButtonBox::RejectRole);
    ok->setObjectName(QStringLiteral("OKBtn"));
    cancel->setObjectName(QStringLiteral("CancelBtn"));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, Handled(this, &TdlgOptionSetupForm::OKBtnClick));
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tabs);
    layout->addWidget(buttons);
    resize(360, 200);
}

void TdlgOptionSetupForm::OKBtnClick()
{
    Environment().preferredInputMethod = cbIme->currentText();
    try {
        RegWriteString(QStringLiteral("ImePrefer"), cbIme->currentText(), SettingsRoot::LocalMachine, EnvSettingKey());
        RegWriteString(QStringLiteral("OrganisationName"), QString(), SettingsRoot::LocalMachine, EnvSettingKey());
        RegWriteInteger(QStringLiteral("ImportPrinciple"), 0, SettingsRoot::LocalMachine, EnvSettingKey());
    } catch (const SettingsError& e) {
        CurrentPrompter().message(e.message());
        return;
    }
    accept();
}
