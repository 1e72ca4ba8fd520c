#pragma once

#include <QString>
#include <QStringList>
#include <QVector>

// The pages of a return: the cover (0) and the thirteen data pages (1 to 13).
struct SurveyPage {
    int number;
    QString tabCaption;
    QChar letter;      // first letter of the page's field names; none on the cover
    int first, last;   // numbers of its fields
    QString heading;
    QString headingLine; // a second heading line, empty when none
};

const QVector<SurveyPage>& SurveyPages();
constexpr int kLastPage = 13;

// The form's identity lines ("表    号：工统基2表", the issuing and approving authorities, the
// approval number, the validity) and the statistics-law notice: the editor's cover shows them
// and the printed cover repeats them, both from here.
const QStringList& SurveyFormIdentity();
QString SurveyFormNotice();

// "z001": a letter and a three-digit number.
QString IndicatorName(QChar letter, int number);
// The field names of one page in order; the cover fields for page 0.
QStringList PageFieldNames(int page);
// The 207 indicator names in page order.
const QStringList& IndicatorNames();
// The fields whose values may have decimals at entry.
bool IndicatorTakesDecimals(const QString& field);

// The notes file of a page: "notes/TableNotesZUL-NN.rtf" in the program folder.
QString NotesFilePath(int page);
