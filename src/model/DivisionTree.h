#pragma once

#include <QString>
#include <QVector>

class Connection;

// One row of CT_CityName: a province (Code2 = 0), a prefecture (Code3 = 0) or a county.
struct DivisionRow {
    int id = 0;
    int code1 = 0;
    int code2 = 0;
    int code3 = 0;
    QString name;
    QString combName;
};

// The three levels of the division picker. Engine errors raise DbError.
// Every province, in code order.
QVector<DivisionRow> Provinces(Connection& connection);
// The prefectures of a province, in code order.
QVector<DivisionRow> Prefectures(Connection& connection, int code1);
// The prefecture's own row first, then its counties, in code order.
QVector<DivisionRow> Counties(Connection& connection, int code1, int code2);
