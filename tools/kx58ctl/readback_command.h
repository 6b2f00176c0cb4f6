#pragma once
// kx58ctl info / readback: what the attached keyboard or mouse holds, decoded.
namespace kx58ctl {

// `which`: "keyboard", "mouse" or empty for the first attached of either.
// The information block.
int PrintDeviceInfo(const char* which);
// Information block, key table, LED map (keyboard) or button map (mouse), active settings record.
int PrintReadback(const char* which);

}  // namespace kx58ctl
