#pragma once

#include <QString>
#include <QTemporaryDir>

// A fresh program folder, settings folder and documents folder for one test, so that no test
// touches the user's files. With data, the delivered files are copied into the program folder.
class TestEnvironment {
public:
    enum Content { Empty, DeliveredData };
    explicit TestEnvironment(Content content = DeliveredData);
    ~TestEnvironment();

    QString programFolder() const;
    QString settingsFolder() const;
    QString documentsFolder() const;
    QString systemDataFile() const; // 2012NB_zul.mdb in the program folder
    QString path(const QString& name) const; // a name in the scratch folder

private:
    QTemporaryDir m_dir;
};

// The folder where the build put the delivered data.
QString DeliveredDataFolder();
// A copy of the delivered system data file at the given path.
void CopyDeliveredDatabase(const QString& target);
// The id of a process that has ended, for the files a killed run of the program leaves behind.
qint64 EndedProcessId();
