#include "device/protocol/power_status.h"

namespace kx58 {

int ReadPowerStatus(CDeviceChannel& channel, PowerStatus& status) {
    if (!channel.IsConnected() || !channel.QueryWirelessLink()) return kResultFailed;
    PowerStatus block{};
    const int r = channel.ReadBlock(0, block);
    if (r != kResultOk) return r;
    block[kPowerConnectionByte] = channel.IsWirelessMode() ? 1 : 0;
    status = block;
    return kResultOk;
}

}  // namespace kx58
