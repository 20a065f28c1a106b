#include "adapters/gdal/layer_fields.h"

#include <utility>

#include "adapters/gdal/status_helpers.h"
#include "pelt/value/text.h"

namespace pelt::gdal::internal {

using host::FieldType;
using host::Status;

LayerField::LayerField(std::u16string name, FieldType type, ValueKind kind, int ogr_index)
    : name_(std::move(name)), type_(type), kind_(kind), ogr_index_(ogr_index) {}

Status LayerField::FieldName(std::u16string& name) {
  return Guarded([&] { name = name_; });
}

Status LayerField::FieldTypeCode(FieldType& code) {
  code = type_;
  return Status::Ok();
}

Status LayerFields::FieldCount(std::int32_t& count) {
  count = size();
  return Status::Ok();
}

Status LayerFields::FieldAt(std::int32_t index, host::HostField*& field) {
  if (index < 0 || index >= size()) return IndexOutOfRange();
  field = &fields_[static_cast<std::size_t>(index)];
  return Status::Ok();
}

std::int32_t LayerFields::Find(std::u16string_view name) const {
  for (std::int32_t i = 0; i < size(); ++i) {
    if (value::EqualsNoCase((*this)[i].name(), name)) return i;
  }
  return -1;
}

FieldType TypeCodeFor(OGRFieldType type, OGRFieldSubType subtype) {
  switch (type) {
    case OFTInteger:
      return subtype == OFSTBoolean || subtype == OFSTInt16 ? FieldType::kSmallInteger
                                                            : FieldType::kInteger;
    case OFTInteger64: return FieldType::kInteger;
    case OFTReal: return subtype == OFSTFloat32 ? FieldType::kSingle : FieldType::kDouble;
    case OFTDate:
    case OFTTime:
    case OFTDateTime: return FieldType::kDate;
    case OFTBinary: return FieldType::kBlob;
    default:
      // Text, JSON and every list type are read as their text form.
      return FieldType::kString;
  }
}

ValueKind ValueKindFor(OGRFieldType type, OGRFieldSubType subtype) {
  switch (type) {
    case OFTInteger:
      if (subtype == OFSTBoolean) return ValueKind::kBoolean;
      return subtype == OFSTInt16 ? ValueKind::kSmallInteger : ValueKind::kInteger;
    case OFTInteger64: return ValueKind::kInteger64;
    case OFTReal: return ValueKind::kReal;
    case OFTDate:
    case OFTTime:
    case OFTDateTime: return ValueKind::kDate;
    case OFTBinary: return ValueKind::kBinary;
    case OFTStringList: return ValueKind::kStringList;
    case OFTIntegerList: return ValueKind::kIntegerList;
    case OFTInteger64List: return ValueKind::kInteger64List;
    case OFTRealList: return ValueKind::kRealList;
    default: return ValueKind::kText;
  }
}

std::vector<LayerField> DescribeLayer(OGRLayer& layer) {
  std::vector<LayerField> fields;
  OGRFeatureDefn* definition = layer.GetLayerDefn();
  const int attribute_count = definition->GetFieldCount();
  const int geometry_count = definition->GetGeomFieldCount();
  fields.reserve(static_cast<std::size_t>(attribute_count + geometry_count + 1));

  const char* fid_column = layer.GetFIDColumn();
  if (fid_column != nullptr && *fid_column != '\0') {
    fields.emplace_back(value::FromUtf8(fid_column), FieldType::kObjectId, ValueKind::kFid, -1);
  }
  for (int i = 0; i < attribute_count; ++i) {
    const OGRFieldDefn* field = definition->GetFieldDefn(i);
    fields.emplace_back(value::FromUtf8(field->GetNameRef()),
                        TypeCodeFor(field->GetType(), field->GetSubType()),
                        ValueKindFor(field->GetType(), field->GetSubType()), i);
  }
  for (int i = 0; i < geometry_count; ++i) {
    const char* name = definition->GetGeomFieldDefn(i)->GetNameRef();
    std::u16string wide_name = name != nullptr && *name != '\0'
                                   ? value::FromUtf8(name)
                                   : std::u16string(kUnnamedGeometryName);
    fields.emplace_back(std::move(wide_name), FieldType::kGeometry, ValueKind::kGeometry, i);
  }
  return fields;
}

}  // namespace pelt::gdal::internal
