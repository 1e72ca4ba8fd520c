#include "entry/SurveyPages.h"

#include "base/Paths.h"

#include <QDir>

const QVector<SurveyPage>& SurveyPages()
{
    static const QVector<SurveyPage> pages = {
        {0, QStringLiteral("封面"), QChar(), 0, 0, QStringLiteral("2012年度  基层以上工会调查表"), QString()},
        {1, QStringLiteral("表1"), QLatin1Char('z'), 1, 18, QStringLiteral("表1  工会组织建设状况"),
         QStringLiteral("(z011限省、市级地方工会和县级以上实行垂直领导的产业工会填报，z017限县级地方工会填报、z018限乡镇、街道工会填报）")},
        {2, QStringLiteral("表2"), QLatin1Char('x'), 1, 12, QStringLiteral("表2  工会干部协管工作"), QString()},
        {3, QStringLiteral("表3"), QLatin1Char('p'), 1, 8, QStringLiteral("表3  工会干部教育培训工作"), QString()},
        {4, QStringLiteral("表4"), QLatin1Char('b'), 1, 31,
         QStringLiteral("表4  工会保障工作（第b011、b012项，第b015-b031项限县级及县级以上地方工会填报）"), QString()},
        {5, QStringLiteral("表4续"), QLatin1Char('b'), 32, 49,
         QStringLiteral("表4续  工会保障工作续（第b032-b042项限县级及县级以上地方工会填报）"), QString()},
        {6, QStringLiteral("表5"), QLatin1Char('f'), 1, 34, QStringLiteral("表5  工会法律工作(第f002-f006项限省、市级地方工会填报)"),
         QString()},
        {7, QStringLiteral("表6"), QLatin1Char('l'), 1, 7, QStringLiteral("表6  工会劳动保护工作"), QString()},
        {8, QStringLiteral("表7"), QLatin1Char('h'), 1, 5,
         QStringLiteral("表7  工会民主参与工作（第h002项限县级及以上地方和产业工会填报；第h003、h004、h005限县级及县级以下填报）"),
         QString()},
        {9, QStringLiteral("表8"), QLatin1Char('j'), 1, 21, QStringLiteral("表8 工会经济技术工作(第j001-j008项限省级地方工会填报)"),
         QString()},
        {10, QStringLiteral("表9"), QLatin1Char('s'), 1, 13,
         QStringLiteral("表9  工会财务和经费审查工作（第s001-s003项限县级及县级以上地方工会填报）"), QString()},
        {11, QStringLiteral("表10"), QLatin1Char('w'), 1, 11,
         QStringLiteral("表10 工会宣传教育和职工文化体育工作(第w006至w011项限县级及县级以上地方工会填报）"), QString()},
        {12, QStringLiteral("表11"), QLatin1Char('g'), 1, 8, QStringLiteral("表11 工会国际工作和对外经济技术交流工作"), QString()},
        {13, QStringLiteral("表12"), QLatin1Char('c'), 1, 21, QStringLiteral("表12  开展创建劳动关系和谐企业与工业园区活动"),
         QStringLiteral("(第c001-c008项限省、地、县级地方工会填报；第c009-c021项限乡镇、街道、工业园区基层以上工会填报)")},
    };
    return pages;
}

const QStringList& SurveyFormIdentity()
{
    static const QStringList lines = {QStringLiteral("表    号：工统基2表"), QStringLiteral("制表机关：中华全国总工会"),
                                      QStringLiteral("批准机关：国家统计局"), QStringLiteral("批准文号：国统制〔2012〕18号"),
                                      QStringLiteral("有效期至：2013年12月")};
    return lines;
}

QString SurveyFormNotice()
{
    return QStringLiteral("依照《中华人民共和国统计法》的规定，本调查表所填报的数据必须真实、准确、完整、及时，"
                          "不得虚报、瞒报、拒报、迟报，不得伪造、篡改。本调查表所取得的资料仅用于工会统计工作。");
}

QString IndicatorName(QChar letter, int number)
{
    return QString(letter) + QStringLiteral("%1").arg(number, 3, 10, QLatin1Char('0'));
}

QStringList PageFieldNames(int page)
{
    if (page == 0)
        return {QStringLiteral("c901"), QStringLiteral("c902"), QStringLiteral("c903"), QStringLiteral("c904"),
                QStringLiteral("c907"), QStringLiteral("c905"), QStringLiteral("c906")};
    QStringList names;
    if (page < 0 || page > kLastPage)
        return names;
    const SurveyPage& p = SurveyPages()[page];
    for (int n = p.first; n <= p.last; ++n)
        names << IndicatorName(p.letter, n);
    return names;
}

const QStringList& IndicatorNames()
{
    static const QStringList names = [] {
        QStringList all;
        for (int page = 1; page <= kLastPage; ++page)
            all << PageFieldNames(page);
        return all;
    }();
    return names;
}

bool IndicatorTakesDecimals(const QString& field)
{
    static const QStringList decimals = {"b014", "b017", "b024", "b039", "b048", "b049", "j018", "j021"};
    return decimals.contains(field.toLower());
}

QString NotesFilePath(int page)
{
    return QDir(ProgramFolder()).filePath(QStringLiteral("notes/TableNotesZUL-%1.rtf").arg(page, 2, 10, QLatin1Char('0')));
}
