// Model entries converted to glTF or OBJ: on extraction, when the user says so,
// and by Export Model.
#include "engine/mVarnokEngine.h"
#include "formats/cRFD.h"
#include "formats/cRFH.h"
#include "formats/model/XbfFile.h"
#include "modelexport/ModelExport.h"
#include "platform/Win1252.h"

namespace varnok {
namespace fs = std::filesystem;

namespace {

bool SameNameIgnoringCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i])) return false;
    }
    return true;
}

std::string LastPart(const std::string& name) { return name.substr(name.find_last_of("\\/") + 1); }

std::optional<modelexport::ModelFormat> FormatOfFile(const std::string& path) {
    const std::string extension = fs::path(path).extension().string();
    for (auto format : {modelexport::ModelFormat::Glb, modelexport::ModelFormat::Gltf, modelexport::ModelFormat::Obj}) {
        if (SameNameIgnoringCase(extension, modelexport::ModelExtension(format))) return format;
    }
    return std::nullopt;
}

}  // namespace

bool mVarnokEngine::IsModelEntry(std::int32_t n) const {
    return !isBag_ && rfh_ && n >= 1 && n <= fileCount_ && model::IsModelName(rfh_->GetFileName(n));
}

bool mVarnokEngine::DecideModelConversion(std::int32_t n) {
    if (!IsModelEntry(n)) return false;
    if (const auto known = conversions_.find(n); known != conversions_.end()) return known->second;
    bool convert = modelsToAll_.value_or(false);
    if (!modelsToAll_) {
        const ConvertAnswer answer = ui_.AskConvert(kModelQuestion, appTitle_);
        convert = answer == ConvertAnswer::Yes || answer == ConvertAnswer::YesToAll;
        if (answer == ConvertAnswer::YesToAll || answer == ConvertAnswer::NoToAll) modelsToAll_ = convert;
    }
    conversions_[n] = convert;
    return convert;
}

std::optional<Bytes> mVarnokEngine::TextureBytes(const std::string& name) const {
    if (isBag_ || !rfh_ || !rfd_) return std::nullopt;
    const std::string wanted = LastPart(name);
    for (std::int32_t n = 1; n <= fileCount_; ++n) {
        if (!SameNameIgnoringCase(rfh_->GetFileName(n), wanted)) continue;
        try {
            return rfd_->RFDReadFile(rfh_->GetOffSet(n), rfh_->GetPackedSize(n), rfh_->GetOriginalSize(n),
                                     rfh_->GetPacked(n) == "Yes", UINT64_MAX);
        } catch (const std::exception&) {
            return std::nullopt;
        }
    }
    return std::nullopt;
}

void mVarnokEngine::ConvertModelEntry(std::int32_t n, const fs::path& target) const {
    const Bytes bytes = rfd_->RFDReadFile(rfh_->GetOffSet(n), rfh_->GetPackedSize(n), rfh_->GetOriginalSize(n),
                                          rfh_->GetPacked(n) == "Yes", UINT64_MAX);
    modelexport::ConvertModelFile(
        bytes, [this](const std::string& name) { return TextureBytes(name); }, target, modelFormat_);
}

void mVarnokEngine::ExportModel(std::int32_t n) {
    if (!IsModelEntry(n)) return;
    const std::string offered = Win1252ToUtf8(modelexport::ConvertedModelName(rfh_->GetFileName(n), modelFormat_));
    const std::string chosen = ui_.SaveFileDialog(
        offered, "glTF binary (*.glb)|*.glb|glTF with its files (*.gltf)|*.gltf|Wavefront OBJ (*.obj)|*.obj");
    if (chosen.empty() || chosen == offered) return;
    const auto format = FormatOfFile(chosen);
    if (!format) {
        Report("The model could not be exported: " + fs::path(chosen).filename().string() +
               " does not end in .glb, .gltf or .obj.");
        return;
    }
    ui_.SetPanel(Panel::Message, "Exporting model: " + offered);
    try {
        const Bytes bytes = rfd_->RFDReadFile(rfh_->GetOffSet(n), rfh_->GetPackedSize(n), rfh_->GetOriginalSize(n),
                                              rfh_->GetPacked(n) == "Yes", UINT64_MAX);
        modelexport::ConvertModelFile(
            bytes, [this](const std::string& name) { return TextureBytes(name); }, fs::path(chosen), *format);
    } catch (const std::exception& e) {
        ui_.SetPanel(Panel::Message, "The model could not be exported.");
        Report("The model could not be exported: " + std::string(e.what()));
        return;
    }
    ui_.SetPanel(Panel::Message, "Model exported: " + fs::path(chosen).filename().string());
}

}  // namespace varnok
