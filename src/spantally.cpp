// SPDX-FileCopyrightText: 2026 The spantally authors
// SPDX-License-Identifier: MIT
// spantally: add up a list of time intervals typed one per line.

#include <cctype>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "cntchr.h"
#ifdef _WIN32
#include "winnam.h"
#else
#include <unistd.h>
#endif

namespace {

#ifndef _WIN32
// A Linux name is bytes: shown and opened as typed.
const char *ShwNam(const char *nam)
{
    return nam;
}

FILE *OpnNam(const char *nam)
{
    return fopen(nam, "a");
}

bool IsTty(int fd)
{
    return isatty(fd) != 0;
}

void SetBin()
{
}
#endif

constexpr int LINESIZE = 128;            // one line with its terminator
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
enum OptAct { ACT_RUN, ACT_HELP, ACT_VERS };
// Which field a minus after blanks, or in m+s, left negative alone.
enum SgnNte { SGN_NONE, SGN_HRS, SGN_MIN };

// What the long options ask for, and the argument the run goes by.
struct Opts {
    OptAct act;
    bool quiet;      // no banner, no prompts
    bool strict;     // status 2 when some input was not read in full
    bool borrow;     // every interval and total shown in one sign
    const char *arg; // the first other argument, or the first unknown long option; or none
    const char *nxt; // the second other argument, or none
    int fst;         // where the first other argument stands; 0: none
};

struct Hms {
    long long h, m, s;
};

// Accepted intervals, split and converted once, when they are taken.
struct Tbl {
    Hms ent[MAXTIMES];
    int cnt;
    int odd; // lines refused, read in part, or ending the list with a digit; unused arguments
};

// A line as read, and where it stands in the input (from 1).
struct Lin {
    char txt[LINESIZE];
    int len;       // LINESIZE: it did not fit
    long long num; // (a script may pipe in more than 2^31 lines)
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

// The line after a message that ends the run: why. The message keeps its
// bytes, and standard error always ends a line.
void PutWhy(const char *why)
{
    PutErr("\n    ", why, "\n");
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

// Read one line without its line end ("\n", or "\r\n") into ln. A line that
// does not fit is still read to its end, so that its rest is never taken for
// further lines. *eol: the line had its line end.
LinSts GetLin(Lin *ln, bool *eol)
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
            ln->txt[len++] = static_cast<char>(c);
        else
            lng = true;
    }
    ln->txt[len] = '\0';
    ln->len = lng ? LINESIZE : len;
    *eol = c != EOF;
    if (ferror(stdin) != 0)
        return LIN_ERR;
    if (lng)
        return LIN_LONG;
    if (c == EOF && len == 0)
        return LIN_EOF;
    return nul ? LIN_NUL : LIN_OK;
}

// A signed decimal in at least two places, with pad in front of a lone
// digit: "%2d" with a blank, "%02d" with a zero; none with '\0'.
char *PutNum(char pad, char *p, long long v)
{
    if (v >= 0 && v < 10 && pad != '\0')
        *p++ = pad;
    return std::to_chars(p, p + NUMSIZE, v).ptr;
}

// An interval as the report shows it by default: each field as it is.
char *PutHms(char pad, char *p, const Hms &v)
{
    p = PutNum(pad, p, v.h);
    *p++ = ':';
    p = PutNum('0', p, v.m);
    *p++ = ':';
    return PutNum('0', p, v.s);
}

// An interval in one sign: minutes and seconds below 60, the sign before the
// hours even when they are 0; zero has none.
char *PutOne(char pad, char *p, const Hms &v)
{
    long long t = v.h * 3600 + v.m * 60 + v.s;
    if (t < 0) {
        *p++ = '-';
        t = -t;
        pad = '\0'; // "-0" fills two places already
    }
    return PutHms(pad, p, {t / 3600, t / 60 % 60, t % 60});
}

// Does the interval have parts of both signs?
bool MixSgn(const Hms &v)
{
    return (v.h > 0 || v.m > 0 || v.s > 0) && (v.h < 0 || v.m < 0 || v.s < 0);
}

// Repeat at most SHOWSIZE characters of a text, with any NUL made visible.
void PutShw(const char *txt, int len)
{
    for (int i = 0; i < len && i < SHOWSIZE; i++) {
        if (txt[i] == '\0')
            fputs("^@", stderr);
        else
            putc(txt[i], stderr);
    }
    if (len > SHOWSIZE)
        fputs("...", stderr);
}

// " (line N" on a note; the caller closes the parenthesis.
void PutLno(long long num)
{
    char buf[NUMSIZE + 1];

    *PutNum('\0', buf, num) = '\0';
    fputs(" (line ", stderr);
    fputs(buf, stderr);
}

// Warn about a line ("Ignored, ..." when it was not taken) and say where it
// stands; for a stored line, how it was taken; with fix, that it is not in
// one sign and how to write it negative as a whole. Each such line counts
// against --strict.
void WrnLin(const char *what, const Lin &ln, const Hms *iv, const char *fix, Tbl *tbl)
{
    PutErr("?W- ", what, ": >");
    PutShw(ln.txt, ln.len);
    fputs("<", stderr);
    PutLno(ln.num);
    if (iv != nullptr) {
        char buf[3 * ROWSIZE];
        char *p = PutHms('\0', buf, *iv);
        if (fix != nullptr) {
            memcpy(p, ", that is ", 10);
            p = PutOne('\0', p + 10, *iv);
        }
        *p = '\0';
        PutErr(", taken as ", buf, "");
    }
    if (fix != nullptr) {
        fputs("; write ", stderr);
        PutShw(fix, static_cast<int>(strlen(fix)));
        fputs(" to make the whole interval negative", stderr);
    }
    fputs(")\n", stderr);
    tbl->odd++;
}

// Convert a field as atoi does (blanks, a sign, then digits up to the first
// non-digit; no digits give 0), but refuse a magnitude beyond FLDMAX. *whl
// tells whether that took all of the field: digits, and only blanks after.
bool CnvFld(const char *fld, size_t len, long long *val, bool *whl)
{
    const char *end = fld + len;
    bool neg = false;
    long long v = 0;

    while (fld < end && isspace(static_cast<unsigned char>(*fld)) != 0)
        fld++;
    if (fld < end && (*fld == '+' || *fld == '-'))
        neg = *fld++ == '-';
    const char *dgt = fld;
    for (; fld < end && isdigit(static_cast<unsigned char>(*fld)) != 0; fld++) {
        v = v * 10 + (*fld - '0');
        if (v > FLDMAX)
            return false;
    }
    *whl = fld > dgt;
    for (; fld < end && *whl; fld++)
        *whl = isspace(static_cast<unsigned char>(*fld)) != 0;
    *val = neg ? -v : v;
    return true;
}

// Does the field's number start with a minus, blanks aside?
bool LedMin(const char *fld)
{
    while (isspace(static_cast<unsigned char>(*fld)) != 0)
        fld++;
    return *fld == '-';
}

// Split an entry at runs of plus signs and colons into h, m and s; fields
// after the third are ignored. A minus sign that starts the first field
// makes the whole interval negative, even when its hours are 0. *prt says
// what of the entry was left unread, or is nullptr when nothing was. *sgn
// names a field whose minus, after blanks or as the minutes of m+s (ms),
// stays its own while a later field counts the other way.
FldSts SplInt(const char *ent, bool ms, Hms *iv, const char **prt, SgnNte *sgn)
{
    long long v[3];
    bool neg = false;
    bool bmin[2] = {false, false}; // the field's number starts with a minus

    *prt = nullptr;
    for (int i = 0; i < 3; i++) {
        ent += strspn(ent, SEPS);
        size_t len = strcspn(ent, SEPS);
        if (len == 0)
            return FLD_FEW;
        if (i == 0)
            neg = *ent == '-';
        if (i < 2)
            bmin[i] = LedMin(ent);
        bool whl;
        if (!CnvFld(ent, len, &v[i], &whl))
            return FLD_RANGE;
        if (*prt == nullptr && !whl)
            *prt = "Read in part, a field is not a whole number";
        ent += len;
    }
    if (*prt == nullptr && *ent != '\0' && ent[strspn(ent, SEPS)] != '\0')
        *prt = "Read in part, fields after the third are left out";
    *iv = {v[0], neg ? -v[1] : v[1], neg ? -v[2] : v[2]};
    *sgn = SGN_NONE;
    if (!neg && !ms && bmin[0] && (v[1] > 0 || v[2] > 0))
        *sgn = SGN_HRS;
    if (ms && bmin[1] && v[2] > 0)
        *sgn = SGN_MIN;
    return FLD_OK;
}

// The line that a minus before the hours, or before the minutes of m+s,
// makes negative as a whole: "-1+30+0" for " -1+30+0", "-0+5+30" for "-5+30".
void FixSgn(const char *lin, SgnNte sgn, char *fix)
{
    const char *mns = strchr(lin, '-');
    size_t pre = static_cast<size_t>(mns - lin);
    if (sgn == SGN_HRS) {
        while (pre > 0 && isspace(static_cast<unsigned char>(lin[pre - 1])) != 0)
            pre--;
        memcpy(fix, lin, pre);
        strcpy(fix + pre, mns);
    } else {
        strcpy(fix, "-0+");
        strcpy(fix + 3, mns + 1);
    }
}

// A terminal echoes no line end for the Ctrl-D that ends the input, so what
// comes next would land on that line. A Windows console echoes the Enter
// that must follow Ctrl+Z, and a pipe or file must keep its bytes.
void EndTty()
{
#ifndef _WIN32
    if (IsTty(0) && IsTty(1))
        fputs("\n", stdout);
#endif
}

// A line that ends the list while it holds a digit was most likely meant as
// an interval, and what follows it is never read.
bool HasDgt(const char *lin)
{
    return strpbrk(lin, "0123456789") != nullptr;
}

// Take one line read in full: store it in tbl, or refuse it. Returns 0 when
// the line ends the list, else 1.
int PutEnt(const Lin &ln, Tbl *tbl)
{
    char wrk[LINESIZE];
    const char *prt;
    SgnNte sgn;

    // One plus sign means m+s: read it as 0 hours.
    // Only such a line can outgrow the working copy.
    int pfx = CntChr(ln.txt, '+') == 1 ? 2 : 0;
    if (ln.len + pfx >= LINESIZE) {
        WrnLin("Ignored, longer than 125 characters with one plus sign", ln, nullptr, nullptr, tbl);
        return 1;
    }
    memcpy(wrk, "0+", static_cast<size_t>(pfx));
    memcpy(wrk + pfx, ln.txt, static_cast<size_t>(ln.len) + 1);
    if (ln.len + pfx < 3) {
        if (HasDgt(ln.txt))
            WrnLin("The list ends here, at a line too short for an interval; any lines after "
                   "it are not read",
                   ln, nullptr, nullptr, tbl);
        return 0;
    }
    Hms *iv = &tbl->ent[tbl->cnt];
    switch (SplInt(wrk, pfx != 0, iv, &prt, &sgn)) {
    case FLD_FEW:
        WrnLin("Ignored, not h+m+s or m+s", ln, nullptr, nullptr, tbl);
        return 1;
    case FLD_RANGE:
        WrnLin("Ignored, a value out of range", ln, nullptr, nullptr, tbl);
        return 1;
    case FLD_OK:
        break;
    }
    if (prt != nullptr)
        WrnLin(prt, ln, iv, nullptr, tbl);
    if (sgn != SGN_NONE) {
        char fix[LINESIZE + 3];
        FixSgn(ln.txt, sgn, fix);
        WrnLin(sgn == SGN_HRS ? "The minus makes only the hours negative"
                              : "The minus makes only the minutes negative",
               ln, iv, fix, tbl);
    }
    tbl->cnt++;
    return 1;
}

// Prompt for intervals until the list ends and keep each one in tbl.
// Returns 1 when the table fills, which ends the run, else 0.
int GetInts(Tbl *tbl, const Opts *opt)
{
    Lin ln;

    ln.num = 0;
    for (;;) {
        bool eol;

        if (!opt->quiet)
            fputs(" > ", stdout);
        fflush(stdout);
        LinSts st = GetLin(&ln, &eol);
        ln.num++;
        // (a line typed up to Ctrl-D: its note, the next prompt or the
        // report starts a line of its own)
        if (!eol && st != LIN_EOF && st != LIN_ERR)
            EndTty();
        switch (st) {
        case LIN_EOF:
            // (without prompts the cursor already starts a line)
            if (!opt->quiet)
                EndTty();
            return 0;
        case LIN_ERR:
            // (the line it could not read, after the reason as on every note)
            PutErr("?W- Could not read standard input: ", strerror(errno), "");
            PutLno(ln.num);
            fputs(")\n", stderr);
            tbl->odd++;
            return 0;
        case LIN_LONG:
            WrnLin("Ignored, longer than 127 characters", ln, nullptr, nullptr, tbl);
            continue;
        case LIN_NUL:
            WrnLin("Ignored, holds a NUL byte", ln, nullptr, nullptr, tbl);
            continue;
        case LIN_OK:
            break;
        }
        if (PutEnt(ln, tbl) == 0)
            return 0;
        if (tbl->cnt == MAXTIMES) {
            // (under --quiet standard output holds nothing but the report)
            const char *msg = "Exceeding MAXTIMES limit, aborting.\n";
            if (opt->quiet)
                PutErr("", msg, "");
            else
                fputs(msg, stdout);
            return 1;
        }
    }
}

// Long options (--name) may stand anywhere; the first other argument is the
// one the run goes by. The first of --help, --version and an unknown long
// option decides; an unknown one is refused as any unknown argument is.
bool IsLng(const char *a)
{
    return strncmp(a, "--", 2) == 0 && a[2] != '\0';
}

void GetOpts(int argc, const char *const argv[], Opts *opt)
{
    const char *bad = nullptr;

    *opt = {ACT_RUN, false, false, false, nullptr, nullptr, 0};
    for (int i = 1; i < argc; i++) {
        const char *a = argv[i];
        if (!IsLng(a)) {
            if (opt->fst == 0)
                opt->fst = i;
            else if (opt->nxt == nullptr)
                opt->nxt = a;
        } else if (strcmp(a, "--quiet") == 0) {
            opt->quiet = true;
        } else if (strcmp(a, "--strict") == 0) {
            opt->strict = true;
        } else if (strcmp(a, "--borrow") == 0) {
            opt->borrow = true;
        } else if (bad != nullptr || opt->act != ACT_RUN) {
            continue;
        } else if (strcmp(a, "--help") == 0) {
            opt->act = ACT_HELP;
        } else if (strcmp(a, "--version") == 0) {
            opt->act = ACT_VERS;
        } else {
            bad = a;
        }
    }
    opt->arg = bad != nullptr ? bad : opt->fst != 0 ? argv[opt->fst] : nullptr;
}

void PutUse()
{
    fputs("Usage: spantally [/oFILE] [--quiet] [--strict] [--borrow]\n"
          "       spantally --help | --version\n"
          "\n"
          "Adds up time intervals typed one a line, until an empty line, and prints\n"
          "each one beside the running total.\n"
          "\n"
          "  h+m+s      hours, minutes and seconds, as 1+30+0 (or 1:30:0)\n"
          "  m+s        minutes and seconds, as 45+30\n"
          "  -h+m+s     a minus sign first makes the whole interval negative\n"
          "\n"
          "  /oFILE     append the report to FILE as well (-oFILE too)\n"
          "  --quiet    no banner and no prompts: the report alone on standard output\n"
          "  --strict   exit status 2 when a line was refused or read only in part,\n"
          "             or an argument was not used\n"
          "  --borrow   every interval and total in one sign, as -0:30:00\n"
          "  --help     show this text\n"
          "  --version  show the version\n"
          "\n"
          "Exit status: 0 the report was written; 1 an unknown option, a report file\n"
          "that could not be opened or written, more than 255 intervals, or standard\n"
          "output that could not be written; 2 with --strict, the report was written\n"
          "but some input was not read in full.\n",
          stdout);
}

void PutVer()
{
    fputs("spantally " SPANTALLY_VERSION "\n"
          "Copyright (c) 2026 The spantally authors\n"
          "MIT License: free to use, change and pass on; there is no warranty.\n",
          stdout);
}

// /oFILE or -oFILE (either case) appends the report to FILE; any other
// argument that starts with - or / is refused. Returns 1, after a message,
// when the run must end here.
int OpnRpt(const Opts *opt, FILE **rpt, const char **name)
{
    const char *arg = opt->arg;
    if (arg == nullptr || (arg[0] != '-' && arg[0] != '/'))
        return 0;
    if (toupper(static_cast<unsigned char>(arg[1])) != 'O') {
        PutErr("\n?W- UNKNOWN ARGUMENT >", ShwNam(arg), "<");
        PutWhy("spantally --help lists the options");
        return 1;
    }
    *name = arg + 2;
    if (**name == '\0') {
        // (most tools take "-o NAME"; this one takes no blank)
        char o[3] = {arg[0], arg[1], '\0'};
        PutErr("\n?E- Could not open file \n    The name must follow ", o, " directly, as in ");
        PutErr(o, ShwNam(opt->nxt != nullptr ? opt->nxt : "times.log"), "\n");
        return 1;
    }
    *rpt = OpnNam(*name);
    if (*rpt == nullptr) {
        int err = errno;
        PutErr("\n?E- Could not open file ", ShwNam(*name), "");
        PutWhy(strerror(err));
        return 1;
    }
    static char buf[RPTSIZE];
    setvbuf(*rpt, buf, _IOFBF, sizeof buf);
    return 0;
}

// Only the first argument other than a long option counts: say so of every
// other one, and of a first one that names no file for want of /o.
void NteArgs(int argc, const char *const argv[], const Opts *opt, Tbl *tbl)
{
    for (int i = opt->fst; i > 0 && i < argc; i++) {
        const char *a = argv[i];
        if (IsLng(a))
            continue;
        if (i > opt->fst) {
            PutErr("?W- Argument not used, only the first one counts: >", ShwNam(a), "<\n");
        } else if (a[0] != '-' && a[0] != '/') {
            PutErr("?W- Argument not used: >", ShwNam(a), "< (to append the report to it: /o");
            PutErr("", ShwNam(a), ")\n");
        } else {
            continue;
        }
        tbl->odd++;
    }
}

// A report file that did not take every line must not pass for success.
int ClsRpt(FILE *rpt, const char *name)
{
    if (rpt == nullptr)
        return 0;
    // The whole report is still in the buffer here; flush it apart from the
    // close, since msvcrt's fclose does not report a failed final write.
    errno = 0;
    bool bad = fflush(rpt) != 0 || ferror(rpt) != 0;
    int err = errno;
    if (fclose(rpt) != 0 || bad) {
        if (!bad)
            err = errno;
        PutErr("\n?E- Could not write file ", ShwNam(name), "");
        PutWhy(strerror(err));
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

// Each row shows the interval as typed beside the running total, or with
// --borrow each in one sign. Carries go upward only: a negative total of
// minutes or seconds is never borrowed. Returns the total.
Hms PutRpt(const Tbl *tbl, FILE *rpt, bool borrow)
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
        char *p = (borrow ? PutOne : PutHms)(' ', row, iv);
        *p++ = '\t';
        p = (borrow ? PutOne : PutHms)('0', p, tot);
        *p++ = '\n';
        PutLin(row, static_cast<size_t>(p - row), rpt);
    }
    return tot;
}

// A total such as 01:-30:00 is read as more than it is: say what it is.
void NteTot(const Hms &tot)
{
    char buf[2 * ROWSIZE];

    if (!MixSgn(tot))
        return;
    char *p = PutHms('0', buf, tot);
    memcpy(p, " is ", 4);
    p = PutOne('\0', p + 4, tot);
    *p = '\0';
    PutErr("?I- The total ", buf, " in one sign (see --borrow)\n");
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

#ifdef _WIN32
int wmain(int argc, wchar_t *wargv[])
{
    char **argv = GetArgs(argc, wargv);
    if (argv == nullptr) {
        fputs("\n?E- Out of memory\n", stderr);
        return 1;
    }
#else
int main(int argc, char *argv[])
{
#endif
    Tbl tbl{};
    Opts opt;
    FILE *rpt = nullptr;
    const char *name = nullptr;
    int sts;

    // Windows buffers standard error unless it is a console; a warning must
    // show when it happens, among the prompts, not at exit.
    setvbuf(stderr, nullptr, _IONBF, 0);
    SetBin();
    GetOpts(argc, argv, &opt);
    if (opt.act == ACT_HELP)
        PutUse();
    if (opt.act == ACT_VERS)
        PutVer();
    if (opt.act != ACT_RUN)
        return ChkOut(0);

    if (!opt.quiet)
        PutBnr();
    sts = OpnRpt(&opt, &rpt, &name);
    if (sts == 0) {
        NteArgs(argc, argv, &opt, &tbl);
        sts = GetInts(&tbl, &opt);
    }
    if (sts == 0) {
        Hms tot = PutRpt(&tbl, rpt, opt.borrow);
        if (!opt.borrow)
            NteTot(tot);
    }
    if (ClsRpt(rpt, name) != 0)
        sts = 1;
    // Status 2 only for a report that was written in full.
    if (sts == 0 && opt.strict && tbl.odd > 0)
        sts = 2;
    return ChkOut(sts);
}
