#pragma once

#include <QString>

// The program's folder: where the executable and its delivered data lie, or the folder
// named by TALLYRA_HOME.
QString ProgramFolder();
// The user's documents folder: the "Personal" shell folder value when the settings store
// has one, otherwise the platform's documents folder; created when missing.
QString DocumentsFolder();
