#pragma once

#include <QString>

class Connection;

// The label of a database that was never named; a package must carry another.
QString DefaultDatabaseLabel(); // "默认数据库"
// The package template "view.dll" in the program folder.
QString PackageTemplatePath();

struct PackageExportResult {
    qint64 rows = 0;
    QString error; // empty when the package was written
};

// Writes a package of the finished returns (RecordState=1) of the working database: a copy of
// the template filled through a connection of its own, the label bound as a value, the start
// scrambled, then renamed into place. A failure leaves no file there (an older one stays). The
// working database is only read.
PackageExportResult WritePackage(Connection& working, const QString& templatePath, const QString& target,
                                 const QString& label);
