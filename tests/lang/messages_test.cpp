// The messages' templates: a message made in Dutch is shown in the interface language with its
// values, line by line; a part of a message that is itself a value follows; an entry in the
// language file wins over the built-in text.
#include "core/lang/messages.h"

#include <gtest/gtest.h>

#include "core/lang/taal.h"
#include "lang_test_util.h"
#include "support/temp_dir.h"

namespace ijken::lang::test {
namespace {

class Messages : public ::testing::Test {
  protected:
    // The messages in a language, through the dialogs as the windows show them.
    std::string shown(int language, const std::string& message) {
        taal.SetActiveTaalFile(language);
        taal.TranslateForm(MessageForm::kSection, form);
        boxes.clear();
        TranslatedDialogs dialogs(boxes, form);
        dialogs.error(message);
        return boxes.shown().at(0).text;
    }
    ijken::testing::TempDir dir;
    Taal taal = [this] {
        Taal t;
        t.set_directory(dir.dir());
        write_file(dir.path() / "nl.tln", "[form1]\r\n");
        write_file(dir.path() / "fr.tln", "[berichten]\r\nm_geen_printer.caption=Pas d'imprimante ici\r\n");
        write_file(dir.path() / "de.tln", "[form1]\r\n");
        t.set_TaalFile1("nl.tln");
        t.set_TaalFile2("fr.tln");
        t.set_TaalFile3("de.tln");
        return t;
    }();
    MessageForm form;
    forms::ScriptedDialogs boxes;
};

TEST_F(Messages, AreShownInTheInterfaceLanguageWithTheirValues) {
    const struct {
        const char* dutch;
        const char* french;
        const char* german;
    } cases[] = {
        {"De aflezing \"1e30\" is te groot om mee te rekenen", "La lecture \"1e30\" est trop grande pour le calcul",
         "Der Ablesewert \"1e30\" ist zu gro\337 zum Rechnen"},
        {"De 1ste ingevulde CM \"abc\" is geen heel getal van 0 tot 500",
         "Le 1er CM import\351 \"abc\" n'est pas un nombre entier de 0 \340 500",
         "Der erste eingegebene CM \"abc\" ist keine ganze Zahl von 0 bis 500"},
        // A name in quotes stays as typed, even one that reads like a part of a message.
        {"Schip \"De 1ste ingevulde CM\" verwijderen?", "Bateau \"De 1ste ingevulde CM\" enlever?",
         "Schiff \"De 1ste ingevulde CM\" l\366schen?"},
        {"Naar kantoor verstuurd: 1 schip en 12 opnames.\n3 opnames nieuw of gewijzigd, 0 als verwijderd "
         "gemarkeerd, 1 ijktabel nieuw of vervangen.\nconnection refused",
         "Envoy\351 au bureau : 1 bateau et 12 jaugeages.\n3 jaugeages nouveau(x) ou modifi\351(s), 0 marqu\351(s) "
         "comme supprim\351(s), 1 tableau \351chelles nouveau(x) ou remplac\351(s).\nconnection refused",
         "An das B\374ro gesendet: 1 Schiff und 12 Messungen.\n3 Messungen neu oder ge\344ndert, 0 als gel\366scht "
         "markiert, 1 Eichtabelle neu oder ersetzt.\nconnection refused"},
        // A key of the file wins; a message the catalogue does not know stays as it is.
        {"Er is geen printer beschikbaar", "Pas d'imprimante ici", "Es ist kein Drucker verf\374gbar"},
        {"Disk full", "Disk full", "Disk full"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(shown(2, c.dutch), c.french);
        EXPECT_EQ(shown(3, c.dutch), c.german);
        EXPECT_EQ(shown(1, c.dutch), c.dutch);
    }
}

// A message in UTF-8 that names a character Windows-1252 lacks is put in the language all the same.
TEST_F(Messages, AMessageInUtf8FollowsTheLanguageToo) {
    taal.SetActiveTaalFile(3);
    taal.TranslateForm(MessageForm::kSection, form);
    TranslatedDialogs dialogs(boxes, form);
    dialogs.error_utf8("Het teken \"\u03A9\" (U+03A9) bestaat niet in Windows-1252 en kan niet worden opgeslagen");
    EXPECT_EQ(boxes.shown().at(0).text,
              "Das Zeichen \"\u03A9\" (U+03A9) gibt es in Windows-1252 nicht, es kann nicht gespeichert werden");
}

}  // namespace
}  // namespace ijken::lang::test
