// Prints a generated return into a workbook file, for the picture of a printed return.
// Usage: print_sample PROGRAM_FOLDER OUTPUT.xlsx
// The system data file of the program folder is copied; one sample return is added to the copy
// and printed with the program folder's "2012打印表.xltx".
#include "SampleReturns.h"
#include "db/Connection.h"
#include "db/DbError.h"
#include "entry/RecordPrint.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: print_sample PROGRAM_FOLDER OUTPUT.xlsx\n");
        return 2;
    }
    const QDir program(QString::fromLocal8Bit(argv[1]));
    QTemporaryDir scratch;
    const QString copy = scratch.filePath(QStringLiteral("print.mdb"));
    if (!QFile::copy(program.filePath(QStringLiteral("2012NB_zul.mdb")), copy))
        return 1;
    QFile::setPermissions(copy, QFile::ReadOwner | QFile::WriteOwner);
    try {
        Connection db;
        db.open(copy);
        FillSampleReturns(db, 1);
        const QString key = db.scalar(QStringLiteral("select c901 from dt_data")).toString();
        Workbook book = FillPrintWorkbook(db, program.filePath(QStringLiteral("2012打印表.xltx")), key, true);
        book.save(QString::fromLocal8Bit(argv[2]));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "print_sample: %s\n", e.what());
        return 1;
    }
    return 0;
}
