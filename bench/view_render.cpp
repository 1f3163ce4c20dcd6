// The whole drawing of a shown picture: a decoded 6000x4000 photo fitted into a 1280x800 view
// with a colour filter (brown sepia) and sharpening on, as the view does it for every picture.

#include "PhotoLike.h"
#include "RegisterTimed.h"
#include "core/display/ViewRender.h"

#include <benchmark/benchmark.h>

namespace {

void BM_ViewSeting(benchmark::State& state) {
    const QImage photo = PhotoLike(6000, 4000);
    ViewParams params;
    params.viewSize = QSize(1280, 800);
    params.filters.colourTone = ColourTone::BrownSepia;
    params.filters.sharpness = Sharpness::Sharpen48;
    RenderedView view;
    for (auto _ : state) {
        view = RenderView(photo, params);
        benchmark::DoNotOptimize(view.bitmap.constBits());
    }
    if (view.bitmap.size() != QSize(1200, 800)) {
        state.SkipWithError("the photo was not fitted into the view");
    }
}

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    RegisterTimed("ViewSeting/6000x4000_in_1280x800/sepia_and_sharpen", BM_ViewSeting, 5);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
