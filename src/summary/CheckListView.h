#pragma once

#include "summary/ChoiceFile.h"

#include <Qt>

class QListWidget;

// The check lists of the summary and the data list dialogs, shown from a choice file's entries.

// Ticks are 0 not ticked, 1 ticked, 2 greyed; the list's check states order them otherwise.
Qt::CheckState CheckStateOfTick(int tick);
int TickOfCheckState(Qt::CheckState state);

// Fills the list anew: a selectable entry with its box as its tick says, a heading without one.
void FillCheckList(QListWidget* list, const CheckListEntries& entries);
