/* wall RUNS INPUT REF [ARG...] -- CMD [ARG...] [-- CMD [ARG...]]...
   Runs REF and each CMD in turn, RUNS rounds, each with INPUT on standard
   input and standard output thrown away. Prints for each command its median
   wall time, the median over the rounds of its time over REF's in the same
   round, and its peak resident set size. Alternating keeps slow spells of a
   noisy machine from landing on one command only. */
#define _GNU_SOURCE
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

enum { MAXCMDS = 8 };

static int cmpdbl(const void *a, const void *b)
{
    double x = *(const double *)a, y = *(const double *)b;
    return (x > y) - (x < y);
}

static double median(double *v, int n)
{
    qsort(v, (size_t)n, sizeof *v, cmpdbl);
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

/* Seconds one run of cmd takes; its peak RSS in KiB goes into *rss. */
static double run(char **cmd, const char *in, long *rss)
{
    struct timespec t0, t1;
    struct rusage ru;
    int st;

    clock_gettime(CLOCK_MONOTONIC, &t0);
    pid_t pid = fork();
    if (pid == 0) {
        int fi = open(in, O_RDONLY), fo = open("/dev/null", O_WRONLY);
        if (fi < 0 || fo < 0 || dup2(fi, 0) < 0 || dup2(fo, 1) < 0)
            _exit(127);
        execvp(cmd[0], cmd);
        _exit(127);
    }
    if (pid < 0 || wait4(pid, &st, 0, &ru) != pid) {
        perror("wall");
        exit(1);
    }
    clock_gettime(CLOCK_MONOTONIC, &t1);
    if (!WIFEXITED(st) || WEXITSTATUS(st) != 0) {
        fprintf(stderr, "wall: %s failed (wait status %d)\n", cmd[0], st);
        exit(1);
    }
    if (ru.ru_maxrss > *rss)
        *rss = ru.ru_maxrss;
    return (double)(t1.tv_sec - t0.tv_sec) + (double)(t1.tv_nsec - t0.tv_nsec) / 1e9;
}

int main(int argc, char *argv[])
{
    char **cmd[MAXCMDS];
    int ncmd = 0;

    if (argc < 4 || atoi(argv[1]) < 1) {
        fputs("usage: wall RUNS INPUT REF [ARG...] -- CMD [ARG...]...\n", stderr);
        return 2;
    }
    int runs = atoi(argv[1]);
    const char *in = argv[2];
    cmd[ncmd++] = &argv[3];
    for (int i = 3; i < argc; i++) {
        if (strcmp(argv[i], "--") == 0 && i + 1 < argc && ncmd < MAXCMDS) {
            argv[i] = NULL;
            cmd[ncmd++] = &argv[i + 1];
        }
    }

    /* t: each run's time; q: each run's time over REF's in the same round */
    double *t = calloc((size_t)(ncmd * runs), sizeof *t);
    double *q = calloc((size_t)(ncmd * runs), sizeof *q);
    long rss[MAXCMDS] = {0};
    if (t == NULL || q == NULL)
        return 1;
    for (int k = 0; k < runs; k++)
        for (int c = 0; c < ncmd; c++)
            t[c * runs + k] = run(cmd[c], in, &rss[c]);
    for (int c = 0; c < ncmd; c++)
        for (int k = 0; k < runs; k++)
            q[c * runs + k] = t[c * runs + k] / t[k];

    printf("%-16s %10s %10s %10s\n", "wall", "median ms", "ratio", "peak KiB");
    for (int c = 0; c < ncmd; c++) {
        const char *name = strrchr(cmd[c][0], '/') ? strrchr(cmd[c][0], '/') + 1 : cmd[c][0];
        printf("%-16s %10.3f %10.3f %10ld\n", name, median(&t[c * runs], runs) * 1e3,
               median(&q[c * runs], runs), rss[c]);
    }
    free(t);
    free(q);
    return 0;
}
