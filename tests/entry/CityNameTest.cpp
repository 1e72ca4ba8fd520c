#include "entry/CityName.h"

#include "db/WorkingDatabase.h"
#include "model/DivisionTree.h"
#include "widgets/ScriptedPrompter.h"
#include "support/TestEnvironment.h"

#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

namespace {
class CityNameTest : public ::testing::Test {
protected:
    TestEnvironment env;
    ScriptedPrompter prompter;

    void SetUp() override { ASSERT_EQ(OpenWorkingDatabase().status, OpenDatabaseResult::Opened); }

    static QListWidget* list(const TCityNameForm& form, const char* name)
    {
        return form.findChild<QListWidget*>(QString::fromLatin1(name));
    }
    static QString current(const TCityNameForm& form, const char* name)
    {
        const QListWidgetItem* item = list(form, name)->currentItem();
        return item ? item->text() : QString();
    }
    static QStringList currentNames(const TCityNameForm& form)
    {
        return {current(form, "CityName1"), current(form, "CityName2"), current(form, "CityName3")};
    }
    static QRect rowRect(QListWidget* list, const QString& name)
    {
        const QList<QListWidgetItem*> items = list->findItems(name, Qt::MatchExactly);
        if (items.isEmpty())
            return {};
        list->scrollToItem(items.first());
        return list->visualItemRect(items.first());
    }
    static void clickRow(const TCityNameForm& form, const char* listName, const QString& name)
    {
        QListWidget* l = list(form, listName);
        const QRect r = rowRect(l, name);
        ASSERT_TRUE(r.isValid()) << name.toStdString();
        QTest::mouseClick(l->viewport(), Qt::LeftButton, {}, r.center());
    }
    static void doubleClickRow(const TCityNameForm& form, const char* listName, const QString& name)
    {
        QListWidget* l = list(form, listName);
        const QRect r = rowRect(l, name);
        ASSERT_TRUE(r.isValid()) << name.toStdString();
        // A double click is a click followed by the double-click press.
        QTest::mouseClick(l->viewport(), Qt::LeftButton, {}, r.center());
        QTest::mouseDClick(l->viewport(), Qt::LeftButton, {}, r.center());
    }
    static void click(const TCityNameForm& form, const char* button)
    {
        QTest::mouseClick(form.findChild<QPushButton*>(QString::fromLatin1(button)), Qt::LeftButton);
    }
};

TEST_F(CityNameTest, QueriesTheThreeLevels)
{
    const QVector<DivisionRow> provinces = Provinces(SysConnection());
    ASSERT_EQ(provinces.size(), 31);
    EXPECT_EQ(provinces[0].id, 110000);
    EXPECT_EQ(provinces[0].name, "北京市");
    EXPECT_EQ(provinces[2].name, "河北省");

    const QVector<DivisionRow> prefectures = Prefectures(SysConnection(), 13);
    ASSERT_EQ(prefectures.size(), 11);
    EXPECT_EQ(prefectures[0].id, 130100);
    EXPECT_EQ(prefectures[0].combName, "河北省石家庄市");
    EXPECT_EQ(prefectures[1].name, "唐山市");

    const QVector<DivisionRow> counties = Counties(SysConnection(), 13, 1);
    ASSERT_GE(counties.size(), 2);
    EXPECT_EQ(counties[0].id, 130100); // the prefecture's own row first
    EXPECT_EQ(counties[0].code3, 0);
    EXPECT_EQ(counties[1].id, 130102);
    EXPECT_EQ(counties[1].code1, 13);
    EXPECT_EQ(counties[1].code2, 1);
    EXPECT_EQ(counties[1].code3, 2);
    EXPECT_EQ(counties[1].name, "长安区");
}

TEST_F(CityNameTest, OpensOnBeijingAndConfirmsThePrefectureRow)
{
    TCityNameForm form;
    EXPECT_EQ(form.windowTitle(), "中华人民共和国行政区划");
    form.show();
    EXPECT_EQ(currentNames(form), (QStringList{"北京市", "市辖区", "市辖区"}));
    EXPECT_EQ(list(form, "CityName3")->currentRow(), 0);
    EXPECT_EQ(list(form, "CityName3")->item(1)->text(), "东城区");
    QStringList labels;
    for (const QLabel* label : form.findChildren<QLabel*>())
        labels << label->text();
    for (const char* text : {"省级地区", "地市及直辖市所属区县", "县、市辖区、县级市、旗",
                             "说明：基于国家统计局2007年12月31日公布的《中华人民共和国行政区划代码》编排"})
        EXPECT_TRUE(labels.contains(QString::fromUtf8(text))) << text;

    click(form, "tbOK");
    EXPECT_EQ(form.result(), QDialog::Accepted);
    EXPECT_EQ(form.selectedCode(), 110100);
    EXPECT_EQ(form.selectedName(), "北京市");
}

struct PresetCase {
    int code;
    QStringList names; // current rows of the three lists
};

TEST_F(CityNameTest, OpensOnThePresetCode)
{
    const PresetCase cases[] = {
        {130102, {"河北省", "石家庄市", "长安区"}},
        {130602, {"河北省", "保定市", "竞秀区"}},
        {130699, {"河北省", "保定市", "保定市"}}, // no such county: the list's first row
    };
    for (const PresetCase& c : cases) {
        SCOPED_TRACE(c.code);
        TCityNameForm form;
        form.setSelectedCode(c.code);
        form.show();
        EXPECT_EQ(currentNames(form), c.names);
    }
}

TEST_F(CityNameTest, ChoosingAProvinceSelectsItsFirstPrefecture)
{
    TCityNameForm form;
    form.setSelectedCode(130602);
    form.show();
    clickRow(form, "CityName1", "山西省");
    EXPECT_EQ(currentNames(form), (QStringList{"山西省", "太原市", "太原市"}));
    EXPECT_EQ(list(form, "CityName3")->currentRow(), 0);

    // The arrow keys choose on their release.
    QListWidget* provinces = list(form, "CityName1");
    provinces->setFocus();
    QTest::keyClick(provinces, Qt::Key_Up);
    EXPECT_EQ(currentNames(form), (QStringList{"河北省", "石家庄市", "石家庄市"}));
    QTest::keyClick(provinces, Qt::Key_Up);
    EXPECT_EQ(currentNames(form), (QStringList{"天津市", "市辖区", "市辖区"}));

    click(form, "tbOK");
    EXPECT_EQ(form.result(), QDialog::Accepted);
    EXPECT_EQ(form.selectedCode(), 120100);
    EXPECT_EQ(form.selectedName(), "天津市");
}

TEST_F(CityNameTest, ChoosingAPrefectureFillsItsCounties)
{
    TCityNameForm form;
    form.setSelectedCode(130102);
    form.show();
    clickRow(form, "CityName2", "唐山市");
    EXPECT_EQ(currentNames(form), (QStringList{"河北省", "唐山市", "唐山市"}));
    EXPECT_EQ(list(form, "CityName3")->item(1)->text(), "路南区");

    QListWidget* prefectures = list(form, "CityName2");
    prefectures->setFocus();
    QTest::keyClick(prefectures, Qt::Key_Down);
    EXPECT_EQ(currentNames(form), (QStringList{"河北省", "秦皇岛市", "秦皇岛市"}));

    clickRow(form, "CityName2", "唐山市");
    doubleClickRow(form, "CityName3", "路北区");
    EXPECT_EQ(form.result(), QDialog::Accepted);
    EXPECT_EQ(form.selectedCode(), 130203);
    EXPECT_EQ(form.selectedName(), "河北省唐山市路北区");
}

TEST_F(CityNameTest, CancelKeepsTheSelection)
{
    for (const char* way : {"tbCancel", "Esc"}) {
        SCOPED_TRACE(way);
        TCityNameForm form;
        form.setSelectedCode(130102);
        form.show();
        clickRow(form, "CityName1", "山西省");
        if (QByteArray(way) == "Esc") {
            QListWidget* provinces = list(form, "CityName1");
            QTest::keyPress(provinces, Qt::Key_Escape);
            EXPECT_TRUE(form.isVisible()); // closes on the release
            QTest::keyRelease(provinces, Qt::Key_Escape);
        } else {
            click(form, way);
        }
        EXPECT_FALSE(form.isVisible());
        EXPECT_EQ(form.result(), QDialog::Rejected);
        EXPECT_EQ(form.selectedCode(), 130102);
        EXPECT_EQ(form.selectedName(), "北京市"); // never confirmed
    }
}
} // namespace
