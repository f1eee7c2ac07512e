// Every box a skipper can meet in the windows, provoked in Dutch, French and German: none says
// anything in another language than the interface's.
#include <gtest/gtest.h>

#include <filesystem>

#include "core/main_window/survey_list_form.h"
#include "core/report/print_form.h"
#include "shipdata/fleet_fixture.h"

namespace ijken::program::test {
namespace {

// Words that give a language away, lower case, matched as whole words.
const std::vector<std::string> kDutch = {"geen", "niet", "opgeslagen", "verwijderen", "bij", "heeft", "ingevulde",
                                         "getal", "tekens", "schip", "intussen", "aflezing", "rekenen", "mag"};
const std::vector<std::string> kFrench = {"pas", "est", "enregistr\xE9", "aucun", "aucune", "bateau", "nombre"};
const std::vector<std::string> kGerman = {"ist", "keine", "nicht", "gespeichert", "schiff", "zahl", "kein"};

std::vector<std::string> words_found(const std::string& text, const std::vector<std::string>& words) {
    std::string lower = text;
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    std::vector<std::string> found;
    for (const std::string& w : words) {
        for (std::size_t at = lower.find(w); at != std::string::npos; at = lower.find(w, at + 1)) {
            const auto letter = [](char c) { return std::isalpha(static_cast<unsigned char>(c)) || (c & 0x80); };
            const bool starts = at == 0 || !letter(lower[at - 1]);
            const bool ends = at + w.size() == lower.size() || !letter(lower[at + w.size()]);
            if (starts && ends) {
                found.push_back(w);
                break;
            }
        }
    }
    return found;
}

class MessagesWalk : public shipdata::test::FleetFixture {
  protected:
    void SetUp() override {
        FleetFixture::SetUp();
        std::filesystem::copy_file(IJKEN_GERMAN_FILE, dir.path() / "tld.tln");
        start();
        open_windows();
    }
    // As the event loop runs it: an error goes through the program's dialogs, in its language.
    bool user(const std::function<void()>& handler) { return forms::dispatch(form->dialogs(), handler); }

    // Provokes every kind of box once; returns their texts.
    std::vector<std::string> walk() {
        dialogs.clear();
        auto& reading = form->get<forms::Edit>("ijk_bb_l_1");
        const std::string kept = reading.text();
        user([&] { reading.set_text("1e30"); });
        user([&] { reading.set_text(kept); });
        user([&] { form->get<forms::Edit>("Lading").set_text("Zand"); });
        user([&] { form->get<forms::Button>("sltb_save").click(); });
        dialogs.answer(false);
        user([&] { form->get<forms::Button>("sltb_del").click(); });
        dialogs.answer(false);
        user([&] { form->deleteschipclick(ship_item("Verwijderen1", "Dummy 3")); });

        user([&] { form->get<forms::MenuItem>("meetbriefwijzigen").click(); });
        const std::string first_cm = ijk->get<forms::Edit>("eerstecm_t").text();
        user([&] { ijk->get<forms::Edit>("eerstecm_t").set_text("abc"); });
        user([&] { ijk->get<forms::Button>("opslaan").click(); });
        user([&] { ijk->get<forms::Edit>("eerstecm_t").set_text(first_cm); });
        user([&] { ijk->get<forms::StringGrid>("ijkengrid").edit(1, 101, "veel"); });
        user([&] { ijk->get<forms::Button>("opslaan").click(); });
        user([&] { ijk->close(); });

        user([&] { form->get<forms::MenuItem>("ScheepsGegevens").click(); });
        user([&] { schip->get<forms::Edit>("naam_veld").set_text(std::string(40, 'x')); });
        user([&] { schip->get<forms::Button>("opslaan").click(); });

        auto* report = form->window<report::Print_form>();
        form->services.printing = nullptr;
        user([&] { form->get<forms::MenuItem>("Afdrukken1").click(); });
        user([&] { report->get<forms::MenuItem>("Printen1").click(); });
        user([&] { report->close(); });

        auto* list = form->window<survey::SurveyListForm>();
        user([&] { list->open(); });
        user([&] { form->session().select_ship(2); });
        user([&] { list->show_row(1); });
        user([&] { form->session().select_ship(1); });
        std::vector<std::string> texts;
        for (const auto& box : dialogs.shown()) texts.push_back(box.text);
        return texts;
    }
};

TEST_F(MessagesWalk, EveryBoxOfEveryWindowIsInTheInterfaceLanguage) {
    const struct {
        int language;
        std::vector<std::vector<std::string>> foreign;
    } languages[] = {{1, {kFrench, kGerman}}, {2, {kDutch, kGerman}}, {3, {kDutch, kFrench}}};
    for (const auto& l : languages) {
        SCOPED_TRACE(l.language);
        // Every ship speaks it, so that selecting another keeps it.
        sql("update Schiptable set taal=" + std::to_string(l.language));
        ASSERT_TRUE(user([&] { form->session().switch_language(l.language); }));
        const std::vector<std::string> texts = walk();
        // The reading, the save, two questions, two gauge-table refusals, the ship's name, the
        // printer and the survey list.
        EXPECT_EQ(texts.size(), 9u);
        for (const std::string& text : texts) {
            for (const auto& words : l.foreign)
                EXPECT_EQ(words_found(text, words), std::vector<std::string>{}) << text;
        }
    }
}

}  // namespace
}  // namespace ijken::program::test
