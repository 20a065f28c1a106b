#include "pelt/host/host_table.h"

namespace pelt::host {

std::u16string_view FieldTypeName(FieldType type) {
  switch (type) {
    case FieldType::kSmallInteger: return u"SmallInteger";
    case FieldType::kInteger: return u"Integer";
    case FieldType::kSingle: return u"Single";
    case FieldType::kDouble: return u"Double";
    case FieldType::kString: return u"String";
    case FieldType::kDate: return u"Date";
    case FieldType::kObjectId: return u"ObjectId";
    case FieldType::kGeometry: return u"Geometry";
    case FieldType::kBlob: return u"Blob";
  }
  return u"Unknown";
}

}  // namespace pelt::host
