#include "core/shipdata/table_check.h"

#include <algorithm>

#include "core/survey/warnings.h"
#include "core/text/numbers.h"

namespace ijken::shipdata {

using text::format_fixed;
using text::format_int;

namespace {

// Tonnages are typed with three decimals, so a step may be off by one thousandth either way from
// rounding alone; a jump must exceed the neighbours' steps by more than that.
constexpr double kRoundingSlack = 0.002;

}  // namespace

std::vector<TableFinding> check_table(const std::vector<TableRow>& rows) {
    std::vector<TableFinding> found;
    const std::size_t n = rows.size();
    std::size_t start = 0;
    while (start < n && !(rows[start].tonnage > 0)) ++start;
    if (start == n) return found;

    // steps[i]: tonnage per cm from row i - 1 to row i; only from the first rising row on (the
    // step out of the zero rows is the first real one).
    std::vector<double> steps(n, 0.0);
    std::vector<bool> has_step(n, false);
    for (std::size_t i = std::max<std::size_t>(start, 1); i < n; ++i) {
        const int cm = rows[i].immersion - rows[i - 1].immersion;
        if (cm <= 0) continue;
        steps[i] = (rows[i].tonnage - rows[i - 1].tonnage) / cm;
        has_step[i] = true;
    }

    for (std::size_t i = start; i < n; ++i) {
        const TableRow& row = rows[i];
        const bool has_previous = i > 0;
        const TableRow previous = has_previous ? rows[i - 1] : TableRow{};
        auto finding = [&](TableFinding::Kind kind) {
            TableFinding b;
            b.kind = kind;
            b.immersion = row.immersion;
            b.tonnage = row.tonnage;
            b.previous_cm = previous.immersion;
            b.previous_t = previous.tonnage;
            return b;
        };
        if (i > start && !(row.tonnage > previous.tonnage))
            found.push_back(finding(TableFinding::Kind::falls));

        if (!has_step[i] || !(steps[i] > 0)) continue;
        // Only rising neighbours count: beside a falling row every step would look like a jump.
        double neighbours = -1;
        bool beyond_all = true;
        for (std::size_t j : {i - 1, i + 1}) {
            if (j >= n || j < start || !has_step[j] || !(steps[j] > 0)) continue;
            neighbours = std::max(neighbours, steps[j]);
            beyond_all = beyond_all && steps[i] > kJumpFactor * steps[j] + kRoundingSlack;
        }
        if (neighbours > 0 && beyond_all) {
            TableFinding b = finding(TableFinding::Kind::jump);
            b.step = steps[i];
            b.neighbour_step = neighbours;
            found.push_back(b);
        }
    }
    return found;
}

std::string check_question(const std::vector<TableFinding>& findings, const TableCheckTexts& texts) {
    using survey::fill_template;
    std::string question = texts.heading;
    for (std::size_t i = 0; i < findings.size() && i < kMaxListed; ++i) {
        const TableFinding& b = findings[i];
        question += '\n';
        if (b.kind == TableFinding::Kind::falls) {
            question +=
                fill_template(texts.falls, {format_int(b.immersion), format_fixed(b.tonnage, 3),
                                            format_int(b.previous_cm), format_fixed(b.previous_t, 3)});
        } else {
            question += fill_template(texts.jump, {format_int(b.immersion), format_fixed(b.step, 3),
                                                   format_fixed(b.neighbour_step, 3)});
        }
    }
    if (findings.size() > kMaxListed) {
        question += '\n' + fill_template(texts.more,
                                         {format_int(static_cast<long long>(findings.size() - kMaxListed))});
    }
    return question + "\n\n" + texts.question;
}

bool loses_table(long long stored, long long proposed) {
    return 2 * proposed < stored;
}

std::string fewer_rows_question(long long stored, long long proposed, const TableCheckTexts& texts) {
    return survey::fill_template(texts.fewer, {format_int(stored), format_int(proposed)}) + "\n\n" +
           texts.question;
}

}  // namespace ijken::shipdata
