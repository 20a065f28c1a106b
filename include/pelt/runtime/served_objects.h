#pragma once

#include <memory>

#include "pelt/host/host_table.h"
#include "pelt/runtime/host_objects.h"
#include "pelt/value/collection.h"

namespace pelt::runtime {

// The component's C++ host tables, rows and collections served across the
// boundary. Each object keeps the C++ object it serves alive through the
// shared pointer. A caller that owns the table otherwise (on the stack, say)
// passes a pointer that does not own it and must keep the table alive until
// the last reference to the served object is gone. A failing host call
// answers kFailed, and the object's LastFailure gives the host's own status.

Ref<HostTableObject> ServeHostTable(std::shared_ptr<host::HostTable> table);
Ref<HostRowObject> ServeHostRow(std::shared_ptr<host::HostRow> row);
Ref<CollectionObject> ServeCollection(std::shared_ptr<value::Collection> collection);

// A shared pointer that does not own: for objects whose lifetime the caller
// guarantees.
template <class T>
std::shared_ptr<T> Borrow(T& object) {
  return std::shared_ptr<T>(std::shared_ptr<T>(), &object);
}

}  // namespace pelt::runtime
