#include "pelt/adapters/gdal/source_files.h"

#include <gdal.h>
#include <sys/stat.h>

#include <array>
#include <vector>

#include "adapters/gdal/gdal_runtime.h"
#include "adapters/gdal/layer_state.h"

namespace pelt::gdal {
namespace {

// The virtual file systems that read a file of the local file system as an
// archive.
constexpr std::array<std::string_view, 5> kArchivePrefixes{"/vsizip/", "/vsigzip/", "/vsitar/",
                                                           "/vsi7z/", "/vsirar/"};

bool IsRegularFile(const std::string& path) {
  struct stat status {};
  return ::stat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode);
}

// The archive at the start of inner, "x.zip/a/b.shp" or "{x.zip}/b.shp":
// the shortest leading run of path components that is a file.
std::optional<std::string> ArchiveAtStart(std::string_view inner) {
  if (inner.starts_with("/vsi")) return LocalFileOf(inner);
  if (inner.starts_with('{')) {
    const std::size_t close = inner.find('}');
    if (close == std::string_view::npos) return std::nullopt;
    return LocalFileOf(inner.substr(1, close - 1));
  }
  for (std::size_t slash = inner.find('/', 1); slash != std::string_view::npos;
       slash = inner.find('/', slash + 1)) {
    const std::string candidate(inner.substr(0, slash));
    if (IsRegularFile(candidate)) return candidate;
  }
  return std::string(inner);
}

struct FileIdentity {
  dev_t device = 0;
  ino_t inode = 0;
  bool operator==(const FileIdentity&) const = default;
};

// The identity of the file path names, following links; nullopt when there
// is none.
std::optional<FileIdentity> IdentityOf(const std::string& path) {
  struct stat status {};
  if (::stat(path.c_str(), &status) != 0) return std::nullopt;
  return FileIdentity{status.st_dev, status.st_ino};
}

bool IsArchivePath(std::string_view gdal_path) {
  for (const std::string_view prefix : kArchivePrefixes) {
    if (gdal_path.starts_with(prefix)) return true;
  }
  return false;
}

std::string Quoted(std::string_view text) {
  std::string quoted = "'";
  quoted += text;
  quoted += '\'';
  return quoted;
}

}  // namespace

std::optional<std::string> LocalFileOf(std::string_view gdal_path) {
  for (const std::string_view prefix : kArchivePrefixes) {
    if (gdal_path.starts_with(prefix)) return ArchiveAtStart(gdal_path.substr(prefix.size()));
  }
  if (gdal_path.starts_with("/vsi")) return std::nullopt;
  return std::string(gdal_path);
}

std::vector<std::string> LayerTable::SourceFiles() const {
  std::vector<std::string> files{state_->dataset->gdal_path};
  internal::QuietGdalErrors quiet;
  char** listed = GDALGetFileList(GDALDataset::ToHandle(state_->dataset->dataset.get()));
  for (char** file = listed; file != nullptr && *file != nullptr; ++file) files.emplace_back(*file);
  CSLDestroy(listed);
  return files;
}

std::optional<SourceFile> FindSourceFile(const LayerTable& table, const std::string& path) {
  const std::optional<std::string> local_output = LocalFileOf(path);
  const std::optional<FileIdentity> output =
      local_output ? IdentityOf(*local_output) : std::nullopt;
  if (!output) return std::nullopt;
  const std::vector<std::string> files = table.SourceFiles();
  for (std::size_t i = 0; i < files.size(); ++i) {
    const std::optional<std::string> local = LocalFileOf(files[i]);
    if (!local || IdentityOf(*local) != output) continue;
    if (IsArchivePath(files[i])) return SourceFile{SourceFileRole::kArchive, *local};
    // The first file is the one the source was opened from.
    const bool is_source = i == 0 || IdentityOf(files.front()) == output;
    return SourceFile{is_source ? SourceFileRole::kSource : SourceFileRole::kSidecar, files[i]};
  }
  return std::nullopt;
}

std::string DescribeSourceFile(std::string_view output, const SourceFile& file,
                               std::string_view source_path) {
  switch (file.role) {
    case SourceFileRole::kSource:
      if (output == source_path) return Quoted(output) + " is the source";
      return Quoted(output) + " is the source " + Quoted(source_path) + " under another name";
    case SourceFileRole::kSidecar:
      if (output == file.path)
        return Quoted(output) + " is a file of the source " + Quoted(source_path);
      return Quoted(output) + " is " + Quoted(file.path) + ", a file of the source " +
             Quoted(source_path);
    case SourceFileRole::kArchive:
      return Quoted(output) + " is the archive the source " + Quoted(source_path) + " is read from";
  }
  return Quoted(output) + " is a file of the source " + Quoted(source_path);
}

}  // namespace pelt::gdal
