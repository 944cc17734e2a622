// Runs the built program as a user would and collects what it left behind.
#ifndef RUNPRG_H
#define RUNPRG_H

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
    bool hold = false;             // standard input stays open until the job's gate is closed
};

// A fresh empty directory for one case; the program runs inside it.
std::string MkDir();

Res RunPrg(const std::string &dir, const std::vector<std::string> &args, const std::string &in,
           const Opt &opt = {});

// A run started and not yet waited for, so that several can run at once.
struct Job {
    int pid;
    int gate; // with Opt::hold: closing it ends the job's standard input
    std::string in, out, err;
    Opt opt;
};

Job StrPrg(const std::string &dir, const std::vector<std::string> &args, const std::string &in,
           const Opt &opt = {});
Res EndPrg(const Job &job);

std::string RdFile(const std::string &path);

// n prompts in a row, as standard output holds them when input is piped in.
std::string Prompts(int n);

// What standard output holds after n prompts when the list ends normally.
std::string Report(int prompts, const std::string &rows);

extern const std::string BANNER;
extern const std::string HEADER;

#endif
