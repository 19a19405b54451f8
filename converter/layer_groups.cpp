#include "converter/layer_groups.h"

namespace zen {
namespace {

// Photoshop nests groups ten deep; far deeper nesting can only be a damaged file.
constexpr size_t kMaxNesting = 256;

// Moves each clipped layer onto the nearest unclipped one below it; a clipped layer with
// nothing below it stands alone, as Photoshop shows it.
std::vector<LayerNode> GatherClipping(std::vector<LayerNode> stack) {
  std::vector<LayerNode> out;
  for (LayerNode& node : stack) {
    if (node.record->clipped && !out.empty()) {
      out.back().clipped.push_back(std::move(node));
    } else {
      out.push_back(std::move(node));
    }
  }
  return out;
}

// A hidden base hides what is clipped to it; hidden layers and groups show nothing.
void DropHidden(std::vector<LayerNode>& nodes) {
  std::vector<LayerNode> kept;
  for (LayerNode& node : nodes) {
    if (node.record->hidden) continue;
    DropHidden(node.children);
    DropHidden(node.clipped);
    kept.push_back(std::move(node));
  }
  nodes = std::move(kept);
}

std::string Named(const std::string& reason, const PsdLayerRecord& record) {
  return reason + " (layer \"" + record.name + "\")";
}

// What keeps a visible layer from being drawn exactly, or empty.
std::string Obstacle(const LayerNode& node, const PsdHeader& header) {
  const PsdLayerRecord& r = *node.record;
  if (!r.refusal.empty()) return r.refusal;
  const bool pixels = LayerHasPixels(r);
  if (!pixels && r.fill == PsdFillKind::Gradient) return "a gradient fill without pixels";
  if (!pixels && r.fill == PsdFillKind::Pattern) return "a pattern fill without pixels";
  if (r.has_vector_mask && !r.Channel(-2)) {
    return r.fill != PsdFillKind::None && !pixels ? "a vector shape without pixels" : "a vector mask without pixels";
  }
  if (header.mode != PsdRgb && BlendModeIsWholeColour(r.mode)) {
    return std::string("the ") + BlendModeName(r.mode) + " blend mode outside RGB";
  }
  if (r.mode == BlendMode::PassThrough && !node.clipped.empty()) return "a pass-through group as a clipping base";
  // Whether a clipping base's fill also fades what is clipped to it is not settled here.
  if (r.fill_opacity < 255 && !node.clipped.empty()) return "a clipping base with fill opacity below 100%";
  if (r.mode == BlendMode::PassThrough && !node.IsGroup()) return "a layer in pass-through mode";
  return "";
}

bool CheckVisible(const std::vector<LayerNode>& nodes, const PsdHeader& header, std::string& refusal) {
  for (const LayerNode& node : nodes) {
    std::string obstacle = Obstacle(node, header);
    if (!obstacle.empty()) {
      refusal = Named(obstacle, *node.record);
      return false;
    }
    if (!CheckVisible(node.children, header, refusal) || !CheckVisible(node.clipped, header, refusal)) return false;
  }
  return true;
}

}  // namespace

bool LayerHasPixels(const PsdLayerRecord& record) { return !record.rect.Empty() && record.Channel(0) != nullptr; }

bool BuildLayerTree(const std::vector<PsdLayerRecord>& records, const PsdHeader& header, LayerNode& root,
                    std::string& refusal, std::string& error) {
  // Each open group collects its members until its own record arrives.
  std::vector<std::vector<LayerNode>> open(1);
  for (const PsdLayerRecord& record : records) {
    if (record.group == PsdGroupMarker::End) {
      if (open.size() > kMaxNesting) {
        error = "PSD: layer groups nested more than " + std::to_string(kMaxNesting) + " deep";
        return false;
      }
      open.emplace_back();
    } else if (record.group == PsdGroupMarker::None) {
      open.back().push_back(LayerNode{&record, {}, {}});
    } else {
      if (open.size() < 2) {
        error = "PSD: a layer group closes that was never opened";
        return false;
      }
      LayerNode group{&record, GatherClipping(std::move(open.back())), {}};
      open.pop_back();
      open.back().push_back(std::move(group));
    }
  }
  if (open.size() != 1) {
    error = "PSD: a layer group is opened but never closed";
    return false;
  }
  root = LayerNode{nullptr, GatherClipping(std::move(open.back())), {}};
  DropHidden(root.children);
  return CheckVisible(root.children, header, refusal);
}

}  // namespace zen
