#include "app/Main.h"
#include "app/Startup.h"
#include "db/WorkingDatabase.h"
#include "entry/NumericEdit.h"
#include "entry/PrintReturn.h"
#include "entry/RecordPrint.h"
#include "entry/SurveyPages.h"
#include "entry/dlgSurveyData.h"
#include "entry/workbook/Workbook.h"
#include "logic/ProgressBar.h"
#include "model/FieldCatalogue.h"
#include "support/OpenpyxlReader.h"
#include "support/TestEnvironment.h"
#include "widgets/ScriptedPrompter.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QLabel>
#include <QToolButton>

#include <gtest/gtest.h>

namespace {
constexpr qint64 kCode = 110101000007LL;
const QString kTemplateMessage = QStringLiteral("打开汇总模版文件时发生错误，可能是没有安装MS Office中的Excel");

class RecordPrintTest : public ::testing::Test {
protected:
    TestEnvironment env;
    ScriptedPrompter prompter;

    void SetUp() override
    {
        ASSERT_EQ(OpenWorkingDatabase().status, OpenDatabaseResult::Opened);
        // A return with a value in every column: indicators numbered by their catalogue order,
        // the decimal ones with a half.
        SysConnection().execute("insert into dt_data (c901, c902, c903, c904, c905, c906, c907, RecordState) "
                                "values (?1, '东城区总工会', 110101, 3, '张伟', '010-6512', 1, 1)",
                                {kCode});
        QStringList sets;
        QVariantList values;
        for (const QString& field : IndicatorNames()) {
            const int n = int(values.size()) + 1;
            values << (IndicatorTakesDecimals(field) ? QVariant(n + 0.5) : QVariant(n));
            sets << QStringLiteral("%1=?%2").arg(field).arg(n);
        }
        values << kCode;
        SysConnection().execute(QStringLiteral("update dt_data set %1 where c901=?%2").arg(sets.join(',')).arg(values.size()), values);
    }
    QStringList documents() const { return QDir(env.documentsFolder()).entryList(QDir::Files); }
};

QJsonObject cellAt(const QJsonObject& book, int sheet, const QString& address)
{
    return book[QStringLiteral("sheets")].toArray().at(sheet - 1).toObject()[QStringLiteral("cells")].toObject()[address].toObject();
}
} // namespace

TEST_F(RecordPrintTest, EveryPrintedFieldStandsInItsCellAndTheWorkbookIsHandedOver)
{
    const QString saved = PrintReturn(QStringLiteral("2012打印表.xltx"), QString::number(kCode), false);
    ASSERT_FALSE(saved.isEmpty()) << prompter.shown.join('\n').toStdString();
    EXPECT_TRUE(prompter.shown.isEmpty()) << prompter.shown.join('\n').toStdString();
    EXPECT_EQ(prompter.opened, QStringList{saved});
    EXPECT_EQ(QFileInfo(saved).absolutePath(), QDir(env.documentsFolder()).absolutePath());
    EXPECT_TRUE(QFileInfo(saved).fileName().startsWith(QStringLiteral("2012打印表-")));
    EXPECT_FALSE(ProgressBarForm().isVisible());
    EXPECT_EQ(ProgressBarForm().done(), ProgressBarForm().total());
    EXPECT_EQ(ProgressBarForm().total(), 8);

    const QJsonObject seen = ReadWithOpenpyxl(saved);
    ASSERT_FALSE(seen.contains(QStringLiteral("error"))) << seen[QStringLiteral("error")].toString().toStdString();
    EXPECT_FALSE(seen[QStringLiteral("template")].toBool());
    const QHash<QString, QVariant> stored = [] {
        QHash<QString, QVariant> values;
        RowSet r = SysConnection().query(QStringLiteral("select * from view_data where c901=?1"), {kCode});
        for (int c = 0; c < r.columnCount(); ++c)
            values.insert(r.columnName(c).toLower(), r.valueAt(0, c));
        return values;
    }();
    int checked = 0;
    for (const TFieldData& f : LoadFieldCatalogue(SysConnection())) {
        if (f.printPageID <= 0)
            continue;
        const QJsonObject cell = cellAt(seen, f.printPageID, f.printplace);
        const QVariant value = stored.value(f.FieldName.toLower());
        if (f.QueryType == TextValue) {
            EXPECT_EQ(cell[QStringLiteral("value")].toString(), value.toString()) << f.FieldName.toStdString();
        } else {
            // Numbers arrive as numbers, as if typed.
            EXPECT_NE(cell[QStringLiteral("type")].toString(), QStringLiteral("str")) << f.FieldName.toStdString();
            EXPECT_DOUBLE_EQ(cell[QStringLiteral("value")].toDouble(), value.toDouble()) << f.FieldName.toStdString();
        }
        ++checked;
    }
    EXPECT_EQ(checked, 214);
    // The 12-digit code shows whole; the main window's print shows the first sheet.
    EXPECT_EQ(cellAt(seen, 1, QStringLiteral("C11"))[QStringLiteral("format")].toString(), QStringLiteral("0"));
    EXPECT_EQ(Workbook::Open(saved).activeSheet(), 1);
}

TEST_F(RecordPrintTest, TheEditorsPrintUsesItsTemplateAndShowsTheLastPage)
{
    const QString saved = PrintReturn(QStringLiteral("2011打印表.xltx"), QString::number(kCode), true);
    ASSERT_FALSE(saved.isEmpty());
    EXPECT_TRUE(QFileInfo(saved).fileName().startsWith(QStringLiteral("2011打印表-")));
    Workbook book = Workbook::Open(saved);
    EXPECT_EQ(book.activeSheet(), 8);
    // Columns 1 to 4 of the last filled sheet are fitted: the codes column to "代码"/"c021".
    EXPECT_NEAR(book.sheet(8).columnWidth(1), 5, 0.01);
}

TEST_F(RecordPrintTest, PagesOfRowsWithoutAnEditorPageAreNotPrinted)
{
    // Page 9 exists only on a row with a negative PageID: the template has no sheet 9, so
    // printing it would fail. A negative row on a printed page is filled like the others.
    SysConnection().execute("insert into dt_fieldlist (ID, FieldName, sequence, PageID, printPageID, printplace) "
                            "values (900, 'DivisionName', 2000, -1, 9, 'A1')");
    SysConnection().execute("insert into dt_fieldlist (ID, FieldName, sequence, PageID, printPageID, printplace) "
                            "values (901, 'LevelName', 2001, -1, 1, 'A40')");
    const QString saved = PrintReturn(QStringLiteral("2012打印表.xltx"), QString::number(kCode), false);
    ASSERT_FALSE(saved.isEmpty()) << prompter.shown.join('\n').toStdString();
    Workbook book = Workbook::Open(saved);
    EXPECT_EQ(book.sheetCount(), 8);
    EXPECT_EQ(book.sheet(1).cellText(40, 1), SysConnection().scalar("select LevelName from view_data").toString());
    EXPECT_FALSE(book.sheet(1).cellText(40, 1).isEmpty());
}

TEST_F(RecordPrintTest, ATemplateThatCannotBeOpenedIsNamedWithItsCause)
{
    QFile broken(QDir(env.programFolder()).filePath(QStringLiteral("2012打印表.xltx")));
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly | QIODevice::Truncate));
    broken.write("not a workbook");
    broken.close();
    ASSERT_TRUE(QFile::remove(QDir(env.programFolder()).filePath(QStringLiteral("2011打印表.xltx"))));
    for (const char* name : {"2012打印表.xltx", "2011打印表.xltx"}) {
        prompter.shown.clear();
        EXPECT_TRUE(PrintReturn(QString::fromUtf8(name), QString::number(kCode), true).isEmpty());
        ASSERT_EQ(prompter.shown.size(), 1) << name;
        const QStringList lines = prompter.shown[0].split('\n');
        ASSERT_EQ(lines.size(), 2);
        EXPECT_EQ(lines[0], kTemplateMessage);
        EXPECT_FALSE(lines[1].isEmpty());
    }
    EXPECT_TRUE(documents().isEmpty());
    EXPECT_TRUE(prompter.opened.isEmpty());
}

TEST_F(RecordPrintTest, LaterFailuresEndThePrintWithTheirMessageAndSaveNothing)
{
    struct Case {
        const char* name;
        const char* change; // a statement run before the print
        QString key;
    } cases[] = {
        {"no such return", "", QStringLiteral("999")},
        {"field the return lacks", "update dt_fieldlist set FieldName='nosuch' where FieldName='z001'", QString::number(kCode)},
        {"bad cell address", "update dt_fieldlist set printplace='ZZZZ1' where FieldName='z002'", QString::number(kCode)},
        {"sheet beyond the template", "update dt_fieldlist set printPageID=12 where FieldName='z003'", QString::number(kCode)},
    };
    for (const Case& c : cases) {
        if (*c.change)
            SysConnection().execute(QString::fromUtf8(c.change));
        prompter.shown.clear();
        EXPECT_TRUE(PrintReturn(QStringLiteral("2012打印表.xltx"), c.key, false).isEmpty()) << c.name;
        ASSERT_EQ(prompter.shown.size(), 1) << c.name;
        EXPECT_TRUE(prompter.shown[0].startsWith(QStringLiteral("运行中发生错误："))) << c.name;
        EXPECT_FALSE(ProgressBarForm().isVisible()) << c.name;
    }
    EXPECT_TRUE(documents().isEmpty());
}

TEST_F(RecordPrintTest, TheEditorPrintsOnlyTheUnchangedReturnItWasOpenedWith)
{
    RowSet list = SysConnection().query(ReportQuerySql());
    list.setKeyColumn("c901");
    ASSERT_TRUE(list.locate("c901", kCode));
    TdlgSurveyDataForm form;
    form.openForModify(&list);
    form.show();
    QToolButton* print = form.button("tbPrint");
    ASSERT_TRUE(print->isEnabled());
    print->click();
    ASSERT_EQ(prompter.opened.size(), 1) << prompter.shown.join('\n').toStdString();
    EXPECT_TRUE(QFileInfo(prompter.opened[0]).fileName().startsWith(QStringLiteral("2011打印表-")));
    EXPECT_EQ(Workbook::Open(prompter.opened[0]).sheet(2).cellText(4, 4), QStringLiteral("1")); // z001
    // A change disables the print until the return is stored.
    form.numeric("z002")->setValue(9);
    EXPECT_FALSE(print->isEnabled());
    form.tbPrintClick();
    EXPECT_EQ(prompter.opened.size(), 1);
    form.button("tbSave")->setEnabled(false);
    form.close();
}

TEST_F(RecordPrintTest, TheMainWindowPrintsTheCurrentRow)
{
    TMainForm main;
    ASSERT_TRUE(RunStartup(main, {false}));
    main.action(QStringLiteral("打印选中记录的年报表"))->trigger();
    ASSERT_EQ(prompter.opened.size(), 1) << prompter.shown.join('\n').toStdString();
    EXPECT_TRUE(QFileInfo(prompter.opened[0]).fileName().startsWith(QStringLiteral("2012打印表-")));
    Workbook book = Workbook::Open(prompter.opened[0]);
    EXPECT_EQ(book.sheet(1).cellText(12, 3), QStringLiteral("东城区总工会"));
    EXPECT_EQ(book.activeSheet(), 1);
}

TEST_F(RecordPrintTest, TextsPrintAsTextAndTheCoverNamesTheFormAsTheEditorDoes)
{
    // Digit-only texts stay texts in the printed return: a telephone keeps its leading 0, a
    // name "1e3" is no thousand, a form filler "007" keeps its zeros.
    SysConnection().execute("update dt_data set c902='1e3', c905='007', c906='01065123456' where c901=?1", {kCode});
    const QString saved = PrintReturn(QStringLiteral("2012打印表.xltx"), QString::number(kCode), false);
    ASSERT_FALSE(saved.isEmpty()) << prompter.shown.join('\n').toStdString();
    const QJsonObject seen = ReadWithOpenpyxl(saved);
    ASSERT_FALSE(seen.contains(QStringLiteral("error"))) << seen[QStringLiteral("error")].toString().toStdString();
    const QHash<QString, TFieldData> fields = [] {
        QHash<QString, TFieldData> byName;
        for (const TFieldData& f : LoadFieldCatalogue(SysConnection()))
            byName.insert(f.FieldName, f);
        return byName;
    }();
    struct Case {
        const char* field;
        const char* printed;
    } cases[] = {{"c902", "1e3"}, {"c905", "007"}, {"c906", "01065123456"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.field);
        const TFieldData& f = fields.value(QString::fromUtf8(c.field));
        const QJsonObject cell = cellAt(seen, f.printPageID, f.printplace);
        EXPECT_EQ(cell[QStringLiteral("type")].toString(), QStringLiteral("str"));
        EXPECT_EQ(cell[QStringLiteral("value")].toString(), QString::fromUtf8(c.printed));
        EXPECT_EQ(cell[QStringLiteral("format")].toString(), QStringLiteral("@"));
    }
    // the codes stay plain numbers
    const TFieldData& code = fields.value(QStringLiteral("c903"));
    EXPECT_EQ(cellAt(seen, code.printPageID, code.printplace)[QStringLiteral("type")].toString(), QStringLiteral("int"));

    // The printed cover carries the form's identity lines and notice as the editor's cover shows them.
    QStringList printed;
    const QJsonObject cover = seen[QStringLiteral("sheets")].toArray().at(0).toObject()[QStringLiteral("cells")].toObject();
    for (int row = 1; row <= 10; ++row)
        printed << cover[QStringLiteral("A%1").arg(row)].toObject()[QStringLiteral("value")].toString();
    EXPECT_TRUE(printed.contains(QStringLiteral("表    号：工统基2表")));
    EXPECT_TRUE(printed.contains(QStringLiteral("批准文号：国统制〔2012〕18号")));
    TdlgSurveyDataForm editor;
    const QLabel* identity = editor.findChild<QLabel*>(QStringLiteral("FormIdentity"));
    ASSERT_NE(identity, nullptr);
    for (const QString& line : identity->text().split(QLatin1Char('\n')))
        EXPECT_TRUE(printed.contains(line)) << line.toStdString();
    bool noticeShown = false;
    for (const QLabel* label : editor.findChildren<QLabel*>())
        noticeShown = noticeShown || (label->text().contains(QStringLiteral("统计法")) && printed.contains(label->text()));
    EXPECT_TRUE(noticeShown);
}
