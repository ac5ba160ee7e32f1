#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <random>
#include <string>
#include <tuple>

#include "Shared/Scan/ProcessScannerParsing.h"

using namespace ProcessScannerParsing;
using namespace std::string_literals;

namespace {
PSEntry row(std::int32_t pgid) { return PSEntry{pgid, 0, 0, 0, std::nullopt, std::nullopt, std::nullopt}; }
}  // namespace

TEST(ParseCWDs, readsPidCommandAndFolderAndSkipsLinesWithoutValidPid) {
    const auto cwds = parseCWDs(
        "n/orphan\np12\ncnode\nfcwd\nn/Users/a/Development/app\n"
        "pabc\ncruby\nn/ignored\np13\nn/no/command\n");
    EXPECT_EQ(cwds, (WorkingDirectories{{12, {"node", "/Users/a/Development/app"}},
                                        {13, {"", "/no/command"}}}));  // a new "p" forgets the previous command
}

TEST(ParseCWDs, decodesLsofsEscapesInCommandAndFolder) {
    const auto cwds = parseCWDs(
        "p7\ncsl\\xc3\\xa9\\\\ep\nfcwd\nn/home/Andr\\xc3\\xa9/D\\xc3\\xa9v/app\n"
        "p8\ncsleep\nn/tmp/hi\\xffz\\tx^A\\x\n");
    EXPECT_EQ(cwds.at(7), (CWDEntry{"sl\xC3\xA9\\ep", "/home/Andr\xC3\xA9/D\xC3\xA9v/app"}));
    // A decoded byte that is no UTF-8 becomes U+FFFD; what is no complete escape stays as written.
    EXPECT_EQ(cwds.at(8).cwd,
              "/tmp/hi\xEF\xBF\xBD"
              "z\tx^A\\x");
}

TEST(ParsePS, splitsSevenFieldsAndKeepsTheCommandLinesInnerSpaces) {
    const auto table = parsePS(
        "   501   501  0.0  0.1 20480    01:02:03 0:01.50 /usr/bin/node server.js  --port 3000 "
        "\n  7 7 1,5 0,2 x 05:09 0:00.00\n  8 8 0.0 0.0 10 05:09 0:00.00      \n"
        "abc 1 0.0 0.0 1 00:01 0:00.00 cmd\n  9 9 nan 0.0 1 00:01 0:00.00 cmd\n"
        " 10 10 0.0 0.0 1 00:01\n");
    EXPECT_EQ(table, (ProcessTable{{501, {501, 0.0, 0.1, 20480, 3723, 1.5, "/usr/bin/node server.js  --port 3000"}},
                                   {7, {7, 1.5, 0.2, 0, 309, 0.0, {}}},  // an unreadable size does not cost the line
                                   {8, {8, 0.0, 0.0, 10, 309, 0.0, {}}}}));  // only spaces after the seventh field
}

// parsePS reads a line in the plain form ps writes in one pass and any other line column by column;
// which of them read a line must never show. Real output takes the one pass throughout; lines at
// its limits (digit counts, fractions, clock parts, spacing) and random ones made of the same pieces
// must read the same wherever it takes them.
TEST(ParsePS, theOnePassReadingGivesWhatTheColumnByColumnReadingGives) {
    int onePass = 0;
    const auto agree = [&](const std::string& line) {
        const auto plain = Testing::readPlainPSLine(line);
        if (!plain) return false;
        ++onePass;
        EXPECT_EQ(Testing::readGeneralPSLine(line), plain) << '"' << line << '"';
        return true;
    };
    std::ifstream real(std::string(VELLUMARK_TEST_FIXTURES) + "/scan/ps.txt");
    int realLines = 0;
    for (std::string line; std::getline(real, line); ++realLines) EXPECT_TRUE(agree(line)) << line;
    EXPECT_EQ(realLines, 31);

    // At the limits: the digits an integer or a decimal holds for sure, clock parts, spacing.
    for (const std::string columns : {"999999999 1", "1000000000 1", "1 1", "007 0010"})
        agree(" " + columns + " 0.0 0.0 1 00:01 0:00.00 cmd");
    for (const std::string numbers :
         {"123456789012345 0.0 999999999999999999", "1234567890123456 0.0 1", "12345678901234.5 0.0 1",
          "0.000000000000001 99999999999999.9 1", "0.0000000000000001 0.0 1", "5. 0.0 1", ".5 0.0 1", "1,5 0.0 1",
          "0.0 0.0 9223372036854775807", "0.0 0.0 -1", "00.50 0.0 0018"})
        agree(" 1 1 " + numbers + " 00:01 0:00.00 cmd");
    for (const std::string times :
         {"00:01 0:00.00", "1-00:00:00 1-02:03:04.5", "1:2:3 1:2:3.25", "1:2:3:4 0:00", "05:09 00:00:07",
          "99999999999999-23:59:59 0:01", "999999999999999:00 0:01", "0:00 0:1.99999999999999",
          "0:00 0:1.999999999999999", "0:00 12345678901234:0.5", "0:00 0:00.", "0:00 0:00,5", "-1:00 0:00",
          "1-:00 0:00", "0:00 1-0:0.000000000000001"})
        agree(" 1 1 0.0 0.0 1 " + times + " cmd");
    for (const std::string spacing :
         {"1 1 0.0 0.0 1 00:01 0:00.00", "  1  1  0.0  0.0  1  00:01  0:00.00  ", "1 1 0.0 0.0 1 00:01 0:00.00 ",
          "1 1 0.0 0.0 1 00:01 0:00.00  a  b ", "1\t1 0.0 0.0 1 00:01 0:00.00 cmd", "1 1 0.0 0.0 1 00:01\t0:00.00"})
        agree(spacing);

    // Random lines: each column in its own form, its numbers mostly short but up to 17 digits long,
    // now and then with a character out of place.
    std::mt19937 random(20250214);
    const auto digits = [&] {
        std::string text;
        for (auto count = random() % 4 ? 1 + random() % 5 : random() % 18; count > 0; --count)
            text += static_cast<char>('0' + random() % 10);
        return text;
    };
    const auto clock = [&](bool fraction) {
        std::string text = random() % 4 == 0 ? digits() + "-" : "";
        text += digits() + ":" + digits();
        if (random() % 2) text += ":" + digits();
        if (fraction && random() % 2) text += "." + digits();
        return text;
    };
    const auto decimal = [&] { return random() % 2 ? digits() + "." + digits() : digits(); };
    const int before = onePass;
    for (int round = 0; round < 20000; ++round) {
        std::string line;
        for (const auto& column : {digits(), digits(), decimal(), decimal(), digits(), clock(false), clock(true)})
            line += std::string(1 + random() % 3, ' ') + column;
        if (random() % 2) line += " node  server.js ";
        if (random() % 8 == 0) line.insert(random() % (line.size() + 1), 1, ",x\t+-.: "[random() % 8]);
        agree(line);
    }
    EXPECT_GT(onePass - before, 1000);
}

TEST(ScanParsers, readOnlyTheListenersTextsAndOtherwiseAgreeWithTheFullTables) {
    const std::string cwdText =
        "p7\ncsl\\xc3\\xa9ep\nfcwd\nn/home/a/web\np8\ncnode\nn/home/a/api\np9\nn/x\n"
        "p7\ncvite\nn/home/a/l\\xc3\\xa9\n";
    const std::string psText =
        " 7 7 0.0 0.0 1 00:01 0:00.00 node web.js\n 8 7 0,5 0.0 1 00:01 0:00.00 node worker.js\n"
        " 9 9 0.0 0.0 1 00:01 0:00.00\n 7 7 1.0 0.0 2 00:02 0:00.10  vite \n";
    const ListeningPorts listeners{{7, {3000}}, {9, {4000}}, {12, {5000}}};
    // A later record for the same pid still wins, and the names are decoded as in the full table.
    EXPECT_EQ(parseCWDs(cwdText, listeners), (WorkingDirectories{{7, {"vite", "/home/a/l\xC3\xA9"}}, {9, {"", "/x"}}}));
    const auto table = parsePS(psText, listeners);
    EXPECT_EQ(table.at(7).commandLine, "vite");
    auto full = parsePS(psText);
    full.at(8).commandLine.reset();  // not a listener: every other field as in the full table
    EXPECT_EQ(table, full);

    std::mt19937 random(20250131);
    for (int round = 0; round < 300; ++round) {
        std::string cwdLines, psLines;
        for (int line = random() % 40; line > 0; --line) {
            const auto pid = std::to_string(random() % 12);
            cwdLines += "pcnx"[random() % 4] + (random() % 2 ? pid : "/d\\x41" + pid) + "\n";
            psLines += pid + " " + pid + " 0.0 0.0 1 00:01 0:00.00" + (random() % 3 ? " cmd" + pid + "\n" : "\n");
        }
        ListeningPorts some;
        for (int pid = 0; pid < 12; ++pid)
            if (random() % 3 == 0) some[pid].insert(3000);
        WorkingDirectories listenersCWDs;
        for (const auto& [pid, entry] : parseCWDs(cwdLines))
            if (some.contains(pid)) listenersCWDs.emplace(pid, entry);
        EXPECT_EQ(parseCWDs(cwdLines, some), listenersCWDs) << cwdLines;
        auto rows = parsePS(psLines);
        for (auto& [pid, entry] : rows)
            if (!some.contains(pid)) entry.commandLine.reset();
        EXPECT_EQ(parsePS(psLines, some), rows) << psLines;
    }
}

TEST(ParseTimes, readEveryPsFormAndRejectTheRest) {
    EXPECT_EQ(parseETime("05:09"), 309);
    EXPECT_EQ(parseETime("1-02:03:04"), 93784);
    EXPECT_EQ(parseETime(" 02:03:04\t"), 7384);
    EXPECT_EQ(parseETime("3000-00:00:00"), 3000LL * 86400);
    // Too large for 64 bits: no value rather than a wrapped one.
    for (const auto* bad : {"-05:09", "1:2:3:4", "05:", "", "5", "x-01:02", "1-", "01: 02", "0x1:00",
                            "9223372036854775807-00:00", "99999999999999999999:00"})
        EXPECT_FALSE(parseETime(bad).has_value()) << bad;
    EXPECT_EQ(parseCPUTime("1:02:03.5"), 3723.5);
    EXPECT_EQ(parseCPUTime("2-00:00:01,25"), 172801.25);
    EXPECT_EQ(parseCPUTime("00:00:07"), 7.0);  // procps prints no fraction
    for (const auto* bad : {"1.5", "", "1:2:3:4", ":01.5", "1::2", "a-0:01", "0:inf", "0:nan", "1.5:00:01"})
        EXPECT_FALSE(parseCPUTime(bad).has_value()) << bad;
}

TEST(ParseListeningPorts, takesThePortAfterTheLastColonBelowTheEphemeralRange) {
    const auto ports = parseListeningPorts(
        "n*:1111\np7\nf5\nn*:3000\nn[::1]:3000\nn127.0.0.1:5173\n"
        "n*:49152\nn*:60000\nn*:49151\nn*:0\nn*:-80\nn*:+81\nnnocolon\nn*:\n"
        "pbad\nn*:4000\np8\nn*:99999999999999999999\n");
    EXPECT_EQ(ports, (ListeningPorts{{7, {81, 3000, 5173, 49151}}}));  // pid 8 had nothing valid
    // A pid listed twice, and after a higher one, has the ports of both records.
    EXPECT_EQ(parseListeningPorts("p9\nn*:4000\np7\nn*:3000\np9\nn*:3001\nn[::1]:4000\n"),
              (ListeningPorts{{7, {3000}}, {9, {3001, 4000}}}));
}

TEST(WithInstantCPU, usesTheCPUTimeSpentSinceThePreviousScan) {
    ProcessTable stats;
    for (auto [pid, time] : {std::pair{1, 11.0}, {2, 9.0}, {3, -1.0}, {4, 1.0}})
        stats[pid].cpu = 3, stats[pid].cpuTimeSeconds = time < 0 ? std::nullopt : std::optional(time);
    const auto now = withInstantCPU(stats, {{1, 10.0}, {2, 10.0}, {3, 1.0}}, 5);
    EXPECT_DOUBLE_EQ(now.at(1).cpu, 20.0);
    // Less time than before means the pid was reused; without both times the ps value stays.
    EXPECT_EQ(std::tuple(now.at(2).cpu, now.at(3).cpu, now.at(4).cpu), std::tuple(0.0, 3.0, 3.0));
    EXPECT_EQ(withInstantCPU(stats, {{1, 10.0}}, std::nan("")), stats);
    EXPECT_EQ(withInstantCPU(stats, {{1, -1.7e308}}, 1e-300).at(1).cpu, 0.0);  // infinite: unknown

    // The kernel's exact times count only where both scans have one: 2 has no earlier exact time
    // and keeps its ps figure, 3 and 4 are in no listening group.
    const auto exact = withExactInstantCPU(now, {{1, 10.5}, {2, 9.9}, {9, 1}}, {{1, 10.0}, {3, 0.5}, {9, 0}}, 5);
    EXPECT_EQ(std::tuple(exact.at(1).cpu, exact.at(2).cpu, exact.at(3).cpu, exact.size()),
              std::tuple(10.0, 0.0, 3.0, 4u));
    EXPECT_EQ(withExactInstantCPU(now, {{1, 99}}, {{1, 1}}, 0), now);

    // Who is read exactly: every process of a group with a listener, and a listener ps missed.
    ProcessTable groups{{10, row(10)}, {11, row(10)}, {12, row(12)}, {20, row(10)}};
    EXPECT_EQ(listeningGroupMembers(groups, {{11, {3000}}, {15, {4000}}}), (std::vector<std::int32_t>{10, 11, 15, 20}));
}

TEST(ProcStat, userPlusSystemTicksCountedAfterTheLastParenthesis) {
    const std::string tail = " S 1 4242 4242 0 -1 4194560 2261 0 0 0 1234 56 0 0 20 0 1 0 9128 10424320 2264\n";
    EXPECT_EQ(parseProcStatCPUTicks("4242 (python3)" + tail), 1290u);
    EXPECT_EQ(parseProcStatCPUTicks("4242 (my (odd) name) S 1 2 3 4 5 6 7 8 9 10 11 12 13"), 23u);
    EXPECT_EQ(parseProcStatCPUTicks("7 (x) S 1 2 3 4 5 6 7 8 9 10 18446744073709551615 1"), std::nullopt);  // overflow
    for (const char* bad : {"", "4242 python3 S 1 2 3 4 5 6 7 8 9 10 11 12", "4242 (p) S 1 2 3 4 5 6 7 8 9 10 11",
                            "4242 (p) S 1 2 3 4 5 6 7 8 9 10 -11 12", "4242 (p) S 1 2 3 4 5 6 7 8 9 10 1x 12"})
        EXPECT_EQ(parseProcStatCPUTicks(bad), std::nullopt) << bad;
}

TEST(ToolOutputParsers, surviveTruncatedGarbledAndHugeInput) {
    // NUL bytes are plain data and bytes that are not UTF-8 become U+FFFD; the line structure holds.
    EXPECT_EQ(parseCWDs("p4\nc\xff\xfe\nn/a\0b\np\np5"s), (WorkingDirectories{{4, {"\uFFFD\uFFFD", "/a\0b"s}}}));
    EXPECT_TRUE(parseListeningPorts("p1\nn*:30\0"s).empty());
    EXPECT_EQ(parsePS(" 1 1 0.0 0.0 1 00:01 0:00.00 a\0b\n 2 2"s).at(1).commandLine, "a\0b"s);

    const std::string hugeLine = "n" + std::string(4 << 20, '/');
    EXPECT_EQ(parseCWDs("p1\n" + hugeLine).at(1).cwd.size(), hugeLine.size() - 1);
    EXPECT_TRUE(parsePS(std::string(4 << 20, ' ') + "1").empty());
    EXPECT_TRUE(parseListeningPorts("p1\n" + hugeLine + ":80").at(1).contains(80));

    std::mt19937 random(20240611);
    for (int round = 0; round < 200; ++round) {
        std::string text(1 + random() % 600, '\0');
        for (auto& c : text) c = static_cast<char>(random() % 4 == 0 ? "pcn:- 0123\n"[random() % 11] : random() % 256);
        parseCWDs(text), parsePS(text), parseListeningPorts(text), parseETime(text), parseCPUTime(text);
    }
}
