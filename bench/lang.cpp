// Speed of translating the main window, as each showing of it does: with the default language
// file, and with a language file of 100,000 lines. Each translation alternates Dutch and French,
// so that every caption really changes. Then the whole of Vertaal, which also stores the language
// with the ship in the database.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "core/forms/services.h"
#include "core/lang/default_files.h"
#include "core/main_window/form1.h"
#include "core/text/numbers.h"

namespace {

std::string make_dir() {
    std::string dir = (std::filesystem::temp_directory_path() / "ijken-bench-XXXXXX").string();
    if (!mkdtemp(dir.data())) std::abort();
    return dir + "/";
}

void write(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

// The default file with 100,000 lines of other windows' entries before it: the main window's
// section comes last.
std::string large(const std::string& language_file) {
    std::string text;
    for (int i = 0; i < 50000; ++i) {
        const std::string n = ijken::text::format_int(i);
        text += "[venster" + ijken::text::format_int(i % 100) + "]\r\nComponent" + n + ".caption=Opschrift " +
                n + "\r\n";
    }
    return text + "\r\n" + language_file;
}

void translate_main_window(benchmark::State& state, bool large_files) {
    const std::string dir = make_dir();
    write(dir + "tln.tln", large_files ? large(ijken::lang::default_tln()) : ijken::lang::default_tln());
    write(dir + "tlf.tln", large_files ? large(ijken::lang::default_tlf()) : ijken::lang::default_tlf());
    ijken::forms::ScriptedDialogs dialogs;
    ijken::survey::Form1 form(dir, dialogs);
    int language = 1;
    for (auto _ : state) {
        language = 3 - language;
        form.session().taal().SetActiveTaalFile(language);
        form.session().taal().TranslateForm("form1", form);
    }
    benchmark::DoNotOptimize(form.caption());
    std::filesystem::remove_all(dir);
}

void BM_TranslateMainWindowDefaultFile(benchmark::State& state) {
    translate_main_window(state, false);
}
BENCHMARK(BM_TranslateMainWindowDefaultFile)->Unit(benchmark::kMillisecond);

void BM_TranslateMainWindow100000Lines(benchmark::State& state) {
    translate_main_window(state, true);
}
BENCHMARK(BM_TranslateMainWindow100000Lines)->Unit(benchmark::kMillisecond);

void BM_VertaalWithTheDatabaseWrite(benchmark::State& state) {
    const std::string dir = make_dir();
    ijken::forms::ScriptedDialogs dialogs;
    ijken::survey::Form1 form(dir, dialogs);
    form.formcreate();
    int language = 1;
    for (auto _ : state) {
        language = 3 - language;
        form.session().taal().SetActiveTaalFile(language);
        form.Vertaal();
    }
    std::filesystem::remove_all(dir);
}
BENCHMARK(BM_VertaalWithTheDatabaseWrite)->Unit(benchmark::kMillisecond);

}  // namespace
