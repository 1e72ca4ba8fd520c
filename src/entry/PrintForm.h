#pragma once

#include "model/FieldCatalogue.h"

#include <QString>
#include <QVector>

// The printed survey form, laid out from its description (data/print_form.txt) and the field
// catalogue. The same layout makes the print templates and the catalogue's printPageID and
// printplace, so a value always lands in the cell the template prepared for it.
//
// Each worksheet is one printed page: four columns, A the code, B:C the caption (merged), D the
// value; on the cover the label spans A:B and the value C:D.

struct PrintFormLine {
    enum Kind { Title, Note, Blank, CoverField, PageHeading, ColumnHeads, Indicator };
    Kind kind = Blank;
    int row = 0;       // row on the sheet, from 1
    QString text;      // title, note, heading, caption or cover label
    QString field;     // CoverField, Indicator: the catalogue's FieldName
    QString valueCell; // CoverField, Indicator: the address of the value ("D7")
    bool isText = false; // CoverField, Indicator: the catalogue holds text there (a name, a telephone)
};

struct PrintFormSheet {
    QString name;
    QVector<PrintFormLine> lines;
};

// Lays out the description. A line of the description is one of
//   sheet NAME         starts the next worksheet
//   title TEXT         a bold heading over the form's width
//   note TEXT          a line of plain text over the form's width
//   blank              an empty line
//   identity           the form's identity lines (SurveyFormIdentity), one note each
//   notice             the statistics-law notice (SurveyFormNotice) as a note
//   field NAME LABEL   a cover field of the catalogue with its label
//   page N             the heading of data page N, the column heads, and every indicator of that
//                      page in catalogue order with its caption (Hint)
// "#" starts a comment line. Returns false with the line and reason in *error.
bool LayOutPrintForm(const QString& description, const TFieldDataArray& catalogue, QVector<PrintFormSheet>* sheets,
                     QString* error);

// The print map the layout gives: every field placed, with its sheet number and value cell.
struct PrintPlace {
    QString field;
    int printPageID = 0;
    QString printplace;
};
QVector<PrintPlace> PrintPlaces(const QVector<PrintFormSheet>& sheets);
