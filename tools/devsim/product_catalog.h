#pragma once
// The products the simulator can put on the bus, by name: "kb" (keyboard by cable), "kb-rx"
// (keyboard through its 2.4G receiver), "mouse", "mouse-rx", "pad", "headset".
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "devsim/simulated_product.h"

namespace devsim {

std::vector<std::string> CatalogNames();
std::optional<ProductSpec> CatalogSpec(std::string_view name);
// A product that echoes output reports; nullptr for an unknown name.
std::shared_ptr<SimulatedProduct> MakeEchoProduct(std::string_view name);

// Report descriptors, also used by tests.
const std::vector<std::uint8_t>& BootKeyboardDescriptor();
const std::vector<std::uint8_t>& BootMouseDescriptor();
// Keyboard (id 1), system control (id 2), consumer control (id 3), vendor (id 4, 63 bytes
// in and out): col01..col04 of interface 1 of every 0x320F product.
const std::vector<std::uint8_t>& GamingInterfaceDescriptor();
// One consumer collection: input id 1, 16-byte output id 0xFF.
const std::vector<std::uint8_t>& HeadsetDescriptor();

}  // namespace devsim
