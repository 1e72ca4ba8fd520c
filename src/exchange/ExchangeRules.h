#pragma once

#include <QString>
#include <functional>

class Connection;

// The hooks a long exchange run calls while it goes; all may stay empty.
struct ExchangeHooks {
    std::function<void(qint64 total)> started;
    std::function<void(qint64 done)> stepped;
    std::function<bool()> stopped; // ends the run; what it wrote is taken back
};

// Returns held or with logic errors ("RecordState<>1"); both exports refuse while there are any.
qint64 UnfinishedReturnCount(Connection& db);
