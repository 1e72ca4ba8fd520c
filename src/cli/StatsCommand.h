#pragma once

#include "cli/CommandLine.h"

// "stats DB OUT.sav|OUT.dta [--from CODE --to CODE]": the analysis file of the returns.
CommandSpec StatsCommand();
