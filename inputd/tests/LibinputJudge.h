// The real libinput's verdict on a touchpad event stream: `libinput debug-events --enable-tap`
// on an emulated device of the given identity, fed frame by frame with the stream's own timing
// (libinput's taps and palms depend on it, so the stream plays in real time). umockdev lacks two
// things libinput needs, and the judge supplies them:
//  - udev's database entry of the node: libinput runs in a private mount namespace (unshare -m,
//    root) with a tmpfs on /run holding /run/udev/data/c<major>:<minor>;
//  - a device number libinput finds in sysfs: the emulated node is a pty, so the pty's number is
//    written everywhere umockdev and udev look (dev/.node, dev/.ptymap, sys/dev/char, the
//    device's dev attribute and uevent).
// Without root, unshare or libinput it throws: a test that cannot reach its emulation fails.
#pragma once

#include "RimgliderInput/EvdevDevice.h"

#include <linux/input.h>

#include <string>
#include <vector>

namespace rimglider::inputd::test {

// libinput's events for `stream` played on a fresh built-in touchpad of that description (the
// calling test may hold no other testbed), its fuzz moved to udev's LIBINPUT_FUZZ_* as libinput's
// rule would: each its type and the rest of its line, the time left out ("POINTER_BUTTON ...").
std::vector<std::string> judgeByLibinput(const DeviceDescription& device, const std::vector<input_event>& stream);

} // namespace rimglider::inputd::test
