#include "runprg.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

const std::string BANNER = "\n Prompt user for a list of time intervals of the"
                           "\n form h+m+s where h is hours, m is minutes, s is"
                           "\n seconds. Continue prompting until user ends input"
                           "\n with a blank line. Sum the entered intervals and"
                           "\n report the result. Intervals may be negative.\n"
                           "\n If the m or s is zero, the zero must be specified."
                           "\n Use /oFile.Ext to append to File.Ext"
                           "\n NOTE: the + sign must be used as the delimiter\n\n";
const std::string HEADER = " Time\t\tCumulative\n";

namespace {

// Removes every case directory once the suite is done.
struct Dirs {
    std::vector<std::string> made;
    ~Dirs()
    {
        for (const std::string &d : made)
            std::filesystem::remove_all(d);
    }
} dirs;

} // namespace

std::string MkDir()
{
    const char *tmp = getenv("TMPDIR");
    std::string tpl = std::string(tmp != nullptr ? tmp : "/tmp") + "/spantally.XXXXXX";
    if (mkdtemp(tpl.data()) == nullptr)
        abort();
    dirs.made.push_back(tpl);
    return tpl;
}

const char *Program()
{
    const char *prg = getenv("SPANTALLY_TEST_PROGRAM");
    return prg != nullptr && *prg != '\0' ? prg : SPANTALLY_BIN;
}

const char *Launcher()
{
    const char *run = getenv("SPANTALLY_TEST_LAUNCHER");
    return run != nullptr && *run != '\0' ? run : nullptr;
}

std::vector<char *> PrgArgv(const std::vector<std::string> &args)
{
    std::vector<char *> argv;
    if (Launcher() != nullptr)
        argv.push_back(const_cast<char *>(Launcher()));
    argv.push_back(const_cast<char *>(Program()));
    for (const std::string &a : args)
        argv.push_back(const_cast<char *>(a.c_str()));
    argv.push_back(nullptr);
    return argv;
}

bool WinPrg()
{
    std::string prg = Program();
    return prg.size() > 4 && prg.compare(prg.size() - 4, 4, ".exe") == 0;
}

namespace {

std::string RawFile(const std::string &path)
{
    std::ifstream f(path, std::ios::binary);
    std::ostringstream s;
    s << f.rdbuf();
    return s.str();
}

} // namespace

std::string RdFile(const std::string &path)
{
    std::string raw = RawFile(path);
    if (!WinPrg())
        return raw;
    std::string txt;
    bool bare = false;
    for (char c : raw) {
        if (c == '\n' && !txt.empty() && txt.back() == '\r') {
            txt.pop_back();
        } else if (c == '\n' && !bare) {
            ADD_FAILURE() << path << ": a bare LF ends line "
                          << std::count(txt.begin(), txt.end(), '\n') + 1;
            bare = true;
        }
        txt += c;
    }
    return txt;
}

void WrFile(const std::string &path, const std::string &txt)
{
    std::ofstream f(path, std::ios::binary);
    bool win = WinPrg();
    for (char c : txt)
        f << (c == '\n' && win ? "\r\n" : std::string(1, c));
}

std::string Prompts(int n)
{
    std::string s;
    for (int i = 0; i < n; i++)
        s += " > ";
    return s;
}

std::string Report(int prompts, const std::string &rows)
{
    return BANNER + Prompts(prompts) + HEADER + rows;
}

Job StrPrg(const std::string &dir, const std::vector<std::string> &args, const std::string &in,
           const Opt &opt)
{
    static int seq = 0; // jobs sharing a directory keep their streams apart
    std::string tag = std::to_string(seq++);
    Job job{-1,
            -1,
            opt.inPath != nullptr ? opt.inPath : dir + "/.in" + tag,
            opt.outPath != nullptr ? opt.outPath : dir + "/.out" + tag,
            dir + "/.err" + tag,
            opt};
    int fds[2] = {-1, -1};
    if (opt.hold) {
        // The input waits in a pipe; the program sees its end only when the gate closes.
        if (pipe2(fds, O_CLOEXEC) != 0 || write(fds[1], in.data(), in.size()) != ssize_t(in.size()))
            abort();
        job.gate = fds[1];
    } else if (opt.inPath == nullptr) {
        std::ofstream(job.in, std::ios::binary) << in;
    }

    std::vector<char *> argv = PrgArgv(args);
    job.pid = fork();
    if (job.pid == 0) {
        // Under the sanitizers a report must not pass for the program's own status 1.
        setenv("ASAN_OPTIONS", "exitcode=86", 0);
        setenv("UBSAN_OPTIONS", "exitcode=87:print_stacktrace=1", 0);
        int fin = opt.hold ? fds[0] : open(job.in.c_str(), O_RDONLY);
        int fout = open(job.out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        int ferr = opt.merge ? fout : open(job.err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (fin < 0 || fout < 0 || ferr < 0 || chdir(dir.c_str()) != 0 || dup2(fin, 0) < 0 ||
            dup2(fout, 1) < 0 || dup2(ferr, 2) < 0)
            _exit(127);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    if (opt.hold)
        close(fds[0]);
    return job;
}

namespace {

int WaitPrg(const Job &job)
{
    int ws = 0;
    waitpid(job.pid, &ws, 0);
    return WIFEXITED(ws) ? WEXITSTATUS(ws) : -1;
}

void Clean(const Job &job)
{
    if (job.opt.inPath == nullptr && !job.opt.hold)
        unlink(job.in.c_str());
    if (job.opt.outPath == nullptr)
        unlink(job.out.c_str());
    unlink(job.err.c_str());
}

Res Collect(const Job &job, int sts)
{
    Res r{job.opt.outPath != nullptr ? "" : RdFile(job.out), RdFile(job.err), sts};
    Clean(job);
    return r;
}

// Wine now and then fails a program it runs, and the failure is wine's: it
// fails to start it (status 127 or 1, nothing written; the program itself
// always writes something before it fails), or its loader trips glibc's
// assertion in _dl_fini as the program exits, after it has written all it
// will (status 127 and ld.so's line). Read before the text is checked, so
// that only the run kept is judged.
bool WineFail(const Job &job, int sts)
{
    if (Launcher() == nullptr || sts == 0)
        return false;
    std::string all = (job.opt.outPath != nullptr ? "" : RawFile(job.out)) + RawFile(job.err);
    return all.empty() ||
           (sts == 127 && all.find("Inconsistency detected by ld.so") != std::string::npos);
}

// Every file under a case's directory, with its bytes, so that a run tried
// again finds the report files as the first try did.
using Snap = std::map<std::string, std::string>;

Snap TakSnap(const std::string &dir)
{
    Snap snap;
    for (const auto &e : std::filesystem::recursive_directory_iterator(dir))
        if (e.is_regular_file())
            snap[e.path()] = RawFile(e.path());
    return snap;
}

void PutSnap(const std::string &dir, const Snap &snap)
{
    for (const auto &e : std::filesystem::recursive_directory_iterator(dir)) {
        if (!e.is_regular_file())
            continue;
        auto was = snap.find(e.path());
        if (was == snap.end())
            std::filesystem::remove(e.path());
        else if (RawFile(e.path()) != was->second)
            std::ofstream(e.path(), std::ios::binary) << was->second;
    }
}

} // namespace

Res EndPrg(const Job &job)
{
    return Collect(job, WaitPrg(job));
}

Res RunPrg(const std::string &dir, const std::vector<std::string> &args, const std::string &in,
           const Opt &opt)
{
    Snap snap = Launcher() != nullptr ? TakSnap(dir) : Snap();
    for (int i = 0;; i++) {
        Job job = StrPrg(dir, args, in, opt);
        int sts = WaitPrg(job);
        if (i == 2 || !WineFail(job, sts))
            return Collect(job, sts);
        fprintf(stderr, "wine failed to run the program (status %d); running it again\n", sts);
        Clean(job);
        PutSnap(dir, snap);
    }
}
