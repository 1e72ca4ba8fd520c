#pragma once

#include <QJsonObject>
#include <QString>

// Reads a workbook with python3-openpyxl, a reader independent of the program's own, and
// returns what it saw as JSON:
//   {"template": bool, (printArea: "$A$1:$D$12", the sheet it belongs to named by its place) "parts": [zip entry names], "contentTypes": "<Types ...>",
//    "sheets": [{"name", "printArea", "fitToWidth", "paperSize", "orientation",
//                "merged": ["A1:D1", ...], "widths": {"A": 12.5, ...},
//                "cells": {"A1": {"value", "type": "int"|"float"|"str"|..., "format",
//                                 "bold", "size", "align", "indent", "border"}}}]}
// "active" is the number (from 1) of the sheet the workbook opens on, "selected" the numbers of the
// sheets whose tabs are selected.
// Only cells with a value or a style are listed. On failure "error" holds openpyxl's message.
QJsonObject ReadWithOpenpyxl(const QString& path);

// The values of one column of the first sheet from a row down, read with openpyxl's streaming
// reader (quick for workbooks of many thousand rows): whole numbers in plain digits, empty
// cells as empty text. On failure one entry "error: " + openpyxl's message.
QStringList ReadColumnWithOpenpyxl(const QString& path, int column, int fromRow);
