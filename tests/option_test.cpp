// /oFILE and -oFILE: the report appended to a file, and the messages when not.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>

#include "runprg.h"

namespace {

const std::string IN = "1+30+0\n45+30\n\n";
const std::string ROWS = " 1:30:00\t01:30:00\n 0:45:30\t02:15:30\n";
const std::string NAME63(63, 'n');
const std::string NAME200(200, 'n');
const std::string HINT = "\n    spantally --help lists the options\n";
// Each argument that plays no part in the run gets a note.
std::string Unused(const std::string &arg)
{
    return "?W- Argument not used, only the first one counts: >" + arg + "<\n";
}
std::string NAMEYO = [] {
    std::string n;
    for (int i = 0; i < 63; i++)
        n += "ё";
    return n;
}();

bool Exists(const std::string &path)
{
    return access(path.c_str(), F_OK) == 0;
}

} // namespace

TEST(Option, AppendsTheReportToTheNamedFile)
{
    struct Case {
        std::vector<std::string> args;
        std::string file; // where the report goes, in the run's directory
        std::string was;  // what the file held before; empty: no file
        std::string err = "";
    };
    std::vector<Case> cases = {
        {{"/oreport.txt"}, "report.txt", ""},
        {{"-oreport.txt"}, "report.txt", ""},
        {{"/Oreport.txt"}, "report.txt", ""},
        {{"-Oreport.txt"}, "report.txt", ""},
        {{"-o times.log"}, " times.log", ""}, // the name is taken verbatim
        {{"/otimes.log", "/x", "-oother"}, "times.log", "", Unused("/x") + Unused("-oother")},
        {{"/otimes.log"}, "times.log", "earlier report\n"},
        {{"/o" + NAME63}, NAME63, ""},
        {{"/o" + NAME200}, NAME200, ""},
        {{"/o" + NAMEYO}, NAMEYO, ""},
        {{"/o日本.log"}, "日本.log", ""},
        {{"-oотчёт.log"}, "отчёт.log", ""},
        // long options anywhere; the first other argument names the file
        {{"--strict", "/otimes.log"}, "times.log", ""},
        {{"--quiet", "-otimes.log", "--quiet", "/oother"}, "times.log", "", Unused("/oother")},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.args[0]);
        std::string dir = MkDir();
        if (!c.was.empty())
            WrFile(dir + "/" + c.file, c.was);
        Res r = RunPrg(dir, c.args, IN);
        EXPECT_EQ(r.out, c.args[0] == "--quiet" ? HEADER + ROWS : Report(3, ROWS));
        EXPECT_EQ(r.err, c.err);
        EXPECT_EQ(r.sts, 0);
        EXPECT_EQ(RdFile(dir + "/" + c.file), c.was + HEADER + ROWS);
    }
}

TEST(Option, TwoRunsLeaveTwoReports)
{
    std::string dir = MkDir();
    EXPECT_EQ(RunPrg(dir, {"/otimes.log"}, "1+0+0\n").sts, 0);
    EXPECT_EQ(RunPrg(dir, {"-otimes.log"}, "0+0+5\n").sts, 0);
    EXPECT_EQ(RdFile(dir + "/times.log"),
              HEADER + " 1:00:00\t01:00:00\n" + HEADER + " 0:00:05\t00:00:05\n");
}

// Long options change what is shown, never the report or its file.
TEST(Option, LongOptions)
{
    const std::string unknown = "\n?W- UNKNOWN ARGUMENT >";
    const struct {
        std::vector<std::string> args;
        std::string out, err;
        int sts;
        bool file; // times.log holds the report
    } cases[] = {
        {{"--quiet"}, HEADER + ROWS, "", 0, false},
        {{"--quiet", "/otimes.log"}, HEADER + ROWS, "", 0, true},
        {{"/otimes.log", "--strict", "--quiet"}, HEADER + ROWS, "", 0, true},
        {{"--strict"}, Report(3, ROWS), "", 0, false},
        {{"--quiet", "--frobnicate", "/otimes.log"},
         "",
         unknown + "--frobnicate<" + HINT,
         1,
         false},
        {{"/x", "--quiet"}, "", unknown + "/x<" + HINT, 1, false},
        {{"--Quiet"}, BANNER, unknown + "--Quiet<" + HINT, 1, false},
        {{"--quiet=yes"}, BANNER, unknown + "--quiet=yes<" + HINT, 1, false},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.args[0] + " " + (c.args.size() > 1 ? c.args[1] : ""));
        std::string dir = MkDir();
        Res r = RunPrg(dir, c.args, IN);
        EXPECT_EQ(r.out, c.out);
        EXPECT_EQ(r.err, c.err);
        EXPECT_EQ(r.sts, c.sts);
        EXPECT_EQ(Exists(dir + "/times.log"), c.file);
        if (c.file) {
            EXPECT_EQ(RdFile(dir + "/times.log"), HEADER + ROWS);
        }
    }
}

// --help and --version answer and end the run: no banner, no prompt, no file.
TEST(Option, HelpAndVersion)
{
    const std::string version = "spantally " SPANTALLY_VERSION "\n";
    const struct {
        std::vector<std::string> args;
        bool help;
    } cases[] = {
        {{"--help"}, true},
        {{"/otimes.log", "--help", "--frobnicate"}, true},
        {{"--quiet", "--help", "--version"}, true},
        {{"--version"}, false},
        {{"/x", "--version", "--help"}, false},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.args[0] + " " + (c.args.size() > 1 ? c.args[1] : ""));
        std::string dir = MkDir();
        Res r = RunPrg(dir, c.args, IN);
        EXPECT_EQ(r.err, "");
        EXPECT_EQ(r.sts, 0);
        EXPECT_FALSE(Exists(dir + "/times.log"));
        if (c.help) {
            EXPECT_EQ(r.out.rfind("Usage: spantally", 0), 0U) << r.out;
            for (const char *w : {"h+m+s", "m+s", "/oFILE", "--quiet", "--strict", "--version",
                                  "Exit status", " 2 "})
                EXPECT_NE(r.out.find(w), std::string::npos) << w;
        } else {
            EXPECT_EQ(r.out.substr(0, version.size()), version);
        }
    }
}

// An argument that plays no part changes nothing but a note, which
// --strict counts; a first one without a leading - or / names no file.
TEST(Option, UnusedArgumentsGetANote)
{
    const std::string plain = "?W- Argument not used: >report.txt< (to append the report to it: "
                              "/oreport.txt)\n";
    const struct {
        std::vector<std::string> args;
        std::string err;
    } cases[] = {
        {{"report.txt"}, plain},
        {{"report.txt", "-oother.txt"}, plain + Unused("-oother.txt")},
        {{"--quiet", "report.txt", "--borrow", "/oother.txt", "x"},
         plain + Unused("/oother.txt") + Unused("x")},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.args.back());
        std::string dir = MkDir();
        Res r = RunPrg(dir, c.args, IN);
        std::vector<std::string> strict = c.args;
        strict.push_back("--strict");
        Res s = RunPrg(dir, strict, IN);
        EXPECT_EQ(r.out.substr(r.out.find(HEADER)), HEADER + ROWS);
        EXPECT_EQ(r.err, c.err);
        EXPECT_EQ(s.err, c.err);
        EXPECT_EQ(r.sts, 0);
        EXPECT_EQ(s.sts, 2);
        EXPECT_FALSE(Exists(dir + "/report.txt"));
        EXPECT_FALSE(Exists(dir + "/other.txt"));
    }
}

// Refused before the first prompt: the banner alone on standard output, the
// message, and a line that says why.
TEST(Option, RefusedArgumentsEndTheRun)
{
    const std::string open = "\n?E- Could not open file ";
    const std::string unknown = "\n?W- UNKNOWN ARGUMENT >";
    const std::string NAME256(256, 'n');
    struct Case {
        std::vector<std::string> args;
        std::string err;
    };
    std::vector<Case> cases = {
        {{"/x"}, unknown + "/x<" + HINT},
        {{"-"}, unknown + "-<" + HINT},
        {{"/"}, unknown + "/<" + HINT},
        {{"-h"}, unknown + "-h<" + HINT},
        {{"/?"}, unknown + "/?<" + HINT},
        {{"--"}, unknown + "--<" + HINT},
        {{"--frobnicate", "/otimes.log"}, unknown + "--frobnicate<" + HINT},
        {{"/otimes.log", "--frobnicate"}, unknown + "--frobnicate<" + HINT},
        {{"--frobnicate", "--help"}, unknown + "--frobnicate<" + HINT},
        {{"/o", "report.txt"},
         open + "\n    The name must follow /o directly, as in /oreport.txt\n"},
        {{"--quiet", "-O"}, open + "\n    The name must follow -O directly, as in -Otimes.log\n"},
        {{"/onodir/report.txt"}, open + "nodir/report.txt\n    No such file or directory\n"},
        {{"-o."}, open + ".\n    " + (WinPrg() ? "Permission denied" : "Is a directory") + "\n"},
    };
    if (!WinPrg()) {
        cases.push_back({{"/o" + NAME256}, open + NAME256 + "\n    File name too long\n"});
        if (geteuid() != 0) // (root may write anywhere)
            cases.push_back({{"/oro/report.txt"}, open + "ro/report.txt\n    Permission denied\n"});
    }
    // Names Windows refuses. They must reach it as typed: a runtime that
    // expanded patterns would find the decoy below and open times.log.
    if (WinPrg())
        cases.insert(cases.end(), {{{"-o*.log"}, open + "*.log\n    Invalid argument\n"},
                                   {{"-otime?.log"}, open + "time?.log\n    Invalid argument\n"}});
    for (const auto &c : cases) {
        SCOPED_TRACE(c.args.back());
        std::string dir = MkDir();
        WrFile(dir + "/-otimes.log", "");
        mkdir((dir + "/ro").c_str(), 0555);
        Res r = RunPrg(dir, c.args, IN);
        EXPECT_EQ(r.out, c.args[0] == "--quiet" ? "" : BANNER);
        EXPECT_EQ(r.err, c.err);
        EXPECT_EQ(r.sts, 1);
        EXPECT_FALSE(Exists(dir + "/report.txt"));
        EXPECT_FALSE(Exists(dir + "/times.log"));
        EXPECT_FALSE(Exists(dir + "/ro/report.txt"));
    }
    Res r = RunPrg(MkDir(), {"/x"}, IN, {.merge = true});
    EXPECT_EQ(r.out, BANNER + "\n?W- UNKNOWN ARGUMENT >/x<" + HINT);
}

TEST(Option, MaxTimesLeavesTheFileAsItWas)
{
    std::string in;
    for (int i = 0; i < 256; i++)
        in += "1+0+0\n";
    for (const std::string was : {"", "earlier report\n"}) {
        std::string dir = MkDir();
        if (!was.empty())
            WrFile(dir + "/times.log", was);
        Res r = RunPrg(dir, {"/otimes.log"}, in);
        EXPECT_EQ(r.sts, 1);
        EXPECT_TRUE(Exists(dir + "/times.log"));
        EXPECT_EQ(RdFile(dir + "/times.log"), was);
    }
}

// Runs logging to one file at the same moment: each report lands whole.
TEST(Option, RunsAppendingAtOnceKeepTheirReportsWhole)
{
    SKIP_ON_WINDOWS("msvcrt writes a text file in pieces of about 2 KB as it turns LF into "
                    "CRLF, so a report does not go out in one write there");
    constexpr size_t RUNS = 8;
    std::string dir = MkDir();
    std::vector<std::string> ins;
    std::vector<std::string> alone; // each report as a run alone writes it
    for (size_t k = 0; k < RUNS; k++) {
        std::string in = std::to_string(k) + "+0+0\n"; // every report differs
        for (int i = 1; i < 255; i++)
            in += "-2147483647+2147483647+2147483647\n";
        ins.push_back(in);
        std::string one = "alone" + std::to_string(k) + ".log";
        ASSERT_EQ(RunPrg(dir, {"/o" + one}, in).sts, 0);
        alone.push_back(RdFile(dir + "/" + one));
    }
    for (int round = 0; round < 20; round++) {
        SCOPED_TRACE(round);
        std::string log = "times" + std::to_string(round) + ".log";
        std::vector<Job> jobs;
        // All hold at the last line; the end of input releases them together.
        for (const std::string &in : ins)
            jobs.push_back(StrPrg(dir, {"/o" + log}, in, {.hold = true}));
        for (const Job &j : jobs)
            close(j.gate);
        for (const Job &j : jobs)
            EXPECT_EQ(EndPrg(j).sts, 0);

        // The file must be the reports one after another, in any order.
        std::string all = RdFile(dir + "/" + log);
        std::vector<bool> seen(RUNS);
        size_t at = 0;
        while (at < all.size()) {
            size_t k = 0;
            while (k < RUNS && (seen[k] || all.compare(at, alone[k].size(), alone[k]) != 0))
                k++;
            ASSERT_LT(k, RUNS) << "a report is cut at byte " << at;
            seen[k] = true;
            at += alone[k].size();
        }
        EXPECT_EQ(std::count(seen.begin(), seen.end(), true), RUNS);
    }
}

// The console report is complete, but the lost file report is not success.
TEST(Option, UnwritableReportFileFails)
{
    Res r = RunPrg(MkDir(), {"-o/dev/full"}, IN);
    EXPECT_EQ(r.out, Report(3, ROWS));
    EXPECT_EQ(r.err, "\n?E- Could not write file /dev/full\n    No space left on device\n");
    EXPECT_EQ(r.sts, 1);
}
