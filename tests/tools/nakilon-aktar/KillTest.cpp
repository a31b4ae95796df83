// nakilon-aktar killed at random moments: 200 runs against three emulated
// terminals that keep getting new records, each run ended by SIGKILL, then
// one run to its end. Every record a terminal marked read must be in the
// output file once and in a backup file once, and no temporary file may stay.
#include "AktarTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <map>
#include <random>

namespace nakilon {
namespace {

using namespace testsupport;

// How often each expected line occurs in a text; other lines count apart.
struct LineCount {
    size_t once = 0, missing = 0, twice = 0, strangers = 0;
};

LineCount countLines(const std::string& text, const std::map<std::string, int>& expected) {
    std::map<std::string, int> seen;
    LineCount count;
    for (size_t start = 0; start < text.size();) {
        size_t end = text.find("\r\n", start);
        end = end == std::string::npos ? text.size() : end + 2;
        const std::string line = text.substr(start, end - start);
        if (expected.count(line))
            ++seen[line];
        else
            ++count.strangers;
        start = end;
    }
    for (const auto& [line, device] : expected) {
        const int times = seen.count(line) ? seen[line] : 0;
        if (times == 0)
            ++count.missing;
        else if (times == 1)
            ++count.once;
        else
            ++count.twice;
    }
    return count;
}

TEST(KillTest, RecordsSurviveTwoHundredKillsExactlyOnce) {
    constexpr int kRuns = 200;
    std::mt19937 random(20240309); // fixed: the same kills every time
    std::vector<std::unique_ptr<ServedTerminal>> terminals;
    int32_t next = 1;
    for (int32_t machine = 1; machine <= 3; ++machine) {
        std::vector<LogRecord> records;
        for (int i = 0; i < 300; ++i)
            records.push_back(recordOf(next++));
        terminals.push_back(std::make_unique<ServedTerminal>(machine, records));
    }
    // A slow answer widens the moment in which a terminal has marked its
    // records but the program has not heard so.
    terminals[1]->server().setLatency(std::chrono::milliseconds(2));
    AktarFolder folder;
    folder.devices({terminals[0].get(), terminals[1].get(), terminals[2].get()});
    const std::string log = folder.folder().file("run.log");

    const auto addRecords = [&] {
        for (auto& terminal : terminals) {
            std::vector<LogRecord> fresh;
            for (int n = std::uniform_int_distribution<int>(0, 12)(random); n > 0; --n)
                fresh.push_back(recordOf(next++));
            terminal->add(fresh);
        }
    };

    // A few runs to their end tell how long a run takes here.
    std::vector<double> durations;
    for (int i = 0; i < 3; ++i) {
        addRecords();
        const auto start = std::chrono::steady_clock::now();
        ChildProcess run({folder.program()}, log);
        ASSERT_EQ(run.wait(), 0) << readWholeFile(log);
        durations.push_back(
            std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start)
                .count());
    }
    std::sort(durations.begin(), durations.end());
    const auto span = static_cast<int>(std::max(20000.0, durations[1] * 1.3));

    int finishedFirst = 0, recoveries = 0;
    for (int i = 0; i < kRuns; ++i) {
        addRecords();
        ChildProcess run({folder.program()}, log);
        std::this_thread::sleep_for(
            std::chrono::microseconds(std::uniform_int_distribution<int>(0, span)(random)));
        if (run.ended())
            ++finishedFirst;
        else
            run.signal(SIGKILL);
        run.wait();
        const std::string output = readWholeFile(log);
        recoveries += output.find("Yarım kalmış bir aktarımın") != std::string::npos ? 1 : 0;
    }
    std::string output;
    const int lastCode = runAktar(folder, output);
    recoveries += output.find("Yarım kalmış bir aktarımın") != std::string::npos ? 1 : 0;
    EXPECT_EQ(lastCode, 0) << output;

    std::map<std::string, int> expected;
    size_t unread = 0;
    for (size_t t = 0; t < terminals.size(); ++t) {
        for (const LogRecord& r : terminals[t]->logs()) {
            unread += r.isNew ? 1 : 0;
            expected[lineOf(static_cast<int>(t) + 1, r.personnelNumber)] = 1;
        }
    }
    const LineCount inOutput = countLines(folder.folder().read("Hareketler.txt"), expected);
    const LineCount inBackups = countLines(folder.backups(), expected);
    const std::vector<std::string> left = folder.temporaries();
    std::printf("kill test: %d runs killed at random within %d us (%d had already ended), "
                "%d interrupted runs completed by the next one\n"
                "           %zu records, %zu marked read; Hareketler.txt: %zu once, %zu lost, "
                "%zu duplicated, %zu other lines; backup files: %zu once, %zu lost, "
                "%zu duplicated, %zu other lines; %zu temporary files left\n",
                kRuns, span, finishedFirst, recoveries, expected.size(), expected.size() - unread,
                inOutput.once, inOutput.missing, inOutput.twice, inOutput.strangers, inBackups.once,
                inBackups.missing, inBackups.twice, inBackups.strangers, left.size());
    EXPECT_EQ(unread, 0u) << "the last run reads every terminal to its end";
    EXPECT_EQ(inOutput.once, expected.size());
    EXPECT_EQ(inOutput.missing + inOutput.twice + inOutput.strangers, 0u);
    EXPECT_EQ(inBackups.once, expected.size());
    EXPECT_EQ(inBackups.missing + inBackups.twice + inBackups.strangers, 0u);
    EXPECT_TRUE(left.empty()) << left.front();
    EXPECT_FALSE(folder.folder().exists("Aktarim.gunluk"));
}

} // namespace
} // namespace nakilon
