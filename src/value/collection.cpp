#include "pelt/value/collection.h"

#include "pelt/value/text.h"

namespace pelt::value {

ErrorCode Collection::Add(Variant item, std::optional<std::u16string_view> key) {
  if (key) {
    auto [it, inserted] = index_by_key_.try_emplace(CaseFold(*key), items_.size());
    if (!inserted) return ErrorCode::kKeyAlreadyAssociated;
    items_.push_back(Entry{std::move(item), std::u16string(*key)});
  } else {
    items_.push_back(Entry{std::move(item), std::nullopt});
  }
  return ErrorCode::kNone;
}

const Variant* Collection::ItemAt(std::int32_t position) const {
  if (position < 1 || position > Count()) return nullptr;
  return &items_[static_cast<std::size_t>(position - 1)].item;
}

const Variant* Collection::ItemByKey(std::u16string_view key) const {
  const auto it = index_by_key_.find(CaseFold(key));
  return it == index_by_key_.end() ? nullptr : &items_[it->second].item;
}

Variant* Collection::MutableItemByKey(std::u16string_view key) {
  const auto it = index_by_key_.find(CaseFold(key));
  return it == index_by_key_.end() ? nullptr : &items_[it->second].item;
}

const std::u16string* Collection::KeyAt(std::int32_t position) const {
  if (position < 1 || position > Count()) return nullptr;
  const auto& key = items_[static_cast<std::size_t>(position - 1)].key;
  return key ? &*key : nullptr;
}

ErrorCode Collection::RemoveAt(std::int32_t position) {
  if (position < 1 || position > Count()) return ErrorCode::kSubscriptOutOfRange;
  const auto index = static_cast<std::size_t>(position - 1);
  if (items_[index].key) index_by_key_.erase(CaseFold(*items_[index].key));
  items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(index));
  for (auto& [folded, at] : index_by_key_) {
    if (at > index) --at;
  }
  return ErrorCode::kNone;
}

ErrorCode Collection::RemoveByKey(std::u16string_view key) {
  const auto it = index_by_key_.find(CaseFold(key));
  if (it == index_by_key_.end()) return ErrorCode::kInvalidProcedureCall;
  return RemoveAt(static_cast<std::int32_t>(it->second + 1));
}

void Collection::Clear() {
  items_.clear();
  index_by_key_.clear();
}

ErrorCode Collection::CountItems(std::int32_t& count) const {
  count = Count();
  return ErrorCode::kNone;
}

ErrorCode Collection::ReadItemAt(std::int32_t position, Variant& item) const {
  const Variant* found = ItemAt(position);
  if (found == nullptr) return ErrorCode::kSubscriptOutOfRange;
  item = *found;
  return ErrorCode::kNone;
}

ErrorCode Collection::ReadItemByKey(std::u16string_view key, Variant& item) const {
  const Variant* found = ItemByKey(key);
  if (found == nullptr) return ErrorCode::kInvalidProcedureCall;
  item = *found;
  return ErrorCode::kNone;
}

}  // namespace pelt::value
