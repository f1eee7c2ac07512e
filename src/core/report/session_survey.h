#pragma once
// The survey the report window builds from while the program runs: the session's survey (its
// language menu chooses the session's print language), with the program's services and the files
// it keeps.
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "core/forms/services.h"
#include "core/session/session.h"
#include "core/survey/survey_value.h"

namespace ijken::report {

class SessionSurvey final : public survey::SurveySource {
  public:
    using OwnFiles = std::function<std::vector<data::OwnFile>()>;
    SessionSurvey(session::Session& session, const forms::Services& services, OwnFiles own_files)
        : session_(session), services_(services), own_files_(std::move(own_files)) {}

    const survey::SurveyValue& survey() const override { return session_.survey(); }
    const std::string& database() const override { return session_.database(); }
    void set_print_language(int index) override { session_.set_print_language(index); }
    const forms::Services& window_services() const override { return services_; }
    std::vector<data::OwnFile> own_files() const override { return own_files_(); }

  private:
    session::Session& session_;
    const forms::Services& services_;
    OwnFiles own_files_;
};

}  // namespace ijken::report
