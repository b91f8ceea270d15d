// Virtual keyboard devices that record what is written to them, for the broker's tests. Each
// device made is input<N>, N counting from 1; one write can be made to fail.
#pragma once

#include "KeySink.h"
#include "VirtualKeyboard.h"

#include <linux/input-event-codes.h>

#include <memory>
#include <string>
#include <vector>

namespace rimglider::inputd::test {

// The events a key sequence is written as.
inline const auto key = [](std::uint16_t code, std::int32_t value) {
    return VirtualKeyboard::KeyEvent{EV_KEY, code, value};
};
inline const VirtualKeyboard::KeyEvent report{EV_SYN, SYN_REPORT, 0};

struct RecordingKeys {
    std::vector<VirtualKeyboard::KeyEvent> events; // of every device made
    int made = 0;
    int writes = 0;
    int failAt = -1; // the write that fails, once

    VirtualKeyboard::SinkFactory factory()
    {
        return [this]() -> std::unique_ptr<KeySink> { return std::make_unique<Sink>(*this, ++made); };
    }

  private:
    class Sink : public KeySink {
      public:
        Sink(RecordingKeys& r, int number) : r_(r), sysname_("input" + std::to_string(number)) {}
        bool emit(std::uint16_t type, std::uint16_t code, std::int32_t value) override
        {
            if (r_.writes++ == r_.failAt) return false;
            r_.events.push_back({type, code, value});
            return true;
        }
        [[nodiscard]] std::string sysname() const override { return sysname_; }

      private:
        RecordingKeys& r_;
        std::string sysname_;
    };
};

} // namespace rimglider::inputd::test
