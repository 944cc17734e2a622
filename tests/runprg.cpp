#include "runprg.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
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

std::string RdFile(const std::string &path)
{
    std::ifstream f(path, std::ios::binary);
    std::ostringstream s;
    s << f.rdbuf();
    return s.str();
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

Res RunPrg(const std::string &dir, const std::vector<std::string> &args, const std::string &in,
           const Opt &opt)
{
    std::string inPath = opt.inPath != nullptr ? opt.inPath : dir + "/.in";
    std::string outPath = opt.outPath != nullptr ? opt.outPath : dir + "/.out";
    std::string errPath = dir + "/.err";
    if (opt.inPath == nullptr)
        std::ofstream(inPath, std::ios::binary) << in;

    std::vector<char *> argv{const_cast<char *>(SPANTALLY_BIN)};
    for (const std::string &a : args)
        argv.push_back(const_cast<char *>(a.c_str()));
    argv.push_back(nullptr);

    pid_t pid = fork();
    if (pid == 0) {
        // Under the sanitizers a report must not pass for the program's own status 1.
        setenv("ASAN_OPTIONS", "exitcode=86", 0);
        setenv("UBSAN_OPTIONS", "exitcode=87:print_stacktrace=1", 0);
        int fin = open(inPath.c_str(), O_RDONLY);
        int fout = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        int ferr = opt.merge ? fout : open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (fin < 0 || fout < 0 || ferr < 0 || chdir(dir.c_str()) != 0 || dup2(fin, 0) < 0 ||
            dup2(fout, 1) < 0 || dup2(ferr, 2) < 0)
            _exit(127);
        execv(argv[0], argv.data());
        _exit(127);
    }
    int ws = 0;
    waitpid(pid, &ws, 0);
    Res r{opt.outPath != nullptr ? "" : RdFile(outPath), RdFile(errPath),
          WIFEXITED(ws) ? WEXITSTATUS(ws) : -1};
    if (opt.inPath == nullptr)
        unlink(inPath.c_str());
    if (opt.outPath == nullptr)
        unlink(outPath.c_str());
    unlink(errPath.c_str());
    return r;
}
