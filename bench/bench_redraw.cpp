// One full redraw at zoom "001" (clear, five traces of 9999 dots, graticule) against two
// references: 2 x 2 dots written straight into image memory, and one QPainter::drawPoint
// per dot with a 2-pixel pen.

#include "display/scoperenderer.h"
#include "display/screenimage.h"
#include "state/instrumentstate.h"
#include "state/listmodel.h"

#include <benchmark/benchmark.h>

#include <QImage>
#include <QPainter>

namespace {

constexpr int Dots = 9999;
const int Levels[5] = {35, 100, 195, 230, 295};

// Traces that change level every 50 samples, like a clock.
la::GlobalData clockTraces()
{
    la::GlobalData data;
    const auto traces = data.traces();
    for (int k = 0; k < 5; ++k)
        for (int i = 1; i <= 9999; ++i)
            (*traces[k])[i] = std::int16_t(Levels[k] + ((i / 50) % 2) * 30);
    return data;
}

void BM_Redraw(benchmark::State &state)
{
    la::ScreenImage screen;
    la::MainFields fields;
    const la::GlobalData data = clockTraces();
    la::ListModel zoom({"001", "002", "005", "010", "020", "050", "100"});
    zoom.setText("001");
    la::ScopeRenderer scope(screen, fields, data, zoom);
    screen.setBackColour(la::rgb(70, 130, 180));
    fields.h_pos = -200; // the screen full of dots from end to end
    for (auto _ : state) {
        screen.clear();
        scope.draw_sweep();
        scope.draw_grid();
        benchmark::DoNotOptimize(screen.image().constBits());
    }
}

void BM_RawMemoryDots(benchmark::State &state)
{
    QImage image(557, 400, QImage::Format_RGB32);
    const la::GlobalData data = clockTraces();
    const QRgb ink = qRgb(70, 200, 180);
    for (auto _ : state) {
        for (const la::Trace *trace : data.traces()) {
            const std::int16_t *levels = trace->data();
            for (int n = 1; n <= Dots; ++n) {
                const int x = n - 200, y = levels[n];
                if (x < 1 || x > 556 || y < 1 || y > 399)
                    continue;
                for (int row = y - 1; row <= y; ++row) {
                    auto *line = reinterpret_cast<QRgb *>(image.scanLine(row));
                    line[x - 1] = ink;
                    line[x] = ink;
                }
            }
        }
        benchmark::DoNotOptimize(image.constBits());
    }
}

void BM_QPainterPoints(benchmark::State &state)
{
    QImage image(557, 400, QImage::Format_RGB32);
    const la::GlobalData data = clockTraces();
    for (auto _ : state) {
        QPainter painter(&image);
        painter.setPen(QPen(QColor(70, 200, 180), 2));
        for (const la::Trace *trace : data.traces()) {
            const std::int16_t *levels = trace->data();
            for (int n = 1; n <= Dots; ++n)
                painter.drawPoint(QPointF(n - 200, levels[n]));
        }
        painter.end();
        benchmark::DoNotOptimize(image.constBits());
    }
}

} // namespace

BENCHMARK(BM_RawMemoryDots)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Redraw)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_QPainterPoints)->Unit(benchmark::kMicrosecond);
BENCHMARK_MAIN();

// The redraw's parts, to see where its time goes.
namespace {
void BM_PartClear(benchmark::State &state)
{
    la::ScreenImage screen;
    for (auto _ : state) {
        screen.clear();
        benchmark::DoNotOptimize(screen.image().constBits());
    }
}
void BM_PartSweep(benchmark::State &state)
{
    la::ScreenImage screen;
    la::MainFields fields;
    const la::GlobalData data = clockTraces();
    la::ListModel zoom({"001"});
    zoom.setText("001");
    la::ScopeRenderer scope(screen, fields, data, zoom);
    fields.h_pos = -200;
    for (auto _ : state) {
        scope.draw_sweep();
        benchmark::DoNotOptimize(screen.image().constBits());
    }
}
void BM_PartGrid(benchmark::State &state)
{
    la::ScreenImage screen;
    la::MainFields fields;
    const la::GlobalData data = clockTraces();
    la::ListModel zoom({"001"});
    la::ScopeRenderer scope(screen, fields, data, zoom);
    for (auto _ : state) {
        scope.draw_grid();
        benchmark::DoNotOptimize(screen.image().constBits());
    }
}
} // namespace
BENCHMARK(BM_PartClear)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PartSweep)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PartGrid)->Unit(benchmark::kMicrosecond);
