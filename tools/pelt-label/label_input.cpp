#include "label_input.h"

#include <ctime>
#include <string>

#include "pelt/value/text.h"
#include "reserved_words.h"
#include "source_arguments.h"

namespace pelt::tools {

std::optional<ExitCode> OpenLabelInput(const LabelRequest& request, Streams& io,
                                       LabelInput& input) {
  ExitCode exit_code = ExitCode::kOk;
  input.table = OpenSourceLayer(request.source_path, request.arguments, io, exit_code);
  if (!input.table) return exit_code;
  if (request.where) {
    const host::Status status = input.table->SetAttributeFilter(*request.where);
    if (!status.ok()) {
      return ReportUsage(
          io, kLabelCommand,
          "--where '" + *request.where + "' is refused: " + value::ToUtf8(status.description()));
    }
  }
  input.words = ReservedWordInputs{input.table->name(), request.source_path, request.sets,
                                   std::time(nullptr)};
  // Built once here so that a malformed --set is a usage problem before any
  // label is made; the workers build their own.
  ReservedWordValues words;
  std::string error;
  if (!words.Build(input.words.layer, input.words.source_path, input.words.sets, input.words.now,
                   error)) {
    return ReportUsage(io, kLabelCommand, error);
  }
  input.supplied_words = words.Names();
  input.given_words = words.given();
  return std::nullopt;
}

}  // namespace pelt::tools
