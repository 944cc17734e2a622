// What a person at a terminal, or a script sharing one stream, gets to see.
#include <gtest/gtest.h>

#include <poll.h>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

#include "runprg.h"

namespace {

std::string Crlf(const std::string &s)
{
    std::string t;
    for (char c : s)
        t += c == '\n' ? std::string("\r\n") : std::string(1, c);
    return t;
}

// Read the terminal until it shows want in full, or nothing more comes.
std::string Screen(int fd, const std::string &want, std::string screen)
{
    char buf[4096];
    pollfd p{fd, POLLIN, 0};
    while (screen.size() < want.size() && poll(&p, 1, 5000) == 1) {
        ssize_t n = read(fd, buf, sizeof buf);
        if (n <= 0)
            break;
        screen.append(buf, static_cast<size_t>(n));
    }
    return screen;
}

// Starts the program with args on a new terminal, whose other end is *fd.
pid_t OnTty(const std::vector<std::string> &args, int *fd)
{
    std::vector<char *> argv = PrgArgv(args);
    pid_t pid = forkpty(fd, nullptr, nullptr, nullptr);
    if (pid == 0) {
        execvp(argv[0], argv.data());
        _exit(127);
    }
    return pid;
}

} // namespace

// Each prompt must be on the screen before the program waits for the line,
// and the report must start a line of its own however the list ends: an
// empty line is echoed, Ctrl-D (the end of input) is not, nor is the line
// end of a line typed up to Ctrl-D.
TEST(Console, TerminalShowsBannerAndEachPromptBeforeReading)
{
    SKIP_ON_WINDOWS("wine draws a Windows console of its own on a terminal, cursor escapes and "
                    "all, so the screen does not hold the program's bytes");
    const std::string rows = " 1:30:00\t01:30:00\n 0:45:30\t02:15:30\n";
    const struct {
        const char *how;
        std::vector<std::string> args;
        std::string end;  // typed to end the list
        std::string tail; // what the screen shows from there on
    } ends[] = {
        {"empty line", {}, "\n", "\n" + HEADER + rows},
        {"Ctrl-D", {}, "\x04", "\n" + HEADER + rows},
        {"Ctrl-D twice after 2+0+0",
         {},
         "2+0+0\x04\x04",
         "2+0+0\n > \n" + HEADER + rows + " 2:00:00\t04:15:30\n"},
        {"Ctrl-D twice after 12",
         {},
         "12\x04\x04",
         "12\n?W- The list ends here, at a line too short for an interval; any lines after it "
         "are not read: >12< (line 3)\n" +
             HEADER + rows},
        {"--quiet, Ctrl-D", {"--quiet"}, "\x04", HEADER + rows},
        {"--quiet, Ctrl-D twice after 2+0+0",
         {"--quiet"},
         "2+0+0\x04\x04",
         "2+0+0\n" + HEADER + rows + " 2:00:00\t04:15:30\n"},
    };
    for (const auto &e : ends) {
        SCOPED_TRACE(e.how);
        bool quiet = !e.args.empty();
        int fd = -1;
        pid_t pid = OnTty(e.args, &fd);
        ASSERT_GE(pid, 0);
        std::string want = quiet ? "" : Crlf(BANNER + " > ");
        std::string screen = Screen(fd, want, "");
        EXPECT_EQ(screen, want);
        for (const char *line : {"1+30+0\n", "45+30\n"}) {
            ASSERT_EQ(write(fd, line, strlen(line)), static_cast<ssize_t>(strlen(line)));
            want += Crlf(line + std::string(quiet ? "" : " > "));
            screen = Screen(fd, want, screen);
            EXPECT_EQ(screen, want);
        }
        // (each Ctrl-D ends a read of its own)
        for (char c : e.end) {
            ASSERT_EQ(write(fd, &c, 1), 1);
            if (c == '\x04')
                usleep(100000);
        }
        want += Crlf(e.tail);
        EXPECT_EQ(Screen(fd, want, screen), want);

        int ws = 0;
        waitpid(pid, &ws, 0);
        close(fd);
        EXPECT_TRUE(WIFEXITED(ws) && WEXITSTATUS(ws) == 0);
    }
}

// The two messages that end a run are followed by a line that says why, so
// that the shell's prompt does not land on them.
TEST(Console, TerminalMessagesEndTheirLine)
{
    SKIP_ON_WINDOWS("wine draws a Windows console of its own on a terminal");
    const struct {
        std::string arg, err;
    } cases[] = {
        {"/x", "\n?W- UNKNOWN ARGUMENT >/x<\n    spantally --help lists the options\n"},
        {"/o", "\n?E- Could not open file \n    The name must follow /o directly, as in "
               "/otimes.log\n"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.arg);
        int fd = -1;
        pid_t pid = OnTty({c.arg}, &fd);
        ASSERT_GE(pid, 0);
        std::string want = Crlf(BANNER + c.err);
        std::string screen = Screen(fd, want + "more", "");
        EXPECT_EQ(screen, want);
        int ws = 0;
        waitpid(pid, &ws, 0);
        close(fd);
        EXPECT_TRUE(WIFEXITED(ws) && WEXITSTATUS(ws) == 1);
    }
}

TEST(Console, WarningsComeInOrderOnASharedStream)
{
    Res r = RunPrg(MkDir(), {}, "100\n\n", {.merge = true});
    EXPECT_EQ(r.out, BANNER + " > ?W- Ignored, not h+m+s or m+s: >100< (line 1)\n > " + HEADER);
    EXPECT_EQ(r.sts, 0);
}

TEST(Console, UnwritableOutputFails)
{
    const std::string lost = "\n?E- Could not write standard output\n";
    const struct {
        const char *in;
        std::string err;
        std::vector<std::string> args;
    } cases[] = {
        {"", lost, {}},
        {"1+2+3\n\n", lost, {}},
        {"100\n\n", "?W- Ignored, not h+m+s or m+s: >100< (line 1)\n" + lost, {}},
        {"1+2+3\n\n", lost, {"--quiet"}},
        {"", lost, {"--help"}},
        {"", lost, {"--version"}},
    };
    for (const auto &c : cases) {
        Res r = RunPrg(MkDir(), c.args, c.in, {.outPath = "/dev/full"});
        EXPECT_EQ(r.err, c.err) << c.in;
        EXPECT_EQ(r.sts, 1) << c.in;
    }
}
