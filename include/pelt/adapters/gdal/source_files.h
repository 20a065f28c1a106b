#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "pelt/adapters/gdal/layer_table.h"

namespace pelt::gdal {

// How a path reaches a file that a source is read from.
enum class SourceFileRole {
  kSource,   // the source itself, under this name or another
  kSidecar,  // another file of the dataset (a Shapefile's .dbf, .shx, .prj ...)
  kArchive,  // the archive a /vsizip/, /vsigzip/ or /vsitar/ source is read from
};

struct SourceFile {
  SourceFileRole role = SourceFileRole::kSource;
  std::string path;  // the file as GDAL lists it; the archive's own path for kArchive
};

// The file in the local file system that a GDAL path reads: the path itself,
// the archive of a /vsizip/, /vsigzip/, /vsitar/, /vsi7z/ or /vsirar/ path,
// or nullopt for a virtual file with none (/vsimem/, /vsicurl/ ...).
std::optional<std::string> LocalFileOf(std::string_view gdal_path);

// The file of table's source that path is, compared by device and inode so
// that a link or another spelling of the path is found too; nullopt when
// path names no existing file of the source. Writing over any of them would
// destroy the data being read.
std::optional<SourceFile> FindSourceFile(const LayerTable& table, const std::string& path);

// "'OUT' is the source 'SRC' under another name", "'OUT' is 'FILE', a file of
// the source 'SRC'" ...: what output is to the source, for a refusal.
// source_path is the source as the user named it.
std::string DescribeSourceFile(std::string_view output, const SourceFile& file,
                               std::string_view source_path);

}  // namespace pelt::gdal
