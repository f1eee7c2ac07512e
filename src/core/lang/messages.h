#pragma once
// The messages the skipper reads in a box (refusals, questions, reports of success), in the
// interface language. Messages are made in Dutch where they arise, deep in the arithmetic or in a
// window, with their values in them; the one place every box passes, the dialogs, puts them in the
// active language: each line is matched against the Dutch templates of the catalogue and, when
// one fits, written again from that template's text in the active language, the values kept.
//
// The templates live in hidden labels of a window of their own (section "berichten" of the
// language files), so that the translation reaches them as it reaches every caption: an entry in
// the active file wins, else the built-in French or German text (builtin_texts.h), else Dutch.
// "Maak taal file" adds them to a file like any caption.
#include <string>

#include "core/forms/form.h"
#include "core/forms/services.h"

namespace ijken::lang {

// The catalogue as a window nobody sees: one hidden label per message, named as its key in the
// built-in texts without ".caption", its caption the template in the language last translated to.
class MessageForm : public forms::Form {
  public:
    MessageForm();
    // The section of the language files that holds the messages.
    static constexpr const char* kSection = "berichten";

    // The message in the language the labels hold now: every line that fits a Dutch template
    // whole is written from the label's template with the same values; a value that is itself one
    // of the catalogue's parts ("De scheepsnaam", "3 opnames") is put in that language too, unless
    // it stands in quotes (a name or a reading as typed). A line no template fits stays as it is.
    std::string translate(const std::string& message) const;
    // The same for a message in UTF-8 (one that may name a character Windows-1252 lacks).
    std::string translate_utf8(const std::string& message) const;

  private:
    std::string translate(const std::string& message, bool utf8) const;
};

// The dialogs with every text put in the interface language first (MessageForm::translate). The
// boxes themselves are the inner dialogs'.
class TranslatedDialogs : public forms::Dialogs {
  public:
    TranslatedDialogs(forms::Dialogs& inner, const MessageForm& messages) : inner_(inner), messages_(messages) {}

    using forms::Dialogs::confirm;
    void information(const std::string& text) override { inner_.information(in_language(text)); }
    bool confirm(const std::string& text, forms::Answer default_answer) override {
        return inner_.confirm(in_language(text), default_answer);
    }
    void error(const std::string& text) override { inner_.error(in_language(text)); }
    void error_utf8(const std::string& text) override;
    std::string in_language(const std::string& text) const override { return messages_.translate(text); }

  private:
    forms::Dialogs& inner_;
    const MessageForm& messages_;
};

}  // namespace ijken::lang
