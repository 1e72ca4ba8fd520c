#include "exchange/dlgPackagePreview.h"

#include "base/FileNameRule.h"
#include "base/Paths.h"
#include "db/DbError.h"
#include "db/WorkingDatabase.h"
#include "exchange/ConflictReview.h"
#include "exchange/DecidedImport.h"
#include "exchange/DecisionRecord.h"
#include "exchange/ExchangeActions.h"
#include "exchange/ExchangeRules.h"
#include "exchange/PackageImport.h"
#include "exchange/ReceiptRegister.h"
#include "exchange/dlgConflictReview.h"
#include "logic/ProgressBar.h"
#include "logic/ProgressBar2Line.h"
#include "widgets/Application.h"
#include "widgets/Prompter.h"

#include <QApplication>
#include <QDateTime>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHash>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {
const QString kContact = QStringLiteral(",请与软件发行者联系。");
const QColor kRefused(160, 0, 0);

// Turns a count of done into the current task's bar, which counts hundredths.
void showShare(TProgressBar2LineForm& progress, qint64 done, qint64 total)
{
    const int percent = total > 0 ? int(qMin<qint64>(100, done * 100 / total)) : 100;
    while (progress.secondDone() < percent)
        progress.IncSecond();
}
} // namespace

TdlgPackagePreviewForm::TdlgPackagePreviewForm(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("查看并导入数据包"));
    m_table = new QTableWidget(0, ColumnCount);
    m_table->setHorizontalHeaderLabels({QStringLiteral("文件"), QStringLiteral("标识"), QStringLiteral("单位数"),
                                        QStringLiteral("已有编号"), QStringLiteral("与其他文件重复"),
                                        QStringLiteral("未通过检查"), QStringLiteral("检查结论"),
                                        QStringLiteral("冲突处理"), QStringLiteral("导入结果")});
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->verticalHeader()->hide();
    m_table->horizontalHeader()->setStretchLastSection(true);
    const int widths[] = {170, 130, 60, 70, 130, 80, 230, 180};
    for (int c = 0; c < int(std::size(widths)); ++c)
        m_table->setColumnWidth(c, widths[c]);
    connect(m_table, &QTableWidget::cellDoubleClicked, this, Handled([this] { tbReviewClick(); }));
    m_table->installEventFilter(this);
    connect(m_table, &QTableWidget::currentCellChanged, this, [this] { updateReviewButton(); });

    auto* hint = new QLabel(QStringLiteral("勾选要导入的数据包；编号已经存在的数据包要先处理冲突（双击或“处理冲突”）。"));
    auto* add = new QPushButton(QStringLiteral("添加文件"));
    auto* review = new QPushButton(QStringLiteral("处理冲突"));
    auto* import = new QPushButton(QStringLiteral("导  入"));
    auto* back = new QPushButton(QStringLiteral("返  回"));
    review->setEnabled(false);
    connect(add, &QPushButton::clicked, this, Handled(this, &TdlgPackagePreviewForm::tbAddClick));
    connect(review, &QPushButton::clicked, this, Handled(this, &TdlgPackagePreviewForm::tbReviewClick));
    connect(import, &QPushButton::clicked, this, Handled(this, &TdlgPackagePreviewForm::tbImportClick));
    connect(back, &QPushButton::clicked, this, &QDialog::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(add);
    buttons->addWidget(review);
    buttons->addStretch(1);
    buttons->addWidget(import);
    buttons->addWidget(back);
    for (QPushButton* b : {add, review, import, back})
        b->setAutoDefault(false);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(hint);
    layout->addWidget(m_table, 1);
    layout->addLayout(buttons);
    resize(1320, 360);
}

TdlgPackagePreviewForm::~TdlgPackagePreviewForm() = default;

QPushButton* TdlgPackagePreviewForm::button(const QString& caption) const
{
    for (QPushButton* b : findChildren<QPushButton*>())
        if (b->text() == caption)
            return b;
    return nullptr;
}

bool TdlgPackagePreviewForm::chooseFiles()
{
    int filter = 0;
    QStringList files;
    const QStringList chosen = CurrentPrompter().openFileNames(ImportFileDialog(&filter)); // sets the filter
    const FileNameRule rule = KeepShortNames(filter == 1 ? QStringLiteral(".mdb") : QStringLiteral(".dat"));
    for (const QString& name : chosen) {
        const QString path = ApplyFileNameRule(name, rule);
        if (!path.isEmpty())
            files << path;
    }
    if (files.isEmpty())
        return false;
    addFiles(files);
    return true;
}

void TdlgPackagePreviewForm::addFiles(const QStringList& files)
{
    // Files already listed are looked into again with the new ones: codes in two files count
    // over the whole list.
    QStringList all;
    for (const Row& r : m_rows)
        if (!r.imported)
            all << r.preview.file;
    for (const QString& f : files)
        if (!all.contains(f))
            all << f;
    TProgressBarForm& progress = ProgressBarForm();
    progress.setWindowTitle(QStringLiteral("查看数据包"));
    progress.StartProgress(int(all.size()), 0);
    progress.show();
    QVector<PackagePreview> previews;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    try {
        previews = PreviewPackages(SysConnection(), all, [&progress](int) { progress.StepProgress(); });
    } catch (const DbError& e) {
        QApplication::restoreOverrideCursor();
        progress.hide();
        ShowRunError(e.message(), kContact);
        return;
    }
    QApplication::restoreOverrideCursor();
    progress.hide();
    // The ticks already set stay as the clerk left them.
    QHash<QString, Qt::CheckState> ticks;
    for (int r = 0; r < int(m_rows.size()); ++r)
        if (QTableWidgetItem* file = m_table->item(r, FileColumn); file && (file->flags() & Qt::ItemIsUserCheckable))
            ticks.insert(m_rows[r].preview.file, file->checkState());
    std::vector<Row> rows;
    for (Row& r : m_rows)
        if (r.imported)
            rows.push_back(std::move(r));
    for (const PackagePreview& p : previews) {
        Row row;
        row.preview = p;
        // Decisions made before for a file stay with it.
        for (Row& old : m_rows)
            if (!old.imported && old.preview.file == p.file)
                row.decisions = old.decisions;
        rows.push_back(std::move(row));
    }
    m_rows = std::move(rows);
    m_table->setRowCount(int(m_rows.size()));
    for (int r = 0; r < int(m_rows.size()); ++r)
        showRow(r);
    // Ready to go: readable packages without codes already here.
    for (int r = 0; r < int(m_rows.size()); ++r) {
        const Row& row = m_rows[r];
        if (!row.imported && row.preview.importable())
            m_table->item(r, FileColumn)
                ->setCheckState(ticks.value(row.preview.file,
                                            row.preview.existingCodes == 0 ? Qt::Checked : Qt::Unchecked));
    }
    if (!m_rows.empty())
        m_table->setCurrentCell(0, FileColumn);
    updateReviewButton();
}

bool TdlgPackagePreviewForm::hasConflicts(int r) const
{
    if (r < 0 || r >= int(m_rows.size()))
        return false;
    const Row& row = m_rows[r];
    return !row.imported && row.preview.importable() && row.preview.existingCodes > 0;
}

void TdlgPackagePreviewForm::updateReviewButton()
{
    button(QStringLiteral("处理冲突"))->setEnabled(hasConflicts(m_table->currentRow()));
}

QString TdlgPackagePreviewForm::conflictText(const Row& row) const
{
    if (!row.preview.importable() || row.imported)
        return QString();
    if (row.preview.existingCodes == 0)
        return QStringLiteral("无冲突");
    if (!row.review)
        return QStringLiteral("%1个编号已经存在，已决定%2个").arg(row.preview.existingCodes).arg(row.decisions.codes.size());
    const ConflictReview& r = *row.review;
    QString text = QStringLiteral("相同%1，保留%2，采用%3").arg(r.equalCount()).arg(r.count(ConflictChoice::Keep)).arg(r.count(ConflictChoice::Replace));
    if (r.undecidedCount() > 0)
        text += QStringLiteral("，未决定%1").arg(r.undecidedCount());
    return text;
}

void TdlgPackagePreviewForm::showRow(int r)
{
    const Row& row = m_rows[r];
    const PackagePreview& p = row.preview;
    const bool counted = p.importable();
    auto number = [counted](qint64 n) { return counted ? QString::number(n) : QString(); };
    const QStringList cells = {QFileInfo(p.file).fileName(), ShownLabel(p.label), number(p.returns),
                               number(p.existingCodes), number(p.codesInOtherFiles), number(p.failingReturns),
                               PreviewVerdict(p), conflictText(row), row.result};
    const Qt::CheckState ticked =
        m_table->item(r, FileColumn) ? m_table->item(r, FileColumn)->checkState() : Qt::Unchecked;
    for (int c = 0; c < ColumnCount; ++c) {
        auto* item = new QTableWidgetItem(cells[c]);
        if (c == FileColumn)
            item->setToolTip(p.file);
        if (c == VerdictColumn || c == ConflictColumn || c == ResultColumn)
            item->setToolTip(cells[c]);
        if (c >= ReturnsColumn && c <= FailingColumn)
            item->setTextAlignment(Qt::AlignCenter);
        if (!counted)
            item->setForeground(kRefused);
        m_table->setItem(r, c, item);
    }
    QTableWidgetItem* file = m_table->item(r, FileColumn);
    // Only a readable package not yet imported can be ticked.
    if (counted && !row.imported) {
        file->setFlags(file->flags() | Qt::ItemIsUserCheckable);
        file->setCheckState(ticked);
    } else
        file->setFlags(file->flags() & ~Qt::ItemIsUserCheckable);
}

bool TdlgPackagePreviewForm::eventFilter(QObject* watched, QEvent* event)
{
    // Enter on a row opens its review, as a double click does; Space ticks it.
    if (watched == m_table && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            tbReviewClick();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

ConflictReview* TdlgPackagePreviewForm::reviewOf(Row& row)
{
    if (!row.review) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        try {
            row.review = std::make_unique<ConflictReview>(SysConnection(), row.preview.source, row.decisions);
        } catch (const DbError& e) {
            QApplication::restoreOverrideCursor();
            ShowRunError(e.message(), kContact);
            return nullptr;
        }
        QApplication::restoreOverrideCursor();
    }
    return row.review.get();
}

void TdlgPackagePreviewForm::tbAddClick()
{
    chooseFiles();
}

void TdlgPackagePreviewForm::tbReviewClick()
{
    const int r = m_table->currentRow();
    if (!hasConflicts(r))
        return;
    Row& row = m_rows[r];
    ConflictReview* review = reviewOf(row);
    if (!review)
        return;
    TdlgConflictReviewForm dialog(*review, row.preview.file, row.preview.label, this);
    dialog.exec();
    row.decisions = review->decisions();
    // Every code decided: the package is ready to go.
    if (review->undecidedCount() == 0)
        m_table->item(r, FileColumn)->setCheckState(Qt::Checked);
    showRow(r);
    if (dialog.importRequested())
        importRows({r});
}

void TdlgPackagePreviewForm::tbImportClick()
{
    QVector<int> rows;
    for (int r = 0; r < int(m_rows.size()); ++r)
        if (!m_rows[r].imported && m_rows[r].preview.importable()
            && m_table->item(r, FileColumn)->checkState() == Qt::Checked)
            rows << r;
    if (rows.isEmpty()) {
        CurrentPrompter().message(QStringLiteral("请勾选要导入的数据包"));
        return;
    }
    importRows(rows);
}

void TdlgPackagePreviewForm::importRows(const QVector<int>& rows)
{
    TProgressBar2LineForm& progress = ProgressBar2LineForm();
    progress.InitFirst(int(rows.size()));
    progress.InitSecond(100);
    // The window is modal while the run lets events through: only its stop button takes input.
    progress.ShowStoppable();
    setEnabled(false);
    DecisionRecord record(DocumentsFolder(), QDateTime::currentDateTime());
    QStringList closing;
    for (int r : rows) {
        Row& row = m_rows[r];
        if (progress.stopRequested()) {
            row.result = QStringLiteral("已停止，未导入");
        } else {
            progress.InitSecond(100);
            DecidedImportOptions options;
            options.decisions = row.review ? row.review->decisions() : row.decisions;
            options.record = &record;
            options.shownFile = row.preview.file;
            qint64 total = 0;
            options.hooks.started = [&total](qint64 n) { total = n; };
            options.hooks.stepped = [&progress, &total](qint64 done) {
                showShare(progress, done, total);
                QApplication::processEvents();
            };
            options.hooks.stopped = [&progress] { return progress.stopRequested(); };
            QString registerError;
            const DecidedImportResult result =
                ImportDecidedWithReceipt(SysConnection(), *row.preview.source, options,
                                         StartReceipt(QFileInfo(row.preview.file).absoluteFilePath()), &registerError);
            row.result = DecidedImportOutcome(result);
            if (!registerError.isEmpty())
                row.result += QStringLiteral("（收报登记未能写入：%1）").arg(registerError);
            if (result.status == DecidedImportResult::Imported) {
                row.imported = true;
                m_importedAny = true;
            }
        }
        closing << QFileInfo(row.preview.file).fileName() + QStringLiteral("：") + row.result;
        progress.IncFirst();
    }
    progress.hide();
    setEnabled(true);
    // The working database has changed: what the other packages find here is counted again,
    // and their reviews are made anew when opened (their decisions stay).
    for (Row& row : m_rows) {
        if (row.imported || !row.preview.importable())
            continue;
        if (row.review) {
            row.decisions = row.review->decisions();
            row.review.reset();
        }
        try {
            row.preview.existingCodes = ExistingCodeCount(SysConnection(), *row.preview.source);
        } catch (const DbError& e) {
            row.preview.refusal = e.message();
        }
    }
    for (int r = 0; r < int(m_rows.size()); ++r)
        showRow(r);
    updateReviewButton();
    if (!record.isEmpty())
        closing << QStringLiteral("冲突处理记录已经保存到：") + record.path();
    CurrentPrompter().message(QStringLiteral("导入结束：\n") + closing.join(QLatin1Char('\n')));
}
