#pragma once

#include <QString>
#include <QUndoCommand>

#include <cstdint>
#include <functional>
#include <vector>

#include "curve/CurvePoint.h"

namespace aq {

class DayAdjustmentGraph;

// One channel's points before and after an edit of the chart.
struct ChannelChange {
    std::uint8_t channel = 0;
    std::vector<CurvePoint> before;
    std::vector<CurvePoint> after;
};

// The points of chart channel ch as they are now.
std::vector<CurvePoint> channelPoints(const DayAdjustmentGraph& graph, std::uint8_t channel);

// One step of the day chart's history: the exact points of every channel
// the edit changed, so undo and redo give back exactly what was there.
// Channels are found by their place in the chart when the step is undone or
// redone: a download replaces the curve objects, not the channels.
class CurveEdit : public QUndoCommand {
public:
    // `changed` runs after every undo and redo (the view redraws).
    CurveEdit(DayAdjustmentGraph& graph, std::vector<ChannelChange> changes, const QString& text,
              std::function<void()> changed);

    void undo() override;
    void redo() override;

    const std::vector<ChannelChange>& changes() const { return _changes; }

private:
    void apply(bool after);

    DayAdjustmentGraph& _graph;
    std::vector<ChannelChange> _changes;
    std::function<void()> _changed;
    bool _done = false;
};

}  // namespace aq
