// The registry's text form: its records, the writer and the parser.

#include <algorithm>
#include <charconv>
#include <string>

#include "message.h"
#include "pelt/runtime/registry.h"
#include "pelt/value/named.h"
#include "registry_values.h"

namespace pelt::runtime {
namespace {

// The registry's text form, one record per block:
//
//   pelt-component-registry 1          header: format and version
//   class <id>                         a record: kind and id
//     <property> <value>               its properties, indented two blanks
//   type-library <id>
//     ...
//   end <number of records>            so that truncation shows
//
// Lines starting with '#' and blank lines are ignored. A value is the rest of
// the line after the property name and one blank, taken as it is.
constexpr std::string_view kHeader = "pelt-component-registry 1";
constexpr std::string_view kIndent = "  ";

constexpr value::Named<ThreadingModel, std::string_view> kThreadingModels[] = {
    {ThreadingModel::kApartment, "apartment"},
    {ThreadingModel::kFree, "free"},
    {ThreadingModel::kBoth, "both"},
};

std::optional<ThreadingModel> ParseThreading(std::string_view text) {
  return value::ValueNamed(kThreadingModels, text);
}

bool ParseVersion(std::string_view text, std::uint16_t& major, std::uint16_t& minor) {
  const std::size_t dot = text.find('.');
  if (dot == std::string_view::npos) return false;
  const auto parse = [](std::string_view part, std::uint16_t& out) {
    if (part.empty()) return false;
    auto [end, ec] = std::from_chars(part.data(), part.data() + part.size(), out);
    return ec == std::errc() && end == part.data() + part.size();
  };
  return parse(text.substr(0, dot), major) && parse(text.substr(dot + 1), minor);
}

// One property of a record: its name in the file, its value as written
// (an empty value is left out), and how a value read back is stored (the
// fault, or "" when the value is fine).
template <class Entry>
struct Property {
  std::string_view name;
  std::string (*write)(const Entry& entry);
  std::string (*read)(std::string_view value, Entry& entry);
};

template <class Entry, std::string Entry::*field>
constexpr Property<Entry> TextProperty(std::string_view name) {
  return {name, [](const Entry& entry) { return entry.*field; },
          [](std::string_view value, Entry& entry) {
            entry.*field = value;
            return std::string();
          }};
}

// The path of a library, which must be absolute: a relative name would let
// the library search path or the current folder choose the code.
template <class Entry>
constexpr Property<Entry> LibraryProperty() {
  return {"library", [](const Entry& entry) { return entry.library; },
          [](std::string_view value, Entry& entry) {
            if (!value.starts_with('/')) {
              return "library '" + std::string(value) +
                     "' is not an absolute path, so the library search path or the current "
                     "folder would choose the code; register the library with pelt-regsvr, which "
                     "records its absolute path";
            }
            entry.library = value;
            return std::string();
          }};
}

// A kind of record: the word that opens it, its name in messages, its
// properties in the order they are written.
template <class Entry, std::size_t kCount>
struct RecordKind {
  std::string_view keyword;
  std::string_view description;
  Property<Entry> properties[kCount];
};

constexpr RecordKind<ClassEntry, 5> kClassRecord{
    "class",
    "class",
    {TextProperty<ClassEntry, &ClassEntry::program_id>("program-id"),
     TextProperty<ClassEntry, &ClassEntry::name>("name"),
     LibraryProperty<ClassEntry>(),
     {"threading",
      [](const ClassEntry& entry) { return std::string(ThreadingModelName(entry.threading)); },
      [](std::string_view value, ClassEntry& entry) {
        const std::optional<ThreadingModel> model = ParseThreading(value);
        if (!model) return "unknown threading model '" + std::string(value) + "'";
        entry.threading = *model;
        return std::string();
      }},
     {"type-library",
      [](const ClassEntry& entry) {
        return entry.type_library ? ToString(*entry.type_library) : std::string();
      },
      [](std::string_view value, ClassEntry& entry) {
        const std::optional<Uuid> id = ParseUuid(value);
        if (!id) return "malformed type library id '" + std::string(value) + "'";
        entry.type_library = *id;
        return std::string();
      }}}};

constexpr RecordKind<TypeLibraryEntry, 4> kTypeLibraryRecord{
    "type-library",
    "type library",
    {TextProperty<TypeLibraryEntry, &TypeLibraryEntry::name>("name"),
     TextProperty<TypeLibraryEntry, &TypeLibraryEntry::description>("description"),
     {"version",
      [](const TypeLibraryEntry& entry) {
        return std::to_string(entry.major_version) + "." + std::to_string(entry.minor_version);
      },
      [](std::string_view value, TypeLibraryEntry& entry) {
        if (ParseVersion(value, entry.major_version, entry.minor_version)) return std::string();
        return "malformed version '" + std::string(value) + "'";
      }},
     LibraryProperty<TypeLibraryEntry>()}};

template <class Entry, std::size_t kCount>
void WriteRecord(const RecordKind<Entry, kCount>& kind, const Entry& entry, std::string& text) {
  text += std::string(kind.keyword) + " " + ToString(entry.id) + "\n";
  for (const Property<Entry>& property : kind.properties) {
    const std::string value = property.write(entry);
    if (value.empty()) continue;
    text += std::string(kIndent) + std::string(property.name) + " " + value + "\n";
  }
}

// Reads the registry text line by line; Fail records the first fault.
class Parser {
 public:
  Parser(std::string_view text, std::string* message) : text_(text), message_(message) {}

  Result Run(RegistryContents& out) {
    if (text_.empty()) return Fail("the file is empty (it may have been truncated)");
    std::size_t records = 0;
    bool header_seen = false;
    std::optional<std::size_t> end_count;
    std::string_view line;
    while (NextLine(line)) {
      if (line.empty() || line.front() == '#') continue;
      if (end_count) return Fail("text after the closing 'end' line");
      if (!header_seen) {
        if (line != kHeader) return Fail("expected the header line '" + std::string(kHeader) + "'");
        header_seen = true;
        continue;
      }
      if (line.starts_with(kIndent)) {
        PELT_RETURN_IF_FAILED(Property(line.substr(kIndent.size())));
        continue;
      }
      const auto [word, rest] = Split(line);
      if (word == kClassRecord.keyword) {
        PELT_RETURN_IF_FAILED(OpenRecord(kClassRecord, rest, contents_.classes));
        current_ = Kind::kClass;
        ++records;
      } else if (word == kTypeLibraryRecord.keyword) {
        PELT_RETURN_IF_FAILED(OpenRecord(kTypeLibraryRecord, rest, contents_.type_libraries));
        current_ = Kind::kTypeLibrary;
        ++records;
      } else if (word == "end") {
        PELT_RETURN_IF_FAILED(CloseRecord());
        std::size_t count = 0;
        auto [end, ec] = std::from_chars(rest.data(), rest.data() + rest.size(), count);
        if (ec != std::errc() || end != rest.data() + rest.size()) {
          return Fail("malformed record count '" + std::string(rest) + "'");
        }
        if (count != records) {
          return Fail("the closing line counts " + std::to_string(count) + " records but " +
                      std::to_string(records) + " precede it");
        }
        end_count = count;
        current_ = Kind::kNone;
      } else {
        return Fail("expected 'class', 'type-library' or 'end', found '" + std::string(word) + "'");
      }
    }
    if (!header_seen) return Fail("the header line is missing (the file may have been truncated)");
    if (!end_count) {
      return Fail("the closing 'end' line is missing (the file may have been truncated)");
    }
    out = std::move(contents_);
    return Result::kOk;
  }

 private:
  enum class Kind { kNone, kClass, kTypeLibrary };

  static std::pair<std::string_view, std::string_view> Split(std::string_view line) {
    const std::size_t blank = line.find(' ');
    if (blank == std::string_view::npos) return {line, {}};
    return {line.substr(0, blank), line.substr(blank + 1)};
  }

  bool NextLine(std::string_view& line) {
    if (pos_ >= text_.size()) return false;
    const std::size_t newline = text_.find('\n', pos_);
    const std::size_t end = newline == std::string_view::npos ? text_.size() : newline;
    line = text_.substr(pos_, end - pos_);
    pos_ = newline == std::string_view::npos ? text_.size() : newline + 1;
    ++line_number_;
    return true;
  }

  Result Property(std::string_view line) {
    const auto [name, value] = Split(line);
    if (current_ == Kind::kClass)
      return ReadProperty(kClassRecord, name, value, contents_.classes.back());
    if (current_ == Kind::kTypeLibrary) {
      return ReadProperty(kTypeLibraryRecord, name, value, contents_.type_libraries.back());
    }
    return Fail("a property outside any record");
  }

  // Closes the record in progress and starts one of kind with the id text.
  template <class Entry, std::size_t kCount>
  Result OpenRecord(const RecordKind<Entry, kCount>& kind, std::string_view id_text,
                    std::vector<Entry>& entries) {
    PELT_RETURN_IF_FAILED(CloseRecord());
    const std::string description(kind.description);
    const std::optional<Uuid> id = ParseUuid(id_text);
    if (!id) return Fail("malformed " + description + " id '" + std::string(id_text) + "'");
    for (const Entry& entry : entries) {
      if (entry.id == *id) return Fail(description + " " + std::string(id_text) + " appears twice");
    }
    entries.emplace_back().id = *id;
    return Result::kOk;
  }

  template <class Entry, std::size_t kCount>
  Result ReadProperty(const RecordKind<Entry, kCount>& kind, std::string_view name,
                      std::string_view value, Entry& entry) {
    for (const auto& property : kind.properties) {
      if (property.name != name) continue;
      const std::string fault = property.read(value, entry);
      return fault.empty() ? Result::kOk : Fail(fault);
    }
    return Fail("unknown " + std::string(kind.description) + " property '" + std::string(name) +
                "'");
  }

  // Checks the record just finished.
  Result CloseRecord() {
    if (current_ == Kind::kClass && contents_.classes.back().library.empty()) {
      return Fail("class " + ToString(contents_.classes.back().id) + " names no library");
    }
    return Result::kOk;
  }

  Result Fail(const std::string& what) {
    SetMessage(message_, "line " + std::to_string(line_number_) + ": " + what);
    return Result::kRegistryCorrupt;
  }

  std::string_view text_;
  std::string* message_;
  std::size_t pos_ = 0;
  std::size_t line_number_ = 0;
  Kind current_ = Kind::kNone;
  RegistryContents contents_;
};

}  // namespace

std::string_view ThreadingModelName(ThreadingModel model) {
  return value::NameIn(kThreadingModels, model, std::string_view("apartment"));
}

const ClassEntry* RegistryContents::FindClass(const ClassId& id) const {
  auto it =
      std::find_if(classes.begin(), classes.end(), [&](const ClassEntry& e) { return e.id == id; });
  return it == classes.end() ? nullptr : &*it;
}

const ClassEntry* RegistryContents::FindProgramId(std::string_view program_id) const {
  auto it = std::find_if(classes.begin(), classes.end(), [&](const ClassEntry& e) {
    return !e.program_id.empty() && EqualsAsciiNoCase(e.program_id, program_id);
  });
  return it == classes.end() ? nullptr : &*it;
}

const TypeLibraryEntry* RegistryContents::FindTypeLibrary(const Uuid& id) const {
  auto it = std::find_if(type_libraries.begin(), type_libraries.end(),
                         [&](const TypeLibraryEntry& e) { return e.id == id; });
  return it == type_libraries.end() ? nullptr : &*it;
}

std::string FormatRegistry(const RegistryContents& contents) {
  std::string text =
      "# Classes the PeltExpressions component runtime can create. Written by\n"
      "# the runtime: edit with care, the closing line counts the records.\n";
  text += kHeader;
  text += '\n';
  for (const ClassEntry& c : contents.classes) WriteRecord(kClassRecord, c, text);
  for (const TypeLibraryEntry& t : contents.type_libraries)
    WriteRecord(kTypeLibraryRecord, t, text);
  text += "end " + std::to_string(contents.classes.size() + contents.type_libraries.size()) + "\n";
  return text;
}

Result ParseRegistry(std::string_view text, RegistryContents& out, std::string* message) {
  return Parser(text, message).Run(out);
}

}  // namespace pelt::runtime
