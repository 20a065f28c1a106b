#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

#include "pelt/errors/failure.h"

namespace pelt::errors {

// The module ErrorHandling: one uniform treatment of unexpected failures. A
// procedure that follows the convention catches every failure of its body,
// describes where it happened in one call-stack line, and either shows the
// report box here or passes the failure up with its line put in front.
namespace ErrorHandling {

// "Line : " and the number, or "" for line 0.
std::u16string LineLabel(std::int32_t lineNumber);

// Formats the description once (unless a lower level already did) and then
// shows the report (showHere) or raises a Failure to the caller carrying
// TAB + callStack + CR LF + description.
void ReportError(bool showHere, std::u16string_view callStack, std::int32_t number,
                 std::u16string_view source, std::u16string_view description);

// Beeps, then shows the "Unexpected Program Error" box (style 48).
void ShowErrorReport(std::u16string_view callStack, std::u16string_view description);

// The per-thread flag telling that the description now in flight already
// carries the formatted block. Exposed for tests and diagnostics.
bool DescriptionFormatted();

}  // namespace ErrorHandling

// Where a procedure that follows the convention lives: its procedure name
// text (the name and one blank) and its module identifier.
struct ProcedureSite {
  std::u16string_view procedure;  // "Form_Load "
  std::u16string_view module;     // "PeltExpressions:frmExpressionBuilder"
};

enum class OnFailure { kShowHere, kPassUp };

// Runs body under the call-stack convention: any failure ends the body and is
// handed to ReportError with the site's call-stack line. With kShowHere the
// report is shown and GuardProcedure returns normally; with kPassUp a Failure
// leaves it. Procedures record no line numbers (line 0).
template <class Body>
void GuardProcedure(const ProcedureSite& site, OnFailure on_failure, Body&& body);

// The call-stack line of a site: procedure text, module, " ", LineLabel(line).
std::u16string CallStackLine(const ProcedureSite& site, std::int32_t line = 0);

// Non-template part of GuardProcedure: reports the failure now in flight.
void ReportCurrentFailure(const ProcedureSite& site, OnFailure on_failure);

template <class Body>
void GuardProcedure(const ProcedureSite& site, OnFailure on_failure, Body&& body) {
  try {
    std::forward<Body>(body)();
  } catch (...) {
    ReportCurrentFailure(site, on_failure);
  }
}

}  // namespace pelt::errors
