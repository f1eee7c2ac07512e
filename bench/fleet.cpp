// Speed at fleet scale (500 ships of 250 gauge-table rows, 2,000 surveys on the selected ship):
// program start up to the shown main window, a ship switch from the menu, and opening the gauge
// table window on a stored table. Every window is a real Qt window (offscreen without a display).
//
//   bench_fleet                      run the benchmarks
//   bench_fleet --make-db DIR        only write DIR/ijken.db, the fleet database
#include <benchmark/benchmark.h>

#include <QApplication>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <stdexcept>

#include "app/gui_start.h"
#include "core/main_window/survey_list_form.h"
#include "core/shipdata/ijkeninvoerform.h"
#include "fleet_db.h"

namespace {

using namespace ijken;

// The fleet database in a program directory of its own, made once per run.
const std::string& fleet_dir() {
    static const std::string dir = [] {
        std::string d = (std::filesystem::temp_directory_path() / "ijken-fleet-XXXXXX").string();
        if (!mkdtemp(d.data())) std::abort();
        d += "/";
        bench::make_fleet_database(d + "ijken.db");
        return d;
    }();
    return dir;
}

// A started program: the main form with every window.
struct Program {
    forms::ScriptedDialogs dialogs;
    survey::Form1 form{fleet_dir(), dialogs};
    std::unique_ptr<app::ProgramWindows> windows = app::start_main_window(form, dialogs, [] {});
    Program() {
        QApplication::processEvents();
        if (!dialogs.shown().empty()) throw std::runtime_error(dialogs.shown().front().text);
    }
    forms::MenuItem& ship(int ship_id) {
        for (forms::MenuItem* item : form.get<forms::MenuItem>("Wijzigen1").items()) {
            if (item->tag() == ship_id) return *item;
        }
        throw std::runtime_error("no ship " + std::to_string(ship_id));
    }
};

void BM_ProgramStart(benchmark::State& state) {
    fleet_dir();
    for (auto _ : state) {
        auto program = std::make_unique<Program>();
        state.PauseTiming();
        program.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_ProgramStart)->Unit(benchmark::kMillisecond);

// Alternates between the ship with 2,000 surveys and one without; both switches count.
void BM_ShipSwitch(benchmark::State& state) {
    Program p;
    int target = 2;
    for (auto _ : state) {
        p.ship(target).click();
        QApplication::processEvents();
        target = target == 1 ? 2 : 1;
    }
    if (!p.dialogs.shown().empty()) state.SkipWithError(p.dialogs.shown().front().text.c_str());
}
BENCHMARK(BM_ShipSwitch)->Unit(benchmark::kMillisecond);

void BM_GaugeTableWindow(benchmark::State& state) {
    Program p;
    auto* ijk = p.form.window<shipdata::Ijkeninvoerform>();
    for (auto _ : state) {
        p.form.Wijzigen2Click();
        QApplication::processEvents();
        state.PauseTiming();
        if (ijk->get<forms::StringGrid>("ijkengrid").row_count() != 251) state.SkipWithError("table not loaded");
        ijk->close();
        QApplication::processEvents();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_GaugeTableWindow)->Unit(benchmark::kMillisecond);

// The survey list of the ship with 2,000 surveys: opening it (read, compute every loaded tonnage,
// sort, fill the Qt grid) and one keystroke in its search field (filter and refill).
void BM_SurveyListOpen(benchmark::State& state) {
    Program p;
    auto* list_window = p.form.window<survey::SurveyListForm>();
    for (auto _ : state) {
        p.form.get<forms::MenuItem>("Opnamelijst1").click();
        QApplication::processEvents();
        state.PauseTiming();
        if (list_window->shown_surveys().size() != 2000) state.SkipWithError("list not filled");
        list_window->close();
        QApplication::processEvents();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_SurveyListOpen)->Unit(benchmark::kMillisecond);

void BM_SurveyListFilter(benchmark::State& state) {
    Program p;
    auto* list_window = p.form.window<survey::SurveyListForm>();
    p.form.get<forms::MenuItem>("Opnamelijst1").click();
    QApplication::processEvents();
    auto& search = list_window->get<forms::Edit>("zoek");
    // Alternately narrowing to few rows and widening to all 2,000: the widening refills the most.
    bool narrow = true;
    for (auto _ : state) {
        search.set_text(narrow ? "1999" : "");
        QApplication::processEvents();
        narrow = !narrow;
    }
    if (list_window->shown_surveys().empty()) state.SkipWithError("nothing shown");
}
BENCHMARK(BM_SurveyListFilter)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "--make-db") == 0) {
        const std::filesystem::path db = std::filesystem::path(argv[2]) / "ijken.db";
        if (std::filesystem::exists(db)) {
            std::cerr << db.string() << " exists already\n";
            return 1;
        }
        ijken::bench::make_fleet_database(db.string());
        std::cout << "wrote " << db.string() << "\n";
        return 0;
    }
    if (std::getenv("DISPLAY") == nullptr && std::getenv("QT_QPA_PLATFORM") == nullptr)
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    int qt_argc = 1;
    QApplication app(qt_argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
