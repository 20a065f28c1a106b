#include "python_values.h"

#include <bit>
#include <optional>

#include "date_columns.h"
#include "pelt/value/date_serial.h"

namespace pelt::python {

void AppendUtf16(PyObject* text, std::u16string& out) {
  const Py_ssize_t length = PyUnicode_GET_LENGTH(text);
  const void* data = PyUnicode_DATA(text);
  switch (PyUnicode_KIND(text)) {
    case PyUnicode_1BYTE_KIND: {
      const auto* chars = static_cast<const Py_UCS1*>(data);
      out.append(chars, chars + length);
      return;
    }
    case PyUnicode_2BYTE_KIND: {
      const auto* chars = static_cast<const Py_UCS2*>(data);
      out.append(chars, chars + length);
      return;
    }
    default: {
      const auto* chars = static_cast<const Py_UCS4*>(data);
      for (Py_ssize_t i = 0; i < length; ++i) {
        const Py_UCS4 c = chars[i];
        if (c < 0x10000) {
          out += static_cast<char16_t>(c);
        } else {
          out += static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
          out += static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
        }
      }
    }
  }
}

value::Variant ValueBuilders::Null() { return value::Variant::Null(); }
value::Variant ValueBuilders::Boolean(bool b) { return value::Variant::FromBoolean(b); }
value::Variant ValueBuilders::Double(double number) { return value::Variant::FromDouble(number); }
value::Variant ValueBuilders::Date(std::int64_t microseconds) { return DateValue(microseconds); }

value::Variant ValueBuilders::Integer(std::int64_t number) {
  if (number >= INT32_MIN && number <= INT32_MAX) {
    return value::Variant::FromLong(static_cast<std::int32_t>(number));
  }
  return value::Variant::FromDouble(static_cast<double>(number));
}

value::Variant ValueBuilders::Text(const py::str& text) {
  std::u16string utf16;
  AppendUtf16(text.ptr(), utf16);
  return value::Variant::FromText(std::move(utf16));
}

py::object ToPython(const value::Variant& value) {
  using value::VarType;
  switch (value.type()) {
    case VarType::kEmpty:
    case VarType::kNull: return py::none();
    case VarType::kBoolean: return py::bool_(value.AsBoolean());
    case VarType::kInteger: return py::int_(value.AsInteger());
    case VarType::kLong: return py::int_(value.AsLong());
    case VarType::kDouble: return py::float_(value.AsDouble());
    case VarType::kCurrency:
      return py::float_(static_cast<double>(value.AsCurrency().scaled) /
                        static_cast<double>(value::Currency::kScale));
    case VarType::kDate: {
      const std::optional<value::DateParts> parts = value::SplitDate(value.AsDate());
      if (!parts) return py::none();
      return py::module_::import("datetime")
          .attr("datetime")(parts->year, parts->month, parts->day, parts->hour, parts->minute,
                            parts->second);
    }
    case VarType::kString: {
      const std::u16string& text = value.AsText();
      // An explicit byte order keeps a leading U+FEFF as text.
      int byte_order = std::endian::native == std::endian::little ? -1 : 1;
      PyObject* decoded = PyUnicode_DecodeUTF16(
          reinterpret_cast<const char*>(text.data()),
          static_cast<Py_ssize_t>(text.size() * sizeof(char16_t)), "surrogatepass", &byte_order);
      if (decoded == nullptr) throw py::error_already_set();
      return py::reinterpret_steal<py::object>(decoded);
    }
  }
  return py::none();
}

}  // namespace pelt::python
