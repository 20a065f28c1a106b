#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "dialog_layout.h"
#include "pelt/errors/error_handling.h"

namespace pelt::builder {

// The dialog's module identifier in call-stack reports.
inline constexpr std::u16string_view kDialogModule = u"PeltExpressions:frmExpressionBuilder";

// The handlers of dialog_handlers.def, in its order: Handler::kCmdOK_Click …
enum class Handler : std::uint8_t {
#define PELT_HANDLER(name, source, event) k##name,
#include "builder/dialog_handlers.def"
#undef PELT_HANDLER
};

enum class HandlerEvent { kLoad, kActivate, kUnload, kClick, kSelect, kChange };

struct HandlerSpec {
  Handler id;
  std::u16string_view procedure;  // "CmdOK_Click ": the name and one blank
  std::optional<Control> source;  // nullopt: the window itself
  HandlerEvent event;
};

// Every handler, in the list's order (indexable by Handler).
std::span<const HandlerSpec> DialogHandlers();
const HandlerSpec& SpecOf(Handler handler);

// Where a handler sits in call-stack reports.
errors::ProcedureSite SiteOf(Handler handler);

}  // namespace pelt::builder
