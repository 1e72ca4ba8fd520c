#pragma once

#include "base/Paths.h"
#include "db/Connection.h"

#include <QString>

// The working database: the one shared connection, its file and its identity label.
Connection& SysConnection();
extern QString CurrentDatabasePath;
extern QString DatabaseLabel;

struct OpenDatabaseResult {
    enum Status {
        Opened,
        FileMissing,    // "没有找到系统数据文件，请重新安装。"
        InstallBroken,  // "软件安装不正确，请与软件提供者联系！"
        LabelUnreadable // the file opened but its label could not be read; error holds why
    };
    Status status = Opened;
    QString error;
    int schemaVersion = 0; // the file's schema version, after any upgrade (db/WorkingSchema.h)
    bool readOnly = false; // a newer release's file: opened for reading only (NewerSchemaText)
    QString upgradeError;  // why an older file could not be brought to this version; it is unchanged
};

// The first of the tables and views start-up reads that an open file lacks; empty when it has
// them all. A file without them (an empty file, another database) is no system data file,
// however well the engine opens it.
QString MissingSchemaObject(Connection& connection);

// Opens the shared connection on the file (the working database, WorkingDatabaseFile, when the
// name is empty), sets CurrentDatabasePath and reads DatabaseLabel from ct_label. A system data
// file of an older release is upgraded in place (UpgradeWorkingSchema); one of a newer release is
// opened read-only.
OpenDatabaseResult OpenWorkingDatabase(const QString& fileName = QString());

// Reads the identity label of an open database file: db_name of the first ct_label row.
QString ReadDatabaseLabel(Connection& connection);
