#pragma once

#include <QString>

// The name of the system data file: the working database, as it is delivered.
inline const char* SystemDataFileName()
{
    return "2012NB_zul.mdb";
}

// Where a program's delivered files lie, judged from its executable's folder.
struct ProgramLocation {
    QString folder;         // the delivered files: the system data file, templates, notes
    bool installed = false; // true when they are the installed ones in share/tallyra
};
// The executable's folder itself when the system data file lies there (a build tree); else
// share/tallyra beside the executable's bin folder when that folder exists (installed, under
// whatever prefix); else the executable's folder, where a missing file is then reported.
ProgramLocation LocateProgramFolder(const QString& executableFolder);

// The program's folder, where its delivered files lie: the folder named by TALLYRA_HOME, or
// the one LocateProgramFolder finds for the running executable. Read from it; what the program
// writes goes to WorkingFolder (installed, this folder belongs to root).
QString ProgramFolder();
// True when the program runs from an installation: its delivered files are those in
// share/tallyra (never with TALLYRA_HOME).
bool RunsInstalled();
// The user's data folder of the window program ("~/.local/share/Tallyra"), whichever program
// asks; on Linux the AppDataLocation of an application named Tallyra.
QString UserDataFolder();
// Where the program keeps what it writes "beside the program" (the working database, the
// choice files): the user's data folder when installed, otherwise the program's folder.
QString WorkingFolder();
// The working database the window opens: the system data file in the working folder.
QString WorkingDatabaseFile();

// The user's documents folder: the "Personal" shell folder value when the settings store
// has one, otherwise the platform's documents folder; created when missing.
QString DocumentsFolder();
