#include "dialog_handlers.h"

namespace pelt::builder {
namespace {

using enum Control;
using enum HandlerEvent;
constexpr std::optional<Control> kWindow;

constexpr HandlerSpec kHandlers[] = {
#define PELT_HANDLER(name, source, event) {Handler::k##name, u"" #name " ", source, event},
#include "builder/dialog_handlers.def"
#undef PELT_HANDLER
};

constexpr bool RowsFollowTheEnum() {
  for (std::size_t i = 0; i < std::size(kHandlers); ++i) {
    if (static_cast<std::size_t>(kHandlers[i].id) != i) return false;
  }
  return true;
}
static_assert(RowsFollowTheEnum(), "SpecOf indexes the handlers by Handler");

}  // namespace

std::span<const HandlerSpec> DialogHandlers() { return kHandlers; }

const HandlerSpec& SpecOf(Handler handler) { return kHandlers[static_cast<std::size_t>(handler)]; }

errors::ProcedureSite SiteOf(Handler handler) { return {SpecOf(handler).procedure, kDialogModule}; }

}  // namespace pelt::builder
