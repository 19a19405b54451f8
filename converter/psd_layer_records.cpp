#include "converter/psd_layer_records.h"

#include <algorithm>
#include <cstring>

#include "converter/psd_descriptor.h"
#include "interchange/byte_order.h"

namespace zen {
namespace {

constexpr uint16_t kVersionInfoResource = 1057;
constexpr uint16_t kMaxLayerChannels = 56;

// Bounds-checked reading of bytes held in memory.
struct Cursor {
  const uint8_t* data;
  size_t size;
  size_t at = 0;
  bool Has(size_t n) const { return n <= size - at; }
  bool Skip(uint64_t n) {
    if (n > size - at) return false;
    at += static_cast<size_t>(n);
    return true;
  }
  bool U8(uint8_t& v) { return Has(1) ? (v = data[at++], true) : false; }
  bool U16(uint16_t& v) { return Has(2) ? (v = LoadBig16(data + at), at += 2, true) : false; }
  bool U32(uint32_t& v) { return Has(4) ? (v = LoadBig32(data + at), at += 4, true) : false; }
  bool U64(uint64_t& v) { return Has(8) ? (v = LoadBig64(data + at), at += 8, true) : false; }
  bool Length(bool eight, uint64_t& v) {
    uint32_t v32 = 0;
    if (eight) return U64(v);
    if (!U32(v32)) return false;
    v = v32;
    return true;
  }
};

bool ReadRect(Cursor& c, PsdRect& rect) {
  uint32_t v[4];
  for (uint32_t& value : v) {
    if (!c.U32(value)) return false;
  }
  rect = {static_cast<int32_t>(v[0]), static_cast<int32_t>(v[1]), static_cast<int32_t>(v[2]),
          static_cast<int32_t>(v[3])};
  return true;
}

void Refuse(PsdLayerRecord& record, const std::string& reason) {
  if (record.refusal.empty()) record.refusal = reason;
}

std::string Utf16ToUtf8(const uint8_t* p, uint32_t units) {
  std::string out;
  for (uint32_t i = 0; i < units; ++i) {
    uint32_t c = LoadBig16(p + 2 * i);
    if (c >= 0xD800 && c < 0xDC00 && i + 1 < units) {
      const uint32_t low = LoadBig16(p + 2 * (i + 1));
      if (low >= 0xDC00 && low < 0xE000) {
        c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
        ++i;
      }
    }
    if (c == 0) break;
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | c >> 6);
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += static_cast<char>(0xE0 | c >> 12);
      out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | c >> 18);
      out += static_cast<char>(0x80 | (c >> 12 & 0x3F));
      out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

// Mask data: rectangle, default colour, flags, then (flag 16) the parameters of density and
// feather, which are drawn only at their neutral values.
bool ReadMask(Cursor& c, PsdLayerRecord& record) {
  uint32_t length = 0;
  if (!c.U32(length) || !c.Has(length)) return false;
  Cursor m{c.data + c.at, length};
  c.at += length;
  if (length < 18) return true;
  uint8_t flags = 0;
  record.mask.present = true;
  ReadRect(m, record.mask.rect);
  m.U8(record.mask.default_colour);
  m.U8(flags);
  record.mask.disabled = (flags & 2) != 0;
  if (flags & 16) {
    uint8_t which = 0;
    bool neutral = m.U8(which);
    for (int bit = 0; bit < 4 && neutral; ++bit) {
      if (!(which & (1 << bit))) continue;
      if (bit % 2 == 0) {  // a density byte
        uint8_t density = 0;
        neutral = m.U8(density) && density == 255;
      } else {  // a feather radius, a double
        uint64_t feather = 1;
        neutral = m.U64(feather) && (feather << 1) == 0;
      }
    }
    if (!neutral) Refuse(record, "a mask with a density below 100% or a feather");
  }
  return true;
}

// Blend-if ranges other than the full black-to-white span change which pixels show.
bool ReadBlendingRanges(Cursor& c, PsdLayerRecord& record) {
  uint32_t length = 0;
  if (!c.U32(length) || !c.Has(length)) return false;
  for (uint32_t i = 0; i + 4 <= length; i += 4) {
    const uint32_t range = LoadBig32(c.data + c.at + i);
    if (range != 0x0000FFFF && range != 0) Refuse(record, "blend-if ranges");
  }
  c.at += length;
  return true;
}

void ReadSolidColour(const uint8_t* data, size_t size, uint16_t mode, PsdLayerRecord& record) {
  std::vector<DescriptorItem> items;
  const char* refusal = "a solid colour fill that could not be read";
  if (size < 4 || !ParseDescriptor(data + 4, size - 4, items)) return Refuse(record, refusal);
  auto value = [&](const char* key, const char* owner, float& out) {
    const DescriptorItem* item = FindDescriptorItem(items, key, owner);
    if (item) out = static_cast<float>(item->number);
    return item != nullptr;
  };
  float v[4] = {};
  bool ok = false;
  if (mode == PsdRgb) {
    ok = value("Rd  ", "RGBC", v[0]) && value("Grn ", "RGBC", v[1]) && value("Bl  ", "RGBC", v[2]);
    for (int k = 0; k < 3; ++k) record.fill_colour[k] = std::clamp(v[k] / 255, 0.0f, 1.0f);
  } else if (mode == PsdGreyscale || mode == PsdDuotone) {
    ok = value("Gry ", "Grsc", v[0]);
    record.fill_colour[0] = std::clamp(1 - v[0] / 100, 0.0f, 1.0f);
  } else if (mode == PsdCmyk) {
    ok = value("Cyn ", "CMYC", v[0]) && value("Mgnt", "CMYC", v[1]) && value("Ylw ", "CMYC", v[2]) &&
         value("Blck", "CMYC", v[3]);
    for (int k = 0; k < 4; ++k) record.fill_colour[k] = std::clamp(1 - v[k] / 100, 0.0f, 1.0f);
  }
  if (!ok) return Refuse(record, "a solid colour fill given in another colour model");
  record.fill = PsdFillKind::Solid;
}

// Effects are off when the master switch is off or no effect is enabled.
void ReadEffects(const uint8_t* data, size_t size, PsdLayerRecord& record) {
  std::vector<DescriptorItem> items;
  if (size < 8 || !ParseDescriptor(data + 8, size - 8, items)) {
    return Refuse(record, "layer effects that could not be read");
  }
  const DescriptorItem* master = FindDescriptorItem(items, "masterFXSwitch");
  if (master && !master->boolean) return;
  for (const DescriptorItem& item : items) {
    if (item.key == "enab" && item.depth >= 1 && item.boolean) return Refuse(record, "layer effects");
  }
}

bool IsAdjustment(uint32_t key) {
  static const uint32_t keys[] = {FourCc("brit"), FourCc("levl"), FourCc("curv"), FourCc("expA"), FourCc("vibA"),
                                  FourCc("hue "), FourCc("hue2"), FourCc("blnc"), FourCc("blwh"), FourCc("phfl"),
                                  FourCc("mixr"), FourCc("clrL"), FourCc("nvrt"), FourCc("post"), FourCc("thrs"),
                                  FourCc("grdm"), FourCc("selc"), FourCc("CgEd")};
  return std::find(std::begin(keys), std::end(keys), key) != std::end(keys);
}

// Old files may carry effects only in the first effects block, whose switches are not read.
struct BlockState {
  bool new_effects = false;
  bool old_effects = false;
};

void ReadSectionMarker(const uint8_t* data, size_t size, PsdLayerRecord& record) {
  if (size < 4) return;
  switch (LoadBig32(data)) {
    case 1: record.group = PsdGroupMarker::Open; break;
    case 2: record.group = PsdGroupMarker::Closed; break;
    case 3: record.group = PsdGroupMarker::End; break;
    default: break;
  }
  if (size >= 12 && std::memcmp(data + 4, "8BIM", 4) == 0 && !BlendModeFromKey(LoadBig32(data + 8), record.mode)) {
    Refuse(record, "an unknown blend mode");
  }
}

void ReadBlock(uint32_t key, const uint8_t* data, size_t size, uint16_t mode, PsdLayerRecord& record,
               BlockState& state) {
  const uint8_t first = size > 0 ? data[0] : 0;
  if (key == FourCc("luni") && size >= 4) {
    record.name = Utf16ToUtf8(data + 4, static_cast<uint32_t>(std::min<uint64_t>(LoadBig32(data), (size - 4) / 2)));
  } else if (key == FourCc("lsct") || key == FourCc("lsdk")) {
    ReadSectionMarker(data, size, record);
  } else if (key == FourCc("iOpa") && size >= 1) {
    record.fill_opacity = first;
  } else if (key == FourCc("SoCo")) {
    ReadSolidColour(data, size, mode, record);
  } else if (key == FourCc("GdFl")) {
    record.fill = PsdFillKind::Gradient;
  } else if (key == FourCc("PtFl")) {
    record.fill = PsdFillKind::Pattern;
  } else if (key == FourCc("vscg") && size >= 8) {
    const uint32_t content = LoadBig32(data);
    if (content == FourCc("SoCo")) ReadSolidColour(data + 4, size - 4, mode, record);
    record.fill = content == FourCc("SoCo")   ? record.fill
                  : content == FourCc("GdFl") ? PsdFillKind::Gradient
                                              : PsdFillKind::Pattern;
  } else if ((key == FourCc("vmsk") || key == FourCc("vsms")) && size >= 8) {
    record.has_vector_mask = (LoadBig32(data + 4) & 4) == 0;
  } else if (key == FourCc("lfx2") || key == FourCc("lmfx")) {
    state.new_effects = true;
    ReadEffects(data, size, record);
  } else if (key == FourCc("lrFX")) {
    state.old_effects = true;
  } else if (key == FourCc("vstk")) {
    std::vector<DescriptorItem> items;
    const bool read = size >= 4 && ParseDescriptor(data + 4, size - 4, items);
    const DescriptorItem* enabled = FindDescriptorItem(items, "strokeEnabled");
    if (!read || !enabled || enabled->boolean) Refuse(record, "a vector stroke");
  } else if (IsAdjustment(key)) {
    Refuse(record, "an adjustment layer");
  } else if (key == FourCc("knko") && first != 0) {
    Refuse(record, "a knockout");
  } else if (key == FourCc("clbl") && size >= 1 && first == 0) {
    Refuse(record, "clipped layers blended one by one");
  } else if (key == FourCc("tsly") && size >= 1 && first == 0) {
    Refuse(record, "transparency that does not shape the layer");
  } else if (key == FourCc("brst") && size >= 4) {
    Refuse(record, "channels excluded from blending");
  } else if (key == FourCc("artb") || key == FourCc("artd") || key == FourCc("abdd")) {
    Refuse(record, "an artboard, whose background is not stored");
  }
}

// The additional blocks after the name: signature, key, length (8 bytes in PSB for a
// few keys), data; lengths are even, though some writers leave an odd one unpadded.
void ReadBlocks(Cursor c, bool large, uint16_t mode, PsdLayerRecord& record) {
  BlockState state;
  while (c.Has(12)) {
    const uint8_t* head = c.data + c.at;
    if (std::memcmp(head, "8BIM", 4) != 0 && std::memcmp(head, "8B64", 4) != 0) break;
    c.at += 8;
    uint64_t length = 0;
    if (!c.Length(large && PsdBlockHasLongLength(head + 4), length) || !c.Has(length)) break;
    ReadBlock(LoadBig32(head + 4), c.data + c.at, static_cast<size_t>(length), mode, record, state);
    c.at += static_cast<size_t>(length);
    if ((length & 1) && c.Has(1) && c.data[c.at] == 0) ++c.at;
  }
  if (!state.new_effects && state.old_effects) Refuse(record, "layer effects");
}

bool ReadExtraData(Cursor c, bool large, uint16_t mode, PsdLayerRecord& record) {
  uint8_t name_length = 0;
  if (!ReadMask(c, record) || !ReadBlendingRanges(c, record) || !c.U8(name_length) || !c.Has(name_length)) {
    return false;
  }
  record.name.clear();
  for (uint8_t i = 0; i < name_length; ++i) {
    const char ch = static_cast<char>(c.data[c.at + i]);
    record.name += (ch >= 32 && ch < 127) ? ch : '?';
  }
  c.at += name_length;
  c.Skip((4 - (name_length + 1) % 4) % 4);
  ReadBlocks(c, large, mode, record);
  return true;
}

}  // namespace

bool PsdMergedImageMissing(ByteSource& source, const PsdLayout& layout) {
  uint64_t at = layout.resources;
  const uint64_t end = layout.resources + layout.resources_length;
  while (end - at >= 12) {
    uint8_t head[7];
    if (!source.ReadAt(at, head, sizeof head) || std::memcmp(head, "8BIM", 4) != 0) return false;
    const uint16_t id = LoadBig16(head + 4);
    const uint64_t name = (uint64_t{head[6]} + 2) & ~uint64_t{1};  // length byte and text, even
    uint8_t size_bytes[4];
    if (end - at < 6 + name + 4 || !source.ReadAt(at + 6 + name, size_bytes, 4)) return false;
    const uint64_t data = at + 6 + name + 4;
    const uint64_t size = LoadBig32(size_bytes);
    if (size > end - data) return false;
    if (id == kVersionInfoResource) {
      uint8_t info[5];
      return size >= 5 && source.ReadAt(data, info, 5) && info[4] == 0;
    }
    at = data + ((size + 1) & ~uint64_t{1});
  }
  return false;
}

// One record: rectangle, channels, blending, then its extra data.
bool ReadRecord(ByteSource& source, uint64_t& at, uint64_t end, const PsdLayout& layout, PsdLayerRecord& record,
                std::string& error) {
  const bool large = layout.header.large;
  const uint64_t channel_field = large ? 10 : 6;
  uint8_t fixed[18];
  if (end - at < 18 || !source.ReadAt(at, fixed, 18)) return false;
  Cursor head{fixed, 18};
  ReadRect(head, record.rect);
  const uint16_t count = LoadBig16(fixed + 16);
  if (count > kMaxLayerChannels) {
    error = "PSD: a layer claims " + std::to_string(count) + " channels";
    return false;
  }
  at += 18;
  const uint64_t rest = channel_field * count + 16;
  if (end - at < rest) return false;
  std::vector<uint8_t> bytes(static_cast<size_t>(rest));
  if (!source.ReadAt(at, bytes.data(), bytes.size())) return false;
  at += rest;
  Cursor c{bytes.data(), bytes.size()};
  record.channels.resize(count);
  for (PsdChannelData& channel : record.channels) {
    uint16_t id = 0;
    c.U16(id);
    channel.id = static_cast<int16_t>(id);
    c.Length(large, channel.length);
  }
  uint32_t signature = 0, key = 0, extra = 0;
  uint8_t clipping = 0, flags = 0, filler = 0;
  c.U32(signature);
  c.U32(key);
  c.U8(record.opacity);
  c.U8(clipping);
  c.U8(flags);
  c.U8(filler);
  c.U32(extra);
  if (signature != FourCc("8BIM") || extra > end - at) {
    error = "PSD: a layer record is damaged";
    return false;
  }
  if (!BlendModeFromKey(key, record.mode)) Refuse(record, "an unknown blend mode");
  record.clipped = clipping != 0;
  record.hidden = (flags & 2) != 0;
  std::vector<uint8_t> extra_bytes(extra);
  if (!source.ReadAt(at, extra_bytes.data(), extra) ||
      !ReadExtraData(Cursor{extra_bytes.data(), extra_bytes.size()}, large, layout.header.mode, record)) {
    error = "PSD: a layer's extra data is damaged";
    return false;
  }
  at += extra;
  if (record.fill_opacity < 255 && BlendModeTreatsFillApart(record.mode)) {
    Refuse(record, std::string("fill opacity below 100% in ") + BlendModeName(record.mode) + " mode");
  }
  return true;
}

bool ReadPsdLayerRecords(ByteSource& source, const PsdLayout& layout, std::vector<PsdLayerRecord>& records,
                         std::string& error) {
  uint64_t at = layout.layer_info;
  const uint64_t end = layout.layer_info + layout.layer_info_length;
  uint8_t count_bytes[2];
  if (layout.layer_info_length < 2 || !source.ReadAt(at, count_bytes, 2)) {
    error = "PSD: no layer records";
    return false;
  }
  at += 2;
  const int count = std::abs(static_cast<int16_t>(LoadBig16(count_bytes)));
  records.assign(count, {});
  for (PsdLayerRecord& record : records) {
    if (!ReadRecord(source, at, end, layout, record, error)) {
      if (error.empty()) error = "PSD: the layer records run past their section";
      return false;
    }
  }
  // The channels' data follows the records, layer by layer, channel by channel.
  for (PsdLayerRecord& record : records) {
    for (PsdChannelData& channel : record.channels) {
      if (channel.length > end - at) {
        error = "PSD: layer channel data runs past its section";
        return false;
      }
      channel.offset = at;
      at += channel.length;
    }
  }
  return true;
}

}  // namespace zen
