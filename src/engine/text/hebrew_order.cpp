#include "engine/text/hebrew_order.h"

#include <cstddef>

namespace tallyscan {

namespace {

constexpr unsigned char kDosAlef = 0x80;
constexpr unsigned char kWindowsAlef = 0xE0;
constexpr unsigned char kLetterCount = 27;  // alef to tav, final forms included
constexpr unsigned char kCodePageShift = kWindowsAlef - kDosAlef;

unsigned char Byte(char c) { return static_cast<unsigned char>(c); }
bool IsHigh(char c) { return Byte(c) > 127; }
bool IsOpening(char c) { return c == '(' || c == '{' || c == '[' || c == '<'; }
bool IsClosing(char c) { return c == ')' || c == '}' || c == ']' || c == '>'; }

// A bracket pair enclosing Hebrew is stored the other way round in visual text. Pairs are
// taken left to right, an opening bracket with the first closing bracket after it,
// whatever their kinds.
void MirrorBrackets(std::string& text) {
  const std::size_t n = text.size();
  std::size_t pos = 0;
  while (pos < n) {
    std::size_t p = pos;
    while (p < n && !IsOpening(text[p])) ++p;
    if (p == n) return;
    std::size_t q = p + 1;
    bool high_inside = false;
    for (; q < n && !IsClosing(text[q]); ++q) {
      if (IsHigh(text[q])) high_inside = true;
    }
    if (q == n) return;
    if (high_inside) std::swap(text[p], text[q]);
    pos = q + 1;
  }
}

// A run of digits or Latin text carries its minus sign on the other side in the other form.
void AppendWithMinusMoved(std::string& out, std::string_view run) {
  if (run.size() > 1 && run.front() == '-') {
    out.append(run.substr(1)).push_back('-');
  } else if (run.size() > 1 && run.back() == '-') {
    out.push_back('-');
    out.append(run.substr(0, run.size() - 1));
  } else {
    out.append(run);
  }
}

// Consecutive non-Hebrew segments form one left-to-right group: the group keeps its inner
// order, each run gets its minus moved, and the spaces that end the group (those next to
// the Hebrew that precedes it in reading order) come first.
void AppendLatinGroup(std::string& out, std::string_view group) {
  const std::size_t last = group.find_last_not_of(' ');
  const std::size_t body = last == std::string_view::npos ? 0 : last + 1;
  out.append(group.size() - body, ' ');
  std::size_t i = 0;
  while (i < body) {
    std::size_t j = i;
    if (group[i] == ' ') {
      while (j < body && group[j] == ' ') ++j;
      out.append(group.substr(i, j - i));
    } else {
      while (j < body && group[j] != ' ') ++j;
      AppendWithMinusMoved(out, group.substr(i, j - i));
    }
    i = j;
  }
}

}  // namespace

std::string ConvertHebrew(std::string_view text, HebrewDirection direction) {
  if (text.find_first_not_of(' ') == std::string_view::npos) return std::string(text);

  const bool to_windows = direction == HebrewDirection::kToWindows;
  const unsigned char source_alef = to_windows ? kDosAlef : kWindowsAlef;
  const auto is_source_letter = [source_alef](char c) {
    return Byte(c) >= source_alef && Byte(c) < source_alef + kLetterCount;
  };
  bool has_letter = false;
  for (const char c : text) {
    if (is_source_letter(c)) {
      has_letter = true;
      break;
    }
  }
  if (!has_letter) return std::string(text);

  std::string work(text);
  MirrorBrackets(work);
  const std::string_view w = work;

  // Segments are taken from the end: a run of one class (Hebrew: high bytes; otherwise:
  // bytes up to 127) with the spaces that follow it. A Hebrew segment is written reversed;
  // non-Hebrew segments are gathered into groups that keep their left-to-right order.
  std::string out;
  out.reserve(w.size());
  std::size_t end = w.size();
  std::size_t group_begin = end;  // pending group [group_begin, group_end)
  std::size_t group_end = end;
  const auto flush_group = [&] {
    if (group_begin < group_end)
      AppendLatinGroup(out, w.substr(group_begin, group_end - group_begin));
    group_begin = group_end = end;
  };
  while (end > 0) {
    std::size_t run_end = end;
    while (run_end > 0 && w[run_end - 1] == ' ') --run_end;
    if (run_end == 0) {
      // Spaces that begin the text end the visual line, whatever precedes them here.
      flush_group();
      out.append(w.substr(0, end));
      break;
    }
    const bool hebrew = IsHigh(w[run_end - 1]);
    std::size_t run_begin = run_end;
    while (run_begin > 0 && w[run_begin - 1] != ' ' && IsHigh(w[run_begin - 1]) == hebrew) {
      --run_begin;
    }
    if (hebrew) {
      flush_group();
      for (std::size_t i = end; i > run_begin; --i) {
        const char c = w[i - 1];
        if (!is_source_letter(c)) {
          out.push_back(c);
        } else if (to_windows) {
          out.push_back(static_cast<char>(Byte(c) + kCodePageShift));
        } else {
          out.push_back(static_cast<char>(Byte(c) - kCodePageShift));
        }
      }
    } else {
      if (group_begin == group_end) group_end = end;
      group_begin = run_begin;
    }
    end = run_begin;
  }
  flush_group();
  return out;
}

}  // namespace tallyscan
