#pragma once
// Helpers shared by the PDF writer's tests: saving with a fixed clock, and the outside checks
// (qpdf and pdftotext) on a real file.
#include <cstdio>
#include <fstream>
#include <string>

#include "core/pdf/pdf_doc.h"
#include "support/temp_dir.h"

namespace ijken::pdf::testing {

// 7 December 2024 10:20:30 as a DateTime.
inline constexpr DateTime kFixedDate = 45633.0 + (10 * 3600 + 20 * 60 + 30) / 86400.0;

inline std::string save_to_string(PdfDoc& doc) {
    MemoryStream out;
    doc.SaveToStream(out);
    return out.data();
}

inline std::string write_file(const ijken::testing::TempDir& dir, const std::string& name,
                              const std::string& bytes) {
    const std::string path = dir.dir() + name;
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
}

// Runs a command and returns its standard output; the exit status goes to *status.
inline std::string run(const std::string& command, int* status) {
    std::string output;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) {
        *status = -1;
        return output;
    }
    char buf[4096];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, pipe)) > 0) output.append(buf, n);
    *status = pclose(pipe);
    return output;
}

// qpdf --check on the bytes; empty when the file passes, else qpdf's report.
inline std::string qpdf_problems(const std::string& bytes) {
    ijken::testing::TempDir dir;
    const std::string path = write_file(dir, "check.pdf", bytes);
    int status = 0;
    std::string report = run("qpdf --check '" + path + "' 2>&1", &status);
    return status == 0 ? std::string() : report;
}

// The text that pdftotext reads from the bytes (UTF-8).
inline std::string extracted_text(const std::string& bytes) {
    ijken::testing::TempDir dir;
    const std::string path = write_file(dir, "text.pdf", bytes);
    int status = 0;
    std::string text = run("pdftotext -layout '" + path + "' - 2>&1", &status);
    return status == 0 ? text : "pdftotext failed: " + text;
}

}  // namespace ijken::pdf::testing
