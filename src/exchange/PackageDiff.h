#pragma once

#include "exchange/ExchangeRules.h"
#include "exchange/ReturnComparison.h"

#include <QJsonObject>
#include <QStringList>

class Connection;
class ReceivedFile;

// Compares the returns of two received files (packages or database files, each made ready and
// checked), with the fields of the reference database (the delivered system data file) in its
// catalogue order. Raises DbError.
ReturnComparison DiffPackages(Connection& reference, const ReceivedFile& a, const ReceivedFile& b,
                              const ExchangeHooks& hooks = {});

// {"onlyA": [codes], "onlyB": [codes], "equal": [codes], "differing": [{"code": c, "fields":
// [{"field": "z001", "a": value, "b": value}]}]}: codes as numbers in ascending order, fields in
// catalogue order, values as stored (number, text or null).
QJsonObject PackageDiffJson(const ReturnComparison& diff);
// The same as a tab-separated table under its heading ("类别", "编号", "字段", "项目", "A", "B"),
// one line per code (a line per differing field), then the counts.
QStringList PackageDiffLines(const ReturnComparison& diff);
// Whether both hold the same returns.
bool SameReturns(const ReturnComparison& diff);
