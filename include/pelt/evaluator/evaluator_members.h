#pragma once

// What expands the rows of evaluator_members.def: a macro applied to each
// parameter of a method, and the C++ types of the kinds the table names.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "pelt/host/host_table.h"
#include "pelt/value/collection.h"

// PELT_FOR_EACH(m, (a, b), (c, d)) is m(a, b), m(c, d): up to eight items.
#define PELT_FOR_EACH(m, ...) __VA_OPT__(PELT_EXPAND(PELT_FOR_EACH_STEP(m, __VA_ARGS__)))
#define PELT_FOR_EACH_STEP(m, item, ...) \
  m item __VA_OPT__(, PELT_FOR_EACH_AGAIN PELT_PARENS(m, __VA_ARGS__))
#define PELT_FOR_EACH_AGAIN() PELT_FOR_EACH_STEP
#define PELT_PARENS ()
#define PELT_EXPAND(...) PELT_EXPAND4(PELT_EXPAND4(__VA_ARGS__))
#define PELT_EXPAND4(...) PELT_EXPAND2(PELT_EXPAND2(__VA_ARGS__))
#define PELT_EXPAND2(...) PELT_EXPAND1(PELT_EXPAND1(__VA_ARGS__))
#define PELT_EXPAND1(...) __VA_ARGS__

// The parts of a (Kind, Parameter) item.
#define PELT_PARAMETER_NAME(kind, name) name
#define PELT_PARAMETER_NAME_TEXT(kind, name) u"" #name

namespace pelt::evaluator {

// Booleans cross the interface as 16-bit values: true is -1, false is 0.
using Boolean = std::int16_t;
inline constexpr Boolean kTrue = -1;
inline constexpr Boolean kFalse = 0;
inline constexpr Boolean ToBoolean(bool b) { return b ? kTrue : kFalse; }

// A caller's collection, shared by reference and only read; may be null.
using CollectionRef = std::shared_ptr<const value::CollectionView>;

// How the C++ class takes each kind of parameter and gives each kind of
// result.
namespace parameter {
using Boolean = evaluator::Boolean;
using Text = std::u16string_view;
using Table = host::HostTable*;
using Row = host::HostRow*;
using Collection = const CollectionRef&;
}  // namespace parameter
namespace result {
using Boolean = evaluator::Boolean;
using Text = std::u16string;
}  // namespace result

}  // namespace pelt::evaluator
