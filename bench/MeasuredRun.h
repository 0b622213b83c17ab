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

// The median of the figures (which it sorts).
double Median(std::vector<double>& figures);

// Writes a file of size bytes (a whole number of MiB) whose 1 MiB blocks all differ, so that
// neither compression nor deduplication on the way makes it cheaper; false when it fails.
bool WriteBigFile(const std::filesystem::path& file, std::uintmax_t size);
