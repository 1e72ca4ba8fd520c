/* The baseline the benchmarks measure against: a plain C program that steps a statement and
 * reads every value once, by its type. */
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

/* Opens the file read-only as a plain program would (default flags), prepares the statement,
 * steps it to the end and reads each column once with the read its type asks for. Returns 0 on
 * success; on failure prints the engine's message to stderr and returns 1. */
int PlainRead(const char* path, const char* sql, struct PlainReading* out);

#ifdef __cplusplus
}
#endif

#endif
