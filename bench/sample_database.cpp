// Writes a working database with generated returns, for trying tallyra-batch and timing it:
// plausible returns of which about one in ten fails a check, or with "random" values that
// fail dozens of checks each.
// Usage: sample_database SYSTEM_DATA_FILE OUT.mdb ROWS [random]
#include "SampleReturns.h"

#include "db/Connection.h"
#include "db/DbError.h"

#include <QCoreApplication>
#include <QFile>

#include <cstdio>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const bool random = argc == 5 && QByteArray(argv[4]) == "random";
    if (argc != 4 && !random) {
        std::fprintf(stderr, "usage: sample_database SYSTEM_DATA_FILE OUT.mdb ROWS [random]\n");
        return 2;
    }
    const QString out = QString::fromLocal8Bit(argv[2]);
    if (QFile::exists(out) || !QFile::copy(QString::fromLocal8Bit(argv[1]), out)) {
        std::fprintf(stderr, "cannot write %s (it must not exist yet)\n", argv[2]);
        return 2;
    }
    QFile::setPermissions(out, QFile::ReadOwner | QFile::WriteOwner);
    try {
        Connection db;
        db.open(out);
        if (random)
            FillSampleReturns(db, atoi(argv[3]));
        else
            FillPlausibleReturns(db, atoi(argv[3]));
    } catch (const DbError& e) {
        std::fprintf(stderr, "%s\n", e.message().toUtf8().constData());
        QFile::remove(out);
        return 2;
    }
    return 0;
}
