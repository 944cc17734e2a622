// SPDX-FileCopyrightText: 2026 The spantally authors
// SPDX-License-Identifier: MIT
// spantally: add up a list of time intervals typed one per line.

#include <cctype>
#include <cerrno>
#include <charconv>
#include <climits>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#ifdef _WIN32
#include <cwchar>
#include <io.h>
#else
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
enum OptAct { ACT_RUN, ACT_HELP, ACT_VERS };

// What the long options ask for, and the argument the run goes by.
struct Opts {
    OptAct act;
    bool quiet;      // no banner, no prompts
    bool strict;     // status 2 when some input was not read in full
    const char *arg; // the first other argument, or the first unknown long option; or none
};

struct Hms {
    long long h, m, s;
};

// Accepted intervals, split and converted once, when they are taken.
struct Tbl {
    Hms ent[MAXTIMES];
    int cnt;
    int odd; // lines refused, read in part, or ending the list with a digit
};

#ifdef _WIN32
// Windows hands over its command line as UTF-16. The program carries it as
// UTF-8, with a lone surrogate kept as its own three bytes (as WTF-8 does),
// so that every name Windows allows comes back to it unchanged. Plain C
// storage: the C++ containers would bring the runtime's exception handling
// into a program that has no use for it (seven times its size). The
// arguments live as long as the run. nullptr: no storage.
char *CnvWid(const wchar_t *w)
{
    // (at most three bytes a UTF-16 unit)
    auto s = static_cast<char *>(malloc(wcslen(w) * 3 + 1));
    char *p = s;
    for (; s != nullptr && *w != L'\0'; w++) {
        unsigned long c = static_cast<unsigned short>(*w);
        unsigned long nxt = static_cast<unsigned short>(w[1]);
        if (c >= 0xD800 && c < 0xDC00 && nxt >= 0xDC00 && nxt < 0xE000) {
            c = 0x10000 + ((c - 0xD800) << 10) + (nxt - 0xDC00);
            w++;
        }
        static const unsigned long lead[] = {0, 0xC0, 0xE0, 0xF0};
        int n = c < 0x80 ? 0 : c < 0x800 ? 1 : c < 0x10000 ? 2 : 3;
        *p++ = static_cast<char>(lead[n] | c >> (6 * n));
        while (n-- > 0)
            *p++ = static_cast<char>(0x80 | (c >> (6 * n) & 0x3F));
    }
    if (s != nullptr)
        *p = '\0';
    return s;
}

wchar_t *CnvNar(const char *s)
{
    // (at most one UTF-16 unit a byte)
    auto w = static_cast<wchar_t *>(malloc((strlen(s) + 1) * sizeof(wchar_t)));
    wchar_t *q = w;
    for (auto p = reinterpret_cast<const unsigned char *>(s); w != nullptr && *p != 0;) {
        unsigned long c = *p++;
        int n = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : 0;
        c &= 0x7FUL >> n;
        for (; n > 0 && (*p & 0xC0) == 0x80; n--)
            c = c << 6 | (*p++ & 0x3FUL);
        if (c >= 0x10000) {
            *q++ = static_cast<wchar_t>(0xD800 + ((c - 0x10000) >> 10));
            c = 0xDC00 + (c & 0x3FF);
        }
        *q++ = static_cast<wchar_t>(c);
    }
    if (w != nullptr)
        *q = L'\0';
    return w;
}

char **GetArgs(int argc, wchar_t *wargv[])
{
    auto argv = static_cast<char **>(malloc((static_cast<size_t>(argc) + 1) * sizeof(char *)));
    for (int i = 0; argv != nullptr && i < argc; i++)
        if ((argv[i] = CnvWid(wargv[i])) == nullptr)
            return nullptr;
    if (argv != nullptr)
        argv[argc] = nullptr;
    return argv;
}
#endif

// A name from the command line as the console shows text: on Windows in
// its code page, with a ? for each character the code page lacks.
const char *ShwNam(const char *nam)
{
#ifdef _WIN32
    static char *shw;
    wchar_t *w = CnvNar(nam);
    free(shw);
    shw = w == nullptr ? nullptr : static_cast<char *>(malloc(wcslen(w) * MB_LEN_MAX + 1));
    if (shw == nullptr) {
        free(w);
        return nam;
    }
    char *p = shw;
    setlocale(LC_CTYPE, "");
    for (const wchar_t *c = w; *c != L'\0'; c++) {
        std::mbstate_t st{};
        size_t n = std::wcrtomb(p, *c, &st);
        if (n == static_cast<size_t>(-1))
            *p++ = '?';
        else
            p += n;
    }
    setlocale(LC_CTYPE, "C");
    *p = '\0';
    free(w);
    return shw;
#else
    return nam;
#endif
}

// Write pre, arg and post to standard error. Standard output goes first,
// so that on a shared stream a message never overtakes the banner or a prompt.
void PutErr(const char *pre, const char *arg, const char *post)
{
    fflush(stdout);
    fputs(pre, stderr);
    fputs(arg, stderr);
    fputs(post, stderr);
}

// The two messages that end a run before its first prompt end without a
// line end, but at a terminal the shell's prompt must not land on them.
void EndMsg(const char *pre, const char *nam, const char *post)
{
    PutErr(pre, ShwNam(nam), post);
#ifdef _WIN32
    if (_isatty(_fileno(stderr)) != 0)
#else
    if (isatty(STDERR_FILENO) != 0)
#endif
        fputs("\n", stderr);
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

// Warn about a line ("Ignored, ..." when it was not taken), repeating at
// most SHOWSIZE characters of it with any NUL byte made visible. Each such
// line counts against --strict.
void WrnLin(const char *lin, int len, const char *what, Tbl *tbl)
{
    PutErr("?W- ", what, ": >");
    for (int i = 0; i < len && i < SHOWSIZE; i++) {
        if (lin[i] == '\0')
            fputs("^@", stderr);
        else
            putc(lin[i], stderr);
    }
    fputs(len > SHOWSIZE ? "...<\n" : "<\n", stderr);
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

// Split an entry at runs of plus signs and colons into h, m and s; fields
// after the third are ignored. A minus sign that starts the first field
// makes the whole interval negative, even when its hours are 0. *prt says
// what of the entry was left unread, or is nullptr when nothing was.
FldSts SplInt(const char *ent, Hms *iv, const char **prt)
{
    long long v[3];
    bool neg = false;

    *prt = nullptr;
    for (int i = 0; i < 3; i++) {
        ent += strspn(ent, SEPS);
        size_t len = strcspn(ent, SEPS);
        if (len == 0)
            return FLD_FEW;
        if (i == 0)
            neg = *ent == '-';
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

// A line that ends the list while it holds a digit was most likely meant as
// an interval, and what follows it is never read.
bool HasDgt(const char *lin)
{
    return strpbrk(lin, "0123456789") != nullptr;
}

// Prompt for intervals until the list ends and keep each one in tbl.
// Returns 1 when the table fills, which ends the run, else 0.
int GetInts(Tbl *tbl, const Opts *opt)
{
    char lin[LINESIZE];
    char wrk[LINESIZE];

    for (;;) {
        int len;

        const char *prt;

        if (!opt->quiet)
            fputs(" > ", stdout);
        fflush(stdout);
        switch (GetLin(lin, &len)) {
        case LIN_EOF:
            // (without prompts the cursor already starts a line)
            if (!opt->quiet)
                EndTty();
            return 0;
        case LIN_ERR:
            PutErr("?W- Could not read standard input: ", strerror(errno), "\n");
            tbl->odd++;
            return 0;
        case LIN_LONG:
            WrnLin(lin, len, "Ignored, longer than 127 characters", tbl);
            continue;
        case LIN_NUL:
            WrnLin(lin, len, "Ignored, holds a NUL byte", tbl);
            continue;
        case LIN_OK:
            break;
        }

        // One plus sign means m+s: read it as 0 hours.
        // Only such a line can outgrow the working copy.
        int pfx = CntChr(lin, '+') == 1 ? 2 : 0;
        if (len + pfx >= LINESIZE) {
            WrnLin(lin, len, "Ignored, longer than 125 characters with one plus sign", tbl);
            continue;
        }
        memcpy(wrk, "0+", static_cast<size_t>(pfx));
        memcpy(wrk + pfx, lin, static_cast<size_t>(len) + 1);
        if (len + pfx < 3) {
            if (HasDgt(lin))
                WrnLin(lin, len, "The list ends here, at a line too short for an interval", tbl);
            return 0;
        }
        switch (SplInt(wrk, &tbl->ent[tbl->cnt], &prt)) {
        case FLD_FEW:
            WrnLin(lin, len, "Ignored, not h+m+s or m+s", tbl);
            continue;
        case FLD_RANGE:
            WrnLin(lin, len, "Ignored, a value out of range", tbl);
            continue;
        case FLD_OK:
            break;
        }
        if (prt != nullptr)
            WrnLin(lin, len, prt, tbl);

        if (++tbl->cnt == MAXTIMES) {
            fputs("Exceeding MAXTIMES limit, aborting.\n", stdout);
            return 1;
        }
    }
}

// Long options (--name) may stand anywhere; the first other argument is the
// one the run goes by. The first of --help, --version and an unknown long
// option decides; an unknown one is refused as any unknown argument is.
void GetOpts(int argc, const char *const argv[], Opts *opt)
{
    const char *fst = nullptr;
    const char *bad = nullptr;

    *opt = {ACT_RUN, false, false, nullptr};
    for (int i = 1; i < argc; i++) {
        const char *a = argv[i];
        if (strncmp(a, "--", 2) != 0 || a[2] == '\0') {
            if (fst == nullptr)
                fst = a;
        } else if (strcmp(a, "--quiet") == 0) {
            opt->quiet = true;
        } else if (strcmp(a, "--strict") == 0) {
            opt->strict = true;
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
    opt->arg = bad != nullptr ? bad : fst;
}

void PutUse()
{
    fputs("Usage: spantally [/oFILE] [--quiet] [--strict]\n"
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
          "  --strict   exit status 2 when a line was refused or read only in part\n"
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
int OpnRpt(const char *arg, FILE **rpt, const char **name)
{
    if (arg == nullptr || (arg[0] != '-' && arg[0] != '/'))
        return 0;
    if (toupper(static_cast<unsigned char>(arg[1])) != 'O') {
        EndMsg("\n?W- UNKNOWN ARGUMENT >", arg, "<");
        return 1;
    }
    *name = arg + 2;
#ifdef _WIN32
    // The limit counts UTF-16 units, as Windows counts a name's characters.
    wchar_t *wnam = CnvNar(*name);
    if (wnam != nullptr && wcslen(wnam) < NAMESIZE)
        *rpt = _wfopen(wnam, L"a");
    free(wnam);
#else
    if (strlen(*name) < NAMESIZE)
        *rpt = fopen(*name, "a");
#endif
    if (*rpt == nullptr) {
        EndMsg("\n?E- Could not open file ", *name, "");
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
        PutErr("\n?E- Could not write file ", ShwNam(name), "\n");
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
    GetOpts(argc, argv, &opt);
    if (opt.act == ACT_HELP)
        PutUse();
    if (opt.act == ACT_VERS)
        PutVer();
    if (opt.act != ACT_RUN)
        return ChkOut(0);

    if (!opt.quiet)
        PutBnr();
    sts = OpnRpt(opt.arg, &rpt, &name);
    if (sts == 0)
        sts = GetInts(&tbl, &opt);
    if (sts == 0)
        PutRpt(&tbl, rpt);
    if (ClsRpt(rpt, name) != 0)
        sts = 1;
    // Status 2 only for a report that was written in full.
    if (sts == 0 && opt.strict && tbl.odd > 0)
        sts = 2;
    return ChkOut(sts);
}
