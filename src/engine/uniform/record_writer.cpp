#include "engine/uniform/record_writer.h"

#include <algorithm>
#include <cstring>

namespace tallyscan {

RecordWriter::RecordWriter(RecordType type) : layout_(&LayoutOf(type)) {
  blank_.assign(static_cast<std::size_t>(layout_->full_width), ' ');
  blank_.replace(0, std::min<std::size_t>(4, blank_.size()), layout_->code.substr(0, 4));
  int last_code = 0;
  first_code_ = 0;
  for (const FieldLayout& field : layout_->fields) {
    if (field.code == 0) continue;
    if (first_code_ == 0 || field.code < first_code_) first_code_ = field.code;
    last_code = std::max(last_code, field.code);
  }
  if (first_code_ != 0) {
    by_code_.assign(static_cast<std::size_t>(last_code - first_code_ + 1), nullptr);
    for (const FieldLayout& field : layout_->fields) {
      if (field.code != 0) by_code_[static_cast<std::size_t>(field.code - first_code_)] = &field;
    }
  }
  line_ = blank_;
}

void RecordWriter::Reset() {
  // Same size as before, so this copies bytes without allocating.
  line_.assign(blank_);
  fitted_ = true;
}

const FieldLayout* RecordWriter::Field(int code) {
  const int index = code - first_code_;
  if (first_code_ == 0 || index < 0 || index >= static_cast<int>(by_code_.size()) ||
      by_code_[static_cast<std::size_t>(index)] == nullptr) {
    fitted_ = false;
    return nullptr;
  }
  return by_code_[static_cast<std::size_t>(index)];
}

RecordWriter& RecordWriter::SetText(int code, std::string_view bytes) {
  const FieldLayout* field = Field(code);
  if (field == nullptr) return *this;
  const std::size_t width = static_cast<std::size_t>(field->width);
  if (bytes.size() > width) fitted_ = false;
  const std::size_t n = std::min(bytes.size(), width);
  char* out = line_.data() + field->start - 1;
  if (n > 0) std::memcpy(out, bytes.data(), n);  // an empty view may hold no address
  std::memset(out + n, ' ', width - n);
  return *this;
}

RecordWriter& RecordWriter::SetTextRight(int code, std::string_view bytes) {
  const FieldLayout* field = Field(code);
  if (field == nullptr) return *this;
  const std::size_t width = static_cast<std::size_t>(field->width);
  if (bytes.size() > width) fitted_ = false;
  const std::size_t n = std::min(bytes.size(), width);
  char* out = line_.data() + field->start - 1;
  std::memset(out, ' ', width - n);
  if (n > 0) std::memcpy(out + (width - n), bytes.data(), n);
  return *this;
}

void RecordWriter::PutDigits(char* end, int width, std::uint64_t value) {
  for (int i = 0; i < width; ++i) {
    *--end = static_cast<char>('0' + value % 10);
    value /= 10;
  }
}

namespace {
bool FitsDigits(std::uint64_t value, int width) {
  for (int i = 0; i < width && value != 0; ++i) value /= 10;
  return value == 0;
}
}  // namespace

RecordWriter& RecordWriter::SetDigits(int code, std::int64_t value) {
  const FieldLayout* field = Field(code);
  if (field == nullptr) return *this;
  if (value < 0 || !FitsDigits(static_cast<std::uint64_t>(value), field->width)) {
    fitted_ = false;
    return *this;
  }
  PutDigits(line_.data() + field->start - 1 + field->width, field->width,
            static_cast<std::uint64_t>(value));
  return *this;
}

RecordWriter& RecordWriter::SetAmount(int code, std::int64_t value) {
  const FieldLayout* field = Field(code);
  if (field == nullptr) return *this;
  // Magnitude computed in unsigned arithmetic so that the most negative value is safe.
  const std::uint64_t magnitude = value < 0 ? std::uint64_t{0} - static_cast<std::uint64_t>(value)
                                            : static_cast<std::uint64_t>(value);
  if (field->width < 2 || !FitsDigits(magnitude, field->width - 1)) {
    fitted_ = false;
    return *this;
  }
  char* out = line_.data() + field->start - 1;
  out[0] = value < 0 ? '-' : '+';
  PutDigits(out + field->width, field->width - 1, magnitude);
  return *this;
}

RecordWriter& RecordWriter::SetRaw(int position, std::string_view bytes) {
  if (position < 1) {
    fitted_ = false;
    return *this;
  }
  const std::size_t begin = static_cast<std::size_t>(position - 1);
  if (begin >= line_.size()) {
    if (!bytes.empty()) fitted_ = false;
    return *this;
  }
  const std::size_t n = std::min(bytes.size(), line_.size() - begin);
  if (n < bytes.size()) fitted_ = false;
  if (n > 0) std::memcpy(line_.data() + begin, bytes.data(), n);
  return *this;
}

int IdCheckDigit(std::string_view first_eight) {
  if (first_eight.size() != 8) return -1;
  int sum = 0;
  for (std::size_t i = 0; i < 8; ++i) {
    const char c = first_eight[i];
    if (c < '0' || c > '9') return -1;
    int d = c - '0';
    if (i % 2 == 1) {  // the 2nd, 4th ... digit from the left is doubled
      d *= 2;
      if (d > 9) d = d % 10 + 1;
    }
    sum += d;
  }
  // The ninth digit has weight 1.
  return (10 - sum % 10) % 10;
}

}  // namespace tallyscan
