#pragma once

#include "cli/CommandLine.h"

// "inspect PKG... [--db DB]": what each package holds and whether it would import, with
// nothing changed anywhere.
CommandSpec InspectCommand();
// "import DB PKG...": each package all-or-nothing in turn, one combined conflict report; with
// "--on-conflict keep|replace" the conflicts are settled and written in the decision record.
CommandSpec ImportCommand();

// Opens, read-only, the database that gives the tables a received file must match: --db when
// given, otherwise the delivered system data file. Empty text when it opened, else why not.
QString OpenReferenceDatabase(const CommandArgs& args);
