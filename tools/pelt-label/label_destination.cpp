#include "label_destination.h"

#include <cerrno>
#include <string>

#include "output_guard.h"
#include "output_sink.h"
#include "pelt/adapters/gdal/layer_copy.h"

namespace pelt::tools {
namespace {

class StreamDestination final : public LabelDestination {
 public:
  explicit StreamDestination(LabelFormat format) : format_(format) {}

  bool Open(const std::string& path, Streams& io) {
    std::string error;
    if (!sink_.Open(path, error)) {
      ReportProblem(io, error);
      return false;
    }
    AppendHeader(format_, line_);
    sink_.Write(line_);
    return true;
  }

  bool Take(LabelledBatch& batch) override {
    for (std::size_t i = 0; i < batch.labels.size(); ++i) {
      line_.clear();
      AppendRecord(format_, batch.fids[i], batch.labels[i], line_);
      sink_.Write(line_);
    }
    return sink_.write_error() == 0;
  }

  bool Finish(Streams& io, ExitCode& exit_code) override {
    std::string error;
    if (sink_.Finish(error)) return true;
    exit_code = sink_.write_error() == EPIPE ? ExitCode::kBrokenPipe : ExitCode::kFailure;
    if (exit_code == ExitCode::kFailure) ReportProblem(io, error);
    return false;
  }

 private:
  LabelFormat format_;
  OutputSink sink_;
  std::string line_;
};

class CopyDestination final : public LabelDestination {
 public:
  bool Open(gdal::LayerTable& table, const LabelRequest& request, Streams& io,
            ExitCode& exit_code) {
    gdal::CopyError error;
    copy_ = gdal::LayerCopy::Create(table, request.to_path, request.copy, error);
    if (copy_) return true;
    std::string message = error.message;
    switch (error.kind) {
      case gdal::CopyErrorKind::kOutputExists: message += " (use --overwrite to replace it)"; break;
      case gdal::CopyErrorKind::kFieldExists: message += " (choose another --field)"; break;
      default: break;
    }
    ReportProblem(io, message);
    exit_code =
        error.kind == gdal::CopyErrorKind::kWriteFailed ? ExitCode::kFailure : ExitCode::kUsage;
    return false;
  }

  // A format that limits names (a Shapefile's ten characters) renames
  // fields; labels looked up by the name asked for would not be found.
  void WarnOfRenamedFields(const LabelRequest& request, Streams& io) const {
    for (const gdal::FieldRename& renamed : copy_->RenamedFields()) {
      ReportWarning(io, "field '" + renamed.asked + "' is named '" + renamed.written + "' in '" +
                            request.to_path + "': the " + request.copy.driver +
                            " format shortened it");
    }
  }

  bool Take(LabelledBatch& batch) override {
    for (std::size_t i = 0; i < batch.labels.size(); ++i) {
      if (!copy_->Add(batch.features, i, batch.labels[i], error_)) return false;
    }
    return true;
  }

  bool Finish(Streams& io, ExitCode& exit_code) override {
    if (error_.message.empty() && copy_->Commit(error_)) return true;
    ReportProblem(io, error_.message);
    exit_code = ExitCode::kFailure;
    return false;
  }

 private:
  std::unique_ptr<gdal::LayerCopy> copy_;
  gdal::CopyError error_;
};

}  // namespace

std::unique_ptr<LabelDestination> OpenLabelDestination(const LabelRequest& request,
                                                       gdal::LayerTable& table, Streams& io,
                                                       ExitCode& exit_code) {
  if (request.to_path.empty()) {
    if (const auto refused = CheckLabelsOutput(request.output_path, request.overwrite, table,
                                               request.source_path, io)) {
      exit_code = *refused;
      return nullptr;
    }
    auto stream = std::make_unique<StreamDestination>(request.format);
    if (!stream->Open(request.output_path, io)) {
      exit_code = ExitCode::kFailure;
      return nullptr;
    }
    return stream;
  }
  auto copy = std::make_unique<CopyDestination>();
  if (!copy->Open(table, request, io, exit_code)) return nullptr;
  copy->WarnOfRenamedFields(request, io);
  return copy;
}

}  // namespace pelt::tools
