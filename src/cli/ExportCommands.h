#pragma once

#include "cli/CommandLine.h"

// "csv DB OUT.csv": the upload CSV of the working database.
CommandSpec CsvCommand();
// "export DB OUT.dat --label NAME": the package for the office above.
CommandSpec ExportCommand();
