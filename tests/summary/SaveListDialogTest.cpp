#include "base/SettingsStore.h"
#include "db/WorkingDatabase.h"
#include "summary/Grouping.h"
#include "summary/dlgSaveList.h"
#include "widgets/ScriptedPrompter.h"
#include "logic/ProgressBar.h"
#include "support/AnalysisReaders.h"
#include "support/OpenpyxlReader.h"
#include "support/TestEnvironment.h"

#include <QApplication>
#include <QFile>
#include <QJsonArray>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QToolButton>
#include <gtest/gtest.h>

namespace {
class SaveListDialogTest : public ::testing::Test {
protected:
    TestEnvironment env;
    ScriptedPrompter prompter;
    void SetUp() override
    {
        ASSERT_EQ(OpenWorkingDatabase().status, OpenDatabaseResult::Opened);
        for (qint64 code : {110000000000LL, 110000000001LL, 119999999999LL, 120000000000LL})
            SysConnection().execute("insert into dt_data (c901, c902, c903, c904, c905, c906, c907, RecordState, b001, "
                                    "b049, z001) values (?1, '工会', 110101, 3, '张', '010-1', 1, 1, 1, 7, 5)",
                                    {code});
    }
    // Exports and reads the workbook back: the titles of row 3 and the codes of column A from row 5.
    struct Seen {
        QStringList titles;
        QStringList codes;
    };
    Seen exportWith(TdlgSaveListForm& form)
    {
        const QString out = env.path(QString("list%1.xlsx").arg(++m_files));
        prompter.answer(out);
        form.button("tbSave")->click();
        Seen seen;
        if (!QFile::exists(out))
            return seen;
        const QJsonObject book = ReadWithOpenpyxl(out);
        const QJsonObject cells = book["sheets"].toArray()[0].toObject()["cells"].toObject();
        for (int c = 0; c < 80; ++c) {
            const QString column = c < 26 ? QString(QChar('A' + c)) : QString(QChar('A' + c / 26 - 1)) + QChar('A' + c % 26);
            const QString title = cells[column + "3"].toObject()["value"].toString();
            if (title.isEmpty())
                break;
            seen.titles << title;
        }
        for (int r = 5; cells.contains(QString("A%1").arg(r)); ++r)
            seen.codes << QString::number(cells[QString("A%1").arg(r)].toObject()["value"].toDouble(), 'f', 0);
        return seen;
    }
    int m_files = 0;
};

const QStringList kCover = {"c901", "c902", "c903", "c904", "c905", "c906", "RecordState"};

TEST_F(SaveListDialogTest, NoTableTickedGivesTheSevenCoverColumns)
{
    TdlgSaveListForm form;
    form.show();
    ASSERT_EQ(form.tableList()->count(), 12);
    EXPECT_EQ(form.tableList()->item(3)->text(), "表四 工会保障工作");
    EXPECT_TRUE(form.allRecord()->isChecked());
    const Seen seen = exportWith(form);
    EXPECT_EQ(seen.titles, kCover);
    EXPECT_EQ(seen.codes, QStringList({"110000000000", "110000000001", "119999999999", "120000000000"}));
    ASSERT_EQ(prompter.fileDialogs.size(), 1);
    EXPECT_TRUE(prompter.fileDialogs[0].fileName.startsWith(DatabaseLabel + "数据列表"));
    EXPECT_TRUE(form.button("tbSave")->isEnabled());
}

TEST_F(SaveListDialogTest, TableFourTickedAddsEveryBField)
{
    TdlgSaveListForm form;
    form.show();
    form.tableList()->item(3)->setCheckState(Qt::Checked);
    const Seen seen = exportWith(form);
    QStringList expected = kCover;
    for (int n = 1; n <= 49; ++n)
        expected << QString("b%1").arg(n, 3, 10, QChar('0'));
    EXPECT_EQ(seen.titles, expected);
    // Ticks are not kept: the next use starts from the choice file again.
    form.button("tbReturn")->click();
    TdlgSaveListForm again;
    again.show();
    EXPECT_EQ(again.tableList()->item(3)->checkState(), Qt::Unchecked);
}

TEST_F(SaveListDialogTest, AGroupingItemWithTwelveDigitBounds)
{
    const qint64 g = CreateGrouping(SysConnection(), "A");
    GroupItem first;
    first.groupId = g;
    first.title = "第一";
    first.low = 1;
    first.high = 2;
    SaveGroupItem(SysConnection(), first);
    GroupItem item;
    item.groupId = g;
    item.title = "十二位";
    item.low = 110000000000;
    item.high = 120000000000;
    item.lowSymbol = ">=";
    item.highSymbol = "<";
    const qint64 id = SaveGroupItem(SysConnection(), item);
    TdlgSaveListForm form;
    form.show();
    EXPECT_TRUE(form.radioGroup()->isEnabled());
    EXPECT_EQ(form.groupButton()->text(), "第一"); // the first item is taken, the radio not chosen
    EXPECT_TRUE(form.allRecord()->isChecked());
    ASSERT_EQ(form.groupMenu()->actions().size(), 2);
    form.groupMenu()->actions()[1]->trigger();
    EXPECT_EQ(form.chosenItem().id, id);
    EXPECT_EQ(form.groupButton()->text(), "十二位");
    form.radioGroup()->setChecked(true);
    EXPECT_EQ(exportWith(form).codes, QStringList({"110000000000", "110000000001", "119999999999"}));
}

TEST_F(SaveListDialogTest, RangesZeroAndReversed)
{
    TdlgSaveListForm form;
    form.show();
    EXPECT_FALSE(form.radioGroup()->isEnabled());
    EXPECT_EQ(form.groupButton()->text(), "     选择自定义分组");
    form.range()->setChecked(true);
    form.fromBox()->setText("110000000001");
    form.button("tbSave")->click();
    EXPECT_EQ(prompter.shown, QStringList({"请输入单位编号的范围"}));
    EXPECT_TRUE(prompter.fileDialogs.isEmpty());
    EXPECT_TRUE(form.button("tbSave")->isEnabled());
    EXPECT_TRUE(form.range()->isEnabled());
    // An upper code below the lower one exports only the lower code and shows it in both.
    form.toBox()->setText("110000000000");
    EXPECT_EQ(exportWith(form).codes, QStringList({"110000000001"}));
    EXPECT_EQ(form.toBox()->text(), "110000000001");
}

TEST_F(SaveListDialogTest, ReturnStoresTheHiddenCheckBox)
{
    TdlgSaveListForm form;
    form.show();
    form.button("tbReturn")->click();
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(RegReadInteger("CheckBox1", 7, SettingsRoot::LocalMachine, DataKey()), 0);
}
} // namespace

TEST_F(SaveListDialogTest, TheAnalysisExportWritesEveryFieldOfTheChosenReturns)
{
    TdlgSaveListForm form;
    form.show();
    form.tableList()->item(0)->setCheckState(Qt::Checked); // ticks do not matter here
    form.range()->setChecked(true);
    form.fromBox()->setText("110000000000");
    form.toBox()->setText("119999999999");
    // the SPSS filter, then the Stata one; the extension follows the filter
    for (const int filter : {0, 1}) {
        SCOPED_TRACE(filter);
        prompter.shown.clear();
        prompter.fileDialogs.clear();
        prompter.chosenFilter = filter;
        const QString typed = env.path(filter == 0 ? "spss" : "stata");
        prompter.answer(typed);
        // while the export lets events run, the progress window shows and holds the input
        bool heldInput = false;
        QTimer watch;
        QObject::connect(&watch, &QTimer::timeout, [&] {
            heldInput = heldInput
                        || (ProgressBarForm().isVisible() && QApplication::activeModalWidget() == &ProgressBarForm());
        });
        watch.start(0);
        QPushButton* stats = form.findChild<QPushButton*>("tbStats");
        ASSERT_TRUE(stats);
        EXPECT_EQ(stats->text(), "导出分析数据");
        stats->click();
        watch.stop();
        EXPECT_TRUE(heldInput);
        EXPECT_FALSE(ProgressBarForm().isVisible());
        ASSERT_EQ(prompter.fileDialogs.size(), 1);
        EXPECT_EQ(prompter.fileDialogs[0].filter, "SPSS 数据文件(*.sav)|*.sav|Stata 数据文件(*.dta)|*.dta");
        EXPECT_EQ(prompter.fileDialogs[0].title, "导出文件存放为");
        EXPECT_EQ(prompter.fileDialogs[0].folder, env.documentsFolder());
        EXPECT_TRUE(prompter.fileDialogs[0].fileName.startsWith(DatabaseLabel + "分析数据-"));
        const QString file = typed + (filter == 0 ? ".sav" : ".dta");
        EXPECT_EQ(prompter.shown, QStringList({"3个单位的分析数据已经正确导出到：'" + file + "'！"}));
        const QList<QStringList> values = ReadWithReadstat(file);
        ASSERT_EQ(values.size(), 4);
        EXPECT_EQ(values[0].size(), 215);
        EXPECT_EQ(values[1][0], "110000000000.000000");
        EXPECT_EQ(values[3][0], "119999999999.000000");
        EXPECT_TRUE(form.button("tbSave")->isEnabled());
        EXPECT_TRUE(stats->isEnabled());
    }

    // an incomplete range and an empty one are refused before the file is asked for
    prompter.shown.clear();
    prompter.fileDialogs.clear();
    form.toBox()->clear();
    form.findChild<QPushButton*>("tbStats")->click();
    form.fromBox()->setText("130000000000");
    form.toBox()->setText("130000000001");
    form.findChild<QPushButton*>("tbStats")->click();
    EXPECT_EQ(prompter.shown, QStringList({"请输入单位编号的范围", "没有符合条件的数据，不能导出！"}));
    EXPECT_TRUE(prompter.fileDialogs.isEmpty());
}

TEST_F(SaveListDialogTest, TheAnalysisExportRefusesTheWorkingDatabase)
{
    TdlgSaveListForm form;
    form.show();
    const QByteArray before = [] {
        QFile f(CurrentDatabasePath);
        f.open(QIODevice::ReadOnly);
        return f.readAll();
    }();
    const QString link = env.path("work.sav");
    ASSERT_TRUE(QFile::link(CurrentDatabasePath, link));
    prompter.answer(link);
    form.findChild<QPushButton*>("tbStats")->click();
    EXPECT_EQ(prompter.shown, QStringList({"不能把数据导出到正在使用的数据库文件“" + link + "”，请选择其它文件"}));
    QFile f(CurrentDatabasePath);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), before);
}
