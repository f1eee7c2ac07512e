// Speed of showing a survey in the main window: every changed field recomputes, so a survey that
// differs from the one shown in all twenty readings and the correction factor costs 21
// recomputations.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>

#include "core/data/database_schema.h"
#include "core/data/sqlite_database.h"
#include "core/forms/services.h"
#include "core/main_window/form1.h"

namespace {

// A program directory with the seeded database and one more survey of ship 1, entered last, whose
// every reading and factor differ from those of Grain Coop 3.
std::string program_dir_with_surveys() {
    std::string dir = (std::filesystem::temp_directory_path() / "ijken-bench-XXXXXX").string();
    if (!mkdtemp(dir.data())) std::abort();
    dir += "/";
    ijken::data::create_database(dir + "ijken.db");
    ijken::data::SQLiteDatabase db(dir + "ijken.db");
    db.Execute(
        "INSERT INTO IJkOpnames(Schipid,BBL_1,BBL_2,BBL_3,BBL_4,BBL_5,SBL_1,SBL_2,SBL_3,SBL_4,SBL_5,"
        "BBV_1,BBV_2,BBV_3,BBV_4,BBV_5,SBV_1,SBV_2,SBV_3,SBV_4,SBV_5,Verlader_Naam,ZoutCorrectie,InvoerDatum) "
        "VALUES (1,'151','152','153','154','155','156','157','158','159','160',"
        "'31','32','33','34','35','36','37','38','39','40','Bench','1.025',datetime('now','+1 day'))");
    return dir;
}

void BM_ShowSurvey(benchmark::State& state) {
    static const std::string dir = program_dir_with_surveys();
    ijken::forms::ScriptedDialogs dialogs;
    ijken::survey::Form1 form(dir, dialogs);
    form.formcreate();
    if (!dialogs.shown().empty()) throw std::runtime_error(dialogs.shown().front().text);
    // The newest survey is shown; each iteration shows the other one of the last two, a full change.
    bool back = true;
    for (auto _ : state) {
        if (back) form.sltb_prevclick();
        else form.sltb_nextclick();
        back = !back;
    }
}
BENCHMARK(BM_ShowSurvey)->Unit(benchmark::kMillisecond);

}  // namespace
