// Speed of the survey report: building the page from the main window's survey (one database read,
// about a hundred labels laid out and measured) and writing it as PDF into memory.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>

#include "core/data/database_schema.h"
#include "core/forms/services.h"
#include "core/main_window/form1.h"
#include "core/pdf/pdf_output.h"
#include "core/report/print_form.h"

namespace {

std::string seeded_program_dir() {
    std::string dir = (std::filesystem::temp_directory_path() / "ijken-bench-XXXXXX").string();
    if (!mkdtemp(dir.data())) std::abort();
    dir += "/";
    ijken::data::create_database(dir + "ijken.db");
    return dir;
}

// The seeded ship with its newest survey, Grain Coop 3, shown in the main window.
struct Program {
    ijken::forms::ScriptedDialogs dialogs;
    ijken::survey::Form1 form;
    ijken::report::Print_form report;

    explicit Program(const std::string& dir)
        : form(dir, dialogs), report(form.session(), form.services, [this] { return form.own_files(); }) {
        form.formcreate();
        if (!dialogs.shown().empty()) throw std::runtime_error(dialogs.shown().front().text);
    }
};

void BM_UpdatePdfAndSave(benchmark::State& state) {
    static const std::string dir = seeded_program_dir();
    Program program(dir);
    ijken::pdf::MemoryStream out;
    for (auto _ : state) {
        program.report.update_pdf();
        program.report.PReport1.StartDocument();
        program.report.PReport1.PrintPage(program.report.PRPage1);
        out.clear();
        program.report.PReport1.EndDocument(out);
        benchmark::DoNotOptimize(out.data().data());
    }
    state.counters["bytes"] = static_cast<double>(out.data().size());
}
BENCHMARK(BM_UpdatePdfAndSave)->Unit(benchmark::kMicrosecond);

// The page as the last build left it, written only: the PDF writer's share of the first figure.
void BM_SaveOnly(benchmark::State& state) {
    static const std::string dir = seeded_program_dir();
    Program program(dir);
    program.report.update_pdf();
    ijken::pdf::MemoryStream out;
    for (auto _ : state) {
        program.report.PReport1.StartDocument();
        program.report.PReport1.PrintPage(program.report.PRPage1);
        out.clear();
        program.report.PReport1.EndDocument(out);
        benchmark::DoNotOptimize(out.data().data());
    }
}
BENCHMARK(BM_SaveOnly)->Unit(benchmark::kMicrosecond);

void BM_UpdatePdf(benchmark::State& state) {
    static const std::string dir = seeded_program_dir();
    Program program(dir);
    for (auto _ : state) program.report.update_pdf();
}
BENCHMARK(BM_UpdatePdf)->Unit(benchmark::kMicrosecond);

}  // namespace
