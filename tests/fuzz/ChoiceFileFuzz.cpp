// The choice files "sumtable.zul" and "exporttable.zul" as the summary and the data list export
// dialogs read them: the entries, their ticks and the sheet numbers the summary takes from them.
#include "FuzzTarget.h"

#include "summary/ChoiceFile.h"
#include "summary/SumWorkbook.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString path = FuzzInputFile(QString::fromLatin1(size % 2 ? SumTableFileName() : ExportTableFileName()), data, size);
    CheckListEntries entries;
    if (!ReadChoiceFile(path, &entries))
        FuzzFault(QStringLiteral("a readable choice file was not read"));
    const int selectable = SelectableCount(entries);
    int ticked = 0;
    for (int sheet = 1; sheet <= selectable; ++sheet)
        ticked += IsSheetTicked(entries, sheet) ? 1 : 0;
    if (ticked != TickedSelectableCount(entries) || IsSheetTicked(entries, 0) || IsSheetTicked(entries, selectable + 1))
        FuzzFault(QStringLiteral("the ticked sheets do not add up"));
    for (const CheckListEntry& e : entries)
        if (e.tick < 0 || e.tick > 2)
            FuzzFault(QStringLiteral("a tick outside 0 to 2"));
    // What the program writes back reads as the same list.
    const CheckListEntries again = ParseChoiceFile(ChoiceFileBytes(entries));
    if (again.size() != entries.size() || SelectableCount(again) != selectable || TickedSelectableCount(again) != ticked)
        FuzzFault(QStringLiteral("the list written back reads differently"));
    return 0;
}
