#pragma once

#include "cli/CommandLine.h"

// "compare DB LAST": the comparison with last year's file, flagged values as a table.
CommandSpec CompareCommand();
