// The one place the reference looks into the picture parser: the codes its
// tokenizer reads, against those the reference explains.

#include "picture_codes.h"

#include <algorithm>
#include <set>

#include "pelt/value/text.h"
#include "format/picture_tokens.h"

namespace pelt::reference {
namespace {

std::string Lower(std::string code) {
  std::transform(code.begin(), code.end(), code.begin(), [](char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
  });
  return code;
}

std::string Listed(const std::set<std::string>& codes) {
  std::string list;
  for (const std::string& code : codes) list += " " + code;
  return list;
}

}  // namespace

std::string PictureCodeMismatch(const std::vector<std::string>& explained) {
  std::set<std::string> parsed;
  for (const std::u16string& spelling : format::internal::TokenSpellings()) {
    parsed.insert(value::ToUtf8(spelling));
  }
  std::set<std::string> written;
  for (const std::string& code : explained) written.insert(Lower(code));
  std::set<std::string> unexplained, unknown;
  std::set_difference(parsed.begin(), parsed.end(), written.begin(), written.end(),
                      std::inserter(unexplained, unexplained.end()));
  std::set_difference(written.begin(), written.end(), parsed.begin(), parsed.end(),
                      std::inserter(unknown, unknown.end()));
  std::string mismatch;
  if (!unexplained.empty()) {
    mismatch +=
        "picture codes the parser reads but the reference does not explain:" + Listed(unexplained);
  }
  if (!unknown.empty()) {
    if (!mismatch.empty()) mismatch += "; ";
    mismatch +=
        "picture codes the reference explains but the parser does not read:" + Listed(unknown);
  }
  return mismatch;
}

}  // namespace pelt::reference
