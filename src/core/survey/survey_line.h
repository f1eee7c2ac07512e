#pragma once
// One line of the compute command's input and output: a survey as 21 tab-separated fields in
// UTF-8, and its ten result cells.
#include <optional>
#include <string>
#include <string_view>

#include "core/survey/computation.h"

namespace ijken::survey {

// A line read: the survey, or the reason it is not one.
struct SurveyLine {
    std::optional<SurveyInput> input;
    std::string error;  // UTF-8; empty when input is set
};

// The fields in the order port empty 1-5, starboard empty 1-5, port loaded 1-5, starboard loaded 1-5,
// salt-correction factor, separated by tabs; one CR at the end (a line from a Windows file) is not
// part of the last field. Each field is turned from UTF-8 into Windows-1252; a character that code
// page cannot hold, or bytes that are not UTF-8, make the line an error.
SurveyLine parse_survey_line(std::string_view line);

// The ten cells separated by tabs, in the order e01 e02 e11 e12 e21 e22 e31 e32 e42 e52, without a
// line end.
std::string format_result_line(const ResultCells& cells);

}  // namespace ijken::survey
