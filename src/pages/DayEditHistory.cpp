#include "pages/DayEditHistory.h"

#include "curve/DayAdjustmentGraph.h"

namespace aq {

std::vector<CurvePoint> channelPoints(const DayAdjustmentGraph& graph, std::uint8_t channel) {
    const auto curve = graph.channelAtIndex(channel);
    if (!curve) return {};
    return std::vector<CurvePoint>(curve->Points(), curve->Points() + curve->PointCount());
}

CurveEdit::CurveEdit(DayAdjustmentGraph& graph, std::vector<ChannelChange> changes,
                     const QString& text, std::function<void()> changed)
    : QUndoCommand(text),
      _graph(graph),
      _changes(std::move(changes)),
      _changed(std::move(changed)) {}

void CurveEdit::undo() {
    apply(false);
}

void CurveEdit::redo() {
    // The first redo comes as the step is pushed, after the edit itself was
    // made: the chart (and a point held by the keyboard) stays as it is.
    if (!_done) {
        _done = true;
        return;
    }
    apply(true);
}

void CurveEdit::apply(bool after) {
    for (const ChannelChange& change : _changes) {
        const auto curve = _graph.channelAtIndex(change.channel);
        if (!curve) continue;
        const std::vector<CurvePoint>& points = after ? change.after : change.before;
        curve->setSelectedPoint(-1);
        curve->adjust(points.data(), static_cast<std::uint8_t>(points.size()));
    }
    if (_changed) _changed();
}

}  // namespace aq
