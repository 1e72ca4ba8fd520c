#include "db/SqlFunctions.h"

#include <cmath>
#include <sqlite3.h>

namespace {
void intFunction(sqlite3_context* context, int, sqlite3_value** args)
{
    switch (sqlite3_value_numeric_type(args[0])) {
    case SQLITE_INTEGER:
        sqlite3_result_int64(context, sqlite3_value_int64(args[0]));
        return;
    case SQLITE_FLOAT: {
        qint64 whole;
        double real;
        if (FloorOfReal(sqlite3_value_double(args[0]), &whole, &real))
            sqlite3_result_int64(context, whole);
        else
            sqlite3_result_double(context, real);
        return;
    }
    default:
        sqlite3_result_null(context);
    }
}
} // namespace

bool FloorOfReal(double x, qint64* whole, double* real)
{
    const double floored = std::floor(x);
    if (floored >= -9.2e18 && floored <= 9.2e18) {
        *whole = static_cast<qint64>(floored);
        return true;
    }
    *real = floored;
    return false;
}

void RegisterSqlFunctions(sqlite3* db)
{
    sqlite3_create_function_v2(db, "int", 1, SQLITE_UTF8 | SQLITE_DETERMINISTIC | SQLITE_DIRECTONLY, nullptr,
                               intFunction, nullptr, nullptr, nullptr);
}

qint64 ToJetTruth(const QVariant& value)
{
    if (value.isNull() || !value.isValid())
        return 0;
    const qint64 v = value.toLongLong();
    return v == 1 ? -1 : v;
}
