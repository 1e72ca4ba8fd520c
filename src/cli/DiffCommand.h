#pragma once

#include "cli/CommandLine.h"

// "diff A B": which returns two packages or database files hold alike and which differ.
CommandSpec DiffCommand();
