#pragma once
// Photoshop's action descriptors (the key/value trees inside fill, effect and stroke blocks),
// flattened into the items the converter asks about. Every length is checked.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace zen {

struct DescriptorItem {
  std::string key;          // the item's key ("Rd  ", "enab", "masterFXSwitch", ...)
  std::string owner_class;  // class of the descriptor holding it ("RGBC", "DrSh", ...)
  int depth = 0;            // 0 for the items of the outer descriptor
  uint32_t type = 0;        // 'doub', 'bool', 'long', ...
  double number = 0;        // doub, UntF, long
  bool boolean = false;     // bool
};

// Parses a descriptor that starts at data (its class name first). False when the bytes do
// not hold one (unknown item types included): callers treat that as "cannot tell".
bool ParseDescriptor(const uint8_t* data, size_t size, std::vector<DescriptorItem>& items);

// The first item with this key (and owner class, when given); null when there is none.
const DescriptorItem* FindDescriptorItem(const std::vector<DescriptorItem>& items, const std::string& key,
                                         const std::string& owner_class = "");

constexpr uint32_t FourCc(const char (&text)[5]) {
  return static_cast<uint32_t>(static_cast<uint8_t>(text[0])) << 24 |
         static_cast<uint32_t>(static_cast<uint8_t>(text[1])) << 16 |
         static_cast<uint32_t>(static_cast<uint8_t>(text[2])) << 8 | static_cast<uint8_t>(text[3]);
}

}  // namespace zen
