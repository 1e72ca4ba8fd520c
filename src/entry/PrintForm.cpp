#include "entry/PrintForm.h"

#include "entry/SurveyPages.h"

#include <QSet>

bool LayOutPrintForm(const QString& description, const TFieldDataArray& catalogue, QVector<PrintFormSheet>* sheets,
                     QString* error)
{
    sheets->clear();
    QSet<QString> placed;
    int lineNumber = 0;
    auto fail = [&](const QString& reason) {
        *error = QStringLiteral("line %1: %2").arg(lineNumber).arg(reason);
        return false;
    };
    for (QString line : description.split(QLatin1Char('\n'))) {
        ++lineNumber;
        line = line.trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        const int space = line.indexOf(QLatin1Char(' '));
        const QString word = space < 0 ? line : line.left(space);
        const QString rest = space < 0 ? QString() : line.mid(space + 1).trimmed();
        if (word == QStringLiteral("sheet")) {
            if (rest.isEmpty())
                return fail(QStringLiteral("a sheet needs a name"));
            sheets->push_back({rest, {}});
            continue;
        }
        if (sheets->isEmpty())
            return fail(QStringLiteral("the first line must start a sheet"));
        PrintFormSheet& sheet = sheets->back();
        auto add = [&](PrintFormLine l) {
            l.row = int(sheet.lines.size()) + 1;
            sheet.lines.push_back(l);
            return sheet.lines.back().row;
        };
        if (word == QStringLiteral("title") || word == QStringLiteral("note")) {
            PrintFormLine l;
            l.kind = word == QStringLiteral("title") ? PrintFormLine::Title : PrintFormLine::Note;
            l.text = rest;
            add(l);
        } else if (word == QStringLiteral("blank")) {
            add({});
        } else if (word == QStringLiteral("identity") || word == QStringLiteral("notice")) {
            const QStringList texts = word == QStringLiteral("identity") ? SurveyFormIdentity() : QStringList{SurveyFormNotice()};
            for (const QString& text : texts) {
                PrintFormLine l;
                l.kind = PrintFormLine::Note;
                l.text = text;
                add(l);
            }
        } else if (word == QStringLiteral("field")) {
            const int gap = rest.indexOf(QLatin1Char(' '));
            PrintFormLine l;
            l.kind = PrintFormLine::CoverField;
            l.field = gap < 0 ? rest : rest.left(gap);
            l.text = gap < 0 ? QString() : rest.mid(gap + 1).trimmed();
            const auto known = std::find_if(catalogue.begin(), catalogue.end(), [&](const TFieldData& f) {
                return f.FieldName.compare(l.field, Qt::CaseInsensitive) == 0;
            });
            if (known == catalogue.end())
                return fail(QStringLiteral("%1 is not in the catalogue").arg(l.field));
            l.isText = known->QueryType == TextValue;
            if (placed.contains(l.field.toLower()))
                return fail(QStringLiteral("%1 is placed twice").arg(l.field));
            placed.insert(l.field.toLower());
            const int row = add(l);
            sheet.lines.back().valueCell = QStringLiteral("C%1").arg(row);
        } else if (word == QStringLiteral("page")) {
            bool ok = false;
            const int page = rest.toInt(&ok);
            if (!ok || page < 1 || page > kLastPage)
                return fail(QStringLiteral("no data page %1").arg(rest));
            const SurveyPage& p = SurveyPages()[page];
            PrintFormLine heading;
            heading.kind = PrintFormLine::PageHeading;
            heading.text = p.heading;
            add(heading);
            if (!p.headingLine.isEmpty()) {
                PrintFormLine note;
                note.kind = PrintFormLine::Note;
                note.text = p.headingLine;
                add(note);
            }
            PrintFormLine heads;
            heads.kind = PrintFormLine::ColumnHeads;
            add(heads);
            for (const TFieldData& f : catalogue) {
                if (f.PageID != page)
                    continue;
                if (placed.contains(f.FieldName.toLower()))
                    return fail(QStringLiteral("%1 is placed twice").arg(f.FieldName));
                placed.insert(f.FieldName.toLower());
                PrintFormLine l;
                l.kind = PrintFormLine::Indicator;
                l.field = f.FieldName;
                l.text = f.Hint;
                l.isText = f.QueryType == TextValue;
                const int row = add(l);
                sheet.lines.back().valueCell = QStringLiteral("D%1").arg(row);
            }
        } else {
            return fail(QStringLiteral("unknown word \"%1\"").arg(word));
        }
    }
    return true;
}

QVector<PrintPlace> PrintPlaces(const QVector<PrintFormSheet>& sheets)
{
    QVector<PrintPlace> places;
    for (int s = 0; s < sheets.size(); ++s)
        for (const PrintFormLine& l : sheets[s].lines)
            if (!l.valueCell.isEmpty())
                places.push_back({l.field, s + 1, l.valueCell});
    return places;
}
