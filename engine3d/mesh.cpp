#include "engine3d/mesh.h"

#include <charconv>
#include <cmath>

namespace zen::engine3d {
namespace {

constexpr size_t kMaxLineBytes = 1024;

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

// Splits one line into at most max_fields blank-separated fields; false when it has more.
bool SplitFields(std::string_view line, std::string_view* fields, size_t max_fields, size_t* count) {
  *count = 0;
  size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && IsBlank(line[i])) ++i;
    if (i >= line.size()) break;
    size_t start = i;
    while (i < line.size() && !IsBlank(line[i])) ++i;
    if (*count == max_fields) return false;
    fields[(*count)++] = line.substr(start, i - start);
  }
  return true;
}

bool ParseFloat(std::string_view field, float* out) {
  const char* end = field.data() + field.size();
  auto [ptr, ec] = std::from_chars(field.data(), end, *out);
  return ec == std::errc() && ptr == end && std::isfinite(*out);
}

bool ParseIndex(std::string_view field, uint32_t* out) {
  const char* end = field.data() + field.size();
  auto [ptr, ec] = std::from_chars(field.data(), end, *out);
  return ec == std::errc() && ptr == end;
}

bool ParseVertex(const std::string_view* f, Mesh& mesh) {
  if (mesh.vertices.size() >= kMeshMaxVertices) return false;
  float n[8];
  for (int i = 0; i < 8; ++i) {
    if (!ParseFloat(f[i + 1], &n[i])) return false;
  }
  MeshVertex v;
  v.position = {n[0], n[1], n[2]};
  v.u = n[3];
  v.v = n[4];
  v.normal = Normalised({n[5], n[6], n[7]}, {0, 0, 1});
  mesh.vertices.push_back(v);
  return true;
}

bool ParseTriangle(const std::string_view* f, Mesh& mesh) {
  if (mesh.triangles.size() >= kMeshMaxTriangles) return false;
  std::array<uint32_t, 3> t{};
  for (int i = 0; i < 3; ++i) {
    if (!ParseIndex(f[i + 1], &t[i])) return false;
  }
  mesh.triangles.push_back(t);
  return true;
}

// One line after the header; false when malformed.
bool ParseLine(std::string_view line, Mesh& mesh) {
  size_t first = 0;
  while (first < line.size() && IsBlank(line[first])) ++first;
  if (first == line.size() || line[first] == '#') return true;
  std::string_view f[10];
  size_t count = 0;
  if (!SplitFields(line, f, 10, &count)) return false;
  if (f[0] == "v" && count == 9) return ParseVertex(f, mesh);
  if (f[0] == "t" && count == 4) return ParseTriangle(f, mesh);
  return false;
}

bool IndicesInRange(const Mesh& mesh) {
  for (const auto& t : mesh.triangles) {
    for (uint32_t i : t) {
      if (i >= mesh.vertices.size()) return false;
    }
  }
  return true;
}

}  // namespace

std::optional<Mesh> ParseMesh(std::string_view text) {
  if (text.size() > kMeshMaxFileBytes) return std::nullopt;
  Mesh mesh;
  bool header_seen = false;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(pos, end - pos);
    pos = end + 1;
    if (line.size() > kMaxLineBytes) return std::nullopt;
    if (!header_seen) {
      while (!line.empty() && IsBlank(line.back())) line.remove_suffix(1);
      if (line != "zmesh 1") return std::nullopt;
      header_seen = true;
      continue;
    }
    if (!ParseLine(line, mesh)) return std::nullopt;
  }
  if (!header_seen || !IndicesInRange(mesh)) return std::nullopt;
  return mesh;
}

}  // namespace zen::engine3d
