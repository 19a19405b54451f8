#include "converter/conversion.h"

#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <memory>
#include <vector>

#include "converter/bmp_writer.h"
#include "converter/byte_source.h"
#include "converter/converter_paths.h"
#include "converter/image_probe.h"
#include "converter/strip_plan.h"
#include "interchange/converter_status.h"

namespace zen {
namespace {

bool OpenSource(const std::string& path, FileByteSource& file, std::string& error) {
  if (file.Open(path)) return true;
  error = "cannot open " + path + ": " + std::strerror(errno);
  return false;
}

// Streams `count` rows from the source into a new BMP at path, each decoded straight
// into the writer's buffer.
bool WriteBmp(RowSource& rows, uint32_t count, const std::string& path, std::string& error) {
  BmpFileWriter writer;
  if (!writer.Open(path, rows.Width(), count)) {
    error = writer.Error();
    return false;
  }
  for (uint32_t done = 0; done < count; ++done) {
    uint8_t* row = writer.NextRow();
    if (!row) {
      error = writer.Error();
      return false;
    }
    if (!rows.ReadRow(row)) {
      error = rows.Error();
      return false;
    }
    writer.RowFilled();
  }
  if (!writer.Finish()) {
    error = writer.Error();
    return false;
  }
  return true;
}

std::string SizeText(const RowSource& rows) {
  return std::to_string(rows.Width()) + "x" + std::to_string(rows.Height());
}

bool ConvertWholeUnguarded(const std::string& source, const std::string& target, const ConverterLog& log,
                           std::string& error) {
  FileByteSource file;
  if (!OpenSource(source, file, error)) return false;
  std::unique_ptr<RowSource> rows = OpenImageRows(file, error);
  if (!rows) return false;
  log.Line("converting " + source + " (" + SizeText(*rows) + ") to " + target);
  return WriteBmp(*rows, rows->Height(), target, error);
}

bool ConvertSlicesUnguarded(const std::string& source, const std::string& folder, const ConverterLog& log,
                            std::string& error) {
  FileByteSource file;
  if (!OpenSource(source, file, error)) return false;
  std::unique_ptr<RowSource> rows = OpenImageRows(file, error);
  if (!rows) return false;
  std::array<uint32_t, StripCount> plan{};
  if (!PlanStrips(rows->Height(), plan, error)) return false;
  log.Line("cutting " + source + " (" + SizeText(*rows) + ") into " + std::to_string(StripCount) + " strips of " +
           std::to_string(plan.back()) + " to " + std::to_string(plan.front()) + " rows");
  for (int i = 0; i < StripCount; ++i) {
    if (!WriteBmp(*rows, plan[i], StripOutputPath(folder, source, i), error)) return false;
  }
  return true;
}

// Runs a conversion, turning an allocation failure into an error message.
template <typename Step>
bool Guarded(Step step, std::string& error) {
  try {
    return step();
  } catch (const std::bad_alloc&) {
    error = "out of memory";
  } catch (const std::length_error&) {
    error = "out of memory";
  }
  return false;
}

}  // namespace

void ConverterLog::Line(const std::string& text) const {
  if (!out) return;
  std::fprintf(out, "%s%s\n", std::string(kConverterLogStart).c_str(), text.c_str());
  std::fflush(out);
}

bool PrintImageSize(const std::string& source, std::FILE* out, std::string& error) {
  FileByteSource file;
  if (!OpenSource(source, file, error)) return false;
  uint32_t width = 0;
  uint32_t height = 0;
  if (!ProbeImageSize(file, width, height, error)) return false;
  std::fprintf(out, "[IMAGE SIZE]%ux%u\n", width, height);
  std::fflush(out);
  return true;
}

bool ConvertWhole(const std::string& source, const std::string& folder, const ConverterLog& log, std::string& error) {
  std::string target = WholeOutputPath(folder, source);
  bool ok = Guarded([&] { return ConvertWholeUnguarded(source, target, log, error); }, error);
  if (!ok) unlink(target.c_str());
  return ok;
}

bool ConvertSlices(const std::string& source, const std::string& folder, const ConverterLog& log, std::string& error) {
  bool ok = Guarded([&] { return ConvertSlicesUnguarded(source, folder, log, error); }, error);
  if (!ok) {
    for (int i = 0; i < StripCount; ++i) unlink(StripOutputPath(folder, source, i).c_str());
  }
  return ok;
}

}  // namespace zen
