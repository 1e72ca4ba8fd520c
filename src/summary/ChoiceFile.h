#pragma once

#include <QByteArray>
#include <QString>
#include <QVector>

// One entry of a check list that a choice file keeps: a heading (caption beginning with "//",
// never summed or exported) or a selectable entry, and its tick (0 not ticked, 1 ticked, 2 greyed).
struct CheckListEntry {
    QString caption;
    bool selectable = true;
    int tick = 0;
    bool operator==(const CheckListEntry&) const = default;
};
using CheckListEntries = QVector<CheckListEntry>;

inline const char* SumTableFileName()
{
    return "sumtable.zul";
}
inline const char* ExportTableFileName()
{
    return "exporttable.zul";
}

// The lists as the program is delivered with them: the summary's cover, table headings and
// sheets; the data list export's twelve tables. Nothing ticked.
CheckListEntries DesignedSumTableList();
CheckListEntries DesignedExportTableList();

// A choice file's content: GBK text, one line per entry ending in CR LF, "&" + selectable digit
// + " " + tick digit + " " + caption + " ".
QByteArray ChoiceFileBytes(const CheckListEntries& entries);
// Reads the content: a line beginning with "&" gives selectable = its second character is "1",
// the tick = the digit in its fourth character (anything but 1 or 2 reads as not ticked), the
// caption = from its sixth character to the end less the one blank the writer puts there; any
// other line is a selectable entry, not ticked, captioned with the whole line.
CheckListEntries ParseChoiceFile(const QByteArray& bytes);
// Reads the file; false (and nothing read) when it is missing or cannot be read.
bool ReadChoiceFile(const QString& path, CheckListEntries* entries);
// Writes the file whole or not at all (a copy beside it renamed over it); the reason on failure.
bool WriteChoiceFile(const QString& path, const CheckListEntries& entries, QString* error = nullptr);

// The sheet number of each selectable entry is its place among the selectable entries, from 1.
// Whether the selectable entry with that number is ticked (1).
bool IsSheetTicked(const CheckListEntries& entries, int sheet);
// How many selectable entries the list has, and how many of them are ticked.
int SelectableCount(const CheckListEntries& entries);
int TickedSelectableCount(const CheckListEntries& entries);
