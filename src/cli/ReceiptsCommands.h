#pragma once

#include "cli/CommandLine.h"

// "expected DB --from FILE [--replace]": fills the list of expected units from a database file,
// a package or a text file of codes, as "应报单位名单" does.
CommandSpec ExpectedCommand();
// "receipts DB [--json]": the reporting picture of "收报情况": the figures and the table by
// division; with --json also the missing and unexpected codes and the register.
CommandSpec ReceiptsCommand();
