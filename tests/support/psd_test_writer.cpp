#include "tests/support/psd_test_writer.h"

#include <zlib.h>

#include <cstring>
#include <stdexcept>
#include <string>

namespace zen::test {
namespace {

void Put16(std::vector<uint8_t>& out, uint32_t v) {
  out.push_back(static_cast<uint8_t>(v >> 8));
  out.push_back(static_cast<uint8_t>(v));
}
void Put32(std::vector<uint8_t>& out, uint32_t v) {
  Put16(out, v >> 16);
  Put16(out, v);
}
void PutLength(std::vector<uint8_t>& out, uint64_t v, bool eight) {
  if (eight) Put32(out, static_cast<uint32_t>(v >> 32));
  Put32(out, static_cast<uint32_t>(v));
}

std::vector<uint8_t> Deflate(const std::vector<uint8_t>& data) {
  uLongf size = compressBound(data.size());
  std::vector<uint8_t> out(size);
  if (compress2(out.data(), &size, data.data(), data.size(), 6) != Z_OK) throw std::runtime_error("deflate");
  out.resize(size);
  return out;
}

// The inverse of the reader's prediction, row by row.
std::vector<uint8_t> Predict(const PsdFixture& document, uint32_t width, uint32_t height,
                             const std::vector<uint8_t>& plane) {
  PsdFixture f = document;
  f.width = width;
  f.height = height;
  uint64_t row_bytes = FixtureRowBytes(f);
  std::vector<uint8_t> out = plane;
  for (uint32_t y = 0; y < f.height; ++y) {
    uint8_t* row = out.data() + y * row_bytes;
    const uint8_t* in = plane.data() + y * row_bytes;
    if (f.depth == 8) {
      for (uint64_t i = row_bytes; i-- > 1;) row[i] = static_cast<uint8_t>(in[i] - in[i - 1]);
    } else if (f.depth == 16) {
      for (uint32_t x = f.width; x-- > 1;) {
        uint16_t v = static_cast<uint16_t>((in[2 * x] << 8 | in[2 * x + 1]) - (in[2 * x - 2] << 8 | in[2 * x - 1]));
        row[2 * x] = static_cast<uint8_t>(v >> 8);
        row[2 * x + 1] = static_cast<uint8_t>(v);
      }
    } else {
      std::vector<uint8_t> planes(row_bytes);
      for (uint32_t x = 0; x < f.width; ++x) {
        for (uint32_t b = 0; b < 4; ++b) planes[b * f.width + x] = in[4 * x + b];
      }
      uint8_t previous = 0;
      for (uint64_t i = 0; i < row_bytes; ++i) {
        row[i] = static_cast<uint8_t>(planes[i] - previous);
        previous = planes[i];
      }
    }
  }
  return out;
}

void WriteImageData(const PsdFixture& f, std::vector<uint8_t>& out) {
  uint64_t row_bytes = FixtureRowBytes(f);
  Put16(out, f.compression);
  if (f.compression == 0) {
    for (const auto& plane : f.planes) out.insert(out.end(), plane.begin(), plane.end());
  } else if (f.compression == 1) {
    std::vector<uint8_t> packed;
    for (const auto& plane : f.planes) {
      for (uint32_t y = 0; y < f.height; ++y) {
        std::vector<uint8_t> row = PackBits(plane.data() + y * row_bytes, row_bytes);
        if (f.large)
          Put32(out, static_cast<uint32_t>(row.size()));
        else
          Put16(out, static_cast<uint32_t>(row.size()));
        packed.insert(packed.end(), row.begin(), row.end());
      }
    }
    out.insert(out.end(), packed.begin(), packed.end());
  } else {
    std::vector<uint8_t> all;
    for (const auto& plane : f.planes) {
      std::vector<uint8_t> stored =
          f.compression == 3 && !f.planes_predicted ? Predict(f, f.width, f.height, plane) : plane;
      if (f.zip_stream_per_channel) {
        std::vector<uint8_t> z = Deflate(stored);
        out.insert(out.end(), z.begin(), z.end());
      } else {
        all.insert(all.end(), stored.begin(), stored.end());
      }
    }
    if (!f.zip_stream_per_channel) {
      std::vector<uint8_t> z = Deflate(all);
      out.insert(out.end(), z.begin(), z.end());
    }
  }
}

// RLE rows: the table of packed lengths, then the packed rows.
void PackRows(bool large, uint32_t height, const std::function<std::vector<uint8_t>(uint32_t)>& packed_row,
              std::vector<uint8_t>& out) {
  std::vector<uint8_t> packed;
  for (uint32_t y = 0; y < height; ++y) {
    std::vector<uint8_t> row = packed_row(y);
    if (large)
      Put32(out, static_cast<uint32_t>(row.size()));
    else
      Put16(out, static_cast<uint32_t>(row.size()));
    packed.insert(packed.end(), row.begin(), row.end());
  }
  out.insert(out.end(), packed.begin(), packed.end());
}

// A channel's data as a layer stores it: compression field, then the rows.
std::vector<uint8_t> EncodeChannel(const PsdFixture& f, uint16_t compression, uint32_t width, uint32_t height,
                                   const std::vector<uint8_t>& rows) {
  PsdFixture shape = f;
  shape.width = width;
  shape.height = height;
  const uint64_t row_bytes = FixtureRowBytes(shape);
  std::vector<uint8_t> out;
  Put16(out, compression);
  if (compression == 0) {
    out.insert(out.end(), rows.begin(), rows.end());
  } else if (compression == 1) {
    PackRows(
        f.large, height, [&](uint32_t y) { return PackBits(rows.data() + y * row_bytes, row_bytes); }, out);
  } else if (!rows.empty()) {
    std::vector<uint8_t> z = Deflate(compression == 3 ? Predict(f, width, height, rows) : rows);
    out.insert(out.end(), z.begin(), z.end());
  }
  return out;
}

void PutRect(std::vector<uint8_t>& out, int32_t top, int32_t left, int32_t bottom, int32_t right) {
  for (int32_t v : {top, left, bottom, right}) Put32(out, static_cast<uint32_t>(v));
}

std::vector<uint8_t> LayerExtraData(const LayerFixture& layer) {
  std::vector<uint8_t> extra;
  if (layer.mask) {
    const LayerMaskFixture& m = *layer.mask;
    std::vector<uint8_t> mask;
    PutRect(mask, m.top, m.left, m.bottom, m.right);
    mask.push_back(m.default_colour);
    mask.push_back(m.flags);
    mask.insert(mask.end(), m.parameters.begin(), m.parameters.end());
    while (mask.size() < 20) mask.push_back(0);
    Put32(extra, static_cast<uint32_t>(mask.size()));
    extra.insert(extra.end(), mask.begin(), mask.end());
  } else {
    Put32(extra, 0);
  }
  Put32(extra, static_cast<uint32_t>(layer.ranges.size()));
  extra.insert(extra.end(), layer.ranges.begin(), layer.ranges.end());
  extra.push_back(static_cast<uint8_t>(layer.name.size()));
  extra.insert(extra.end(), layer.name.begin(), layer.name.end());
  extra.insert(extra.end(), (4 - (layer.name.size() + 1) % 4) % 4, 0);
  extra.insert(extra.end(), layer.blocks.begin(), layer.blocks.end());
  return extra;
}

// Count, records and channel data, padded to an even length.
std::vector<uint8_t> LayerInfo(const PsdFixture& f) {
  std::vector<uint8_t> records;
  std::vector<uint8_t> data;
  Put16(records, static_cast<uint32_t>(f.layers.size()));
  for (const LayerFixture& layer : f.layers) {
    PutRect(records, layer.top, layer.left, layer.bottom, layer.right);
    Put16(records, static_cast<uint32_t>(layer.channels.size() + layer.painted_ids.size()));
    for (const auto& [id, rows] : layer.channels) {
      const bool mask = id == -2;
      const uint32_t width =
          static_cast<uint32_t>(mask ? layer.mask->right - layer.mask->left : layer.right - layer.left);
      const uint32_t height =
          static_cast<uint32_t>(mask ? layer.mask->bottom - layer.mask->top : layer.bottom - layer.top);
      std::vector<uint8_t> encoded = EncodeChannel(f, layer.compression, width, height, rows);
      Put16(records, static_cast<uint16_t>(id));
      PutLength(records, encoded.size(), f.large);
      data.insert(data.end(), encoded.begin(), encoded.end());
    }
    for (int16_t id : layer.painted_ids) {
      PsdFixture shape = f;
      shape.width = static_cast<uint32_t>(layer.right - layer.left);
      std::vector<uint8_t> row(FixtureRowBytes(shape));
      std::vector<uint8_t> encoded;
      Put16(encoded, 1);
      PackRows(
          f.large, static_cast<uint32_t>(layer.bottom - layer.top),
          [&](uint32_t y) {
            layer.paint(id, y, row.data());
            return PackBits(row.data(), row.size());
          },
          encoded);
      Put16(records, static_cast<uint16_t>(id));
      PutLength(records, encoded.size(), f.large);
      data.insert(data.end(), encoded.begin(), encoded.end());
    }
    records.insert(records.end(), {'8', 'B', 'I', 'M'});
    records.insert(records.end(), layer.blend, layer.blend + 4);
    records.insert(records.end(), {layer.opacity, layer.clipping, layer.flags, 0});
    std::vector<uint8_t> extra = LayerExtraData(layer);
    Put32(records, static_cast<uint32_t>(extra.size()));
    records.insert(records.end(), extra.begin(), extra.end());
  }
  records.insert(records.end(), data.begin(), data.end());
  if (records.size() % 2) records.push_back(0);
  return records;
}

void WriteLayerSection(const PsdFixture& f, std::vector<uint8_t>& out) {
  std::vector<uint8_t> info = LayerInfo(f);
  std::vector<uint8_t> section;
  if (f.layer_count_in_block) {
    PutLength(section, 0, f.large);
    Put32(section, 0);
    std::vector<uint8_t> block = Block(f.depth == 32 ? "Lr32" : "Lr16", info, f.large);
    section.insert(section.end(), block.begin(), block.end());
  } else {
    PutLength(section, info.size(), f.large);
    section.insert(section.end(), info.begin(), info.end());
    Put32(section, 0);
  }
  PutLength(out, section.size(), f.large);
  out.insert(out.end(), section.begin(), section.end());
}

void PutUnicode(std::vector<uint8_t>& out, const std::string& text) {
  Put32(out, static_cast<uint32_t>(text.size()));
  for (char c : text) Put16(out, static_cast<uint8_t>(c));
}

void PutId(std::vector<uint8_t>& out, const std::string& id) {
  Put32(out, id.size() == 4 ? 0 : static_cast<uint32_t>(id.size()));
  out.insert(out.end(), id.begin(), id.end());
}

}  // namespace

std::vector<uint8_t> Block(const char* key, const std::vector<uint8_t>& data, bool large) {
  std::vector<uint8_t> out = {'8', 'B', 'I', 'M'};
  out.insert(out.end(), key, key + 4);
  const bool eight = large && (std::string(key) == "Lr16" || std::string(key) == "Lr32");
  std::vector<uint8_t> padded = data;
  // Layer blocks are padded to 4 bytes, as Photoshop writes them; others to 2.
  while (padded.size() % (eight || std::string(key).rfind("Lr", 0) == 0 ? 4 : 2)) padded.push_back(0);
  PutLength(out, padded.size(), eight);
  out.insert(out.end(), padded.begin(), padded.end());
  return out;
}

std::vector<uint8_t> EncodeDescriptor(const DescriptorFixture& d) {
  std::vector<uint8_t> out;
  PutUnicode(out, "");
  PutId(out, d.cls);
  Put32(out, static_cast<uint32_t>(d.numbers.size() + d.booleans.size() + d.objects.size()));
  for (const auto& [key, value] : d.numbers) {
    PutId(out, key);
    out.insert(out.end(), {'d', 'o', 'u', 'b'});
    uint64_t bits;
    std::memcpy(&bits, &value, 8);
    Put32(out, static_cast<uint32_t>(bits >> 32));
    Put32(out, static_cast<uint32_t>(bits));
  }
  for (const auto& [key, value] : d.booleans) {
    PutId(out, key);
    out.insert(out.end(), {'b', 'o', 'o', 'l'});
    out.push_back(value ? 1 : 0);
  }
  for (const auto& [key, value] : d.objects) {
    PutId(out, key);
    out.insert(out.end(), {'O', 'b', 'j', 'c'});
    std::vector<uint8_t> inner = EncodeDescriptor(value);
    out.insert(out.end(), inner.begin(), inner.end());
  }
  return out;
}

std::vector<uint8_t> SolidColourBlock(double r, double g, double b) {
  DescriptorFixture colour{"RGBC", {{"Rd  ", r}, {"Grn ", g}, {"Bl  ", b}}, {}, {}};
  std::vector<uint8_t> data;
  Put32(data, 16);
  std::vector<uint8_t> d = EncodeDescriptor({"null", {}, {}, {{"Clr ", colour}}});
  data.insert(data.end(), d.begin(), d.end());
  return Block("SoCo", data);
}

std::vector<uint8_t> EffectsBlock(bool master, bool drop_shadow_enabled) {
  DescriptorFixture shadow{"DrSh", {{"Opct", 75}}, {{"enab", drop_shadow_enabled}}, {}};
  std::vector<uint8_t> data;
  Put32(data, 0);
  Put32(data, 16);
  std::vector<uint8_t> d = EncodeDescriptor({"null", {}, {{"masterFXSwitch", master}}, {{"DrSh", shadow}}});
  data.insert(data.end(), d.begin(), d.end());
  return Block("lfx2", data);
}

std::vector<uint8_t> SectionBlock(uint32_t type, const char* blend) {
  std::vector<uint8_t> data;
  Put32(data, type);
  if (blend) {
    data.insert(data.end(), {'8', 'B', 'I', 'M'});
    data.insert(data.end(), blend, blend + 4);
  }
  return Block("lsct", data);
}

std::vector<uint8_t> ByteBlock(const char* key, uint8_t value) { return Block(key, {value, 0, 0, 0}); }

uint64_t FixtureRowBytes(const PsdFixture& f) {
  return f.depth == 1 ? (uint64_t{f.width} + 7) / 8 : uint64_t{f.width} * (f.depth / 8);
}

std::vector<uint8_t> PackBits(const uint8_t* row, size_t size) {
  std::vector<uint8_t> out;
  size_t i = 0;
  while (i < size) {
    size_t run = 1;
    while (i + run < size && run < 128 && row[i + run] == row[i]) ++run;
    if (run >= 2) {
      out.push_back(static_cast<uint8_t>(257 - run));
      out.push_back(row[i]);
      i += run;
      continue;
    }
    size_t start = i;
    while (i < size && i - start < 128 && !(i + 1 < size && row[i + 1] == row[i])) ++i;
    if (i == start) ++i;
    out.push_back(static_cast<uint8_t>(i - start - 1));
    out.insert(out.end(), row + start, row + i);
  }
  return out;
}

std::vector<uint8_t> WritePsd(const PsdFixture& f) {
  std::vector<uint8_t> out = {'8', 'B', 'P', 'S'};
  Put16(out, f.large ? 2 : 1);
  out.insert(out.end(), 6, 0);
  Put16(out, static_cast<uint32_t>(f.planes.size()));
  Put32(out, f.height);
  Put32(out, f.width);
  Put16(out, f.depth);
  Put16(out, f.mode);
  Put32(out, static_cast<uint32_t>(f.palette.size()));
  out.insert(out.end(), f.palette.begin(), f.palette.end());
  if (f.has_real_merged_data) {
    // Version info: version, the flag, writer and reader names (empty), file version.
    std::vector<uint8_t> info;
    Put32(info, 1);
    info.push_back(*f.has_real_merged_data ? 1 : 0);
    Put32(info, 0);
    Put32(info, 0);
    Put32(info, 1);
    if (info.size() % 2) info.push_back(0);
    Put32(out, static_cast<uint32_t>(12 + info.size()));
    out.insert(out.end(), {'8', 'B', 'I', 'M', 0x04, 0x21, 0, 0});
    Put32(out, static_cast<uint32_t>(info.size()) - 1);
    out.insert(out.end(), info.begin(), info.end());
  } else {
    Put32(out, 0);  // no image resources
  }
  if (!f.layers.empty()) {
    WriteLayerSection(f, out);
  } else if (f.layer_count && f.layer_count_in_block) {
    uint64_t field = f.large ? 8 : 4;
    // Empty layer info, empty global mask, then one block whose data begins with the count.
    PutLength(out, field + 4 + 8 + field + 4, f.large);
    PutLength(out, 0, f.large);
    Put32(out, 0);
    out.insert(out.end(), {'8', 'B', 'I', 'M', 'L', 'r', '1', '6'});
    PutLength(out, 4, f.large);
    Put16(out, static_cast<uint16_t>(*f.layer_count));
    Put16(out, 0);
  } else if (f.layer_count) {
    uint64_t field = f.large ? 8 : 4;
    PutLength(out, field + 2 + 4, f.large);  // layer info + an empty global mask section
    PutLength(out, 2, f.large);
    Put16(out, static_cast<uint16_t>(*f.layer_count));
    Put32(out, 0);
  } else {
    PutLength(out, 0, f.large);
  }
  WriteImageData(f, out);
  return out;
}

}  // namespace zen::test
