#include "converter/layer_masks.h"

#include <algorithm>

namespace zen {

bool LayerMaskRows::Open(ByteSource& source, const PsdLayerRecord& record, const PsdHeader& header,
                         std::string& error) {
  const PsdLayerMask& mask = record.mask;
  active_ = mask.present && !mask.disabled;
  if (!active_) return true;
  rect_ = mask.rect;
  outside_ = mask.default_colour / 255.0f;
  const PsdChannelData* channel = record.Channel(-2);
  if (!channel || rect_.Empty()) return true;
  rows_ = std::make_unique<LayerChannelRows>();
  row_.resize(rect_.Width());
  return rows_->Open(source, channel->offset, channel->length,
                     LayerChannelShape{rect_.Width(), rect_.Height(), header.depth, header.large}, error);
}

bool LayerMaskRows::Apply(int64_t y, float* values, uint32_t begin, uint32_t end, std::string& error) {
  if (!active_) return true;
  const int64_t row = y - rect_.top;
  if (!rows_ || row < 0 || row >= rect_.Height()) {
    if (outside_ < 1) {
      for (uint32_t x = begin; x < end; ++x) values[x] *= outside_;
    }
    return true;
  }
  while (next_row_ < row) {
    if (!rows_->SkipRow(error)) return false;
    ++next_row_;
  }
  if (!rows_->NextRow(error)) return false;
  ++next_row_;
  // Inside the rectangle the stored values, the default colour on either side.
  const int64_t left = rect_.left;
  const uint32_t from = static_cast<uint32_t>(std::clamp<int64_t>(left, begin, end));
  const uint32_t to = static_cast<uint32_t>(std::clamp<int64_t>(left + rect_.Width(), begin, end));
  if (from < to) rows_->RowToFloat(static_cast<uint32_t>(from - left), static_cast<uint32_t>(to - left), row_.data());
  for (uint32_t x = begin; x < end; ++x) {
    values[x] *= x >= from && x < to ? std::clamp(row_[x - from], 0.0f, 1.0f) : outside_;
  }
  return true;
}

}  // namespace zen
