// The German interface: language 3 exists when its file does, and the file the project delivers
// holds every caption and hint of every translated window, in the delivered files' format.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <sstream>

#include "core/forms/forms.h"
#include "core/program/program_windows.h"
#include "core/main_window/form1.h"
#include "lang_test_util.h"
#include "support/temp_dir.h"

namespace ijken::lang::test {
namespace {

std::string lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

// The delivered file's entries: section -> key -> value (names in lower case).
std::map<std::string, std::map<std::string, std::string>> entries(const std::string& bytes) {
    std::map<std::string, std::map<std::string, std::string>> result;
    std::string section;
    std::istringstream in(bytes);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.starts_with("[")) section = lower(line.substr(1, line.size() - 2));
        else if (const auto eq = line.find('='); eq != std::string::npos)
            result[section][lower(line.substr(0, eq))] = line.substr(eq + 1);
    }
    return result;
}

class GermanFile : public ::testing::Test {
  protected:
    void start() {
        form = std::make_unique<survey::Form1>(dir.dir(), dialogs);
        ASSERT_TRUE(forms::dispatch(dialogs, [&] { form->formcreate(); }));
        ASSERT_TRUE(forms::dispatch(dialogs, [&] { program::create_windows(*form); }));
        ASSERT_TRUE(forms::dispatch(dialogs, [&] { form->show(); }));
    }
    const std::string delivered = read_file(IJKEN_GERMAN_FILE);
    ijken::testing::TempDir dir;
    forms::ScriptedDialogs dialogs;
    std::unique_ptr<survey::Form1> form;
};

TEST_F(GermanFile, LanguageThreeAndItsMenuItemExistOnlyWithTheFile) {
    start();
    EXPECT_FALSE(form->get<forms::MenuItem>("DE1").visible());
    EXPECT_EQ(form->session().taal().TaalFile3(), "");
    ASSERT_TRUE(forms::dispatch(dialogs, [&] { form->DE1Click(); }));
    EXPECT_EQ(form->session().taal().ActiveTaalFile(), 1);

    write_file(dir.path() / "tld.tln", delivered);
    start();
    EXPECT_TRUE(form->get<forms::MenuItem>("DE1").visible());
    ASSERT_TRUE(forms::dispatch(dialogs, [&] { form->DE1Click(); }));
    EXPECT_EQ(form->session().taal().ActiveTaalFile(), 3);
    EXPECT_EQ(form->get<forms::Label>("e20").caption(), "Eintauchung");
    EXPECT_EQ(form->get<forms::MenuItem>("Schepen").caption(), "&Schiffe");
    EXPECT_EQ(form->get<forms::RadioGroup>("TaalKeuze").items(),
              (std::vector<std::string>{"Niederl\xE4ndisch", "Franz\xF6sisch", "Deutsch"}));
    EXPECT_TRUE(dialogs.shown().empty());
    // The program left it as delivered, and wrote the Dutch and French files as always.
    EXPECT_EQ(read_file(dir.path() / "tld.tln"), delivered);
    EXPECT_EQ(read_file(dir.path() / "tln.tln"), golden("tln.tln"));
}

// Windows-1252 with CR LF, and for every window an entry for each caption and hint it is built
// with, and none for a control it does not have.
TEST_F(GermanFile, DeliveredFileHoldsEveryCaptionAndHintOfEveryWindow) {
    EXPECT_EQ(delivered.find("\xC3"), std::string::npos) << "UTF-8, not Windows-1252";
    EXPECT_NE(delivered.find("Zur\xFC" "ck"), std::string::npos);
    for (auto at = delivered.find('\n'); at != std::string::npos; at = delivered.find('\n', at + 1))
        ASSERT_TRUE(at > 0 && delivered[at - 1] == '\r') << "line end at " << at;
    start();
    // Labels and menu items that show data, not text: a name, a figure, a count.
    const std::set<std::string> data_shown = {
        "labelnaam", "labelmeetbrief", "naam1", "labelwaarschuwing", "e01", "e02", "e11", "e12", "e21", "e22",
        "e31", "e32", "e42", "e52", "label_naam", "aantal", "label_veld1", "label_veld2", "label_veld3",
        "label_veld4", "label_veld5", "label_veld6", "label_veld7", "label_veld8", "waarschuwing"};
    const auto file = entries(delivered);
    auto french = entries(read_file(dir.path() / "tlf.tln"));
    std::vector<std::pair<std::string, const forms::Form*>> windows{{"form1", form.get()}};
    for (const auto& w : form->windows())
        if (!w.section.empty()) windows.emplace_back(w.section, w.form.get());
    EXPECT_EQ(file.size(), windows.size());
    for (const auto& [section, window] : windows) {
        SCOPED_TRACE(section);
        ASSERT_TRUE(file.contains(section));
        const auto& keys = file.at(section);
        std::set<std::string> known = {section + ".caption"};
        // What the French file carries, the German file carries too, control or not.
        for (const auto& [key, value] : french[section]) known.insert(key);
        EXPECT_FALSE(keys.at(section + ".caption").empty());
        for (const forms::Control* c : window->controls()) {
            if (!translatable(*c)) continue;
            const std::string name = lower(c->name());
            known.insert(name + ".caption");
            known.insert(name + ".hint");
            if (data_shown.contains(name)) continue;
            EXPECT_TRUE(c->caption().size() < 2 || keys.contains(name + ".caption")) << name;
            EXPECT_TRUE(c->hint().size() < 2 || keys.contains(name + ".hint")) << name;
        }
        for (const auto& [key, value] : keys) {
            EXPECT_TRUE(known.contains(key)) << key << " names no control";
            EXPECT_FALSE(value.empty()) << key;
        }
        for (const std::string& name : data_shown) EXPECT_FALSE(keys.contains(name + ".caption")) << name;
    }
}

// A German skipper reads every text a French one does: each entry of the delivered French file has
// a German one (the gauge table's "edit1" and "Button2" among them).
TEST_F(GermanFile, CarriesEveryTextTheFrenchFileCarries) {
    start();
    const auto german = entries(delivered);
    for (const auto& [section, keys] : entries(read_file(dir.path() / "tlf.tln"))) {
        for (const auto& [key, value] : keys) {
            const auto s = german.find(section);
            EXPECT_TRUE(s != german.end() && s->second.contains(key)) << "[" << section << "] " << key;
        }
    }
}

}  // namespace
}  // namespace ijken::lang::test
