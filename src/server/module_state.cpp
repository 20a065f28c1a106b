#include "module_state.h"

#include <atomic>

namespace pelt::server {
namespace {
std::atomic<std::int64_t> live_objects{0};
std::atomic<std::int64_t> locks{0};
}  // namespace

void ModuleState::ObjectCreated() { live_objects.fetch_add(1, std::memory_order_relaxed); }
void ModuleState::ObjectDestroyed() { live_objects.fetch_sub(1, std::memory_order_acq_rel); }
void ModuleState::Lock() { locks.fetch_add(1, std::memory_order_relaxed); }
bool ModuleState::Unlock() {
  std::int64_t held = locks.load(std::memory_order_acquire);
  while (held > 0) {
    if (locks.compare_exchange_weak(held, held - 1, std::memory_order_acq_rel)) return true;
  }
  return false;
}
std::int64_t ModuleState::LiveObjects() { return live_objects.load(std::memory_order_acquire); }
std::int64_t ModuleState::Locks() { return locks.load(std::memory_order_acquire); }
bool ModuleState::CanUnload() { return LiveObjects() == 0 && Locks() == 0; }

}  // namespace pelt::server
