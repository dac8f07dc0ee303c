// Console output whose rows carry the benchmark's own name and arguments
// only: a row that makes a fixed number of iterations (stated in its
// program's header) is not renamed by that count.
#pragma once
#include <benchmark/benchmark.h>

#include <vector>

class NamedRowsReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        std::vector<Run> named(runs);
        for (Run& r : named) r.run_name.iterations.clear();
        ConsoleReporter::ReportRuns(named);
    }
};
