// canvas.json as read at start: whatever the file holds, decoding never
// misbehaves; a board that was accepted is encoded back into a file that
// decodes to the same board (so saving it never makes it unreadable), and its
// bounds, which the export and the view start from, are computed safely.

#include "FuzzCheck.h"

#include "canvas/CanvasPersistState.h"
#include "canvas/CanvasRendering.h"

#include <cmath>

namespace {
bool sameLayer(const LayerEntry& a, const LayerEntry& b)
{
    return a.id == b.id && a.clipItemId == b.clipItemId && a.name == b.name && a.position == b.position
        && a.width == b.width && a.height == b.height && a.rotation == b.rotation
        && a.flipHorizontal == b.flipHorizontal && a.flipVertical == b.flipVertical && a.zIndex == b.zIndex;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const auto state = CanvasPersistState::decode(fuzzBytes(data, size));
    if (!state)
        return 0;
    const auto encoded = state->encoded();
    FUZZ_CHECK(std::holds_alternative<QByteArray>(encoded));
    const auto reread = CanvasPersistState::decode(std::get<QByteArray>(encoded));
    FUZZ_CHECK(
        reread && reread->nextLayerNumber == state->nextLayerNumber && reread->layers.size() == state->layers.size());
    QList<Layer> layers;
    for (qsizetype i = 0; i < state->layers.size(); ++i) {
        FUZZ_CHECK(sameLayer(reread->layers[i], state->layers[i]));
        layers.append(state->layers[i].toLayer({}));
    }
    if (const auto bounds = CanvasRendering::contentBounds(layers))
        FUZZ_CHECK(bounds->width() > 0 && bounds->height() > 0);
    return 0;
}
