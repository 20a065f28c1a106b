#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "pelt/value/variant.h"

namespace pelt::web {

// How pelt.mjs hands over one JavaScript value; it sorts the values by the
// field's type as the Python package sorts Python's (see pelt.mjs).
enum class CellKind : std::uint8_t {
  kNull,
  kFalse,
  kTrue,
  kSmallInteger,  // a whole number of a SmallInteger field
  kInteger,       // a whole number of another field
  kDouble,
  kText,
  kDate,  // milliseconds since 1970 on the wall clock
};

// The cells of a batch of rows, packed by pelt.mjs straight into the
// module's memory: a kind and a number per cell, and the texts one after
// another in UTF-8 (which the browser encodes fastest), with the end of each
// cell's text in UTF-16 units.
class CellBatch {
 public:
  // text_bytes: room for the UTF-8 of all the texts.
  void Resize(std::size_t cells, std::size_t text_bytes);
  // Takes the first text_bytes of the UTF-8 written as the batch's texts.
  void TakeText(std::size_t text_bytes);
  std::uintptr_t KindsAddress() { return reinterpret_cast<std::uintptr_t>(kinds_.data()); }
  std::uintptr_t NumbersAddress() { return reinterpret_cast<std::uintptr_t>(numbers_.data()); }
  std::uintptr_t TextEndsAddress() { return reinterpret_cast<std::uintptr_t>(text_ends_.data()); }
  std::uintptr_t TextAddress() { return reinterpret_cast<std::uintptr_t>(utf8_.data()); }
  // The feature id of each row, when the rows have them.
  std::uintptr_t FidsAddress() { return reinterpret_cast<std::uintptr_t>(fids_.data()); }
  void ResizeFids(std::size_t rows) { fids_.resize(rows); }
  double Fid(std::size_t row) const { return fids_[row]; }

  // The cell's value into out; a text keeps out's storage when out held text.
  void ReadInto(std::size_t cell, value::Variant& out) const;

 private:
  std::vector<std::uint8_t> kinds_;
  std::vector<double> numbers_;
  std::vector<std::uint32_t> text_ends_;
  std::string utf8_;
  std::u16string text_;
  std::vector<double> fids_;
};

// One value given on its own (a reserved word, format's value).
value::Variant CellValue(CellKind kind, double number, std::u16string_view text);

}  // namespace pelt::web
