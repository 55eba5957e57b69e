#include "state/Channel.h"

#include "curve/DayAdjustmentChannel.h"

namespace aq {

Channel::Channel(std::string name, const Color& color) : _name(std::move(name)), _color(color) {}

std::string Channel::name() const {
    std::lock_guard lock(_mutex);
    return _name;
}

void Channel::setName(std::string name) {
    std::lock_guard lock(_mutex);
    _name = std::move(name);
}

Color Channel::color() const {
    std::lock_guard lock(_mutex);
    return _color;
}

void Channel::setColor(const Color& color) {
    std::lock_guard lock(_mutex);
    _color = color;
}

std::shared_ptr<DayAdjustmentChannel> Channel::presentChannel() const {
    std::lock_guard lock(_mutex);
    return _presentChannel;
}

void Channel::setPresentChannel(std::shared_ptr<DayAdjustmentChannel> channel) {
    std::lock_guard lock(_mutex);
    _presentChannel = std::move(channel);
}

}  // namespace aq
