// What the main window's actions do.
#include "app/Main.h"

#include "app/dlgAbout.h"
#include "app/dlgOptionSetup.h"
#include "app/dlgShow.h"
#include "base/Paths.h"
#include "base/ProductVersion.h"
#include "base/PublicProcedure.h"
#include "base/ValueText.h"
#include "db/DatabaseFile.h"
#include "db/DbError.h"
#include "db/WorkingDatabase.h"
#include "entry/PrintReturn.h"
#include "entry/dlgSurveyData.h"
#include "exchange/ExchangeActions.h"
#include "exchange/dlgPackagePreview.h"
#include "logic/dlgCheck.h"
#include "query/dlgDataSearch.h"
#include "query/dlgDelete.h"
#include "query/dlgLocate.h"
#include "query/dlgSearch.h"
#include "widgets/Prompter.h"
#include "widgets/SaveFileDialog.h"

#include <QItemSelectionModel>
#include <QTableView>

#include <cmath>

TdlgSurveyDataForm& TMainForm::surveyDataForm()
{
    if (!m_editor) {
        m_editor = new TdlgSurveyDataForm(this);
        // Every store re-reads the list; the grid follows the row set.
        connect(m_editor, &TdlgSurveyDataForm::listReread, this, [this] {
            m_model->reload();
            SelectCurrentRow(*m_grid, m_reportQuery);
            updateActions();
        });
    }
    return *m_editor;
}

void TMainForm::actAddExecute()
{
    TdlgSurveyDataForm& editor = surveyDataForm();
    editor.openForNew(&m_reportQuery);
    keepPosition([&] { editor.exec(); });
}

void TMainForm::actEditExecute()
{
    if (!m_reportQuery.isOpen() || m_reportQuery.isEmpty())
        return;
    TdlgSurveyDataForm& editor = surveyDataForm();
    editor.openForModify(&m_reportQuery);
    editor.exec();
    m_model->reload();
    SelectCurrentRow(*m_grid, m_reportQuery);
    updateActions();
}

void TMainForm::actDeleteExecute()
{
    // After a deletion the list is read again; its current row is not kept.
    TdlgDeleteForm dialog(m_grid, m_model, [this] {
        if (m_reportQuery.isOpen())
            m_reportQuery.requery();
        m_model->reload();
        m_grid->clearSelection();
        SelectCurrentRow(*m_grid, m_reportQuery);
        updateActions();
    }, this);
    dialog.exec();
}

void TMainForm::reopenWorkingDatabase()
{
    const OpenDatabaseResult opened = OpenWorkingDatabase(CurrentDatabasePath);
    if (opened.status != OpenDatabaseResult::Opened)
        ShowRunError(opened.error.isEmpty() ? CurrentDatabasePath : opened.error,
                     QStringLiteral(",请与系统管理员或软件发行者联系。"));
}

void TMainForm::actBackupExecute()
{
    FileDialogOptions dialog;
    dialog.title = QStringLiteral("备份文件存放为");
    dialog.filter = QStringLiteral("Access文件(*.mdb)|*.mdb");
    dialog.folder = DocumentsFolder();
    const QString target = ChooseSaveFile(dialog, KeepShortNames(QStringLiteral(".mdb")));
    if (target.isEmpty())
        return;
    keepPosition([&] {
        SysConnection().close();
        QString error;
        if (CopyFileContents(CurrentDatabasePath, target, &error))
            CurrentPrompter().message(QStringLiteral("备份成功"));
        else
            CurrentPrompter().message(error);
        reopenWorkingDatabase();
    });
}

void TMainForm::actCompactExecute()
{
    keepPosition([this] {
        SysConnection().close();
        const CompactResult result = CompactDatabaseFile(CurrentDatabasePath);
        if (result.replaced)
            CurrentPrompter().message(QStringLiteral("压缩操作成功"));
        else
            ShowRunError(result.error);
        reopenWorkingDatabase();
    });
    // After a compaction the list starts again at its first return.
    if (m_reportQuery.isOpen() && !m_reportQuery.isEmpty()) {
        m_reportQuery.first();
        SelectCurrentRow(*m_grid, m_reportQuery);
    }
}

void TMainForm::actShowExecute()
{
    TdlgShowForm dialog(this);
    connect(&dialog, &TdlgShowForm::saved, this, [this] { BuildRecordList(); });
    dialog.exec();
}

void TMainForm::actOptionExecute()
{
    TdlgOptionSetupForm dialog(this);
    dialog.exec();
}

void TMainForm::actAboutExecute()
{
    TdlgAboutForm about(ProductVersion().buildNumber, [this] {
        keepPosition([] { SysConnection().execute(QStringLiteral("update dt_data set RecordState=1")); });
    }, this);
    about.exec();
}

namespace {
// A code as a statement takes it: a number in plain digits. A value that is no number (a text
// in a file from elsewhere) gives none, so it never becomes part of the statement.
void addCode(QStringList& codes, const QVariant& value)
{
    bool isNumber = false;
    const double code = value.toDouble(&isNumber);
    if (isNumber && std::isfinite(code))
        codes << FormatValueText(QVariant(code));
}
} // namespace

QStringList TMainForm::selectedCodes()
{
    QStringList codes;
    if (!m_reportQuery.isOpen() || m_reportQuery.isEmpty())
        return codes;
    const int code = m_reportQuery.columnIndex(QStringLiteral("c901"));
    const QModelIndexList selected = m_grid->selectionModel()->selectedRows();
    if (selected.isEmpty()) {
        if (m_reportQuery.position() >= 0)
            addCode(codes, m_reportQuery.valueAt(m_reportQuery.position(), code));
        return codes;
    }
    for (const QModelIndex& index : selected) {
        m_reportQuery.moveTo(index.row());
        addCode(codes, m_reportQuery.valueAt(index.row(), code));
    }
    // The list ends on the last selected row; the grid shows it as the current one.
    m_grid->selectionModel()->setCurrentIndex(selected.last(), QItemSelectionModel::NoUpdate);
    return codes;
}

void TMainForm::CheckSelectedRecords()
{
    ::CheckSelectedRecords(selectedCodes());
}

void TMainForm::actSearchExecute()
{
    TdlgSearchForm dialog([this]() -> TdlgSurveyDataForm& { return surveyDataForm(); }, [this] { keepPosition(); }, this);
    dialog.exec();
}

void TMainForm::actLocateExecute()
{
    TdlgLocateForm dialog(&m_reportQuery, [this] {
        m_grid->clearSelection();
        SelectCurrentRow(*m_grid, m_reportQuery);
    }, this);
    dialog.exec();
}

void TMainForm::actDataSearchExecute()
{
    TdlgDataSearchForm dialog([this]() -> TdlgSurveyDataForm& { return surveyDataForm(); }, [this] { keepPosition(); },
                              this);
    dialog.exec();
}

void TMainForm::actPrintExecute()
{
    if (!m_reportQuery.isOpen() || m_reportQuery.position() < 0)
        return;
    const int code = m_reportQuery.columnIndex(QStringLiteral("c901"));
    PrintReturn(QStringLiteral("2012打印表.xltx"), FormatValueText(m_reportQuery.valueAt(m_reportQuery.position(), code)), false);
}

void TMainForm::actCheckExecute()
{
    TdlgCheckForm dialog(this);
    dialog.selectedCodes = [this] { return selectedCodes(); };
    dialog.refreshList = [this] { keepPosition(); };
    dialog.exec();
}

void TMainForm::actExportCSVExecute()
{
    ExportUploadCsv();
}

void TMainForm::actExportExecute()
{
    ExportReturns();
}

void TMainForm::actPackagePreviewExecute()
{
    TdlgPackagePreviewForm dialog(this);
    if (!dialog.chooseFiles())
        return;
    dialog.exec();
    // The list has not moved meanwhile: re-reading it returns to the same return.
    if (dialog.importedAny())
        keepPosition();
}

void TMainForm::actFastImportExecute()
{
    // The list has not moved while the import ran: re-reading it returns to the same return.
    if (ImportPackage(QStringLiteral("dt_data")))
        keepPosition();
}
