#include "app/Main.h"

#include <QDate>
#include <QLabel>
#include <QStatusBar>

TMainForm::TMainForm(QWidget* parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("MainForm"));
    setStyleSheet(QStringLiteral("QMainWindow { background-color: rgb(193,215,249); }"));
    m_versionLabel = new QLabel(this);
    m_dateLabel = new QLabel(QDate::currentDate().toString(QStringLiteral("yyyy年MM月dd日")), this);
    statusBar()->addWidget(m_versionLabel, 1);
    statusBar()->addPermanentWidget(m_dateLabel);
    resize(1024, 720);
}

void TMainForm::setVersionText(const QString& text)
{
    m_versionLabel->setText(text);
}

QString TMainForm::versionText() const
{
    return m_versionLabel->text();
}
