#include "pelt/adapters/gdal/layer_copy.h"

#include <cpl_string.h>
#include <cpl_vsi.h>
#include <gdal_priv.h>
#include <ogrsf_frmts.h>
#include <stdlib.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <filesystem>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include "adapters/gdal/gdal_runtime.h"
#include "adapters/gdal/layer_state.h"
#include "pelt/adapters/gdal/source_files.h"
#include "pelt/errors/failure_text.h"
#include "pelt/files/replacement_file.h"

namespace pelt::gdal {
namespace internal {

struct CopyState {
  ~CopyState();

  std::filesystem::path final_path;
  std::filesystem::path work_directory;  // the private folder beside final_path
  bool overwrite = false;
  GDALDatasetUniquePtr dataset;
  OGRLayer* layer = nullptr;
  OGRFeatureUniquePtr feature;  // reused for every feature written
  std::vector<int> field_map;   // source attribute index -> output index
  int text_index = -1;
  std::vector<FieldRename> renamed;
  bool keep_fid = false;
  bool in_transaction = false;
  std::size_t in_this_transaction = 0;
  bool committed = false;
};

CopyState::~CopyState() {
  if (committed) return;
  feature.reset();
  dataset.reset();
  if (!work_directory.empty()) {
    std::error_code ignored;
    std::filesystem::remove_all(work_directory, ignored);
  }
}

}  // namespace internal

namespace {

// "a device", "a pipe" or "a socket" for such a file at path (links
// followed), nullptr for anything else.
const char* SpecialFileKind(const std::filesystem::path& path) {
  std::error_code error;
  const std::filesystem::file_status status = std::filesystem::status(path, error);
  switch (status.type()) {
    case std::filesystem::file_type::character:
    case std::filesystem::file_type::block: return "a device";
    case std::filesystem::file_type::fifo: return "a pipe";
    case std::filesystem::file_type::socket: return "a socket";
    default: return nullptr;
  }
}

using internal::IsShapefileDriver;
using internal::QuietGdalErrors;

// Writes are grouped in transactions of this many features: one transaction
// per feature makes a GeoPackage crawl, one for the whole layer makes its
// journal as large as the layer.
constexpr std::size_t kFeaturesPerTransaction = 20000;

CopyError MakeError(CopyErrorKind kind, std::string message) {
  return CopyError{kind, std::move(message)};
}

std::string Quoted(std::string_view text) {
  std::string quoted = "'";
  quoted += text;
  quoted += '\'';
  return quoted;
}

std::string WithGdalMessage(std::string message, const QuietGdalErrors& quiet) {
  const std::string detail = quiet.LastMessage();
  if (!detail.empty()) message += ": " + detail;
  return message;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    return std::tolower(static_cast<unsigned char>(x)) ==
           std::tolower(static_cast<unsigned char>(y));
  });
}

bool HasCapability(GDALDriver& driver, const char* capability) {
  return CPLFetchBool(driver.GetMetadata(), capability, false);
}

// True when the driver lists option among its layer creation options.
bool TakesLayerOption(GDALDriver& driver, const char* option) {
  const char* list = driver.GetMetadataItem(GDAL_DS_LAYER_CREATIONOPTIONLIST);
  if (list == nullptr) return false;
  const std::string needle = std::string("name='") + option + "'";
  return std::string_view(list).find(needle) != std::string_view::npos;
}

// The name of the copy's layer. A Shapefile's layer name is its file name,
// so it must follow the output path; other formats take the name asked for,
// else keep the source's.
std::string OutputLayerName(GDALDriver& driver, const std::filesystem::path& path,
                            const std::string& asked, const std::string& source_name) {
  if (IsShapefileDriver(driver) && EqualsNoCase(path.extension().string(), ".shp")) {
    return path.stem().string();
  }
  return asked.empty() ? source_name : asked;
}

// Makes the private folder the dataset is written into, beside path.
bool MakeWorkDirectory(const std::filesystem::path& path, std::filesystem::path& directory,
                       CopyError& error) {
  std::filesystem::path parent = path.parent_path();
  if (parent.empty()) parent = ".";
  std::string name = ".";
  name += path.filename().string();
  name += ".XXXXXX";
  std::string pattern = (parent / name).string();
  if (::mkdtemp(pattern.data()) == nullptr) {
    error = MakeError(CopyErrorKind::kWriteFailed, "cannot write " + Quoted(path.string()) + ": " +
                                                       std::generic_category().message(errno));
    return false;
  }
  directory = pattern;
  return true;
}

// True when the driver says it creates fields of name (a type or subtype
// name), or says nothing about it.
bool DriverLists(GDALDriver& driver, const char* list_item, const char* name) {
  const char* list = driver.GetMetadataItem(list_item);
  if (list == nullptr) return true;
  const CPLStringList names(CSLTokenizeString(list));
  return names.FindString(name) >= 0;
}

// The field as the output driver can store it: a type it does not create
// becomes text, as GDAL's own translation does, and an unknown subtype is
// dropped.
void FitToDriver(GDALDriver& driver, OGRFieldDefn& field) {
  if (!DriverLists(driver, GDAL_DMD_CREATIONFIELDDATATYPES,
                   OGRFieldDefn::GetFieldTypeName(field.GetType()))) {
    field.SetSubType(OFSTNone);
    field.SetType(OFTString);
    field.SetWidth(0);
    field.SetPrecision(0);
  }
  if (field.GetSubType() != OFSTNone &&
      !DriverLists(driver, GDAL_DMD_CREATIONFIELDDATASUBTYPES,
                   OGRFieldDefn::GetFieldSubTypeName(field.GetSubType()))) {
    field.SetSubType(OFSTNone);
  }
}

bool CreateFields(OGRLayer& source, internal::CopyState& state, const CopyOptions& options,
                  GDALDriver& driver, CopyError& error) {
  OGRFeatureDefn* source_definition = source.GetLayerDefn();
  for (int i = 0; i < source_definition->GetFieldCount(); ++i) {
    OGRFieldDefn field(source_definition->GetFieldDefn(i));
    FitToDriver(driver, field);
    QuietGdalErrors quiet;
    if (state.layer->CreateField(&field, /*bApproxOK=*/TRUE) != OGRERR_NONE) {
      error =
          MakeError(CopyErrorKind::kWriteFailed,
                    WithGdalMessage("cannot create field " + Quoted(field.GetNameRef()), quiet));
      return false;
    }
  }
  OGRFieldDefn text_field(options.text_field.c_str(), OFTString);
  // A Shapefile string field without a width is cut at 80 characters.
  if (IsShapefileDriver(driver)) text_field.SetWidth(254);
  QuietGdalErrors quiet;
  if (state.layer->CreateField(&text_field, /*bApproxOK=*/TRUE) != OGRERR_NONE) {
    error = MakeError(CopyErrorKind::kWriteFailed,
                      WithGdalMessage("cannot create field " + Quoted(options.text_field), quiet));
    return false;
  }
  // Drivers may rename fields (a Shapefile keeps ten characters), so the
  // output's fields are found by position: they were created in order.
  OGRFeatureDefn* output_definition = state.layer->GetLayerDefn();
  const int created = output_definition->GetFieldCount();
  if (created != source_definition->GetFieldCount() + 1) {
    error = MakeError(CopyErrorKind::kWriteFailed, "the output driver dropped some fields");
    return false;
  }
  state.field_map.resize(static_cast<std::size_t>(source_definition->GetFieldCount()));
  for (int i = 0; i < source_definition->GetFieldCount(); ++i) {
    state.field_map[static_cast<std::size_t>(i)] = i;
  }
  state.text_index = created - 1;
  for (int i = 0; i < created; ++i) {
    const char* asked = i == state.text_index ? options.text_field.c_str()
                                              : source_definition->GetFieldDefn(i)->GetNameRef();
    const char* written = output_definition->GetFieldDefn(i)->GetNameRef();
    if (std::string_view(asked) != written) state.renamed.push_back(FieldRename{asked, written});
  }
  return true;
}

bool CreateLayer(OGRLayer& source, internal::CopyState& state, const CopyOptions& options,
                 GDALDriver& driver, CopyError& error) {
  CPLStringList layer_options;
  const char* fid_column = source.GetFIDColumn();
  if (fid_column != nullptr && fid_column[0] != '\0' && TakesLayerOption(driver, "FID")) {
    layer_options.SetNameValue("FID", fid_column);
    state.keep_fid = true;
  }
  // Labels are in any script; a format that defaults to a legacy code page
  // (a Shapefile's Latin-1) is told to store UTF-8.
  if (TakesLayerOption(driver, "ENCODING")) layer_options.SetNameValue("ENCODING", "UTF-8");
  const char* geometry_column = source.GetGeometryColumn();
  if (geometry_column != nullptr && geometry_column[0] != '\0' &&
      TakesLayerOption(driver, "GEOMETRY_NAME")) {
    layer_options.SetNameValue("GEOMETRY_NAME", geometry_column);
  }
  const std::string name = OutputLayerName(driver, state.final_path, options.layer_name, source.GetName());
  QuietGdalErrors quiet;
  state.layer = state.dataset->CreateLayer(name.c_str(), source.GetSpatialRef(),
                                           source.GetGeomType(), layer_options.List());
  if (state.layer == nullptr) {
    error = MakeError(CopyErrorKind::kWriteFailed,
                      WithGdalMessage("cannot create layer " + Quoted(name), quiet));
    return false;
  }
  return CreateFields(source, state, options, driver, error);
}

bool EndTransaction(internal::CopyState& state, CopyError& error) {
  if (!state.in_transaction) return true;
  state.in_transaction = false;
  state.in_this_transaction = 0;
  QuietGdalErrors quiet;
  if (state.dataset->CommitTransaction() != OGRERR_NONE) {
    error = MakeError(CopyErrorKind::kWriteFailed,
                      WithGdalMessage("cannot write " + Quoted(state.final_path.string()), quiet));
    return false;
  }
  return true;
}

// A dataset of several files (a Shapefile's .shp, .shx, .dbf ...) puts
// more names beside the output than its path: none of them may replace a
// file of the source. The files are those the driver made for the empty
// layer in the work folder.
bool CheckCompanionFiles(const LayerTable& source, const std::string& source_path,
                         const internal::CopyState& state, CopyError& error) {
  const std::filesystem::path parent = state.final_path.parent_path();
  std::error_code failure;
  for (const auto& entry : std::filesystem::directory_iterator(state.work_directory, failure)) {
    const std::filesystem::path target = parent / entry.path().filename();
    if (target == state.final_path) continue;
    if (const std::optional<SourceFile> file = FindSourceFile(source, target.string())) {
      const std::string replaced =
          file->role == SourceFileRole::kSource
              ? "the source " + Quoted(source_path)
              : Quoted(file->path) + ", a file of the source " + Quoted(source_path);
      error = MakeError(CopyErrorKind::kSameAsSource,
                        Quoted(state.final_path.string()) + " is written with " +
                            Quoted(target.string()) + ", which would replace " + replaced +
                            "; the source is never written to: write the copy to another file");
      return false;
    }
  }
  return true;
}

// Removes the dataset at path, all of its files, before the copy takes its
// place.
bool RemoveExisting(const std::filesystem::path& path, CopyError& error) {
  QuietGdalErrors quiet;
  const std::string text = path.string();
  if (GDALDriverH driver = GDALIdentifyDriver(text.c_str(), nullptr)) {
    if (GDALDeleteDataset(driver, text.c_str()) == CE_None) return true;
  }
  std::error_code failure;
  if (std::filesystem::is_directory(path, failure)) {
    error = MakeError(CopyErrorKind::kOutputExists,
                      Quoted(text) + " is a directory; it is not replaced");
    return false;
  }
  if (!std::filesystem::remove(path, failure) && failure) {
    error = MakeError(CopyErrorKind::kWriteFailed,
                      "cannot replace " + Quoted(text) + ": " + failure.message());
    return false;
  }
  return true;
}

}  // namespace

LayerCopy::LayerCopy(std::unique_ptr<internal::CopyState> state) : state_(std::move(state)) {}

LayerCopy::~LayerCopy() = default;

std::unique_ptr<LayerCopy> LayerCopy::Create(LayerTable& source, const std::string& path,
                                             const CopyOptions& options, CopyError& error) {
  try {
    internal::EnsureDriversRegistered();
    GDALDriver* driver = GetGDALDriverManager()->GetDriverByName(options.driver.c_str());
    if (driver == nullptr || !HasCapability(*driver, GDAL_DCAP_VECTOR) ||
        !HasCapability(*driver, GDAL_DCAP_CREATE)) {
      error = MakeError(CopyErrorKind::kUnknownDriver,
                        "no GDAL driver " + Quoted(options.driver) + " that creates vector data");
      return nullptr;
    }
    if (options.text_field.empty()) {
      error = MakeError(CopyErrorKind::kBadFieldName, "the new field needs a name");
      return nullptr;
    }
    OGRLayer& layer = *source.state_->layer;
    if (layer.GetLayerDefn()->GetFieldIndex(options.text_field.c_str()) >= 0 ||
        EqualsNoCase(options.text_field, layer.GetFIDColumn())) {
      error = MakeError(
          CopyErrorKind::kFieldExists,
          "layer " + Quoted(source.name()) + " already has a field " + Quoted(options.text_field));
      return nullptr;
    }
    if (path.empty() || path.starts_with("/vsi")) {
      error = MakeError(CopyErrorKind::kWriteFailed,
                        "cannot write " + Quoted(path) + ": not a path in the file system");
      return nullptr;
    }
    const std::filesystem::path final_path(path);
    std::error_code status_error;
    const bool exists =
        std::filesystem::exists(std::filesystem::symlink_status(final_path, status_error));
    const std::string& source_path = source.state_->dataset->path;
    if (const std::optional<SourceFile> file = FindSourceFile(source, path)) {
      std::string message =
          DescribeSourceFile(path, *file, source_path) + "; it is never written to";
      const bool same_name = file->role == SourceFileRole::kSource && path == source_path;
      if (!same_name) message += ": write the copy to another file";
      error = MakeError(CopyErrorKind::kSameAsSource, std::move(message));
      return nullptr;
    }
    if (const char* kind = SpecialFileKind(final_path)) {
      // A copy replaces what is at the path: a device node or a pipe would be
      // removed from the system, --overwrite or not.
      error = MakeError(CopyErrorKind::kNotAFile, Quoted(path) + " is " + kind +
                                                      ", which a copy never replaces: name a file "
                                                      "to write the copy to");
      return nullptr;
    }
    if (exists && !options.overwrite) {
      error = MakeError(CopyErrorKind::kOutputExists, Quoted(path) + " exists already");
      return nullptr;
    }

    auto state = std::make_unique<internal::CopyState>();
    state->final_path = final_path;
    state->overwrite = options.overwrite;
    if (!MakeWorkDirectory(final_path, state->work_directory, error)) return nullptr;
    const std::string work_path = (state->work_directory / final_path.filename()).string();
    {
      QuietGdalErrors quiet;
      state->dataset.reset(driver->Create(work_path.c_str(), 0, 0, 0, GDT_Unknown, nullptr));
      if (!state->dataset) {
        error = MakeError(CopyErrorKind::kWriteFailed,
                          WithGdalMessage("cannot create " + Quoted(path), quiet));
        return nullptr;
      }
    }
    if (!CreateLayer(layer, *state, options, *driver, error)) return nullptr;
    if (!CheckCompanionFiles(source, source_path, *state, error)) return nullptr;
    state->feature.reset(new OGRFeature(state->layer->GetLayerDefn()));
    return std::unique_ptr<LayerCopy>(new LayerCopy(std::move(state)));
  } catch (...) {
    error = MakeError(CopyErrorKind::kWriteFailed,
                      "cannot write " + Quoted(path) + ": " + errors::DescribeCurrentFailure());
    return nullptr;
  }
}

bool LayerCopy::Add(FeatureBatch& batch, std::size_t index, std::string_view text,
                    CopyError& error) {
  try {
    internal::CopyState& state = *state_;
    if (index >= batch.size()) {
      error = MakeError(CopyErrorKind::kWriteFailed, "no feature to copy");
      return false;
    }
    const OGRFeature& source = *batch.state_->features[index];
    if (!state.in_transaction) {
      state.in_transaction = state.dataset->StartTransaction() == OGRERR_NONE;
    }
    QuietGdalErrors quiet;
    OGRFeature& feature = *state.feature;
    // SetFrom reads the source through a non-const pointer but only reads.
    feature.SetFrom(const_cast<OGRFeature*>(&source), state.field_map.data(),
                    /*bForgiving=*/TRUE);
    const std::string value(text);
    feature.SetField(state.text_index, value.c_str());
    feature.SetFID(state.keep_fid ? source.GetFID() : OGRNullFID);
    if (state.layer->CreateFeature(&feature) != OGRERR_NONE) {
      error = MakeError(CopyErrorKind::kWriteFailed,
                        WithGdalMessage("cannot write feature " + std::to_string(source.GetFID()) +
                                            " to " + Quoted(state.final_path.string()),
                                        quiet));
      return false;
    }
    if (state.in_transaction && ++state.in_this_transaction >= kFeaturesPerTransaction) {
      return EndTransaction(state, error);
    }
    return true;
  } catch (...) {
    error =
        MakeError(CopyErrorKind::kWriteFailed, "cannot write: " + errors::DescribeCurrentFailure());
    return false;
  }
}

const std::vector<FieldRename>& LayerCopy::RenamedFields() const { return state_->renamed; }

bool LayerCopy::Commit(CopyError& error) {
  try {
    internal::CopyState& state = *state_;
    if (!EndTransaction(state, error)) return false;
    {
      QuietGdalErrors quiet;
      state.feature.reset();
      state.layer = nullptr;
      state.dataset.reset();  // writes what the driver still holds
      if (quiet.Failed()) {
        error =
            MakeError(CopyErrorKind::kWriteFailed,
                      WithGdalMessage("cannot write " + Quoted(state.final_path.string()), quiet));
        return false;
      }
    }
    std::error_code failure;
    std::vector<std::filesystem::path> written;
    for (const auto& entry : std::filesystem::directory_iterator(state.work_directory, failure)) {
      written.push_back(entry.path());
    }
    if (failure) {
      error =
          MakeError(CopyErrorKind::kWriteFailed,
                    "cannot write " + Quoted(state.final_path.string()) + ": " + failure.message());
      return false;
    }
    if (state.overwrite &&
        std::filesystem::exists(std::filesystem::symlink_status(state.final_path, failure))) {
      if (!RemoveExisting(state.final_path, error)) return false;
    }
    std::filesystem::path parent = state.final_path.parent_path();
    if (parent.empty()) parent = ".";
    for (const std::filesystem::path& file : written) {
      if (const int moved = files::MoveIntoPlace(file, parent / file.filename()); moved != 0) {
        error = MakeError(CopyErrorKind::kWriteFailed,
                          "cannot move the copy to " + Quoted((parent / file.filename()).string()) +
                              ": " + std::generic_category().message(moved));
        return false;
      }
    }
    std::filesystem::remove(state.work_directory, failure);
    state.committed = true;
    return true;
  } catch (...) {
    error =
        MakeError(CopyErrorKind::kWriteFailed, "cannot write: " + errors::DescribeCurrentFailure());
    return false;
  }
}

}  // namespace pelt::gdal
