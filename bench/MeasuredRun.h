#pragma once
// POSIX only: runs a program to its end with its output thrown away, and measures its
// wall-clock time and peak resident memory; writes the big files the benchmarks fetch.

#include "ChildProcess.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

struct MeasuredRun {
    int exitCode = -1;     // -1 when the program could not run or was killed
    double seconds = 0;    // wall clock
    double cpuSeconds = 0; // user and system time of the program
    long peakRssKiB = 0;
};

MeasuredRun RunMeasured(const std::vector<std::string>& argv, const EnvironmentOverrides& environment = {});

// The figures of runs of the client and of curl taken in turns, and of the disk's floor.
struct AlternatedRuns {
    std::vector<double> clientTimes, curlTimes, clientCpu, curlCpu;
    // Writing as many bytes from memory into a new file and flushing it: what any program
    // that keeps the file on disk waits for at least (the client flushes before its switch,
    // curl does not flush at all).
    std::vector<double> diskFloorTimes;
    long clientPeakRssKiB = 0;
};

// Runs client and curl runs times each, alternating which goes first so that neither always
// finds a warmer machine, and after each pair the disk's floor beside curlResult; before each
// run their results are removed, after it each must be size bytes. False, with a line on
// stderr opened by label, when one fails.
bool RunAlternately(const std::vector<std::string>& client, const std::vector<std::string>& curl,
                    const EnvironmentOverrides& environment, const std::filesystem::path& clientResult,
                    const std::filesystem::path& curlResult, std::uintmax_t size, int runs, const char* label,
                    AlternatedRuns& figures);

// Prints, opened by label, the median of the disk's floor and the ratio of the client's median
// time to the larger of curl's and that floor.
void PrintDiskFloor(const char* label, AlternatedRuns& figures);

// The machine's load average over the last minute, for the lines of figures measured on a
// shared machine; -1 when it cannot be read.
double LoadAverage();

// The median of the figures (which it sorts).
double Median(std::vector<double>& figures);

// Whether the file system of folder has gibibytes GiB free. When not, the benchmark is
// skipped: a line "label: skipped" says how much was free and how much is needed.
bool HasFreeGiB(const std::filesystem::path& folder, int gibibytes, const char* label);

// Writes a file of size bytes (a whole number of MiB) whose 1 MiB blocks all differ, so that
// neither compression nor deduplication on the way makes it cheaper; false when it fails.
bool WriteBigFile(const std::filesystem::path& file, std::uintmax_t size);
