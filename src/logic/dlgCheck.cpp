#include "logic/dlgCheck.h"

#include "base/Paths.h"
#include "widgets/Application.h"
#include "widgets/ButtonRow.h"
#include "widgets/Prompter.h"
#include "db/DbError.h"
#include "db/WorkingDatabase.h"
#include "logic/BatchCheck.h"
#include "logic/BatchRuleSet.h"
#include "logic/ProgressBar.h"
#include "logic/ProgressDisplay.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QScopeGuard>
#include <QTimer>
#include <QVBoxLayout>

namespace {
constexpr int kIdleHeight = 172;
constexpr int kRunningHeight = 255;
} // namespace

TdlgCheckForm::TdlgCheckForm(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("选择检查的方式"));
    auto* choices = new QGroupBox(QStringLiteral("检查的内容"));
    auto* grid = new QGridLayout(choices);
    m_choices[0] = new QRadioButton(QStringLiteral("选中的数据"));
    m_choices[1] = new QRadioButton(QStringLiteral("所有的数据"));
    m_choices[2] = new QRadioButton(QStringLiteral("指定单位编号的范围"));
    m_choices[0]->setChecked(true);
    auto* digits = new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,12}")), this);
    m_from = new QLineEdit;
    m_to = new QLineEdit;
    for (QLineEdit* box : {m_from, m_to}) {
        box->setValidator(digits);
        box->setFixedWidth(120);
    }
    grid->addWidget(m_choices[0], 0, 0);
    grid->addWidget(m_choices[1], 0, 1);
    grid->addWidget(m_choices[2], 1, 0);
    auto* range = new QHBoxLayout;
    range->addWidget(new QLabel(QStringLiteral("从")));
    range->addWidget(m_from);
    range->addWidget(new QLabel(QStringLiteral("到")));
    range->addWidget(m_to);
    range->addStretch(1);
    grid->addLayout(range, 1, 1);

    auto* progress = new QGroupBox(QStringLiteral("检查进度"));
    progress->setObjectName(QStringLiteral("progressGroup"));
    auto* progressLayout = new QVBoxLayout(progress);
    m_preparing = new QLabel(QStringLiteral("正在准备数据 ..."));
    progressLayout->addWidget(m_preparing);
    m_display = ProgressDisplay::addTo(progressLayout, this);
    m_bar = m_display->bar();
    m_done = m_display->doneText();
    m_toDo = m_display->toDoText();

    m_check = new QPushButton(QStringLiteral("检  查"));
    m_pause = new QPushButton(QStringLiteral("暂  停"));
    m_resume = new QPushButton(QStringLiteral("继  续"));
    m_return = new QPushButton(QStringLiteral("返  回"));
    connect(m_check, &QPushButton::clicked, this, Handled(this, &TdlgCheckForm::tbCheckClick));
    connect(m_pause, &QPushButton::clicked, this, Handled(this, &TdlgCheckForm::tbPauseClick));
    connect(m_resume, &QPushButton::clicked, this, Handled(this, &TdlgCheckForm::tbResumeClick));
    connect(m_return, &QPushButton::clicked, this, Handled(this, &TdlgCheckForm::tbReturnClick));
    auto* buttons = NewButtonRow({m_check, m_pause, m_resume, m_return});

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(choices);
    layout->addLayout(buttons);
    layout->addWidget(progress);
    layout->addStretch(1);
    setFixedWidth(460);
    setIdle();
}

QRadioButton* TdlgCheckForm::choice(int index) const
{
    return m_choices[index];
}

QPushButton* TdlgCheckForm::button(const QString& caption) const
{
    for (QPushButton* b : {m_check, m_pause, m_resume, m_return})
        if (b->text() == caption)
            return b;
    return nullptr;
}

void TdlgCheckForm::setIdle()
{
    m_running = false;
    m_display->stop();
    setFixedHeight(kIdleHeight);
    findChild<QGroupBox*>(QStringLiteral("progressGroup"))->hide();
    m_check->setEnabled(true);
    m_return->setEnabled(true);
    m_pause->setEnabled(false);
    m_resume->setEnabled(false);
    for (QRadioButton* c : m_choices)
        c->setEnabled(true);
    m_from->setEnabled(true);
    m_to->setEnabled(true);
}

void TdlgCheckForm::tbCheckClick()
{
    for (QRadioButton* c : m_choices)
        c->setEnabled(false);
    // The range of a run stays as it was started.
    m_from->setEnabled(false);
    m_to->setEnabled(false);
    m_bar->setValue(0);
    m_preparing->show();
    m_done->hide();
    m_toDo->hide();
    findChild<QGroupBox*>(QStringLiteral("progressGroup"))->show();
    setFixedHeight(kRunningHeight);
    m_check->setEnabled(false);
    m_pause->setEnabled(false);
    m_return->setEnabled(false);
    repaint();

    if (m_choices[0]->isChecked()) {
        const QStringList codes = selectedCodes ? selectedCodes() : QStringList();
        if (!codes.isEmpty())
            runChecked(SelectedRecordsCheckSql(codes));
    } else if (m_choices[1]->isChecked()) {
        runChecked(AllRecordsCheckSql());
    } else {
        if (m_from->text().isEmpty())
            m_from->setText(QStringLiteral("0"));
        if (m_to->text().isEmpty())
            m_to->setText(QStringLiteral("0"));
        const double from = m_from->text().toDouble();
        double to = m_to->text().toDouble();
        if (from == 0 || to == 0) {
            CurrentPrompter().message(QStringLiteral("请输入逻辑检查的范围"));
            setIdle();
            return;
        }
        if (to < from) {
            to = from;
            m_to->setText(m_from->text());
        }
        runChecked(RangeCheckSql(from, to));
    }
    if (refreshList) {
        try {
            refreshList();
        } catch (...) {
        }
    }
    if (isVisible())
        setIdle();
}

void TdlgCheckForm::runChecked(const QString& sql)
{
    m_running = true;
    RunBatchCheckAndReport(sql, this);
    m_running = false;
}

void TdlgCheckForm::StartCheckProgress(qint64 total, qint64 done)
{
    m_preparing->hide();
    m_paused = false;
    m_stop = false;
    m_pause->setEnabled(true);
    m_return->setEnabled(true);
    m_display->start(total, done);
}

void TdlgCheckForm::StepCheckProgress()
{
    m_display->step();
}

QTimer* TdlgCheckForm::timer() const
{
    return m_display->timer();
}

void TdlgCheckForm::tbPauseClick()
{
    m_display->pause();
    m_paused = true;
    m_pause->setEnabled(false);
    m_resume->setEnabled(true);
}

void TdlgCheckForm::tbResumeClick()
{
    m_paused = false;
    m_display->resume();
    m_pause->setEnabled(true);
    m_resume->setEnabled(false);
}

void TdlgCheckForm::tbReturnClick()
{
    m_stop = true;
    close();
}

void TdlgCheckForm::closeEvent(QCloseEvent* event)
{
    // A run in progress ends at its next turn; the window goes when the run has returned.
    m_stop = true;
    m_paused = false;
    QDialog::closeEvent(event);
}

void TdlgCheckForm::reject()
{
    m_stop = true;
    m_paused = false;
    QDialog::reject();
}

void CheckSelectedRecords(const QStringList& codes)
{
    if (codes.isEmpty())
        return;
    TProgressBarForm& progress = ProgressBarForm();
    // The window only shows the run: nothing else may be started until it ends.
    progress.setWindowModality(Qt::ApplicationModal);
    progress.show();
    const auto hide = qScopeGuard([&progress] { progress.hide(); });
    RunBatchCheckAndReport(SelectedRecordsCheckSql(codes), nullptr, &progress);
}

void RunBatchCheckAndReport(const QString& selectSql, TdlgCheckForm* dialog, TProgressBarForm* progress)
{
    BatchCheckHooks hooks;
    if (progress) {
        hooks.started = [progress](qint64 total, qint64 done) { progress->StartProgress(int(total), int(done)); };
        hooks.stepped = [progress] { progress->StepProgress(); };
        hooks.processEvents = [] { QApplication::processEvents(); };
    }
    if (dialog) {
        hooks.started = [dialog](qint64 total, qint64 done) { dialog->StartCheckProgress(total, done); };
        hooks.stepped = [dialog] { dialog->StepCheckProgress(); };
        hooks.paused = [dialog] { return dialog->isPaused(); };
        hooks.stopped = [dialog] { return dialog->isStopRequested(); };
        hooks.processEvents = [dialog] {
            // While paused the run waits for the user instead of spinning.
            QApplication::processEvents(dialog->isPaused() ? QEventLoop::WaitForMoreEvents : QEventLoop::AllEvents);
        };
    }
    const QString report = BatchReportPath(DocumentsFolder(), DatabaseLabel);
    BatchCheckResult result;
    try {
        result = RunBatchCheck(SysConnection(), selectSql, report, QDateTime::currentDateTime(), true, hooks);
    } catch (const DbError& e) {
        ShowRunError(e.message());
        return;
    } catch (const ReportFileError& e) {
        ShowRunError(e.message());
        return;
    }
    if (result.stopped)
        return;
    if (progress)
        progress->hide(); // the run's answer is the next thing to see
    if (!result.anyError())
        CurrentPrompter().message(BatchCleanMessage());
    else if (!CurrentPrompter().openFile(report))
        CurrentPrompter().message(BatchReportSavedMessage(report));
}
