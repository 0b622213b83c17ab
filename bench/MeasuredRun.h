#pragma once
// POSIX only: runs a program to its end with its output thrown away, and measures its
// wall-clock time and peak resident memory.

#include "ChildProcess.h"

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
