#include "support/gdal_layers.h"

#include <gdal_priv.h>
#include <gtest/gtest.h>
#include <ogrsf_frmts.h>

#include <cstdlib>
#include <memory>
#include <sstream>
#include <string_view>

namespace pelt::gdal::testing {
namespace {

std::vector<std::string> SplitCommas(const std::string& text) {
  std::vector<std::string> parts;
  std::stringstream stream(text);
  std::string part;
  while (std::getline(stream, part, ',')) parts.push_back(part);
  return parts;
}

// Options as GDAL's NULL-terminated string list; the strings stay owned by
// the caller's vector.
std::vector<char*> OptionList(const std::vector<std::string>& options) {
  std::vector<char*> list;
  for (const std::string& option : options) list.push_back(const_cast<char*>(option.c_str()));
  list.push_back(nullptr);
  return list;
}

void SetValue(OGRFeature& feature, int index, OGRFieldType type, const std::string& text) {
  switch (type) {
    case OFTBinary: {
      std::vector<GByte> bytes(text.begin(), text.end());
      feature.SetField(index, static_cast<int>(bytes.size()), bytes.data());
      return;
    }
    case OFTIntegerList: {
      std::vector<int> numbers;
      for (const std::string& part : SplitCommas(text)) numbers.push_back(std::atoi(part.c_str()));
      feature.SetField(index, static_cast<int>(numbers.size()), numbers.data());
      return;
    }
    case OFTRealList: {
      std::vector<double> numbers;
      for (const std::string& part : SplitCommas(text)) numbers.push_back(std::atof(part.c_str()));
      feature.SetField(index, static_cast<int>(numbers.size()), numbers.data());
      return;
    }
    case OFTStringList: {
      const std::vector<std::string> parts = SplitCommas(text);
      std::vector<char*> list = OptionList(parts);
      feature.SetField(index, list.data());
      return;
    }
    default: feature.SetField(index, text.c_str());
  }
}

bool WriteLayer(GDALDataset& dataset, const LayerDef& def) {
  std::vector<char*> options = OptionList(def.options);
  OGRLayer* layer = dataset.CreateLayer(def.name.c_str(), nullptr, def.geometry, options.data());
  if (layer == nullptr) {
    ADD_FAILURE() << "cannot create layer " << def.name << ": " << CPLGetLastErrorMsg();
    return false;
  }
  for (const FieldDef& field : def.fields) {
    OGRFieldDefn definition(field.name.c_str(), field.type);
    definition.SetSubType(field.subtype);
    if (layer->CreateField(&definition) != OGRERR_NONE) {
      ADD_FAILURE() << "cannot create field " << field.name << ": " << CPLGetLastErrorMsg();
      return false;
    }
  }
  for (const FeatureDef& row : def.features) {
    OGRFeatureUniquePtr feature(OGRFeature::CreateFeature(layer->GetLayerDefn()));
    for (std::size_t i = 0; i < row.values.size() && i < def.fields.size(); ++i) {
      const int index = feature->GetFieldIndex(def.fields[i].name.c_str());
      if (row.values[i]) {
        SetValue(*feature, index, def.fields[i].type, *row.values[i]);
      } else {
        feature->SetFieldNull(index);
      }
    }
    if (!row.wkt.empty()) {
      OGRGeometry* geometry = nullptr;
      if (OGRGeometryFactory::createFromWkt(row.wkt.c_str(), nullptr, &geometry) != OGRERR_NONE) {
        ADD_FAILURE() << "bad WKT " << row.wkt;
        return false;
      }
      feature->SetGeometryDirectly(geometry);
    }
    if (layer->CreateFeature(feature.get()) != OGRERR_NONE) {
      ADD_FAILURE() << "cannot write a feature of " << def.name << ": " << CPLGetLastErrorMsg();
      return false;
    }
  }
  return true;
}

}  // namespace

const std::string& ShapefileDriver() {
  static const std::string name = [] {
    GDALAllRegister();
    GDALDriverManager* manager = GetGDALDriverManager();
    for (int i = 0; i < manager->GetDriverCount(); ++i) {
      GDALDriver* driver = manager->GetDriver(i);
      const char* extension = driver->GetMetadataItem(GDAL_DMD_EXTENSION);
      if (extension != nullptr && std::string_view(extension) == "shp" &&
          driver->GetMetadataItem(GDAL_DCAP_VECTOR) != nullptr) {
        return std::string(driver->GetDescription());
      }
    }
    return std::string();
  }();
  return name;
}

bool WriteDataset(const std::string& driver_name, const std::filesystem::path& path,
                  const std::vector<LayerDef>& layers) {
  GDALAllRegister();
  GDALDriver* driver = GetGDALDriverManager()->GetDriverByName(driver_name.c_str());
  if (driver == nullptr) {
    ADD_FAILURE() << "no GDAL driver " << driver_name;
    return false;
  }
  GDALDatasetUniquePtr dataset(
      driver->Create(path.string().c_str(), 0, 0, 0, GDT_Unknown, nullptr));
  if (!dataset) {
    ADD_FAILURE() << "cannot create " << path << ": " << CPLGetLastErrorMsg();
    return false;
  }
  for (const LayerDef& layer : layers) {
    if (!WriteLayer(*dataset, layer)) return false;
  }
  return true;
}

std::string DumpDataset(const std::filesystem::path& path, const std::vector<std::string>& fields) {
  GDALDatasetUniquePtr dataset(GDALDataset::Open(path.string().c_str(), GDAL_OF_VECTOR));
  if (!dataset || dataset->GetLayerCount() != 1) return "cannot open " + path.string();
  std::string dump;
  for (const auto& feature : *dataset->GetLayer(0)) {
    for (const std::string& field : fields) {
      // GDAL reuses one buffer for the text of numbers: copy each at once.
      const std::string value = field == "@fid" ? std::to_string(feature->GetFID())
                                                : feature->GetFieldAsString(field.c_str());
      dump += (field == fields.front() ? "" : ";") + field + "=" + value;
    }
    if (const OGRGeometry* geometry = feature->GetGeometryRef()) {
      dump += "|" + geometry->exportToWkt();
    }
    dump += '\n';
  }
  return dump;
}

}  // namespace pelt::gdal::testing
