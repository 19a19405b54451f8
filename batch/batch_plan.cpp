#include "batch/batch_plan.h"

#include <fstream>
#include <iterator>

#include "imaging/codecs.h"
#include "planning/plan_json.h"
#include "planning/plan_picture.h"
#include "platform/text.h"

namespace zen::batch {
namespace {

std::string PathText(const std::u16string& path) { return ToUtf8(path); }

std::string FileWhere(const PlanProblem& p) {
  return "run " + std::to_string(p.run + 1) + ", file " + std::to_string(p.index + 1) + " (" + PathText(p.path) + ")";
}

// "name.png" -> "name-2.png"; a name without an extension gets the number at its end.
std::string NumberedPath(const std::string& path, size_t number) {
  const size_t slash = path.rfind('/');
  const size_t dot = path.rfind('.');
  const bool has_extension = dot != std::string::npos && (slash == std::string::npos || dot > slash);
  const std::string stem = has_extension ? path.substr(0, dot) : path;
  return stem + "-" + std::to_string(number) + (has_extension ? path.substr(dot) : "");
}

bool SavePicture(const NativeImage& picture, const std::string& path) {
  const ImageId image = static_cast<ImageId>(ImageCreate(AnyNumber, picture.width, picture.height));
  NativeImage* target = ImageNativeObject(image);
  if (!target) return false;
  std::copy(picture.pixels.get(), picture.pixels.get() + picture.ByteCount(), target->pixels.get());
  const bool saved = ImageSave(image, FromUtf8(path), CodecPng, 7, -1) != 0;
  ImageFree(image);
  return saved;
}

}  // namespace

std::optional<CutPlan> ReadPlanFile(const std::string& file, std::FILE* err) {
  std::ifstream in(file, std::ios::binary);
  if (!in) {
    std::fprintf(err, "zentrova-slice: option --cuts: cannot read %s\n", file.c_str());
    return std::nullopt;
  }
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  PlanReading reading = PlanFromJson(text);
  if (!reading.plan) std::fprintf(err, "zentrova-slice: plan %s: %s\n", file.c_str(), reading.problem.c_str());
  return std::move(reading.plan);
}

std::string PlanProblemText(const PlanProblem& p) {
  switch (p.kind) {
    case PlanProblemKind::OtherFiles:
      return FileWhere(p) + " is not the source in its place (other files, or another order)";
    case PlanProblemKind::ExtraFile: return "the sources hold " + PathText(p.path) + ", which the plan does not list";
    case PlanProblemKind::FileTwice: return FileWhere(p) + " is listed twice";
    case PlanProblemKind::FoldersMixed: return FileWhere(p) + " lies in another folder than its run's first file";
    case PlanProblemKind::Unreadable: return FileWhere(p) + ": its size cannot be read";
    case PlanProblemKind::OtherRows:
      return FileWhere(p) + " has " + std::to_string(p.found) + " rows as cut, the plan says " +
             std::to_string(p.planned);
    case PlanProblemKind::PieceTooTall:
      return "run " + std::to_string(p.run + 1) + ", piece " + std::to_string(p.index + 1) + " is " +
             std::to_string(p.planned) + " rows, more than its format holds (" + std::to_string(p.found) + ")";
    case PlanProblemKind::None: break;
  }
  return "fits";
}

bool WritePreview(const std::vector<ReducedCopy>& copies, const CutPlan& plan, const std::string& path,
                  std::FILE* err) {
  bool written = true;
  for (size_t run = 0; run < plan.runs.size() && run < copies.size(); ++run) {
    const std::string name = run == 0 ? path : NumberedPath(path, run + 1);  // FILE, FILE-2, ...
    const std::unique_ptr<NativeImage> reduced = copies[run].Picture();
    const std::unique_ptr<NativeImage> picture =
        reduced ? DrawPlanPicture(*reduced, copies[run].factor(), plan.runs[run], FirstPieceNumber(plan, run))
                : nullptr;
    if (!picture || !SavePicture(*picture, name)) {
      std::fprintf(err, "zentrova-slice: could not write %s\n", name.c_str());
      written = false;
    }
  }
  return written;
}

}  // namespace zen::batch
