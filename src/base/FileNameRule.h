#pragma once

#include <QString>

// How a file dialog turns the name the user typed into the name of the file it reads or
// writes: the extension of the dialog's filter is appended unless the name ends with it.
struct FileNameRule {
    QString extension; // ".mdb"
    // A name shorter than this is not looked at: it stays as typed, or always gets the extension.
    int minimumLength = 0;
    bool shortNamesExtended = false;
    Qt::CaseSensitivity caseSensitivity = Qt::CaseSensitive;
};

// The result exports, the backup, the grouping files and the import: a name longer than the
// extension gets it unless it ends with it exactly; a shorter one stays as typed ("x.db").
FileNameRule KeepShortNames(const QString& extension);
// The upload file and the package: a name no longer than the extension always gets it, a
// longer one unless it ends with it exactly ("abc" gives "abc.csv", ".csv" gives ".csv.csv").
FileNameRule ExtendShortNames(const QString& extension);

// The name trimmed of blanks, with the extension appended by the rule; empty stays empty.
QString ApplyFileNameRule(const QString& chosen, const FileNameRule& rule);
