#include "tests/converter/psd_test_writer.h"

#include <zlib.h>

#include <stdexcept>

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
std::vector<uint8_t> Predict(const PsdFixture& f, const std::vector<uint8_t>& plane) {
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
        if (f.large) Put32(out, static_cast<uint32_t>(row.size()));
        else Put16(out, static_cast<uint32_t>(row.size()));
        packed.insert(packed.end(), row.begin(), row.end());
      }
    }
    out.insert(out.end(), packed.begin(), packed.end());
  } else {
    std::vector<uint8_t> all;
    for (const auto& plane : f.planes) {
      std::vector<uint8_t> stored = f.compression == 3 && !f.planes_predicted ? Predict(f, plane) : plane;
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

}  // namespace

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
  Put32(out, 0);  // no image resources
  if (f.layer_count && f.layer_count_in_block) {
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
