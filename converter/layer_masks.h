#pragma once
// A layer's or group's mask over canvas rows: the stored mask channel inside its rectangle,
// the default colour everywhere else; a disabled mask lets everything through.
#include <memory>
#include <string>

#include "converter/layer_channel_rows.h"
#include "converter/psd_layer_records.h"

namespace zen {

class LayerMaskRows {
 public:
  // No mask (or a disabled one) when the record has none.
  bool Open(ByteSource& source, const PsdLayerRecord& record, const PsdHeader& header, std::string& error);
  bool Active() const { return active_; }
  // Multiplies values[begin, end) of canvas row y by the mask; rows come top to bottom.
  bool Apply(int64_t y, float* values, uint32_t begin, uint32_t end, std::string& error);

 private:
  bool active_ = false;
  PsdRect rect_;
  float outside_ = 1;
  std::unique_ptr<LayerChannelRows> rows_;  // null: the mask is its default colour throughout
  int64_t next_row_ = 0;                    // the mask row the channel reads next
  std::vector<float> row_;
};

}  // namespace zen
