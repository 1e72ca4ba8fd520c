#pragma once

#include <QString>

// Why a file operation failed, for a message: the common causes in the program's words (a full
// disk, a file size limit, no permission, a read-only disk), any other as the system states it.
QString FileErrorCause(int errnum);
