#pragma once
// The layers as Photoshop stacks them: groups (opened by their end marker, closed by the
// group's own record, bottom layer first in the file) and clipping runs (layers clipped to
// the nearest unclipped layer below them). Hidden layers are left out; what cannot be drawn
// exactly among the layers that show is returned as a refusal.
#include <cstdint>
#include <string>
#include <vector>

#include "converter/psd_layer_records.h"

namespace zen {

struct LayerNode {
  const PsdLayerRecord* record = nullptr;  // null for the document itself
  std::vector<LayerNode> children;         // a group's members, bottom first
  std::vector<LayerNode> clipped;          // layers clipped to this one, bottom first
  bool IsGroup() const { return record == nullptr || record->group != PsdGroupMarker::None; }
};

// The visible tree under root. False with error for records that do not nest; false with
// refusal (error left empty) for a visible layer the converter cannot draw exactly.
bool BuildLayerTree(const std::vector<PsdLayerRecord>& records, const PsdHeader& header, LayerNode& root,
                    std::string& refusal, std::string& error);

// Whether a layer carries pixels of its own (a non-empty rectangle with colour channels).
bool LayerHasPixels(const PsdLayerRecord& record);

}  // namespace zen
