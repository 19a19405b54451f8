#include "planning/plan_json.h"

#include "platform/json.h"
#include "platform/text.h"

namespace zen {
namespace {

using Type = JsonValue::Type;

std::string FileJson(const PlanFile& file) {
  return "{\"path\": " + JsonString(file.path) + ", \"top\": " + std::to_string(file.top) +
         ", \"rows\": " + std::to_string(file.rows) + ", \"width\": " + std::to_string(file.width) + "}";
}

std::string CutJson(const PlanCut& cut) {
  std::string band = "null";
  if (!cut.band.Empty()) band = "[" + std::to_string(cut.band.top) + ", " + std::to_string(cut.band.bottom) + "]";
  return "{\"row\": " + std::to_string(cut.row) + ", \"kind\": \"" + std::string(CutKindName(cut.kind)) +
         "\", \"band\": " + band + "}";
}

template <typename Item, typename ToJson>
std::string ListJson(const std::vector<Item>& items, ToJson to_json) {
  std::string out = "[";
  for (size_t i = 0; i < items.size(); ++i) out += (i ? ", " : "") + to_json(items[i]);
  return out + "]";
}

// "run 2, cut 3: " and the like, counting from 1 as a reader does.
std::string Where(size_t run, const char* what = nullptr, size_t index = 0) {
  std::string where = "run " + std::to_string(run + 1);
  if (what) where += std::string(", ") + what + " " + std::to_string(index + 1);
  return where + ": ";
}

bool ReadFile(const JsonValue& item, PlanRun& run, int64_t& list_row, std::string& problem, const std::string& where) {
  const JsonValue* path = item.Find("path");
  const JsonValue* rows = item.Find("rows");
  if (!path || path->type != Type::String || path->text.empty()) {
    problem = where + "no \"path\"";
    return false;
  }
  if (!rows || !rows->Integer() || *rows->Integer() <= 0) {
    problem = where + "\"rows\" is not a whole number above 0";
    return false;
  }
  const JsonValue* width = item.Find("width");
  const int64_t w = width && width->Integer() ? *width->Integer() : 0;
  run.files.push_back(
      PlanFile{list_row++, FromUtf8(path->text), run.Rows(), *rows->Integer(), static_cast<int32_t>(w)});
  return true;
}

bool ReadCut(const JsonValue& item, PlanRun& run, std::string& problem, const std::string& where) {
  const JsonValue* row = item.Find("row");
  if (!row || !row->Integer()) {
    problem = where + "\"row\" is not a whole number";
    return false;
  }
  PlanCut cut{*row->Integer(), CutKind::Fixed, {}};
  if (const JsonValue* kind = item.Find("kind"); kind && kind->type != Type::Null) {
    const std::optional<CutKind> named = kind->type == Type::String ? CutKindFromName(kind->text) : std::nullopt;
    if (!named) {
      problem = where + "\"kind\" is not gutter, forced, fixed or end";
      return false;
    }
    cut.kind = *named;
  }
  if (const JsonValue* band = item.Find("band"); band && band->items.size() == 2) {
    cut.band = PlanBand{band->items[0].Integer().value_or(0), band->items[1].Integer().value_or(0)};
  }
  const int64_t previous = run.cuts.empty() ? 0 : run.cuts.back().row;
  if (cut.row <= previous) {
    problem = where + "row " + std::to_string(cut.row) + " is not below the cut before it (row " +
              std::to_string(previous) + ")";
    return false;
  }
  if (cut.row > run.Rows()) {
    problem = where + "row " + std::to_string(cut.row) + " lies past the end of the run (" +
              std::to_string(run.Rows()) + " rows)";
    return false;
  }
  run.cuts.push_back(cut);
  return true;
}

bool ReadRun(const JsonValue& item, size_t index, CutPlan& plan, int64_t& list_row, std::string& problem) {
  const JsonValue* files = item.Find("files");
  const JsonValue* cuts = item.Find("cuts");
  if (!files || files->type != Type::Array || files->items.empty()) {
    problem = Where(index) + "no \"files\" list";
    return false;
  }
  if (!cuts || cuts->type != Type::Array) {
    problem = Where(index) + "no \"cuts\" list";
    return false;
  }
  PlanRun& run = plan.runs.emplace_back();
  for (size_t f = 0; f < files->items.size(); ++f) {
    if (!ReadFile(files->items[f], run, list_row, problem, Where(index, "file", f))) return false;
  }
  for (size_t c = 0; c < cuts->items.size(); ++c) {
    if (!ReadCut(cuts->items[c], run, problem, Where(index, "cut", c))) return false;
  }
  if (run.cuts.empty() || run.cuts.back().row < run.Rows()) run.cuts.push_back(PlanCut{run.Rows(), CutKind::End, {}});
  return true;
}

}  // namespace

std::string PlanRunsJson(const CutPlan& plan) {
  return ListJson(plan.runs, [](const PlanRun& run) {
    return "{\"files\": " + ListJson(run.files, FileJson) + ", \"cuts\": " + ListJson(run.cuts, CutJson) + "}";
  });
}

PlanReading PlanFromJson(std::string_view text) {
  PlanReading reading;
  const JsonResult json = ParseJson(text);
  if (!json.value) {
    reading.problem = "not JSON (at byte " + std::to_string(json.error_offset) + ")";
    return reading;
  }
  const JsonValue* runs = json.value->Find("runs");
  if (!runs || runs->type != Type::Array || runs->items.empty()) {
    reading.problem = "no \"runs\" list";
    return reading;
  }
  CutPlan plan;
  int64_t list_row = 0;
  for (size_t r = 0; r < runs->items.size(); ++r) {
    if (!ReadRun(runs->items[r], r, plan, list_row, reading.problem)) return reading;
  }
  reading.plan = std::move(plan);
  return reading;
}

}  // namespace zen
