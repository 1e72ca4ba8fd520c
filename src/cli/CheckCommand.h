#pragma once

#include "cli/CommandLine.h"

// "check DB [--from CODE --to CODE] [--report FILE]": the batch logic check of the check
// window over all returns or a range of codes.
CommandSpec CheckCommand();
