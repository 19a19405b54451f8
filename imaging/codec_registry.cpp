// The codec lists and the two entry points that use them: ImageLoad and ImageSave.
#include "imaging/codec_registry.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <new>

#include <sys/stat.h>

#include "imaging/image_store.h"
#include "platform/text.h"

namespace zen {
namespace {

constexpr std::array<int, 7> kAllowedDepths = {1, 2, 4, 8, 16, 24, 32};

// Finds the decoder that accepts the input; the state then describes the image.
const DecoderEntry* ProbeInput(DecodeState& state) {
  for (const DecoderEntry& entry : TheCodecRegistry().decoders) {
    if (!state.Rewind()) return nullptr;
    state.ClearPrivate();
    state.width = 0;
    state.height = 0;
    state.bits_per_pixel = 24;
    state.file_depth = 24;
    state.frame_count = 1;
    state.least_input_size = 0;
    if (entry.probe(state)) {
      state.failure = LoadFailure::None;  // an earlier probe's complaint is not this one's
      return &entry;
    }
    state.ClearPrivate();
  }
  return nullptr;
}

// The store a load creates, or null with the reason in the state.
ImageRecord* CreateForLoad(ImageId number, DecodeState& state, std::intptr_t* result) {
  const uint64_t limit = TheCodecRegistry().pixel_limit;
  const bool too_many = limit != 0 && state.width > 0 && state.height > 0 &&
                        static_cast<uint64_t>(state.width) * static_cast<uint64_t>(state.height) > limit;
  // A header claiming more than its file can hold is refused before any memory is taken,
  // and as refused sizes do, the number empties (AnyNumber would mean every image here).
  const bool lying = state.least_input_size > state.InputSize();
  if (too_many || lying) {
    if (number != AnyNumber) ImageFree(number);
    state.failure = lying ? LoadFailure::Damaged : LoadFailure::TooLarge;
    return nullptr;
  }
  if (state.width == 0 || state.height == 0) {
    state.failure = LoadFailure::Damaged;
    return nullptr;
  }
  ImageRecord* record = CreateImageRecord(number, state.width, state.height, ImageFill::None, 0, result);
  if (!record) state.failure = LoadFailure::TooLarge;
  return record;
}

// Steps 2 to 7 of a load over an input the state already holds. Image data that is
// damaged or cut short fails the load, rather than passing for a page with blank rows.
std::intptr_t LoadFromState(ImageId number, DecodeState& state) {
  std::intptr_t result = 0;
  ImageRecord* record = BeginLoad(number, state, &result);
  if (record) {
    const int32_t rows = state.decoder->decode(state, *record->native);
    if (rows < record->native->height) state.failure = LoadFailure::Damaged;
  }
  EndLoad(number, state, record ? result : 0);
  return record && state.failure == LoadFailure::None ? result : 0;
}

// Opens the file for a load; the reason when it cannot be.
LoadFailure OpenInput(DecodeState& state, std::u16string_view path) {
  if (path.empty()) return LoadFailure::Missing;
  state.path = ToUtf8(path);
  state.file = std::fopen(state.path.c_str(), "rb");
  if (state.file) return LoadFailure::None;
  return errno == ENOENT || errno == ENOTDIR ? LoadFailure::Missing : LoadFailure::NotReadable;
}

void CloseInput(DecodeState& state) {
  if (state.file) std::fclose(state.file);
  state.file = nullptr;
}

const EncoderEntry* FindEncoder(uint32_t codec) {
  for (const EncoderEntry& entry : TheCodecRegistry().encoders) {
    if (entry.id == codec) return &entry;
  }
  return nullptr;
}

}  // namespace

CodecRegistry& TheCodecRegistry() {
  static CodecRegistry registry;
  return registry;
}

void AddDecoder(const DecoderEntry& entry) {
  auto& list = TheCodecRegistry().decoders;
  for (const auto& e : list) {
    if (e.id == entry.id) return;
  }
  list.push_back(entry);
}

void AddEncoder(const EncoderEntry& entry) {
  auto& list = TheCodecRegistry().encoders;
  for (const auto& e : list) {
    if (e.id == entry.id) return;
  }
  list.push_back(entry);
}

void ResetCodecs() {
  CodecRegistry& registry = TheCodecRegistry();
  registry.decoders.clear();
  registry.encoders.clear();
  registry.decode.ClearPrivate();
  registry.pixel_limit = kDefaultPixelLimit;
}

void RegisterBmpCodec() {
  AddDecoder(BmpDecoderEntry());
  AddEncoder(BmpEncoderEntry());
}
void RegisterPngDecoder() { AddDecoder(PngDecoderEntry()); }
void RegisterPngEncoder() { AddEncoder(PngEncoderEntry()); }
void RegisterJpegCodec() {
  AddDecoder(JpegDecoderEntry());
  AddEncoder(JpegEncoderEntry());
}
void RegisterAllCodecs() {
  RegisterBmpCodec();
  RegisterPngDecoder();
  RegisterPngEncoder();
  RegisterJpegCodec();
}

ImageRecord* BeginLoad(ImageId number, DecodeState& state, std::intptr_t* result) {
  state.failure = LoadFailure::None;
  const DecoderEntry* decoder = ProbeInput(state);
  state.decoder = decoder;
  if (!decoder) {
    if (state.failure == LoadFailure::None) state.failure = LoadFailure::NotAnImage;
    return nullptr;
  }
  ImageRecord* record = CreateForLoad(number, state, result);
  if (record) {
    record->file_depth = state.file_depth;
    record->codec_id = decoder->id;
    record->frame_count = state.frame_count;
  }
  return record;
}

void EndLoad(ImageId number, DecodeState& state, std::intptr_t result) {
  if (state.decoder) state.decoder->close(state);
  state.ClearPrivate();
  state.decoder = nullptr;
  if (result != 0 && state.failure != LoadFailure::None) ImageFree(number == AnyNumber ? result : number);
}

// --- loading rows a batch at a time --------------------------------------------

RowLoad::RowLoad() = default;
RowLoad::~RowLoad() { End(); }

void RowLoad::End() {
  if (!state_) return;
  EndLoad(number_, *state_, 0);
  CloseInput(*state_);
  state_.reset();
}

bool RowLoad::Begin(ImageId number, std::u16string_view path, LoadFailure* failure) {
  End();
  number_ = number;
  result_ = 0;
  done_ = 0;
  height_ = 0;
  state_ = std::make_unique<DecodeState>();
  failure_ = OpenInput(*state_, path);
  ImageRecord* record = failure_ == LoadFailure::None ? BeginLoad(number, *state_, &result_) : nullptr;
  if (record) {
    store_ = record->native.get();
    height_ = record->native->height;
  } else if (failure_ == LoadFailure::None) {
    failure_ = state_->failure;
  }
  if (failure) *failure = failure_;
  if (!record) End();
  return record != nullptr;
}

bool RowLoad::Continue(int32_t rows) {
  if (!state_) return Complete();
  // The image may have been freed (or another made under its number) since: not ours to fill.
  ImageRecord* record = FindImage(number_ == AnyNumber ? result_ : number_);
  if (!record || record->native.get() != store_) {
    End();
    return false;
  }
  const bool decoded = Decode(rows);
  if (!decoded || Complete()) Conclude();
  return decoded;
}

bool RowLoad::Decode(int32_t rows) {
  if (!state_ || failure_ != LoadFailure::None) return failure_ == LoadFailure::None && Complete();
  const DecoderEntry& decoder = *state_->decoder;
  const int32_t until = decoder.decode_rows ? std::clamp(rows, done_, height_) : height_;
  if (until <= done_) return true;
  const int32_t got =
      decoder.decode_rows ? decoder.decode_rows(*state_, *store_, until) : decoder.decode(*state_, *store_);
  if (got < until && state_->failure == LoadFailure::None) state_->failure = LoadFailure::Damaged;
  failure_ = state_->failure;
  if (failure_ == LoadFailure::None) done_ = std::min(got, height_);
  return failure_ == LoadFailure::None;
}

void RowLoad::Conclude() {
  if (!state_) return;
  EndLoad(number_, *state_, failure_ != LoadFailure::None ? result_ : 0);
  CloseInput(*state_);
  state_.reset();
}

// --- the decode state --------------------------------------------------------

bool DecodeState::Rewind() {
  memory_position = 0;
  return !file || std::fseek(file, 0, SEEK_SET) == 0;
}

uint64_t DecodeState::InputSize() const {
  if (!file) return memory_size;
  struct stat info {};
  return fstat(fileno(file), &info) == 0 && info.st_size > 0 ? static_cast<uint64_t>(info.st_size) : 0;
}

size_t DecodeState::Read(void* out, size_t count) {
  if (file) return std::fread(out, 1, count, file);
  const size_t left = memory_size - memory_position;
  if (count > left) count = left;
  if (count) std::memcpy(out, memory + memory_position, count);
  memory_position += count;
  return count;
}

std::span<const uint8_t> DecodeState::WholeInput() {
  if (!whole.empty()) return whole;
  if (!file) {
    whole = std::span<const uint8_t>(memory, memory_size);
    return whole;
  }
  if (std::fseek(file, 0, SEEK_END) != 0) return {};
  const long size = std::ftell(file);
  if (size <= 0 || std::fseek(file, 0, SEEK_SET) != 0) return {};
  try {
    bytes.resize(static_cast<size_t>(size));
  } catch (const std::exception&) {
    return {};
  }
  bytes.resize(std::fread(bytes.data(), 1, bytes.size(), file));
  whole = std::span<const uint8_t>(bytes.data(), bytes.size());
  return whole;
}

void DecodeState::ClearPrivate() {
  scratch.reset();
  whole = {};
  std::vector<uint8_t>().swap(bytes);
}

// --- loading -----------------------------------------------------------------

std::intptr_t ImageLoad(ImageId number, std::u16string_view path, LoadFailure* failure) {
  LoadFailure ignored = LoadFailure::None;
  LoadFailure& why = failure ? *failure : ignored;
  DecodeState& state = TheCodecRegistry().decode;
  why = OpenInput(state, path);
  if (why != LoadFailure::None) return 0;
  const std::intptr_t result = LoadFromState(number, state);
  CloseInput(state);
  why = state.failure;
  return result;
}

std::intptr_t ImageLoadMemory(ImageId number, const uint8_t* data, size_t size, LoadFailure* failure) {
  DecodeState& state = TheCodecRegistry().decode;
  state.path.clear();
  state.file = nullptr;
  state.memory = data;
  state.memory_size = data ? size : 0;
  state.memory_position = 0;
  const std::intptr_t result = LoadFromState(number, state);
  state.memory = nullptr;
  state.memory_size = 0;
  if (failure) *failure = state.failure;
  return result;
}

// --- saving ------------------------------------------------------------------

// The row buffer is made once here, so handing out rows never allocates.
SaveRows::SaveRows(const NativeImage& image) : image_(image), row_(static_cast<size_t>(image.width) * 4) {}

const uint8_t* SaveRows::Rgb(int32_t y) {
  const auto width = static_cast<size_t>(image_.width);
  const uint8_t* in = image_.Row(y);
  uint8_t* out = row_.data();
  for (size_t i = 0; i < width; ++i, in += 4, out += 3) {
    const uint32_t a = in[3];
    out[0] = OverWhite(in[0], a);
    out[1] = OverWhite(in[1], a);
    out[2] = OverWhite(in[2], a);
  }
  return row_.data();
}

const uint8_t* SaveRows::Rgbx(int32_t y) {
  const auto width = static_cast<size_t>(image_.width);
  const uint8_t* in = image_.Row(y);
  size_t first = OpaquePrefix(in, width);
  if (first == width) return in;
  std::memcpy(row_.data(), in, first * 4);
  for (size_t i = first; i < width; ++i) {
    const uint32_t a = in[i * 4 + 3];
    row_[i * 4] = OverWhite(in[i * 4], a);
    row_[i * 4 + 1] = OverWhite(in[i * 4 + 1], a);
    row_[i * 4 + 2] = OverWhite(in[i * 4 + 2], a);
    row_[i * 4 + 3] = 255;
  }
  return row_.data();
}

int ImageSave(ImageId number, std::u16string_view path, uint32_t codec, int quality, int depth) {
  const ImageRecord* record = FindImage(number);
  return record ? ImageSaveRecord(*record, path, codec, quality, depth) : 0;
}

int ImageSaveRecord(const ImageRecord& record, std::u16string_view path, uint32_t codec, int quality, int depth) {
  if (path.empty() || !record.native) return 0;
  if (depth == -1) depth = record.file_depth;
  bool allowed = false;
  for (int d : kAllowedDepths) allowed = allowed || d == depth;
  if (!allowed) return 0;
  const EncoderEntry* encoder = FindEncoder(codec);
  if (!encoder) return 0;
  const std::string file = ToUtf8(path);
  const NativeImage& image = *record.native;
  try {
    if (depth == 32 && encoder->write32) return encoder->write32(file, image, quality);
    SaveRows rows(image);
    return encoder->write24(file, rows, quality, depth);
  } catch (const std::bad_alloc&) {
    return 0;
  }
}

int FinishWrittenFile(std::FILE* file, const std::string& path) {
  const bool flushed = std::fflush(file) == 0 && !std::ferror(file);
  const bool closed = std::fclose(file) == 0;
  if (flushed && closed) return 1;
  std::remove(path.c_str());
  return 0;
}

void AbandonWrittenFile(std::FILE* file, const std::string& path) {
  if (file) std::fclose(file);
  std::remove(path.c_str());
}

}  // namespace zen
