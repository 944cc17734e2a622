// spantally: add up a list of time intervals typed one per line.

#include <cctype>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#ifndef _WIN32
#include <unistd.h>
#endif

#include "cntchr.h"

namespace {

constexpr int LINESIZE = 128;            // one line with its terminator
constexpr size_t NAMESIZE = 64;          // a report file name with its terminator
constexpr int MAXTIMES = 256;            // filling the last slot aborts the run
constexpr long long FLDMAX = 2147483647; // so that a negated field still fits
constexpr int NUMSIZE = 20;              // a 64-bit number with its sign
constexpr int ROWSIZE = 6 * NUMSIZE + 6; // six numbers, four colons, a tab, a line end
constexpr char HEADER[] = " Time\t\tCumulative\n";
// The largest report. The report file buffers all of it, so that it is
// appended in one write: runs logging to one file at once never cut into
// each other's reports.
constexpr size_t RPTSIZE = sizeof HEADER - 1 + size_t{MAXTIMES - 1} * ROWSIZE;
constexpr int SHOWSIZE = 40; // how much of a long line a warning repeats
constexpr const char *SEPS = "+:";

enum LinSts { LIN_OK, LIN_EOF, LIN_ERR, LIN_LONG, LIN_NUL };
enum FldSts { FLD_OK, FLD_FEW, FLD_RANGE };

struct Hms {
    long long h, m, s;
};

// Accepted intervals, split and converted once, when they are taken.
struct Tbl {
    Hms ent[MAXTIMES];
    int cnt;
};

// Write pre, arg and post to standard error. Standard output goes first,
// so that on a shared stream a message never overtakes the banner or a prompt.
void PutErr(const char *pre, const char *arg, const char *post)
{
    fflush(stdout);
    fputs(pre, stderr);
    fputs(arg, stderr);
    fputs(post, stderr);
}

void PutBnr()
{
    fputs("\n Prompt user for a list of time intervals of the"
          "\n form h+m+s where h is hours, m is minutes, s is"
          "\n seconds. Continue prompting until user ends input"
          "\n with a blank line. Sum the entered intervals and"
          "\n report the result. "
          "Intervals may be negative.\n"
          "\n If the m or s is zero, the zero must be specified."
          "\n Use /oFile.Ext to append to File.Ext"
          "\n NOTE: the + sign must be used as the delimiter\n\n",
          stdout);
}

// Read one line without its line end ("\n", or "\r\n") into lin, and its
// length (LINESIZE if it did not fit) into lenp. A line that does not fit is
// still read to its end, so that its rest is never taken for further lines.
LinSts GetLin(char *lin, int *lenp)
{
    int len = 0;
    bool lng = false;
    bool nul = false;
    int c;

    while ((c = getc(stdin)) != EOF && c != '\n') {
        if (c == '\r') {
            int nxt = getc(stdin);
            if (nxt == '\n')
                break;
            if (nxt != EOF)
                ungetc(nxt, stdin);
        }
        if (c == '\0')
            nul = true;
        if (len < LINESIZE - 1)
            lin[len++] = static_cast<char>(c);
        else
            lng = true;
    }
    lin[len] = '\0';
    *lenp = lng ? LINESIZE : len;
    if (ferror(stdin) != 0)
        return LIN_ERR;
    if (lng)
        return LIN_LONG;
    if (c == EOF && len == 0)
        return LIN_EOF;
    return nul ? LIN_NUL : LIN_OK;
}

// Warn that a line was not taken, repeating at most SHOWSIZE characters
// of it with any NUL byte made visible.
void RefLin(const char *lin, int len, const char *why)
{
    PutErr("?W- Ignored, ", why, ": >");
    for (int i = 0; i < len && i < SHOWSIZE; i++) {
        if (lin[i] == '\0')
            fputs("^@", stderr);
        else
            putc(lin[i], stderr);
    }
    fputs(len > SHOWSIZE ? "...<\n" : "<\n", stderr);
}

// Convert a field as atoi does (blanks, a sign, then digits up to the first
// non-digit; no digits give 0), but refuse a magnitude beyond FLDMAX.
bool CnvFld(const char *fld, size_t len, long long *val)
{
    const char *end = fld + len;
    bool neg = false;
    long long v = 0;

    while (fld < end && isspace(static_cast<unsigned char>(*fld)) != 0)
        fld++;
    if (fld < end && (*fld == '+' || *fld == '-'))
        neg = *fld++ == '-';
    for (; fld < end && isdigit(static_cast<unsigned char>(*fld)) != 0; fld++) {
        v = v * 10 + (*fld - '0');
        if (v > FLDMAX)
            return false;
    }
    *val = neg ? -v : v;
    return true;
}

// Split an entry at runs of plus signs and colons into h, m and s; fields
// after the third are ignored. A minus sign that starts the first field
// makes the whole interval negative, even when its hours are 0.
FldSts SplInt(const char *ent, Hms *iv)
{
    long long v[3];
    bool neg = false;

    for (int i = 0; i < 3; i++) {
        ent += strspn(ent, SEPS);
        size_t len = strcspn(ent, SEPS);
        if (len == 0)
            return FLD_FEW;
        if (i == 0)
            neg = *ent == '-';
        if (!CnvFld(ent, len, &v[i]))
            return FLD_RANGE;
        ent += len;
    }
    *iv = {v[0], neg ? -v[1] : v[1], neg ? -v[2] : v[2]};
    return FLD_OK;
}

// A terminal echoes no line end for the Ctrl-D that ends the input, so the
// report would start on the prompt's line. A Windows console echoes the
// Enter that must follow Ctrl+Z, and a pipe or file must keep its bytes.
void EndTty()
{
#ifndef _WIN32
    if (isatty(STDIN_FILENO) != 0 && isatty(STDOUT_FILENO) != 0)
        fputs("\n", stdout);
#endif
}

// Prompt for intervals until the list ends and keep each one in tbl.
// Returns 1 when the table fills, which ends the run, else 0.
int GetInts(Tbl *tbl)
{
    char lin[LINESIZE];
    char wrk[LINESIZE];

    for (;;) {
        int len;

        fputs(" > ", stdout);
        fflush(stdout);
        switch (GetLin(lin, &len)) {
        case LIN_EOF:
            EndTty();
            return 0;
        case LIN_ERR:
            PutErr("?W- Could not read standard input: ", strerror(errno), "\n");
            return 0;
        case LIN_LONG:
            RefLin(lin, len, "longer than 127 characters");
            continue;
        case LIN_NUL:
            RefLin(lin, len, "holds a NUL byte");
            continue;
        case LIN_OK:
            break;
        }

        // One plus sign means m+s: read it as 0 hours.
        // Only such a line can outgrow the working copy.
        int pfx = CntChr(lin, '+') == 1 ? 2 : 0;
        if (len + pfx >= LINESIZE) {
            RefLin(lin, len, "longer than 125 characters with one plus sign");
            continue;
        }
        memcpy(wrk, "0+", static_cast<size_t>(pfx));
        memcpy(wrk + pfx, lin, static_cast<size_t>(len) + 1);
        if (len + pfx < 3)
            return 0;
        switch (SplInt(wrk, &tbl->ent[tbl->cnt])) {
        case FLD_FEW:
            RefLin(lin, len, "not h+m+s or m+s");
            continue;
        case FLD_RANGE:
            RefLin(lin, len, "a value out of range");
            continue;
        case FLD_OK:
            break;
        }

        if (++tbl->cnt == MAXTIMES) {
            fputs("Exceeding MAXTIMES limit, aborting.\n", stdout);
            return 1;
        }
    }
}

// Only the first argument counts: /oFILE or -oFILE (either case) appends the
// report to FILE. Returns 1, after a message, when the run must end here.
int OpnRpt(int argc, char *argv[], FILE **rpt, const char **name)
{
    const char *arg = argc > 1 ? argv[1] : "";

    if (arg[0] != '-' && arg[0] != '/')
        return 0;
    if (toupper(static_cast<unsigned char>(arg[1])) != 'O') {
        PutErr("\n?W- UNKNOWN ARGUMENT >", arg, "<");
        return 1;
    }
    *name = arg + 2;
    if (strlen(*name) < NAMESIZE)
        *rpt = fopen(*name, "a");
    if (*rpt == nullptr) {
        PutErr("\n?E- Could not open file ", *name, "");
        return 1;
    }
    static char buf[RPTSIZE];
    setvbuf(*rpt, buf, _IOFBF, sizeof buf);
    return 0;
}

// A report file that did not take every line must not pass for success.
int ClsRpt(FILE *rpt, const char *name)
{
    if (rpt == nullptr)
        return 0;
    // The whole report is still in the buffer here; flush it apart from the
    // close, since msvcrt's fclose does not report a failed final write.
    bool bad = fflush(rpt) != 0 || ferror(rpt) != 0;
    if (fclose(rpt) != 0 || bad) {
        PutErr("\n?E- Could not write file ", name, "\n");
        return 1;
    }
    return 0;
}

// Every report line goes to standard output, then the same to the report file.
void PutLin(const char *txt, size_t len, FILE *rpt)
{
    fwrite(txt, 1, len, stdout);
    if (rpt != nullptr)
        fwrite(txt, 1, len, rpt);
}

// A signed decimal in at least two places, with pad in front of a lone
// digit: "%2d" with a blank, "%02d" with a zero.
char *PutNum(char pad, char *p, long long v)
{
    if (v >= 0 && v < 10)
        *p++ = pad;
    return std::to_chars(p, p + NUMSIZE, v).ptr;
}

// Each row shows the interval as typed beside the running total. Carries go
// upward only: a negative total of minutes or seconds is never borrowed.
void PutRpt(const Tbl *tbl, FILE *rpt)
{
    Hms tot = {0, 0, 0};
    char row[ROWSIZE];

    PutLin(HEADER, sizeof HEADER - 1, rpt);
    for (int i = 0; i < tbl->cnt; i++) {
        const Hms &iv = tbl->ent[i];
        tot.h += iv.h;
        tot.m += iv.m;
        tot.s += iv.s;
        if (tot.s >= 60) {
            tot.m += tot.s / 60;
            tot.s %= 60;
        }
        if (tot.m >= 60) {
            tot.h += tot.m / 60;
            tot.m %= 60;
        }
        // " h:mm:ss\thh:mm:ss\n": the interval's hours alone are blank-filled.
        const long long num[] = {iv.h, iv.m, iv.s, tot.h, tot.m, tot.s};
        char *p = row;
        for (int k = 0; k < 6; k++) {
            p = PutNum(k == 0 ? ' ' : '0', p, num[k]);
            *p++ = "::\t::\n"[k];
        }
        PutLin(row, static_cast<size_t>(p - row), rpt);
    }
}

// A report that never reached standard output must not pass for success.
int ChkOut(int sts)
{
    if (fflush(stdout) != 0 || ferror(stdout) != 0) {
        fputs("\n?E- Could not write standard output\n", stderr);
        return 1;
    }
    return sts;
}

} // namespace

int main(int argc, char *argv[])
{
    Tbl tbl{};
    FILE *rpt = nullptr;
    const char *name = nullptr;
    int sts;

    // Windows buffers standard error unless it is a console; a warning must
    // show when it happens, among the prompts, not at exit.
    setvbuf(stderr, nullptr, _IONBF, 0);
    PutBnr();
    sts = OpnRpt(argc, argv, &rpt, &name);
    if (sts == 0)
        sts = GetInts(&tbl);
    if (sts == 0)
        PutRpt(&tbl, rpt);
    if (ClsRpt(rpt, name) != 0)
        sts = 1;
    return ChkOut(sts);
}
