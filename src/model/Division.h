#pragma once

#include <QString>

class Connection;

struct DivisionParts {
    int province = 0; // digits 1-2
    int city = 0;     // digits 3-4
    int county = 0;   // digits 5-6
};

DivisionParts SplitDivisionCode(int code);

// The full name of a six-digit division code from CT_CityName, or empty text. Codes of 99999
// and below are not looked up. An engine error leaves its message in *error.
QString LookupDivisionName(Connection& connection, int code, QString* error = nullptr);
