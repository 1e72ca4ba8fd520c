/* The plain reader on its own: plain_reader DATABASE_FILE "STATEMENT" */
#include "plain_reader.h"

#include <stdio.h>

int main(int argc, char* argv[])
{
    struct PlainReading r;
    if (argc != 3) {
        fprintf(stderr, "usage: plain_reader DATABASE_FILE STATEMENT\n");
        return 2;
    }
    if (PlainRead(argv[1], argv[2], &r) != 0)
        return 1;
    printf("rows: %lld; checksum: %lld; %.3f s (processor %.3f s)\n", r.rows, r.checksum, r.seconds, r.cpuSeconds);
    return 0;
}
