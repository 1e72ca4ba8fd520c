#include "plain_reader.h"

#include <sqlite3.h>
#include <stdio.h>
#include <string.h>
#include <time.h>

static double now(clockid_t clock)
{
    struct timespec t;
    clock_gettime(clock, &t);
    return t.tv_sec + t.tv_nsec / 1e9;
}

int PlainRead(const char* path, const char* sql, struct PlainReading* out)
{
    sqlite3* db = NULL;
    sqlite3_stmt* stmt = NULL;
    const double wall = now(CLOCK_MONOTONIC), cpu = now(CLOCK_PROCESS_CPUTIME_ID);
    memset(out, 0, sizeof *out);
    /* One thread uses the connection, so the engine need not lock around every call (the
     * program's connections are opened the same way). */
    if (sqlite3_open_v2(path, &db, SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX, NULL) != SQLITE_OK
        || sqlite3_prepare_v2(db, sql, -1, &stmt, NULL) != SQLITE_OK) {
        fprintf(stderr, "%s\n", db ? sqlite3_errmsg(db) : "out of memory");
        sqlite3_close(db);
        return 1;
    }
    const int columns = sqlite3_column_count(stmt);
    int rc;
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
        for (int c = 0; c < columns; ++c) {
            /* One engine call per value, then the read its type asks for on the value itself. */
            sqlite3_value* value = sqlite3_column_value(stmt, c);
            switch (sqlite3_value_type(value)) {
            case SQLITE_INTEGER:
                out->checksum += sqlite3_value_int64(value);
                break;
            case SQLITE_FLOAT:
                out->checksum += (long long)sqlite3_value_double(value);
                break;
            case SQLITE_NULL:
                break;
            default: {
                const unsigned char* text = sqlite3_value_text(value);
                out->checksum += sqlite3_value_bytes(value) + (text ? text[0] : 0);
                break;
            }
            }
        }
        ++out->rows;
    }
    if (rc != SQLITE_DONE)
        fprintf(stderr, "%s\n", sqlite3_errmsg(db));
    sqlite3_finalize(stmt);
    sqlite3_close(db);
    out->seconds = now(CLOCK_MONOTONIC) - wall;
    out->cpuSeconds = now(CLOCK_PROCESS_CPUTIME_ID) - cpu;
    return rc == SQLITE_DONE ? 0 : 1;
}
