#pragma once

#include <memory>
#include <mutex>
#include <string>

#include "curve/Color.h"
#include "link/LampColor.h"

namespace aq {

class DayAdjustmentChannel;

// One colour channel of the connected lamp: its name, its display colour,
// and the day curve the day page shows for it. The curve is shared with the
// day page's graph, so edits survive a change of page; the store never
// looks inside it. Safe to use from any thread.
class Channel {
public:
    Channel(std::string name, const Color& color);

    std::string name() const;
    void setName(std::string name);
    Color color() const;
    void setColor(const Color& color);
    // None until the day page gives the channel a curve.
    std::shared_ptr<DayAdjustmentChannel> presentChannel() const;
    void setPresentChannel(std::shared_ptr<DayAdjustmentChannel> channel);

private:
    mutable std::mutex _mutex;
    std::string _name;
    Color _color;
    std::shared_ptr<DayAdjustmentChannel> _presentChannel;
};

// A lamp's channel colour as the chart and the store take it.
inline Color colorFromLamp(const LampColor& c) {
    return Color{c.red, c.green, c.blue, c.alpha};
}

}  // namespace aq
