#pragma once

#include <atomic>
#include <cstdint>
#include <utility>

#include "pelt/runtime/boundary_guard.h"
#include "pelt/runtime/result.h"
#include "pelt/runtime/uuid.h"

namespace pelt::runtime {

// The base of every interface that crosses the component boundary.
//
// Interfaces are classes of pure virtual members and nothing else, laid out
// by the platform's C++ ABI, so a caller reaches each member through a fixed
// slot of the object's table of members. Every member but Retain and Release
// returns a Result; results go to the last, pointer parameters.
//
// Objects are reference counted: a new object, and every interface pointer a
// call hands out, carries one reference that its receiver must Release.
// Retain adds one for each further holder. The object destroys itself when
// the last reference goes, so nobody ever deletes an interface pointer.
//
// Query asks an object for another of its interfaces: on success *out holds
// the interface (with a reference for the caller); otherwise *out is null.
// Asking for Object::kId always gives the same pointer for one object, which
// is how two interface pointers are found to be the same object.
class Object {
 public:
  static constexpr InterfaceId kId = UuidLiteral("665db793-3bf2-4cd7-8e73-622745cdc5b5");

  virtual Result Query(const InterfaceId& id, void** out) = 0;
  virtual std::uint32_t Retain() = 0;
  virtual std::uint32_t Release() = 0;

 protected:
  ~Object() = default;  // objects end through Release only
};

// A class factory makes the objects of one class. Lock(true) keeps the
// serving library loaded without holding an object; each Lock(true) needs a
// Lock(false).
class ClassFactory : public Object {
 public:
  static constexpr InterfaceId kId = UuidLiteral("342d3af5-4418-46a5-b7dd-aa41460e7c07");

  virtual Result Create(const InterfaceId& id, void** out) = 0;
  virtual Result Lock(bool lock) = 0;

 protected:
  ~ClassFactory() = default;
};

// Holds one reference to an interface and releases it when it goes away.
template <class T>
class Ref {
 public:
  Ref() = default;
  Ref(std::nullptr_t) {}  // NOLINT: a null reference converts implicitly
  ~Ref() { Reset(); }
  Ref(const Ref& other) : ptr_(other.ptr_) {
    if (ptr_ != nullptr) ptr_->Retain();
  }
  Ref(Ref&& other) noexcept : ptr_(std::exchange(other.ptr_, nullptr)) {}
  Ref& operator=(Ref other) noexcept {
    std::swap(ptr_, other.ptr_);
    return *this;
  }

  // Takes over a reference the caller already owns (a new object, an out
  // parameter).
  static Ref Adopt(T* ptr) {
    Ref ref;
    ref.ptr_ = ptr;
    return ref;
  }
  // Adds a reference of its own to a pointer someone else keeps.
  static Ref Share(T* ptr) {
    if (ptr != nullptr) ptr->Retain();
    return Adopt(ptr);
  }

  T* get() const { return ptr_; }
  T* operator->() const { return ptr_; }
  explicit operator bool() const { return ptr_ != nullptr; }

  // Where a call writes an interface it hands out; any held one is released.
  T** Put() {
    Reset();
    return &ptr_;
  }
  void** PutVoid() { return reinterpret_cast<void**>(Put()); }
  T* Detach() { return std::exchange(ptr_, nullptr); }
  void Reset() {
    if (T* old = std::exchange(ptr_, nullptr)) old->Release();
  }

  // The object's interface U, or null when it has none (or this is null).
  template <class U>
  Ref<U> As() const {
    Ref<U> other;
    if (ptr_ != nullptr) static_cast<void>(ptr_->Query(U::kId, other.PutVoid()));
    return other;
  }

 private:
  T* ptr_ = nullptr;
};

// The reference count of an implementation, starting at one for its creator.
class RefCount {
 public:
  std::uint32_t Increment() { return count_.fetch_add(1, std::memory_order_relaxed) + 1; }
  // The count left; the object deletes itself when it is zero.
  std::uint32_t Decrement() { return count_.fetch_sub(1, std::memory_order_acq_rel) - 1; }

 private:
  std::atomic<std::uint32_t> count_{1};
};

// Query for an implementation whose interfaces form one chain of single
// inheritance: Interfaces lists every interface of the chain that callers may
// ask for, Object included.
template <class... Interfaces, class Self>
Result QueryChain(Self* self, const InterfaceId& id, void** out) {
  return GuardMember(Inputs(), Outputs(out), [&] {
    const bool found =
        ((id == Interfaces::kId ? (*out = static_cast<Interfaces*>(self), true) : false) || ...);
    if (!found) return Result::kNoInterface;
    self->Retain();
    return Result::kOk;
  });
}

}  // namespace pelt::runtime
