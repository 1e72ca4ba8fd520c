/* The baseline the benchmarks measure against: a plain C program that steps a statement and
 * reads every value once, by its type, as fast as the engine delivers it. */
#ifndef TALLYRA_PLAIN_READER_H
#define TALLYRA_PLAIN_READER_H

#ifdef __cplusplus
extern "C" {
#endif

struct PlainReading {
    long long rows;
    long long checksum; /* depends on every value read, so no read can be left out */
    double seconds;     /* wall clock */
    double cpuSeconds;  /* the process's processor time */
};

/* Opens the file read-only on a connection without the per-call mutex (one thread uses it),
 * prepares the statement, steps it to the end and reads each value with one call
 * (sqlite3_column_value), then the read its type asks for. Returns 0 on success; on failure
 * prints the engine's message to stderr and returns 1. */
int PlainRead(const char* path, const char* sql, struct PlainReading* out);

#ifdef __cplusplus
}
#endif

#endif
