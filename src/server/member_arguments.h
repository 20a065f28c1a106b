#pragma once

// How each kind of argument of the evaluator's members goes from its
// boundary form to the evaluator's own, and each kind of result back.

#include <memory>
#include <optional>
#include <string>

#include "pelt/evaluator/evaluator_members.h"
#include "pelt/runtime/wrapped_objects.h"
#include "pelt/server/evaluator_interface.h"

namespace pelt::server {

// What the server keeps of the caller's objects from one call to the next:
// the wrappers of the last table and reserved-word values passed, kept while
// the caller passes the same objects, so that they and the table's fields
// are not wrapped anew for every label. Every call still reaches the host; only the wrappers are
// reused. The table is held, as the reserved-word values are, until another
// table is passed or the evaluator goes.
struct KeptObjects {
  std::optional<runtime::RemoteHostTable> table;
  std::shared_ptr<runtime::RemoteCollection> collection;  // the last reserved-word values
  // Calls under way: a call made while another runs (from the dialog's
  // event loop) wraps its table for itself, leaving the kept one in use.
  int calls = 0;
};

// Argument<B>::Local is what the evaluator's parameter is made from for the
// length of one call; Localize fills it from the boundary value (a failure
// fills exception, which may be null), Pass gives the parameter.
template <class B>
struct Argument;

template <>
struct Argument<boundary::Boolean> {
  using Local = evaluator::Boolean;
  static Result Localize(boundary::Boolean in, Local& out, runtime::ExceptionRecord*, KeptObjects&);
  static evaluator::Boolean Pass(Local& local) { return local; }
};

// The caller's text is read where it is, for the length of the call.
template <>
struct Argument<boundary::Text> {
  using Local = std::u16string_view;
  static Result Localize(boundary::Text in, Local& out, runtime::ExceptionRecord*, KeptObjects&);
  static std::u16string_view Pass(Local& local) { return local; }
};

template <>
struct Argument<boundary::Table> {
  struct Local {
    host::HostTable* table = nullptr;
    std::optional<runtime::RemoteHostTable> own;  // for a call within a call
  };
  static Result Localize(boundary::Table in, Local& out, runtime::ExceptionRecord*, KeptObjects&);
  static host::HostTable* Pass(Local& local) { return local.table; }
};

template <>
struct Argument<boundary::Row> {
  using Local = std::optional<runtime::RemoteHostRow>;
  static Result Localize(boundary::Row in, Local& out, runtime::ExceptionRecord*, KeptObjects&);
  static host::HostRow* Pass(Local& local) { return local ? &*local : nullptr; }
};

// The evaluator gets the caller's collection itself, read through a view
// that fetches an item only when it is looked up (null stays null), and
// keeps its reference as it would to any collection.
template <>
struct Argument<boundary::Collection> {
  using Local = evaluator::CollectionRef;
  static Result Localize(boundary::Collection in, Local& out, runtime::ExceptionRecord*,
                         KeptObjects&);
  static const evaluator::CollectionRef& Pass(Local& local) { return local; }
};

// What a late-bound argument is read into: the boundary value itself, or a
// reference that keeps the caller's object alive for the call.
template <class B>
struct Held {
  using Type = B;
  static B Get(const Type& held) { return held; }
};
template <class T>
struct Held<T*> {
  using Type = runtime::Ref<T>;
  static T* Get(const Type& held) { return held.get(); }
};
template <>
struct Held<boundary::Text> {
  using Type = boundary::Text;
  static boundary::Text Get(const Type& held) { return held; }
};

// An evaluator result handed out through an early-bound slot's last
// parameter (a Text becomes the caller's).
Result HandOut(evaluator::Boolean value, boundary::Boolean& out);
Result HandOut(std::u16string_view value, boundary::Text& out);

// An evaluator result written to a late-bound caller's result variant, or
// dropped when the caller wants none.
Result SetResult(runtime::Variant* result, evaluator::Boolean value);
Result SetResult(runtime::Variant* result, std::u16string_view value);

}  // namespace pelt::server
