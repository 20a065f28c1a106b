#pragma once

#include <ogrsf_frmts.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "pelt/host/host_table.h"

namespace pelt::gdal::internal {

// How a column's value is read from a feature. Decided once per layer from
// the OGR field definition so that reading a row is a single switch.
enum class ValueKind : std::uint8_t {
  kFid,
  kBoolean,
  kSmallInteger,
  kInteger,
  kInteger64,
  kReal,
  kText,
  kDate,  // dates, times and date-times alike
  kStringList,
  kIntegerList,
  kInteger64List,
  kRealList,
  kBinary,
  kGeometry,
};

// The name a geometry column gets when the format leaves it unnamed.
inline constexpr std::u16string_view kUnnamedGeometryName = u"Shape";

class LayerField final : public host::HostField {
 public:
  LayerField(std::u16string name, host::FieldType type, ValueKind kind, int ogr_index);

  host::Status FieldName(std::u16string& name) override;
  host::Status FieldTypeCode(host::FieldType& code) override;

  const std::u16string& name() const { return name_; }
  host::FieldType type() const { return type_; }
  ValueKind kind() const { return kind_; }
  // The attribute or geometry field index within the OGR feature; unused
  // for the feature id.
  int ogr_index() const { return ogr_index_; }

 private:
  std::u16string name_;
  host::FieldType type_;
  ValueKind kind_;
  int ogr_index_;
};

// The table's fields; built once when the layer is opened and never changed
// afterwards, so the LayerField addresses handed out stay valid.
class LayerFields final : public host::HostFields {
 public:
  explicit LayerFields(std::vector<LayerField> fields) : fields_(std::move(fields)) {}

  host::Status FieldCount(std::int32_t& count) override;
  host::Status FieldAt(std::int32_t index, host::HostField*& field) override;

  std::int32_t size() const { return static_cast<std::int32_t>(fields_.size()); }
  const LayerField& operator[](std::int32_t index) const {
    return fields_[static_cast<std::size_t>(index)];
  }
  // The first field whose name equals name without regard to case, or -1.
  std::int32_t Find(std::u16string_view name) const;

 private:
  std::vector<LayerField> fields_;
};

// The host type code and reading kind of an OGR attribute field.
host::FieldType TypeCodeFor(OGRFieldType type, OGRFieldSubType subtype);
ValueKind ValueKindFor(OGRFieldType type, OGRFieldSubType subtype);

// The fields of a layer in table order: the named feature-id column, the
// attributes, the geometry columns.
std::vector<LayerField> DescribeLayer(OGRLayer& layer);

}  // namespace pelt::gdal::internal
