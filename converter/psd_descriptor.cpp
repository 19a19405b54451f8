#include "converter/psd_descriptor.h"

#include <cstring>

#include "interchange/byte_order.h"

namespace zen {
namespace {

constexpr int kMaxDepth = 32;

class DescriptorParser {
 public:
  DescriptorParser(const uint8_t* data, size_t size, std::vector<DescriptorItem>& items)
      : data_(data), size_(size), items_(items) {}

  bool Descriptor(int depth) {
    std::string owner;
    if (depth > kMaxDepth || !SkipUnicode() || !Id(owner)) return false;
    uint32_t count = 0;
    if (!U32(count)) return false;
    for (uint32_t i = 0; i < count; ++i) {
      DescriptorItem item;
      item.owner_class = owner;
      item.depth = depth;
      if (!Id(item.key) || !U32(item.type) || !Value(item, depth)) return false;
    }
    return true;
  }

 private:
  bool Take(size_t count, const uint8_t*& at) {
    if (count > size_ - position_) return false;
    at = data_ + position_;
    position_ += count;
    return true;
  }
  bool Skip(uint64_t count) {
    if (count > size_ - position_) return false;
    position_ += static_cast<size_t>(count);
    return true;
  }
  bool U32(uint32_t& value) {
    const uint8_t* at = nullptr;
    if (!Take(4, at)) return false;
    value = LoadBig32(at);
    return true;
  }
  bool Double(double& value) {
    const uint8_t* at = nullptr;
    if (!Take(8, at)) return false;
    uint64_t bits = LoadBig64(at);
    std::memcpy(&value, &bits, sizeof value);
    return true;
  }
  // A key or class: a length, then that many characters, or 0 and four characters.
  bool Id(std::string& text) {
    uint32_t length = 0;
    if (!U32(length)) return false;
    if (length == 0) length = 4;
    const uint8_t* at = nullptr;
    if (!Take(length, at)) return false;
    text.assign(reinterpret_cast<const char*>(at), length);
    return true;
  }
  bool SkipUnicode() {
    uint32_t units = 0;
    return U32(units) && Skip(uint64_t{units} * 2);
  }
  bool Value(DescriptorItem& item, int depth);
  bool Reference();

  const uint8_t* data_;
  size_t size_;
  size_t position_ = 0;
  std::vector<DescriptorItem>& items_;
};

bool DescriptorParser::Reference() {
  uint32_t count = 0;
  if (!U32(count)) return false;
  for (uint32_t i = 0; i < count; ++i) {
    uint32_t form = 0;
    std::string ignored;
    if (!U32(form)) return false;
    if (form == FourCc("prop")) {
      if (!SkipUnicode() || !Id(ignored) || !Id(ignored)) return false;
    } else if (form == FourCc("Clss")) {
      if (!SkipUnicode() || !Id(ignored)) return false;
    } else if (form == FourCc("Enmr")) {
      if (!SkipUnicode() || !Id(ignored) || !Id(ignored) || !Id(ignored)) return false;
    } else if (form == FourCc("rele")) {
      if (!SkipUnicode() || !Id(ignored) || !Skip(4)) return false;
    } else if (form == FourCc("Idnt") || form == FourCc("indx")) {
      if (!Skip(4)) return false;
    } else if (form == FourCc("name")) {
      if (!SkipUnicode() || !Id(ignored) || !SkipUnicode()) return false;
    } else {
      return false;
    }
  }
  return true;
}

bool DescriptorParser::Value(DescriptorItem& item, int depth) {
  const uint32_t type = item.type;
  std::string ignored;
  uint32_t length = 0;
  bool ok = true;
  if (type == FourCc("Objc") || type == FourCc("GlbO")) {
    items_.push_back(item);
    return Descriptor(depth + 1);
  } else if (type == FourCc("VlLs")) {
    items_.push_back(item);
    if (!U32(length)) return false;
    for (uint32_t i = 0; i < length && ok; ++i) {
      DescriptorItem element;
      element.key = item.key;
      element.owner_class = item.owner_class;
      element.depth = depth;
      ok = U32(element.type) && Value(element, depth);
    }
    return ok;
  } else if (type == FourCc("doub")) {
    ok = Double(item.number);
  } else if (type == FourCc("UntF")) {
    ok = Skip(4) && Double(item.number);
  } else if (type == FourCc("long")) {
    uint32_t value = 0;
    ok = U32(value);
    item.number = static_cast<int32_t>(value);
  } else if (type == FourCc("comp")) {
    ok = Skip(8);
  } else if (type == FourCc("bool")) {
    const uint8_t* at = nullptr;
    ok = Take(1, at);
    item.boolean = ok && *at != 0;
  } else if (type == FourCc("TEXT")) {
    ok = SkipUnicode();
  } else if (type == FourCc("enum")) {
    ok = Id(ignored) && Id(ignored);
  } else if (type == FourCc("type") || type == FourCc("GlbC")) {
    ok = SkipUnicode() && Id(ignored);
  } else if (type == FourCc("alis") || type == FourCc("tdta") || type == FourCc("Pth ")) {
    ok = U32(length) && Skip(length);
  } else if (type == FourCc("UnFl")) {
    ok = Skip(4) && U32(length) && Skip(uint64_t{length} * 8);
  } else if (type == FourCc("obj ")) {
    ok = Reference();
  } else {
    return false;
  }
  if (ok) items_.push_back(item);
  return ok;
}

}  // namespace

bool ParseDescriptor(const uint8_t* data, size_t size, std::vector<DescriptorItem>& items) {
  items.clear();
  DescriptorParser parser(data, size, items);
  return parser.Descriptor(0);
}

const DescriptorItem* FindDescriptorItem(const std::vector<DescriptorItem>& items, const std::string& key,
                                         const std::string& owner_class) {
  for (const DescriptorItem& item : items) {
    if (item.key == key && (owner_class.empty() || item.owner_class == owner_class)) return &item;
  }
  return nullptr;
}

}  // namespace zen
