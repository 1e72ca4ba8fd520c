#include "ExchangeFixture.h"

#include "exchange/AnalysisDictionary.h"
#include "exchange/AnalysisFile.h"
#include "model/FieldCatalogue.h"
#include "support/AnalysisReaders.h"
#include "support/FileSizeLimit.h"

#include <QDir>
#include <QJsonArray>

#include <cmath>

namespace {
constexpr qint64 kFirst = 110101000001;
const QDateTime kTime(QDate(2026, 12, 9), QTime(8, 5));

AnalysisFileRequest requestFor(AnalysisFormat format, const QString& condition = QString(),
                               const QVariantList& params = {})
{
    AnalysisFileRequest request;
    request.format = format;
    request.condition = condition;
    request.params = params;
    request.databaseLabel = QStringLiteral("东城区总工会");
    request.exportTime = kTime;
    return request;
}

QString variableName(const QJsonObject& metadata, int i)
{
    return metadata["variables"].toArray()[i].toObject()["name"].toString();
}

// One awkward return: what it holds and what a reader must see in one field.
struct Awkward {
    const char* what;
    qint64 code;
    const char* set; // the change to a plain return
    const char* field;
    QVariant expected; // invalid: missing (system-missing, an empty string for a text)
};

const QList<Awkward>& AwkwardReturns()
{
    static const QList<Awkward> cases = {
        {"a text with quotes, a comma and line breaks", kFirst + 1, "c902='他说\"好\"，\r\n第二行\n第三行'",
         "c902", QString("他说\"好\"，\r\n第二行\n第三行")},
        {"a text with an apostrophe and a backslash", kFirst + 2, "c905='O''Brien\\张'", "c905",
         QString("O'Brien\\张")},
        {"NULL in a text field", kFirst + 3, "c906=NULL", "c906", QVariant()},
        {"NULL in a whole-number field", kFirst + 4, "z001=NULL", "z001", QVariant()},
        {"NULL in a decimal field", kFirst + 5, "b014=NULL", "b014", QVariant()},
        {"NULL in an answer field", kFirst + 6, "z010=NULL", "z010", QVariant()},
        {"NULL in a field coded by its caption", kFirst + 7, "z011=NULL", "z011", QVariant()},
        {"NULL in the level", kFirst + 8, "c904=NULL", "c904", QVariant()},
        {"NULL in the reporting state", kFirst + 9, "c907=NULL", "c907", QVariant()},
        {"NULL in the check state", kFirst + 10, "RecordState=NULL", "RecordState", QVariant()},
        {"NULL in the division", kFirst + 11, "c903=NULL", "c903", QVariant()},
        {"0 stays 0, not missing", kFirst + 12, "z002=0", "z002", 0.0},
        {"a word in a number field is missing", kFirst + 13, "z003='很多'", "z003", QVariant()},
        {"the largest 12-digit code", 999999999999, "", "c901", 999999999999.0},
        {"a decimal with three places", kFirst + 14, "b017=12.345", "b017", 12.345},
        {"a negative decimal", kFirst + 15, "j018=-0.5", "j018", -0.5},
        {"a whole number of 14 digits", kFirst + 16, "z008=99999999999999", "z008", 99999999999999.0},
        {"a code beyond the labels keeps its number", kFirst + 17, "z010=0", "z010", 0.0},
    };
    return cases;
}

class AnalysisFileTest : public ExchangeTest {
protected:
    void SetUp() override
    {
        ExchangeTest::SetUp();
        Connection& db = SysConnection();
        for (const Awkward& c : AwkwardReturns()) {
            AddReturns(db, c.code, 1);
            if (*c.set)
                db.execute(QStringLiteral("update dt_data set %1 where c901=?1").arg(c.set), {c.code});
        }
        db.execute("update dt_data set z010=1, z011=2, c003=4, RecordState=0, c904=3, c907=5 where c901=?1",
                   {kFirst + 1});
    }
    QString write(AnalysisFormat format, const QString& name, const QString& condition = QString(),
                  const QVariantList& params = {})
    {
        const QString path = env.path(name);
        const AnalysisFileResult result =
            WriteAnalysisFile(SysConnection(), path, requestFor(format, condition, params));
        EXPECT_EQ(result.error, "");
        return path;
    }
    // The returns in code order, every catalogue field, as the database holds them.
    QList<QVariantList> databaseRows(const AnalysisDictionary& dictionary)
    {
        QStringList names;
        for (const AnalysisVariable& v : dictionary.variables)
            names << v.name;
        QList<QVariantList> rows;
        RowSet set = SysConnection().query("select " + names.join(',') + " from dt_data order by c901");
        for (int p = 0; p < set.recordCount(); ++p) {
            QVariantList row;
            for (int i = 0; i < names.size(); ++i)
                row << set.valueAt(p, i);
            rows << row;
        }
        return rows;
    }
    // What a reader must see of a stored value: a number, a text, or invalid for missing.
    static QVariant expectedValue(const AnalysisVariable& v, const QVariant& stored)
    {
        if (v.kind == AnalysisKind::Text)
            return stored.isNull() ? QString() : stored.toString();
        if (stored.isNull())
            return QVariant();
        bool ok = false;
        const double number = stored.toString().toDouble(&ok);
        return ok ? QVariant(number) : QVariant();
    }
};

TEST(AnalysisDictionary, CaptionCodes)
{
    struct Case {
        const char* caption;
        QList<std::pair<int, const char*>> codes;
    };
    const QList<Case> cases = {
        {"参照管理审批层级(1=中央；2=省级；3=地市级)", {{1, "中央"}, {2, "省级"}, {3, "地市级"}}},
        {"是否参照公务员法管理(1=是；2=否)", {{1, "是"}, {2, "否"}}},
        {"组织方式（1=党政主导；2=三方联合；3=工会牵头；4=其他）",
         {{1, "党政主导"}, {2, "三方联合"}, {3, "工会牵头"}, {4, "其他"}}},
        {"half-width (1 = a; 2=b c)", {{1, "a"}, {2, "b c"}}},
        {"本级工会机关实有工作人员(人)", {}},
        {"本年投入帮扶专项资金(万元)", {}},
        {"a list not at the end (1=是；2=否) of it", {}},
        {"an item without a code (1=是；否)", {}},
        {"an item without a name (1=是；2=)", {}},
        {"", {}},
    };
    for (const Case& c : cases) {
        TMenuItemDataArray expected;
        for (const auto& [code, name] : c.codes)
            expected.push_back({code, QString::fromUtf8(name)});
        const TMenuItemDataArray got = CaptionCodes(QString::fromUtf8(c.caption));
        ASSERT_EQ(got.size(), expected.size()) << c.caption;
        for (int i = 0; i < got.size(); ++i) {
            EXPECT_EQ(got[i].code, expected[i].code) << c.caption;
            EXPECT_EQ(got[i].name, expected[i].name) << c.caption;
        }
    }
}

TEST(AnalysisDictionary, Utf8PrefixCutsAtACharacterBoundary)
{
    struct Case {
        const char* text;
        int bytes;
        const char* kept;
    };
    const QList<Case> cases = {
        {"abc", 80, "abc"},    {"abcdef", 3, "abc"},  {"甲乙丙", 9, "甲乙丙"}, {"甲乙丙", 8, "甲乙"},
        {"甲乙丙", 7, "甲乙"}, {"甲乙丙", 6, "甲乙"}, {"a甲乙", 3, "a"},       {"a😀b", 4, "a"},
        {"a😀b", 5, "a😀"},      {"甲", 0, ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Utf8Prefix(QString::fromUtf8(c.text), c.bytes), QByteArray(c.kept))
            << c.text << " " << c.bytes;
}

TEST(AnalysisFile, FileLabelNamesTheDatabaseAndTheTimeWithinTheFormatsLimit)
{
    const QString longLabel = QString(200, QChar(0x5DE5)); // 工 x 200, 600 bytes
    struct Case {
        QString label;
        AnalysisFormat format;
        QByteArray expected;
    };
    const QByteArray tail = QString(" 导出于 2026-12-09 08:05").toUtf8();
    const QList<Case> cases = {
        {"默认数据库", AnalysisFormat::Spss, QString("默认数据库").toUtf8() + tail},
        {"默认数据库", AnalysisFormat::Stata, QString("默认数据库").toUtf8() + tail},
        // 64 - 27 = 37 bytes: twelve characters; 80 - 27 = 53 bytes: seventeen
        {longLabel, AnalysisFormat::Spss, QString(12, QChar(0x5DE5)).toUtf8() + tail},
        {longLabel, AnalysisFormat::Stata, QString(17, QChar(0x5DE5)).toUtf8() + tail},
        {"", AnalysisFormat::Spss, tail},
    };
    for (const Case& c : cases) {
        const QByteArray label = AnalysisFileLabel(c.label, kTime, c.format);
        EXPECT_EQ(label, c.expected);
        EXPECT_LE(label.size(), FileLabelLimit(c.format));
    }
}

TEST(AnalysisFile, FormatsByExtensionAndFilter)
{
    AnalysisFormat format = AnalysisFormat::Spss;
    EXPECT_TRUE(AnalysisFormatOfName("a/b.dta", &format));
    EXPECT_EQ(format, AnalysisFormat::Stata);
    EXPECT_TRUE(AnalysisFormatOfName("B.SAV", &format));
    EXPECT_EQ(format, AnalysisFormat::Spss);
    EXPECT_FALSE(AnalysisFormatOfName("b.csv", &format));
    EXPECT_FALSE(AnalysisFormatOfName("sav", &format));
    EXPECT_EQ(AnalysisFileFilter(), "SPSS 数据文件(*.sav)|*.sav|Stata 数据文件(*.dta)|*.dta");
    EXPECT_EQ(AnalysisFormatOfFilter(0), AnalysisFormat::Spss);
    EXPECT_EQ(AnalysisFormatOfFilter(1), AnalysisFormat::Stata);
}

TEST_F(ExchangeTest, TheDictionaryFollowsTheCatalogue)
{
    Connection& db = SysConnection();
    const AnalysisDictionary dictionary = LoadAnalysisDictionary(db);
    const TFieldDataArray catalogue = LoadFieldCatalogue(db);
    ASSERT_EQ(dictionary.variables.size(), 215);
    ASSERT_EQ(dictionary.variables.size(), catalogue.size());
    int yesNo = 0;
    for (int i = 0; i < catalogue.size(); ++i) {
        const AnalysisVariable& v = dictionary.variables[i];
        EXPECT_EQ(v.name, catalogue[i].FieldName);
        EXPECT_EQ(v.caption, catalogue[i].Hint);
        const QString set = v.labelSet < 0 ? QString() : dictionary.labelSets[v.labelSet].name;
        if (catalogue[i].QueryType == AnswerCode) {
            ++yesNo;
            EXPECT_EQ(set, "yesno") << v.name.toStdString();
        } else if (QStringList({"z011", "z012", "c002", "c003"}).contains(v.name)) {
            EXPECT_EQ(set, v.name);
        } else if (v.name == "c904") {
            EXPECT_EQ(set, "level");
        } else if (v.name == "c907") {
            EXPECT_EQ(set, "state");
        } else if (v.name == "RecordState") {
            EXPECT_EQ(set, "recstate");
        } else {
            EXPECT_EQ(set, "") << v.name.toStdString();
        }
    }
    EXPECT_EQ(yesNo, 34);
    EXPECT_EQ(dictionary.variables[0].kind, AnalysisKind::Code);
    EXPECT_EQ(dictionary.variables[1].kind, AnalysisKind::Text);
    EXPECT_EQ(dictionary.variables.last().name, "RecordState");
    const auto kindOf = [&](const QString& name) {
        for (const AnalysisVariable& v : dictionary.variables)
            if (v.name == name)
                return v.kind;
        return AnalysisKind::Code;
    };
    EXPECT_EQ(kindOf("b014"), AnalysisKind::Decimal);
    EXPECT_EQ(kindOf("z001"), AnalysisKind::Whole);
    EXPECT_EQ(kindOf("c906"), AnalysisKind::Text);
}

TEST_F(ExchangeTest, TheCheckStateWordsAreTheListsWords)
{
    Connection& db = SysConnection();
    AddReturns(db, kFirst, 3);
    db.execute("update dt_data set RecordState=c901-?1", {kFirst});
    RowSet words = db.query("select RecordState, CheckStateName from view_data order by RecordState");
    int n = 0;
    for (words.first(); !words.eof(); words.next(), ++n)
        EXPECT_EQ(words.text("CheckStateName"),
                  FindCodeName(RecordStateList(), int(words.toInt("RecordState"))));
    EXPECT_EQ(n, 3);
}

TEST_F(AnalysisFileTest, PandasReadsEveryValueAndLabelOfTheStataFile)
{
    const QString path = write(AnalysisFormat::Stata, "returns.dta");
    const QJsonObject read = ReadDtaWithPandas(path);
    ASSERT_FALSE(read.contains("error")) << read["error"].toString().toStdString();
    const AnalysisDictionary dictionary = LoadAnalysisDictionary(SysConnection());

    EXPECT_EQ(read["label"].toString(), "东城区总工会 导出于 2026-12-09 08:05");
    EXPECT_EQ(read["version"].toInt(), 118);
    const QJsonArray columns = read["columns"].toArray();
    ASSERT_EQ(columns.size(), dictionary.variables.size());
    const QJsonObject labels = read["variableLabels"].toObject();
    const QJsonObject sets = read["labelSets"].toObject();
    const QJsonObject formats = read["formats"].toObject();
    for (int i = 0; i < columns.size(); ++i) {
        const AnalysisVariable& v = dictionary.variables[i];
        EXPECT_EQ(columns[i].toString(), v.name);
        EXPECT_EQ(labels[v.name].toString().toUtf8(), Utf8Prefix(v.caption, 80)) << v.name.toStdString();
        EXPECT_EQ(sets[v.name].toString(),
                  v.labelSet < 0 ? QString() : dictionary.labelSets[v.labelSet].name);
        EXPECT_EQ(read["dtypes"].toObject()[v.name].toString(),
                  v.kind == AnalysisKind::Text ? "object" : "float64");
    }
    EXPECT_EQ(formats["c901"].toString(), "%12.0f");
    EXPECT_EQ(formats["b017"].toString(), "%18.3f"); // the most decimals of the column: 12.345
    EXPECT_EQ(formats["b014"].toString(), "%17.2f"); // at least two

    // every value of every return, in code order
    const QList<QVariantList> stored = databaseRows(dictionary);
    const QJsonArray rows = read["rows"].toArray();
    ASSERT_EQ(rows.size(), stored.size());
    for (int r = 0; r < rows.size(); ++r) {
        const QJsonArray row = rows[r].toArray();
        for (int i = 0; i < dictionary.variables.size(); ++i) {
            const QVariant expected = expectedValue(dictionary.variables[i], stored[r][i]);
            const QJsonValue got = row[i];
            const std::string where =
                dictionary.variables[i].name.toStdString() + " row " + std::to_string(r);
            if (!expected.isValid())
                EXPECT_TRUE(got.isNull()) << where;
            else if (expected.typeId() == QMetaType::QString)
                EXPECT_EQ(got.toString(), expected.toString()) << where;
            else
                EXPECT_EQ(got.toDouble(), expected.toDouble()) << where;
        }
    }
    // the codes exactly: 12 digits do not round
    EXPECT_EQ(rows[0].toArray()[0].toDouble(), double(kFirst + 1));
    EXPECT_EQ(rows[rows.size() - 1].toArray()[0].toDouble(), 999999999999.0);

    // value labels as Stata holds them, and applied by pandas
    const QJsonObject valueLabels = read["valueLabels"].toObject();
    EXPECT_EQ(valueLabels["yesno"].toObject(), QJsonObject({{"1", "是"}, {"2", "否"}}));
    EXPECT_EQ(valueLabels["z011"].toObject(), QJsonObject({{"1", "中央"}, {"2", "省级"}, {"3", "地市级"}}));
    EXPECT_EQ(valueLabels["c003"].toObject()["4"].toString(), "其他");
    EXPECT_EQ(valueLabels["level"].toObject().size(), 10);
    EXPECT_EQ(valueLabels["level"].toObject()["3"].toString(), "县级地方工会");
    EXPECT_EQ(valueLabels["state"].toObject()["5"].toString(), "暂停活动");
    EXPECT_EQ(valueLabels["recstate"].toObject(), QJsonObject({{"0", "暂存"}, {"1", "通过"}, {"2", "有错"}}));
    const QJsonObject labelled = read["labelled"].toObject();
    EXPECT_EQ(labelled["z010"].toArray()[0].toString(), "是");
    EXPECT_EQ(labelled["z011"].toArray()[0].toString(), "省级");
    EXPECT_EQ(labelled["c003"].toArray()[0].toString(), "其他");
    EXPECT_EQ(labelled["c904"].toArray()[0].toString(), "县级地方工会");
    EXPECT_EQ(labelled["c907"].toArray()[0].toString(), "暂停活动");
    EXPECT_EQ(labelled["RecordState"].toArray()[0].toString(), "暂存");
    EXPECT_EQ(labelled["RecordState"].toArray()[1].toString(), "通过");
}

TEST_F(AnalysisFileTest, ReadstatReadsEveryValueAndLabelOfBothFormats)
{
    const AnalysisDictionary dictionary = LoadAnalysisDictionary(SysConnection());
    const QList<QVariantList> stored = databaseRows(dictionary);
    for (const AnalysisFormat format : {AnalysisFormat::Spss, AnalysisFormat::Stata}) {
        const bool spss = format == AnalysisFormat::Spss;
        const QString path = write(format, spss ? "returns.sav" : "returns.dta");
        SCOPED_TRACE(path.toStdString());

        const QMap<QString, QString> summary = ReadstatSummary(path);
        EXPECT_EQ(summary["Rows"], QString::number(stored.size()));
        EXPECT_EQ(summary["Columns"], "215");
        EXPECT_EQ(summary["Table label"], "东城区总工会 导出于 2026-12-09 08:05");
        if (spss) {
            EXPECT_EQ(summary["Text encoding"], "UTF-8");
            EXPECT_EQ(summary["Compression"], "rows");
        } else {
            EXPECT_EQ(summary["Format version"], "118");
        }
        EXPECT_TRUE(summary["Timestamp"].startsWith("09 Dec 2026 08:05"))
            << summary["Timestamp"].toStdString();

        const QList<QStringList> csv = ReadWithReadstat(path);
        ASSERT_EQ(csv.size(), stored.size() + 1);
        for (int i = 0; i < dictionary.variables.size(); ++i)
            EXPECT_EQ(csv[0].value(i), dictionary.variables[i].name);
        for (int r = 0; r < stored.size(); ++r) {
            ASSERT_EQ(csv[r + 1].size(), dictionary.variables.size()) << r;
            for (int i = 0; i < dictionary.variables.size(); ++i) {
                const QVariant expected = expectedValue(dictionary.variables[i], stored[r][i]);
                const QString got = csv[r + 1][i];
                const std::string where =
                    dictionary.variables[i].name.toStdString() + " row " + std::to_string(r);
                if (!expected.isValid()) {
                    EXPECT_EQ(got, "") << where;
                } else if (expected.typeId() == QMetaType::QString) {
                    EXPECT_EQ(got, expected.toString()) << where;
                } else {
                    bool ok = false;
                    EXPECT_EQ(got.toDouble(&ok), expected.toDouble()) << where << " " << got.toStdString();
                    EXPECT_TRUE(ok) << where;
                }
            }
        }
        EXPECT_EQ(csv[1][0], "110101000002.000000");
        EXPECT_EQ(csv.last()[0], "999999999999.000000");

        const QJsonObject metadata = ReadstatMetadata(path);
        ASSERT_FALSE(metadata.contains("error")) << metadata["error"].toString().toStdString();
        const QJsonArray variables = metadata["variables"].toArray();
        ASSERT_EQ(variables.size(), dictionary.variables.size());
        for (int i = 0; i < variables.size(); ++i) {
            const AnalysisVariable& v = dictionary.variables[i];
            const QJsonObject m = variables[i].toObject();
            EXPECT_EQ(m["name"].toString(), v.name);
            EXPECT_EQ(m["label"].toString().toUtf8(), spss ? v.caption.toUtf8() : Utf8Prefix(v.caption, 80))
                << v.name.toStdString();
            EXPECT_EQ(m["type"].toString(), v.kind == AnalysisKind::Text ? "STRING" : "NUMERIC");
            QJsonObject categories;
            for (const QJsonValue& c : m["categories"].toArray())
                categories[QString::number(c.toObject()["code"].toDouble())] =
                    c.toObject()["label"].toString();
            QJsonObject expected;
            if (v.labelSet >= 0)
                for (const TCode& code : dictionary.labelSets[v.labelSet].labels)
                    expected[QString::number(code.code)] = code.name;
            EXPECT_EQ(categories, expected) << v.name.toStdString();
        }
        if (spss) {
            EXPECT_EQ(variables[0].toObject()["decimals"].toInt(), 0); // the code without decimals
            for (int i = 0; i < variables.size(); ++i) {
                if (variableName(metadata, i) == "b017") {
                    EXPECT_EQ(variables[i].toObject()["decimals"].toInt(), 3);
                } else if (variableName(metadata, i) == "z001") {
                    EXPECT_EQ(variables[i].toObject()["decimals"].toInt(), 0);
                }
            }
        }
    }
}

TEST_F(AnalysisFileTest, AwkwardReturnsReadBackAsStored)
{
    const QString sav = write(AnalysisFormat::Spss, "awkward.sav");
    const QString dta = write(AnalysisFormat::Stata, "awkward.dta");
    const QList<QStringList> savRows = ReadWithReadstat(sav);
    const QList<QStringList> dtaRows = ReadWithReadstat(dta);
    const QJsonObject pandas = ReadDtaWithPandas(dta);
    ASSERT_FALSE(pandas.contains("error")) << pandas["error"].toString().toStdString();
    const QStringList names = savRows.value(0);
    ASSERT_EQ(dtaRows.value(0), names);
    const auto rowOf = [&](const QList<QStringList>& rows, qint64 code) {
        for (const QStringList& row : rows)
            if (row.value(0) == QString::number(code) + ".000000")
                return row;
        return QStringList();
    };
    const QJsonArray pandasRows = pandas["rows"].toArray();
    const auto pandasRowOf = [&](qint64 code) {
        for (const QJsonValue& row : pandasRows)
            if (row.toArray()[0].toDouble() == double(code))
                return row.toArray();
        return QJsonArray();
    };
    for (const Awkward& c : AwkwardReturns()) {
        SCOPED_TRACE(c.what);
        const int column = names.indexOf(c.field);
        ASSERT_GE(column, 0);
        const QJsonValue fromPandas = pandasRowOf(c.code)[column];
        for (const QList<QStringList>* rows : {&savRows, &dtaRows}) {
            const QString got = rowOf(*rows, c.code).value(column, "(no row)");
            if (!c.expected.isValid())
                EXPECT_EQ(got, "");
            else if (c.expected.typeId() == QMetaType::QString)
                EXPECT_EQ(got, c.expected.toString());
            else
                EXPECT_EQ(got.toDouble(), c.expected.toDouble()) << got.toStdString();
        }
        if (!c.expected.isValid())
            EXPECT_TRUE(fromPandas.isNull() || fromPandas.toString() == "");
        else if (c.expected.typeId() == QMetaType::QString)
            EXPECT_EQ(fromPandas.toString(), c.expected.toString());
        else
            EXPECT_EQ(fromPandas.toDouble(), c.expected.toDouble());
    }
}

TEST_F(AnalysisFileTest, ACaptionOverEightyBytesIsWholeInSpssAndCutInStata)
{
    // 'a' and thirty Chinese characters: 91 bytes; 80 bytes end inside the 27th character
    const QString caption = "a" + QString(30, QChar(0x6570));
    SysConnection().execute("update dt_fieldlist set Hint=?1 where FieldName='z001'", {caption});
    const QJsonObject sav = ReadstatMetadata(write(AnalysisFormat::Spss, "long.sav"));
    const QJsonObject dta = ReadstatMetadata(write(AnalysisFormat::Stata, "long.dta"));
    const QJsonObject pandas = ReadDtaWithPandas(env.path("long.dta"));
    const auto labelOf = [](const QJsonObject& metadata, const QString& name) {
        for (const QJsonValue& v : metadata["variables"].toArray())
            if (v.toObject()["name"].toString() == name)
                return v.toObject()["label"].toString();
        return QString("(none)");
    };
    EXPECT_EQ(labelOf(sav, "z001"), caption);
    EXPECT_EQ(labelOf(dta, "z001"), "a" + QString(26, QChar(0x6570)));
    EXPECT_EQ(pandas["variableLabels"].toObject()["z001"].toString(), "a" + QString(26, QChar(0x6570)));
    // the delivered captions over 80 bytes are cut the same way
    EXPECT_EQ(labelOf(dta, "z012"), QString::fromUtf8(Utf8Prefix(labelOf(sav, "z012"), 80)));
    EXPECT_GT(labelOf(sav, "z012").toUtf8().size(), 80);
}

TEST_F(AnalysisFileTest, TheConditionChoosesTheReturns)
{
    const QList<QStringList> range = ReadWithReadstat(
        write(AnalysisFormat::Spss, "range.sav", "where c901>=?1 and c901<=?2", {kFirst + 3, kFirst + 5}));
    ASSERT_EQ(range.size(), 4);
    EXPECT_EQ(range[1][0], "110101000004.000000");
    EXPECT_EQ(range[3][0], "110101000006.000000");

    const QList<double> codes = {999999999999.0, double(kFirst + 9), 123.0};
    const QList<QStringList> listed = ReadWithReadstat(
        write(AnalysisFormat::Stata, "listed.dta", CodeListCondition(), {CodeListParameter(codes)}));
    ASSERT_EQ(listed.size(), 3);
    EXPECT_EQ(listed[1][0], "110101000010.000000");
    EXPECT_EQ(listed[2][0], "999999999999.000000");

    // no return chosen: a file with the variables and no rows
    const QString none = write(AnalysisFormat::Stata, "none.dta", "where c901<0");
    EXPECT_EQ(ReadstatSummary(none)["Rows"], "0");
    EXPECT_EQ(ReadstatSummary(none)["Columns"], "215");
}

TEST_F(AnalysisFileTest, AFullDiskLeavesNoFileAndAnOlderFileAsItWas)
{
    Connection& db = SysConnection();
    AddReturns(db, 120000000000, 2000); // a file of some megabytes
    for (const AnalysisFormat format : {AnalysisFormat::Spss, AnalysisFormat::Stata}) {
        const QString name = format == AnalysisFormat::Spss ? "full.sav" : "full.dta";
        const QString probe = env.path("probe-" + name);
        ASSERT_TRUE(WriteAnalysisFile(db, probe, requestFor(format)).ok());
        const qint64 size = QFileInfo(probe).size();
        ASSERT_GT(size, 1 << 20); // beyond the first block the writer hands on
        QFile::remove(probe);
        const QDir folder = QFileInfo(probe).dir();
        const QStringList before = folder.entryList(QDir::Files);
        // the last block, the middle, the header
        for (const qint64 limit : {size - 1, size / 2, qint64(1000)}) {
            SCOPED_TRACE(limit);
            const QString path = env.path(name);
            QFile::remove(path);
            AnalysisFileResult result;
            {
                const FileSizeLimit full{rlim_t(limit)};
                result = WriteAnalysisFile(db, path, requestFor(format));
            }
            EXPECT_FALSE(result.ok());
            EXPECT_TRUE(result.error.startsWith("无法写入文件")) << result.error.toStdString();
            EXPECT_FALSE(QFile::exists(path));
            EXPECT_EQ(folder.entryList(QDir::Files), before); // no temporary file stays either

            WriteAll(path, "older file");
            {
                const FileSizeLimit full{rlim_t(limit)};
                result = WriteAnalysisFile(db, path, requestFor(format));
            }
            EXPECT_FALSE(result.ok());
            EXPECT_EQ(ReadAll(path), "older file");
            QFile::remove(path);
        }
    }
}

TEST_F(AnalysisFileTest, RefusalsLeaveNoFile)
{
    Connection& db = SysConnection();
    // the working database itself, also by another name for the same file
    const QByteArray database = ReadAll(db.path());
    const QString link = env.path("link.sav");
    ASSERT_TRUE(QFile::link(db.path(), link));
    for (const QString& target : {db.path(), link}) {
        const AnalysisFileResult result = WriteAnalysisFile(db, target, requestFor(AnalysisFormat::Spss));
        EXPECT_TRUE(result.error.startsWith("不能把数据导出到正在使用的数据库文件"))
            << result.error.toStdString();
    }
    EXPECT_EQ(ReadAll(db.path()), database);

    // a stop
    ExchangeHooks hooks;
    hooks.stopped = [] { return true; };
    AddReturns(db, 120000000000, 1500);
    const QString stopped = env.path("stopped.dta");
    const AnalysisFileResult stop = WriteAnalysisFile(db, stopped, requestFor(AnalysisFormat::Stata), hooks);
    EXPECT_EQ(stop.error, "导出已被中止");
    EXPECT_FALSE(QFile::exists(stopped));

    // a text longer than a Stata string holds; SPSS takes it whole
    const QString longText = QString(700, QChar(0x5B57)); // 2100 bytes
    db.execute("update dt_data set c905=?1 where c901=?2", {longText, kFirst + 1});
    const QString dta = env.path("long.dta");
    const AnalysisFileResult tooLong = WriteAnalysisFile(db, dta, requestFor(AnalysisFormat::Stata));
    EXPECT_EQ(tooLong.error, "字段“c905”中有长达2100字节的文本，超过了Stata文件的上限2045字节");
    EXPECT_FALSE(QFile::exists(dta));
    const QList<QStringList> sav = ReadWithReadstat(write(AnalysisFormat::Spss, "long.sav"));
    ASSERT_GT(sav.size(), 1);
    EXPECT_EQ(sav[1][sav[0].indexOf("c905")], longText);

    // a catalogue field that dt_data lacks
    db.execute("update dt_fieldlist set FieldName='nosuch' where FieldName='z001'");
    const QString missing = env.path("missing.sav");
    EXPECT_EQ(WriteAnalysisFile(db, missing, requestFor(AnalysisFormat::Spss)).error,
              "数据表dt_data中没有字段“nosuch”");
    EXPECT_FALSE(QFile::exists(missing));
}

TEST_F(AnalysisFileTest, TheHooksSeeTheCountAndTheProgress)
{
    Connection& db = SysConnection();
    AddReturns(db, 120000000000, 2500);
    qint64 total = -1;
    QList<qint64> steps;
    ExchangeHooks hooks;
    hooks.started = [&](qint64 n) { total = n; };
    hooks.stepped = [&](qint64 done) { steps << done; };
    const AnalysisFileResult result =
        WriteAnalysisFile(db, env.path("steps.sav"), requestFor(AnalysisFormat::Spss), hooks);
    const qint64 rows = 2500 + AwkwardReturns().size();
    EXPECT_EQ(result.rows, rows);
    EXPECT_EQ(total, rows);
    EXPECT_EQ(steps, QList<qint64>({1000, 2000, rows}));
}
} // namespace
