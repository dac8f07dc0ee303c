// Rows that carry the benchmark's own name and arguments only: a row that
// makes a fixed number of iterations (stated in its program's header) is not
// renamed by that count. Every other decision is the reporter that
// --benchmark_format selects (console, json or csv), which this one wraps.
#pragma once
#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

class NamedRowsReporter : public benchmark::BenchmarkReporter {
public:
    NamedRowsReporter() : inner_(benchmark::CreateDefaultDisplayReporter()) {}

    bool ReportContext(const Context& context) override {
        // The streams are set on the wrapper by the library before this call.
        inner_->SetOutputStream(&GetOutputStream());
        inner_->SetErrorStream(&GetErrorStream());
        return inner_->ReportContext(context);
    }
    void ReportRuns(const std::vector<Run>& runs) override {
        std::vector<Run> named(runs);
        for (Run& r : named) r.run_name.iterations.clear();
        inner_->ReportRuns(named);
    }
    void Finalize() override { inner_->Finalize(); }

private:
    std::unique_ptr<benchmark::BenchmarkReporter> inner_;
};
