#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "pelt/value/error_code.h"
#include "pelt/value/variant.h"

namespace pelt::value {

// What the component reads of a collection that a caller hands it: items
// by 1-based position or by key. The collection stays the
// caller's; an implementation may fetch an item only when it is asked for,
// and any read may fail (kNone on success).
class CollectionView {
 public:
  virtual ~CollectionView() = default;
  virtual ErrorCode CountItems(std::int32_t& count) const = 0;
  // kSubscriptOutOfRange outside 1..count.
  virtual ErrorCode ReadItemAt(std::int32_t position, Variant& item) const = 0;
  // kInvalidProcedureCall when no item has that key.
  virtual ErrorCode ReadItemByKey(std::u16string_view key, Variant& item) const = 0;
};

// The general-purpose collection: an ordered list of values addressed by
// 1-based position, each optionally stored under a string key. Keys match
// case-insensitively (by case folding) and are unique. A missing key or
// position is an error code, never a crash.
class Collection final : public CollectionView {
 public:
  // Appends item under key (no key when nullopt). kKeyAlreadyAssociated when
  // the key is taken (nothing is added then).
  ErrorCode Add(Variant item, std::optional<std::u16string_view> key = std::nullopt);

  std::int32_t Count() const { return static_cast<std::int32_t>(items_.size()); }

  // Item at a 1-based position; nullptr outside 1..Count().
  const Variant* ItemAt(std::int32_t position) const;
  // Item stored under key; nullptr when no item has that key.
  const Variant* ItemByKey(std::u16string_view key) const;
  // The same item, to change in place (a value that changes per row, say).
  Variant* MutableItemByKey(std::u16string_view key);
  // The key an item was stored under, or nullptr for an item without one.
  const std::u16string* KeyAt(std::int32_t position) const;

  // kSubscriptOutOfRange / kInvalidProcedureCall when there is no such item.
  ErrorCode RemoveAt(std::int32_t position);
  ErrorCode RemoveByKey(std::u16string_view key);
  void Clear();

  ErrorCode CountItems(std::int32_t& count) const override;
  ErrorCode ReadItemAt(std::int32_t position, Variant& item) const override;
  ErrorCode ReadItemByKey(std::u16string_view key, Variant& item) const override;

 private:
  struct Entry {
    Variant item;
    std::optional<std::u16string> key;  // as the caller wrote it
  };
  std::vector<Entry> items_;
  // Folded key -> 0-based index into items_.
  std::unordered_map<std::u16string, std::size_t> index_by_key_;
};

}  // namespace pelt::value
