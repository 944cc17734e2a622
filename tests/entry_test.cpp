// Intervals in, report out: the sums, the carries and which lines are taken.
#include <gtest/gtest.h>

#include "runprg.h"

namespace {

struct Case {
    std::string in;
    int prompts;
    std::string rows;
    std::string err;
};

void Check(const Case &c)
{
    SCOPED_TRACE(c.in);
    Res r = RunPrg(MkDir(), {}, c.in);
    EXPECT_EQ(r.out, Report(c.prompts, c.rows));
    EXPECT_EQ(r.err, c.err);
    EXPECT_EQ(r.sts, 0);
}

// The notes on what was read only in part, or ended the list, or was taken
// in two signs; and on the total.
const std::string PART = "?W- Read in part, a field is not a whole number: >";
const std::string MORE = "?W- Read in part, fields after the third are left out: >";
const std::string ENDS =
    "?W- The list ends here, at a line too short for an interval; any lines after it are not "
    "read: >";
const std::string HRS = "?W- The minus makes only the hours negative: >";
const std::string MINS = "?W- The minus makes only the minutes negative: >";
const std::string NEG = " to make the whole interval negative)\n";

std::string Total(const std::string &shown, const std::string &one)
{
    return "?I- The total " + shown + " is " + one + " in one sign (see --borrow)\n";
}

std::string Zeros(size_t n)
{
    return std::string(n, '0');
}

} // namespace

TEST(Report, SumsWithUpwardCarries)
{
    const Case cases[] = {
        {"\n", 1, "", ""},
        {"1+30+0\n45+30\n\n", 3, " 1:30:00\t01:30:00\n 0:45:30\t02:15:30\n", ""},
        {"0+59+59\n0+0+1\n\n", 3, " 0:59:59\t00:59:59\n 0:00:01\t01:00:00\n", ""},
        {"0+0+150\n\n", 2, " 0:00:150\t00:02:30\n", ""},
        {"0+90+0\n\n", 2, " 0:90:00\t01:30:00\n", ""},
        {"-1+30+0\n\n", 2, "-1:-30:00\t-1:-30:00\n", ""},
        {"-5+30\n\n", 2, " 0:-5:30\t00:-5:30\n",
         MINS + "-5+30< (line 1, taken as 0:-5:30, that is -0:04:30; write -0+5+30" + NEG +
             Total("00:-5:30", "-0:04:30")},
        {" -1+2+3\n\n", 2, "-1:02:03\t-1:02:03\n",
         HRS + " -1+2+3< (line 1, taken as -1:02:03, that is -0:57:57; write -1+2+3" + NEG +
             Total("-1:02:03", "-0:57:57")},
        {"1+0+0\n-0+30+0\n\n", 3, " 1:00:00\t01:00:00\n 0:-30:00\t01:-30:00\n",
         Total("01:-30:00", "0:30:00")},
        {"1+0+0\n-2+0+0\n0+30+0\n\n", 4,
         " 1:00:00\t01:00:00\n-2:00:00\t-1:00:00\n 0:30:00\t-1:30:00\n",
         Total("-1:30:00", "-0:30:00")},
        {"8+0+0\n-0+45+0\n\n", 3, " 8:00:00\t08:00:00\n 0:-45:00\t08:-45:00\n",
         Total("08:-45:00", "7:15:00")},
        {"1:30:00\n1:30+0\n1+2+3+4\n\n", 4,
         " 1:30:00\t01:30:00\n 0:01:30\t01:31:30\n 1:02:03\t02:33:33\n",
         MORE + "1:30+0< (line 2, taken as 0:01:30)\n" + MORE +
             "1+2+3+4< (line 3, taken as 1:02:03)\n"},
        // every line counts, refused ones too
        {"a+b+c\n100\n1x+ 2y+3z\n\n", 4, " 0:00:00\t00:00:00\n 1:02:03\t01:02:03\n",
         PART +
             "a+b+c< (line 1, taken as 0:00:00)\n?W- Ignored, not h+m+s or m+s: >100< (line "
             "2)\n" +
             PART + "1x+ 2y+3z< (line 3, taken as 1:02:03)\n"},
        // a Ctrl-Z byte is a byte like any other, on Windows too
        {"1+0+0\n2\0320+0+0\n3+0+0\n\n", 4,
         " 1:00:00\t01:00:00\n 2:00:00\t03:00:00\n 3:00:00\t06:00:00\n",
         PART + "2\0320+0+0< (line 2, taken as 2:00:00)\n"},
        {"2147483647+0+0\n2147483647+0+0\n-2147483647+0+0\n\n", 4,
         "2147483647:00:00\t2147483647:00:00\n2147483647:00:00\t4294967294:00:00\n"
         "-2147483647:00:00\t2147483647:00:00\n",
         ""},
        {"0+2147483647+2147483647\n\n", 2, " 0:2147483647:2147483647\t36387917:21:07\n", ""},
        {"0000000000002147483647+0+0\n\n", 2, "2147483647:00:00\t2147483647:00:00\n", ""},
    };
    for (const Case &c : cases)
        Check(c);
}

// The list ends at the first line shorter than three characters once an
// m+s line has had its 0 hours put in front; so do the end of input and an
// unreadable standard input.
TEST(Entry, EndOfList)
{
    const std::string one = " 1:00:00\t01:00:00\n";
    const Case cases[] = {
        {"", 1, "", ""},
        {"1+0+0\n12\n2+0+0\n\n", 2, one, ENDS + "12< (line 2)\n"},
        {"1+0+0\n++\n2+0+0\n\n", 2, one, ""},
        {"1+0+0\n \n2+0+0\n\n", 2, one, ""},
        {"1+0+0\n  \n2+0+0\n\n", 2, one, ""},
        {"1+0+0\n", 2, one, ""},
        {"1+0+0", 2, one, ""},
        {"1+0+0\r\n\r\n2+0+0\r\n", 2, one, ""},
        {"1+0+0\r", 2, one, ""},
    };
    for (const Case &c : cases)
        Check(c);
}

TEST(Entry, UnreadableInputEndsTheList)
{
    SKIP_ON_WINDOWS("a directory as standard input is how a read fails here; Windows cannot "
                    "redirect one, and the reason would be the C runtime's own text");
    Res r = RunPrg(MkDir(), {}, "", {.inPath = "/"});
    EXPECT_EQ(r.out, Report(1, ""));
    EXPECT_EQ(r.err, "?W- Could not read standard input: Is a directory (line 1)\n");
    EXPECT_EQ(r.sts, 0);
}

// A refused line is named on standard error, stored nowhere, and the prompt
// comes again.
TEST(Entry, RefusesWhatCannotBeSummed)
{
    const std::string few = "?W- Ignored, not h+m+s or m+s: >";
    const std::string range = "?W- Ignored, a value out of range: >";
    const std::string lng = "?W- Ignored, longer than 127 characters: >";
    const std::string lng1 = "?W- Ignored, longer than 125 characters with one plus sign: >";
    const std::string nul("1+2+3\0x", 7);
    const std::string then = "1+0+0\n\n"; // read as before after a refusal
    const std::string one = " 1:00:00\t01:00:00\n";
    const Case cases[] = {
        {"100\n" + then, 3, one, few + "100< (line 1)\n"},
        {"   \n" + then, 3, one, few + "   < (line 1)\n"},
        {"1:30\n" + then, 3, one, few + "1:30< (line 1)\n"},
        {"1++5\n" + then, 3, one, few + "1++5< (line 1)\n"},
        {"5+\n" + then, 3, one, few + "5+< (line 1)\n"},
        {"+\n" + then, 3, one, few + "+< (line 1)\n"},
        {"+++\n" + then, 3, one, few + "+++< (line 1)\n"},
        {":::\n" + then, 3, one, few + ":::< (line 1)\n"},
        {"2147483648+0+0\n" + then, 3, one, range + "2147483648+0+0< (line 1)\n"},
        {"1+-2147483648+0\n" + then, 3, one, range + "1+-2147483648+0< (line 1)\n"},
        {"-0+0+99999999999999999999999\n" + then, 3, one,
         range + "-0+0+99999999999999999999999< (line 1)\n"},
        {nul + "\n" + then, 3, one, "?W- Ignored, holds a NUL byte: >1+2+3^@x< (line 1)\n"},
        {"1+2+" + Zeros(124) + "\n" + then, 3, one, lng + "1+2+" + Zeros(36) + "...< (line 1)\n"},
        {"5+" + Zeros(124) + "\n" + then, 3, one, lng1 + "5+" + Zeros(38) + "...< (line 1)\n"},
        // the longest lines that fit, with and without their line end
        {"1+2+" + Zeros(123) + "\n" + then, 3, " 1:02:00\t01:02:00\n 1:00:00\t02:02:00\n", ""},
        {"1+2+" + Zeros(123) + "\r\n" + then, 3, " 1:02:00\t01:02:00\n 1:00:00\t02:02:00\n", ""},
        {"5+" + Zeros(123) + "\n" + then, 3, " 0:05:00\t00:05:00\n 1:00:00\t01:05:00\n", ""},
    };
    for (const Case &c : cases)
        Check(c);
}

// A line read only in part, ending the list while it holds a digit, or with
// a minus that leaves a later field positive gets a note; stdout stays as it
// was, and --strict turns the status to 2. Lines after the end are never read.
TEST(Entry, NotesWhatIsReadInPart)
{
    const struct {
        const char *line; // followed by 1+0+0 and an empty line
        int notes;
        int strict;  // the status with --strict
        int prompts; // 1: the line ended the list
    } cases[] = {
        {"7.5+0+0", 1, 2, 3},     {"0:1:23.45", 1, 2, 3},
        {"a+b+c", 1, 2, 3},       {"1+2+3+4", 1, 2, 3},
        {"2x+0+0", 1, 2, 3},      {"0x10+0+0", 1, 2, 3},
        {"1e3+0+0", 1, 2, 3},     {"1+ +3", 1, 2, 3},
        {"1:30+0", 1, 2, 3},      {"7.5+1.5+2x+9", 1, 2, 3},
        {"30", 1, 2, 1},          {"8h", 1, 2, 1},
        {" 1 + 2 + 3 ", 0, 0, 3}, {"-1+2+3", 0, 0, 3},
        {"1+-2+3", 0, 0, 3},      {"1+2+3+", 0, 0, 3},
        {"5+30", 0, 0, 3},        {"q", 0, 0, 1},
        {".", 0, 0, 1},           {"", 0, 0, 1},
        {"  ", 0, 0, 1},          {"++", 0, 0, 1},
        {" -1+30+0", 1, 2, 3},    {" -0+30+0", 1, 2, 3},
        {"-5+30", 1, 2, 3},       {" -5+30", 1, 2, 3},
        {"-0+30", 1, 2, 3},       {"-5.5+30", 2, 2, 3},
        {" -1+0+0", 0, 0, 3},     {" -1+-30+0", 0, 0, 3},
        {"-5+0", 0, 0, 3},        {"-5+-30", 0, 0, 3},
        {"100", 0, 2, 3}, // refused: a warning, not a note
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.line);
        std::string in = c.line + std::string("\n1+0+0\n\n");
        Res r = RunPrg(MkDir(), {}, in);
        Res s = RunPrg(MkDir(), {"--strict"}, in);
        Res q = RunPrg(MkDir(), {"--quiet"}, in);
        int notes = 0;
        for (size_t at = 0; (at = r.err.find("?W- ", at)) != std::string::npos; at++)
            notes += r.err.compare(at, 11, "?W- Ignored") != 0;
        EXPECT_EQ(notes, c.notes) << r.err;
        EXPECT_EQ(r.sts, 0);
        EXPECT_EQ(s.sts, c.strict);
        EXPECT_EQ(s.out, r.out);
        EXPECT_EQ(s.err, r.err);
        EXPECT_EQ(q.err, r.err);
        EXPECT_EQ(q.out.rfind(HEADER, 0), 0U);
        EXPECT_EQ(r.out, BANNER + Prompts(c.prompts) + q.out);
    }
}

// The entry that fills the last of the 256 slots aborts the run; refused
// lines take no slot.
TEST(Entry, MaxTimes)
{
    std::string in;
    std::string rows;
    for (int i = 1; i <= 255; i++) {
        in += "0+0+1\n";
        rows += " 0:00:01\t00:0" + std::to_string(i / 60) + ":" + (i % 60 < 10 ? "0" : "") +
                std::to_string(i % 60) + "\n";
    }
    Check({in + "100\n\n", 257, rows, "?W- Ignored, not h+m+s or m+s: >100< (line 256)\n"});

    // Under --quiet standard output holds nothing but a report.
    const std::string full = "Exceeding MAXTIMES limit, aborting.\n";
    for (bool quiet : {false, true}) {
        std::vector<std::string> args;
        if (quiet)
            args.push_back("--quiet");
        Res r = RunPrg(MkDir(), args, in + "0+0+1\n1+0+0\n");
        EXPECT_EQ(r.out, quiet ? "" : BANNER + Prompts(256) + full);
        EXPECT_EQ(r.err, quiet ? full : "");
        EXPECT_EQ(r.sts, 1);
    }
}

// --borrow: each interval and total in one sign, minutes and seconds below
// 60, on standard output and in the report file; the total needs no note.
TEST(Report, BorrowShowsOneSign)
{
    const struct {
        std::string in, rows;
    } cases[] = {
        {"1+30+0\n45+30\n", " 1:30:00\t01:30:00\n 0:45:30\t02:15:30\n"},
        {"0+90+0\n0+0+150\n", " 1:30:00\t01:30:00\n 0:02:30\t01:32:30\n"},
        {"-0+45+0\n-12+0+0\n", "-0:45:00\t-0:45:00\n-12:00:00\t-12:45:00\n"},
        {"1+0+0\n-2+0+0\n0+30+0\n", " 1:00:00\t01:00:00\n-2:00:00\t-1:00:00\n 0:30:00\t-0:30:00\n"},
        {"8+0+0\n-0+45+0\n", " 8:00:00\t08:00:00\n-0:45:00\t07:15:00\n"},
        {"1+-2+3\n-1+0+0\n-0+0+0\n",
         " 0:58:03\t00:58:03\n-1:00:00\t-0:01:57\n 0:00:00\t-0:01:57\n"},
        {"1+0+0\n-1+0+0\n", " 1:00:00\t01:00:00\n-1:00:00\t00:00:00\n"},
        {"-2147483647+2147483647+2147483647\n", "-2183871564:21:07\t-2183871564:21:07\n"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.in);
        std::string dir = MkDir();
        Res r = RunPrg(dir, {"--borrow", "--quiet", "--strict", "/otimes.log"}, c.in);
        EXPECT_EQ(r.out, HEADER + c.rows);
        EXPECT_EQ(r.err, "");
        EXPECT_EQ(r.sts, 0);
        EXPECT_EQ(RdFile(dir + "/times.log"), HEADER + c.rows);
    }
}
