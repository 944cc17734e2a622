// libFuzzer target: the first line of an input is the program's first
// argument (none when empty), the rest is its standard input. The program's
// own main is built under another name for this (see fuzz/CMakeLists.txt).
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

int SpnMain(int argc, char *argv[]);

namespace {

FILE *sink;                                // swallows every run's console output
char dir[] = "/tmp/spantally-fuzz.XXXXXX"; // where report files are made

void RmDir()
{
    rmdir(dir);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    if (mkdtemp(dir) == nullptr || chdir(dir) != 0)
        abort();
    atexit(RmDir);
    sink = fopen("/dev/null", "w");
    return sink == nullptr ? 1 : 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const char *txt = reinterpret_cast<const char *>(data);
    const char *nl = static_cast<const char *>(memchr(txt, '\n', size));
    std::string arg(txt, nl != nullptr ? static_cast<size_t>(nl - txt) : size);
    size_t skip = nl != nullptr ? arg.size() + 1 : size;

    // A report file named with a directory could land anywhere on the machine.
    bool rpt =
        arg.size() >= 2 && (arg[0] == '-' || arg[0] == '/') && (arg[1] == 'o' || arg[1] == 'O');
    if (rpt && arg.find('/', 2) != std::string::npos)
        return -1;

    char prg[] = "spantally";
    char *argv[] = {prg, arg.data(), nullptr};
    FILE *in = size > skip ? fmemopen(const_cast<char *>(txt + skip), size - skip, "r")
                           : fopen("/dev/null", "r");
    if (in == nullptr)
        abort();

    FILE *was[] = {stdin, stdout, stderr};
    stdin = in;
    stdout = sink;
    stderr = sink;
    int sts = SpnMain(arg.empty() ? 1 : 2, argv);
    stdin = was[0];
    stdout = was[1];
    stderr = was[2];
    fclose(in);
    if (rpt)
        unlink(arg.c_str() + 2);
    // Status 2 is --strict's alone.
    if (sts != 0 && sts != 1 && !(sts == 2 && strcmp(arg.c_str(), "--strict") == 0))
        abort();
    return 0;
}
