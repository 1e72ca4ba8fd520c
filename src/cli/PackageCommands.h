#pragma once

#include "cli/CommandLine.h"

// "inspect PKG... [--db DB]": what each package holds and whether it would import, with
// nothing changed anywhere.
CommandSpec InspectCommand();
// "import DB PKG...": each package all-or-nothing in turn, one combined conflict report.
CommandSpec ImportCommand();
