// Builds the data delivered beside the program from the text sources in data/:
//   2012NB_zul.mdb  the system data file (schema, catalogue, code tables, rules, label)
//   view.dll        the package template (dt_data without rows, ct_label with one row)
//   notes/TableNotesZUL-NN.rtf, sumtable.zul, exporttable.zul
// Usage: make_delivered_data DATA_FOLDER OUTPUT_FOLDER
#include "DataTool.h"
#include "base/Gbk.h"
#include "base/PublicProcedure.h"
#include "db/Connection.h"
#include "db/DbError.h"
#include "db/WorkingSchema.h"
#include "entry/PrintForm.h"
#include "model/FieldCatalogue.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QStringList>
#include <QTextStream>

#include <cstdio>

namespace {
using DataTool::fail;
using DataTool::g_data;
using DataTool::g_out;
using DataTool::readText;

// Lines of a tab- or comma-separated file, header first, each split into fields.
QList<QStringList> readTable(const QString& name, QChar separator)
{
    QList<QStringList> rows;
    const QStringList lines = readText(name).split(QLatin1Char('\n'));
    for (QString line : lines) {
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        if (line.isEmpty())
            continue;
        rows << line.split(separator);
    }
    if (rows.isEmpty())
        fail(QStringLiteral("%1 is empty").arg(name));
    return rows;
}

// Inserts the rows of a table file; the header names the columns.
void loadTable(Connection& db, const QString& table, const QString& file, QChar separator)
{
    const QList<QStringList> rows = readTable(file, separator);
    const QStringList& header = rows.first();
    QStringList columns, marks;
    for (int i = 0; i < header.size(); ++i) {
        columns << QuoteIdentifier(header[i]);
        marks << QStringLiteral("?%1").arg(i + 1);
    }
    const QString sql =
        QStringLiteral("insert into %1 (%2) values (%3)").arg(QuoteIdentifier(table), columns.join(','), marks.join(','));
    for (int r = 1; r < rows.size(); ++r) {
        if (rows[r].size() != header.size())
            fail(QStringLiteral("%1 line %2: %3 fields, %4 expected").arg(file).arg(r + 1).arg(rows[r].size()).arg(header.size()));
        QVariantList values;
        for (const QString& v : rows[r])
            values << (v.isEmpty() ? QVariant() : QVariant(v));
        db.execute(sql, values);
    }
}

// The survey tables get their columns from the catalogue: texts as TEXT, every number NUMERIC
// so whole values stay integers and 12-digit codes stay exact.
QString surveyTableSql(Connection& db, const QString& table)
{
    RowSet fields = db.query(QStringLiteral("select FieldName, QueryType from dt_fieldlist order by sequence"));
    QStringList columns;
    for (fields.first(); !fields.eof(); fields.next()) {
        const bool text = fields.toInt(QStringLiteral("QueryType")) == 1;
        columns << QuoteIdentifier(fields.text(QStringLiteral("FieldName"))) + (text ? " TEXT" : " NUMERIC");
    }
    return QStringLiteral("CREATE TABLE %1 (\n  %2\n)").arg(table, columns.join(QStringLiteral(",\n  ")));
}

// The print map comes from the layout of the printed form, the one the print templates are
// made from.
void placePrintFields(Connection& db)
{
    QVector<PrintFormSheet> sheets;
    QString error;
    if (!LayOutPrintForm(readText(QStringLiteral("print_form.txt")), LoadFieldCatalogue(db), &sheets, &error))
        fail(QStringLiteral("print_form.txt %1").arg(error));
    for (const PrintPlace& p : PrintPlaces(sheets))
        db.execute(QStringLiteral("update dt_fieldlist set printPageID=?1, printplace=?2 where FieldName=?3"),
                   {p.printPageID, p.printplace, p.field});
}

// Writes a database file completely under a temporary name, then renames it into place.
template <typename Fill>
void buildDatabase(const QString& name, Fill fill)
{
    const QString target = QDir(g_out).filePath(name);
    const QString temp = target + QStringLiteral(".part");
    QFile::remove(temp);
    {
        Connection db;
        db.open(temp, Connection::Mode::Create);
        db.begin();
        fill(db);
        db.commit();
        db.execute(QStringLiteral("VACUUM"));
    }
    QFile::remove(target);
    if (!QFile::rename(temp, target))
        fail(QStringLiteral("cannot write %1").arg(target));
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QString error;
    if (!WriteFileWhole(path, bytes, &error))
        fail(error);
}

QByteArray gbkStrict(const QString& text, const QString& where)
{
    if (!GbkCanEncode(text))
        fail(QStringLiteral("%1 holds a character that GBK cannot hold").arg(where));
    return GbkEncode(text);
}

// A choice file: the source lines as they are, in GBK with CR LF.
void writeChoiceFile(const QString& source, const QString& target)
{
    QByteArray bytes;
    for (QString line : readText(source).split(QLatin1Char('\n'))) {
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        if (line.isEmpty())
            continue;
        bytes += gbkStrict(line, source) + "\r\n";
    }
    writeFile(QDir(g_out).filePath(target), bytes);
}

QByteArray rtfEscape(const QString& text, const QString& where)
{
    QByteArray out;
    const QByteArray gbk = gbkStrict(text, where);
    for (unsigned char c : gbk) {
        if (c == '\\' || c == '{' || c == '}') {
            out += '\\';
            out += char(c);
        } else if (c >= 0x80) {
            out += QStringLiteral("\\'%1").arg(c, 2, 16, QLatin1Char('0')).toLatin1();
        } else {
            out += char(c);
        }
    }
    return out;
}

// A notes file: the first line as a bold title, every further line a paragraph.
void writeNotes()
{
    QDir(g_out).mkpath(QStringLiteral("notes"));
    for (int page = 0; page <= 13; ++page) {
        const QString stem = QStringLiteral("TableNotesZUL-%1").arg(page, 2, 10, QLatin1Char('0'));
        const QString source = QStringLiteral("notes/") + stem + QStringLiteral(".txt");
        QStringList lines = readText(source).split(QLatin1Char('\n'));
        QByteArray rtf = "{\\rtf1\\ansi\\ansicpg936\\deff0{\\fonttbl{\\f0\\fnil\\fcharset134 "
                         + rtfEscape(QStringLiteral("宋体"), source) + ";}}\r\n\\f0\\fs20 ";
        bool title = true;
        for (QString line : lines) {
            line = line.trimmed();
            if (line.isEmpty())
                continue;
            if (title)
                rtf += "{\\b\\fs22 " + rtfEscape(line, source) + "}\\par\r\n";
            else
                rtf += rtfEscape(line, source) + "\\par\r\n";
            title = false;
        }
        rtf += "}\r\n";
        writeFile(QDir(g_out).filePath(QStringLiteral("notes/") + stem + QStringLiteral(".rtf")), rtf);
    }
}
} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    DataTool::start("make_delivered_data", argc, argv);
    QDir().mkpath(g_out);
    const QString label = readText(QStringLiteral("label.txt")).trimmed();
    try {
        buildDatabase(QStringLiteral("2012NB_zul.mdb"), [&](Connection& db) {
            db.executeScript(readText(QStringLiteral("schema.sql")));
            loadTable(db, QStringLiteral("dt_fieldlist"), QStringLiteral("fieldlist.tsv"), QLatin1Char('\t'));
            placePrintFields(db);
            db.execute(surveyTableSql(db, QStringLiteral("dt_data")));
            db.execute(QStringLiteral("CREATE UNIQUE INDEX dt_data_c901 ON dt_data (c901)"));
            db.execute(surveyTableSql(db, QStringLiteral("dt_data_dt_data")));
            db.executeScript(readText(QStringLiteral("view_data.sql")));
            loadTable(db, QStringLiteral("ct_sheetName"), QStringLiteral("sheetname.tsv"), QLatin1Char('\t'));
            loadTable(db, QStringLiteral("CT_CityName"), QStringLiteral("cityname.csv"), QLatin1Char(','));
            loadTable(db, QStringLiteral("CT_LevelCode"), QStringLiteral("levelcode.tsv"), QLatin1Char('\t'));
            loadTable(db, QStringLiteral("CT_state"), QStringLiteral("state.tsv"), QLatin1Char('\t'));
            // The check number orders the rules; it is not a column of the table.
            const QList<QStringList> logic = readTable(QStringLiteral("logic.tsv"), QLatin1Char('\t'));
            for (int r = 1; r < logic.size(); ++r) {
                const QStringList& row = logic[r];
                if (row.size() != 6)
                    fail(QStringLiteral("logic.tsv line %1: 6 fields expected").arg(r + 1));
                db.execute(QStringLiteral("insert into dt_logic (page_id, expression, rule, explain, focus) "
                                          "values (?1, ?2, ?3, ?4, ?5)"),
                           {row[1].toInt(), row[2], row[3], row[4], row[5]});
            }
            db.execute(QStringLiteral("insert into ct_label (db_name) values (?1)"), {label});
            // The tables of the later schema versions, and the version, as an upgrade makes them.
            UpgradeWorkingSchema(db);
        });
        buildDatabase(QStringLiteral("view.dll"), [&](Connection& db) {
            db.executeScript(readText(QStringLiteral("schema.sql")));
            loadTable(db, QStringLiteral("dt_fieldlist"), QStringLiteral("fieldlist.tsv"), QLatin1Char('\t'));
            const QString dataSql = surveyTableSql(db, QStringLiteral("dt_data"));
            // The package holds the survey rows and the label only.
            db.executeScript(QStringLiteral("DROP VIEW view_fieldlist; DROP VIEW view_datasearch; "
                                            "DROP VIEW view_group_item; DROP TABLE dt_fieldlist; "
                                            "DROP TABLE ct_sheetName; DROP TABLE dt_logic; DROP TABLE CT_CityName; "
                                            "DROP TABLE CT_LevelCode; DROP TABLE CT_state; DROP TABLE ct_group; "
                                            "DROP TABLE DT_GroupItem;"));
            db.execute(dataSql);
            db.execute(QStringLiteral("insert into ct_label (db_name) values (?1)"), {label});
        });
    } catch (const DbError& e) {
        fail(e.message());
    }
    writeNotes();
    writeChoiceFile(QStringLiteral("sumtable.txt"), QStringLiteral("sumtable.zul"));
    writeChoiceFile(QStringLiteral("exporttable.txt"), QStringLiteral("exporttable.zul"));
    return 0;
}
