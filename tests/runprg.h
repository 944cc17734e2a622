// Runs the built program as a user would and collects what it left behind.
#ifndef RUNPRG_H
#define RUNPRG_H

#include <gtest/gtest.h>

#include <string>
#include <vector>

struct Res {
    std::string out; // standard output (with standard error too when merged)
    std::string err;
    int sts; // exit status, or -1 when it did not exit normally
};

struct Opt {
    const char *inPath = nullptr;  // read standard input from here instead
    const char *outPath = nullptr; // write standard output here instead
    bool merge = false;            // standard error onto standard output
    bool hold = false;             // standard input stays open until the caller closes Job::gate
};

// The program under test is SPANTALLY_TEST_PROGRAM (else the one built
// here), started through SPANTALLY_TEST_LAUNCHER when that is set (wine, for
// spantally.exe). A Windows program writes text with CRLF line ends: the
// harness fails any bare LF it writes, then hands its text on with LF line
// ends, so that the same expectations hold for both.
const char *Program();
const char *Launcher(); // nullptr: the program starts by itself
bool WinPrg();

// The command line that starts the program with args, for execvp: the
// launcher first when there is one. The strings stay args' own.
std::vector<char *> PrgArgv(const std::vector<std::string> &args);

// Skips the rest of a test that cannot apply to a Windows program, saying why.
#define SKIP_ON_WINDOWS(why)                                                                       \
    do {                                                                                           \
        if (WinPrg())                                                                              \
            GTEST_SKIP() << "not for a Windows program: " << (why);                                \
    } while (0)

// A fresh empty directory for one case; the program runs inside it.
std::string MkDir();

Res RunPrg(const std::string &dir, const std::vector<std::string> &args, const std::string &in,
           const Opt &opt = {});

// A run started and not yet waited for, so that several can run at once.
struct Job {
    int pid;
    int gate; // with Opt::hold: closing it ends the job's standard input; else -1
    std::string in, out, err;
    Opt opt;
};

Job StrPrg(const std::string &dir, const std::vector<std::string> &args, const std::string &in,
           const Opt &opt = {});
Res EndPrg(const Job &job);

// Reads a text file the program wrote (see above for a Windows program).
std::string RdFile(const std::string &path);

// Writes text as the program would find it left by an earlier run.
void WrFile(const std::string &path, const std::string &txt);

// n prompts in a row, as standard output holds them when input is piped in.
std::string Prompts(int n);

// What standard output holds after n prompts when the list ends normally.
std::string Report(int prompts, const std::string &rows);

extern const std::string BANNER;
extern const std::string HEADER;

#endif
