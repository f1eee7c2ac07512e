// Writing a one-page report: 150 lines of text in Arial and a few rules, built and saved to memory,
// once plain and once with compressed page contents. Reports the time per document and the size
// of the file.
#include <benchmark/benchmark.h>

#include "core/pdf/pdf_canvas.h"
#include "core/text/numbers.h"

namespace {

using namespace ijken::pdf;

std::size_t build_and_save(PdfCompressionMethod compression, MemoryStream& out) {
    PdfDoc doc;
    doc.SetClock([] { return 45633.5; });
    doc.SetCompressionMethod(compression);
    doc.BeginDocument();
    doc.AddPage();
    PdfCanvas& canvas = doc.GetCanvas();
    canvas.SetMediaHeight(842);
    canvas.SetMediaWidth(546);

    for (int rule = 0; rule < 4; ++rule) {
        const float y = 820.0f - rule * 200;
        canvas.SetDashPattern({0}, 0);
        canvas.MovePenTo(16, y);
        canvas.LineTo(527, y);
        canvas.LineTo(527, y - 1);
        canvas.LineTo(16, y - 1);
        canvas.SetStrokeColor(0);
        canvas.SetLineWidth(0);
        canvas.CloseAndStroke();
    }
    for (int line = 0; line < 150; ++line) {
        const float top = 815.0f - line * 5.3f;
        canvas.SelectFont(line % 10 == 0 ? "Arial-Bold" : "Arial", 12);
        canvas.SetFillColor(0);
        const std::string number = ijken::text::format_int(line + 1);
        canvas.DrawTextInRect({16, top, 200, top - 14}, "Inzinking punt " + number, Alignment::taLeftJustify,
                              false);
        canvas.DrawTextInRect({200, top, 400, top - 14}, "212.0 CM", Alignment::taRightJustify, false);
        canvas.DrawTextInRect({400, top, 528, top - 14}, number + ".345 t", Alignment::taCenter, false);
    }
    out.clear();
    doc.SaveToStream(out);
    return out.data().size();
}

void run(benchmark::State& state, PdfCompressionMethod compression) {
    MemoryStream out;
    std::size_t size = 0;
    for (auto _ : state) {
        size = build_and_save(compression, out);
        benchmark::DoNotOptimize(out.data().data());
    }
    state.counters["file_bytes"] = static_cast<double>(size);
    state.counters["documents_per_s"] = benchmark::Counter(static_cast<double>(state.iterations()),
                                                           benchmark::Counter::kIsRate);
}

void BM_OnePageReportUncompressed(benchmark::State& state) { run(state, PdfCompressionMethod::cmNone); }
void BM_OnePageReportCompressed(benchmark::State& state) { run(state, PdfCompressionMethod::cmFlateDecode); }

BENCHMARK(BM_OnePageReportUncompressed)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_OnePageReportCompressed)->Unit(benchmark::kMicrosecond);

}  // namespace
