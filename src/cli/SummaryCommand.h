#pragma once

#include "cli/CommandLine.h"

// "summary DB OUT.xlsx --by level|state|group=ID [--sheets 2-25]": the summary workbook of the
// summary window, saved to a file.
CommandSpec SummaryCommand();
