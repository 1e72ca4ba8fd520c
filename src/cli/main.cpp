// tallyra-batch: the office's bulk jobs on a working database from the command line, through
// the same core procedures as the windows.
#include "cli/BatchCommands.h"
#include "cli/BatchDatabase.h"

#include <QCoreApplication>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    WatchInterrupts();
    return RunBatchProgram(QCoreApplication::arguments().mid(1));
}
