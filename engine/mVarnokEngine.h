#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "engine/EditGuard.h"
#include "engine/EngineUi.h"
#include "engine/ListRow.h"
#include "formats/io/File.h"
#include "modelexport/ModelExport.h"

namespace varnok {

class cRFH;
class cRFD;
class cBAG;
struct ArchiveLocation;

// The types the new-archive dialog offers, by their positions in its list.
enum class NewArchiveType { BAG = 0, RFH = 1 };

// An archive the scan of the game's data folders found: the caption of its
// File > Found entry (its folder below the game folder, then the file name in
// upper case) and the file's real path.
struct FoundArchive {
    std::string caption;
    std::string path;
};

// The one open archive and every operation on it. The window, the command-line
// tool and the tests drive it through the same operations; it reaches the user
// only through its EngineUi.
//
// Paths and texts are UTF-8; stored names are converted from Windows-1252 only
// where they become row texts or disk paths.
class mVarnokEngine {
public:
    explicit mVarnokEngine(EngineUi& ui);
    ~mVarnokEngine();
    mVarnokEngine(const mVarnokEngine&) = delete;
    mVarnokEngine& operator=(const mVarnokEngine&) = delete;

    // --- State -------------------------------------------------------------
    const std::string& ArchivePath() const noexcept { return archivePath_; }
    std::int32_t FileCount() const noexcept { return fileCount_; }
    bool IsBAG() const noexcept { return isBag_; }
    std::int32_t SelectedCount() const noexcept { return selectedCount_; }
    std::int64_t SelectedBytes() const noexcept { return selectedBytes_; }
    // True while the open archive may not be changed: its table could not be read
    // whole, or this user can't write it where it is (ReadOnlyReason says why).
    bool IsReadOnly() const noexcept { return readOnly_; }
    const std::string& ReadOnlyReason() const noexcept { return readOnlyReason_; }
    // True when the open index could not be read to its end: only its first
    // entries are listed.
    bool TableCut() const;
    // The user's own read-only switch (the window's "Read Only" box): while it is
    // on, every change of the open archive is refused. It outlasts the archive.
    void SetUserReadOnly(bool on) noexcept { userReadOnly_ = on; }
    bool IsUserReadOnly() const noexcept { return userReadOnly_; }
    bool ListMouseDown = false;

    const std::string& AppTitle() const noexcept { return appTitle_; }
    const std::string& OpenFilter() const noexcept { return openFilter_; }
    const std::string& RFHFilter() const noexcept { return rfhFilter_; }
    const std::string& BAGFilter() const noexcept { return bagFilter_; }

    // The file list's rows; row k (1-based) is Rows()[k - 1].
    const std::vector<ListRow>& Rows() const noexcept { return rows_; }
    int RowCount() const noexcept { return static_cast<int>(rows_.size()); }
    const ListRow& Row(int k) const { return rows_.at(static_cast<std::size_t>(k - 1)); }

    // The open-with extensions of the plug-ins, slots 1 to 50 (slot 0 unused).
    std::array<std::string, 51>& PlugInTypes() noexcept { return plugInTypes_; }

    // The answer last given to the overwrite question; None before the first.
    OverwriteAnswer LastOverwriteAnswer() const noexcept { return overwriteAnswer_; }

    // How many problems the operations have reported to the user since the last
    // ResetProblems(): files that could not be read, written, added or removed.
    int ProblemCount() const noexcept { return problems_; }
    void ResetProblems() noexcept { problems_ = 0; }

    // The format objects, for read-only queries of the open archive.
    const cRFH& Index() const { return *rfh_; }
    const cRFD& Data() const { return *rfd_; }
    const cBAG& Bag() const { return *bag_; }

    // --- Opening and listing ----------------------------------------------
    void InitEngine();
    void OpenArchive(const std::string& path);
    void CloseArchive();
    void RefreshArchive();
    void OpenArchiveDialog();
    void OpenFavorite(int index);
    void UpdateSelection();
    // The list's click events: they recompute the totals unless a drag is on.
    void ListClicked();
    void ListMouseReleased();

    // --- Extraction -------------------------------------------------------
    void ExtractSelectedFiles(bool askOverwrite);
    OverwriteAnswer AskOverwrite(const std::string& fileName, const std::string& folder);
    // Whether an existing target is written over: the user's answer, or the
    // running command's "to all" answer once given.
    bool OverwriteExisting(const std::string& fileName, const std::string& folder);
    void ExtractAllFiles(const std::string& folder, bool overwrite, bool keepStructure, bool askOverwrite);
    // Extract-all over a chosen set of entries (numbers 1-based, in this order).
    void ExtractEntries(const std::vector<std::int32_t>& numbers, const std::string& folder, bool overwrite,
                        bool keepStructure, bool askOverwrite);
    void ExtractDirectory(const std::string& storedFolder, const std::string& folder, bool overwrite);

    // --- Adding and removing ----------------------------------------------
    void AddFileToArchive(const std::string& sourceFile, const std::string& filePath);
    void AddDirectoryToArchive(const std::string& sourceDirectory, const std::string& filePath);
    void BrowseAndAddFile();
    // Several files in one command: one question list, one rewrite of a BAG archive.
    void AddFilesToArchive(const std::vector<std::string>& files, const std::string& filePath);
    // Files and folders dropped on the list; a folder adds the files directly in it,
    // as Add Directory does. They go under `storedFolder`, the folder of the row
    // they were dropped on ("" for the root).
    void AddDroppedFiles(const std::vector<std::string>& files, const std::string& storedFolder = "");
    // Whether sounds added to a BAG archive are stored as IMA ADPCM, as the game's
    // own speech and effects, rather than as they come.
    void SetAddAsAdpcm(bool on) noexcept { addAsAdpcm_ = on; }
    bool AddAsAdpcm() const noexcept { return addAsAdpcm_; }
    void RemoveFileFromArchive(std::int32_t fileNr, bool renumber);
    void RemoveSelectedFiles();
    void RemoveDirectoryFromArchive(const std::string& filePath);
    void RemoveAllFiles();
    // Whether the removal commands ask before they remove (the window); a front
    // end whose command already names the entries (the command line) turns it off.
    void AskBeforeRemoving(bool ask) noexcept { askBeforeRemoving_ = ask; }
    // When another program changed the archive before an edit began, the edit
    // reads the archive again and does nothing. A front end that can plan its
    // edit again on the new list (the command line, which names entries) turns
    // this on: the edit then says nothing, and TakeArchiveReread tells it to retry.
    void ReplanOnChange(bool on) noexcept { replanOnChange_ = on; }
    // True (once) when an edit since the last call found the archive changed and read it again.
    bool TakeArchiveReread() noexcept { return std::exchange(archiveReread_, false); }
    bool ArchiveWasReread() const noexcept { return archiveReread_; }

    // --- Renaming and changing paths --------------------------------------
    void RenameFileEntry(const std::string& newName);
    void ChangeFilePath(const std::string& newPath);
    // The rename dialog's Ok: the typed text made into a name or a path by the
    // dialog's rules, put into the current row and saved.
    void ConfirmRename(const std::string& typed);
    void ConfirmChangePath(const std::string& typed);

    // --- Viewing ----------------------------------------------------------
    void ViewFile();
    std::string ViewFileWith();

    // The extract step every command uses: entry n written to target. A BAG sound
    // entry leaves as a WAVE file when the running command decided so, or when the
    // user says so now.
    void ExtractEntry(std::int32_t n, const std::filesystem::path& target);
    // The same with the decision taken; safe on a worker thread.
    void ExtractEntry(std::int32_t n, const std::filesystem::path& target, bool convert) const;
    // The file name entry n is extracted under: a BAG sound entry that leaves as a
    // WAVE file is named ".wav". Asks the conversion question at the first call
    // for an entry in a command.
    std::string ExtractionName(std::int32_t n);
    // Takes the running command's decision for entry n (asking when none was made).
    bool TakeConversion(std::int32_t n);

    // --- Models -------------------------------------------------------------
    // An extract command converts a model entry (.xbf) of an RFH archive into the
    // model format set here when the user says so, asked as sounds are.
    static constexpr const char* kModelQuestion = "Convert models to glTF?";
    void SetModelFormat(modelexport::ModelFormat format) noexcept { modelFormat_ = format; }
    modelexport::ModelFormat ModelFormat() const noexcept { return modelFormat_; }
    bool IsModelEntry(std::int32_t n) const;
    // Export Model: entry n converted into a file the user picks; its extension
    // (.glb, .gltf or .obj) says the format.
    void ExportModel(std::int32_t n);
    // The bytes of the archive's texture `name` names: the entry of that file
    // name in any folder and any letter case; nothing when there is none or it
    // cannot be read. Safe on a worker thread.
    std::optional<Bytes> TextureBytes(const std::string& name) const;

    // Entry n written into `folder` under its file name, for a drag out of the
    // list; the path written, or "" when it could not be (the user is told why).
    std::filesystem::path ExtractEntryInto(std::int32_t n, const std::filesystem::path& folder);

    // --- Testing ----------------------------------------------------------
    // Test Archive: reads every entry as extraction would, with progress, and
    // reports each damaged one with the reason; an intact archive is said so in
    // panel 1. Writes nothing.
    void TestArchive();

    // --- Archive files: create, copy, move, rename, delete ----------------
    // The new-archive dialog's Ok. False when the dialog is to stay loaded,
    // hidden, with what it holds, for another try: no usable name, an overwrite
    // declined, or the files could not be written.
    bool ConfirmCreateArchive(const std::string& fileName, NewArchiveType type, const std::string& directoryToAdd);
    // Writes an archive of no entries: an empty index and an empty data file.
    void CreateEmptyArchive(const std::string& fileName);
    // The save dialog for a new archive's name, with the filter of its type;
    // `current` back when it is cancelled.
    std::string BrowseNewArchiveName(const std::string& current, NewArchiveType type);
    // Points the engine at the open archive's new place; the list stays.
    void SetArchivePath(const std::string& newPath);
    // The move/copy dialog's Ok: the archive at `source` (the one open when the
    // dialog was shown) copied or moved into `folder`.
    void CopyArchive(const std::string& source, const std::string& folder);
    void MoveArchive(const std::string& source, const std::string& folder);
    // The rename dialog's Rename: the archive at `oldPath` renamed to the file
    // name of `typed` in the same folder.
    void RenameArchive(const std::string& oldPath, const std::string& typed);
    void DeleteArchive();

    // --- Finding ----------------------------------------------------------
    // Find File: the nearest row after (down) or before (up) the current one
    // whose file name equals `name`, ASCII letters in any case. It is selected
    // and made current; the row, or 0 when none.
    int FindFile(const std::string& name, bool down);
    // The start-up scan of the game's data folders; fills File > Found. An empty
    // game folder finds nothing.
    const std::vector<FoundArchive>& SearchRFH(const std::filesystem::path& gameFolder);
    const std::vector<FoundArchive>& FoundArchives() const noexcept { return found_; }
    // Opens Found entry k (1-based).
    void OpenFoundArchive(int k);

private:
    // Listing
    ListRow MakeRow(std::int32_t n) const;
    void ListEntries(bool hideList);
    void ShowArchiveSize(bool indexToo);
    std::string DataPath() const;
    void ApplyCommandState();
    void ResyncWithDisk();
    std::string WhyNotEditable(const ArchiveLocation& where) const;

    // Reporting
    bool RefuseEdit();
    bool RefuseWithoutPayloads();
    // The one gate of every edit: the archive is the one read, this process holds
    // its lock, the user may write it and the data file holds every entry. Empty
    // (after telling the user why, and reloading the list when another program
    // changed the archive) when the edit may not run. `overwritesUnused`: the edit
    // writes payloads after the last entry, over bytes no entry accounts for.
    std::optional<EditPermit> AdmitEdit(bool overwritesUnused);
    void Report(const std::string& text, MessageIcon icon = MessageIcon::Exclamation, const std::string& title = {});
    void ReportFailures(const std::string& heading, const std::vector<std::string>& lines);

    // Editing
    void SaveIndex(EditPermit& permit, ReplacementFile::Sync sync = ReplacementFile::Sync::Durable);
    void SaveAddedEntries(EditPermit& permit);
    void TrimDataFile(EditPermit& permit);
    // Writes a file's payload into the data file at an offset; returns its packed length.
    using PayloadWriter = std::function<std::int32_t(std::int32_t offset)>;
    bool AppendEntry(EditPermit& permit, const std::string& sourceFile, const std::string& filePath, std::string& why,
                     const PayloadWriter& writePayload);
    bool AddOneFile(EditPermit& permit, const std::string& sourceFile, const std::string& filePath,
                    std::vector<std::string>& failures, const PayloadWriter& writePayload = {});
    void AddFiles(EditPermit& permit, const std::vector<std::string>& files, const std::string& filePath,
                  bool zeroBasedProgress, std::vector<std::string>& failures);
    void FinishAdding(EditPermit& permit, std::vector<std::string>& failures);
    // An add command's files split into new entries and replacements of entries of
    // the same stored name (asked about; declined files are in neither).
    struct Replacement {
        std::int32_t number;
        std::string file;
    };
    struct AddPlan {
        std::vector<std::string> appends;
        std::vector<Replacement> replacements;
    };
    AddPlan PlanAdds(const std::vector<std::string>& files, const std::string& filePath);
    std::int32_t EntryReplacedBy(const std::string& file, const std::string& storedFolder,
                                 const std::map<std::string, std::int32_t>& byName) const;
    void AddBatch(EditPermit& permit, const std::vector<std::string>& files, const std::string& filePath,
                  bool zeroBasedProgress);
    void ReplaceEntries(EditPermit& permit, const std::vector<Replacement>& replacements,
                        std::vector<std::string>& failures);
    int AddToBag(EditPermit& permit, const AddPlan& plan, std::vector<std::string>& failures);
    bool RemoveBagEntries(EditPermit& permit, const std::vector<std::int32_t>& numbers);
    void RenameBagEntry(std::int32_t n, const std::string& newName);
    bool IsArchiveFile(const std::string& file) const;
    bool ConfirmRemoval(const std::vector<std::int32_t>& numbersDescending);
    bool RemoveEntries(EditPermit& permit, const std::vector<std::int32_t>& numbersDescending);
    void RemoveRows(const std::vector<std::int32_t>& numbersDescending);
    void RemoveBatch(EditPermit& permit, const std::vector<std::int32_t>& numbersDescending);
    void RemoveNumbered(const std::vector<std::int32_t>& numbersDescending, const std::string& none);
    void RenumberRows(int from);
    void AfterRemoval();
    std::int32_t CurrentEntryNumber() const;
    bool SaveRenamed(std::int32_t n, const std::function<void()>& change, Column column, const std::string& cell);

    // Extraction
    std::string EntryFileName(std::int32_t n) const;
    std::string EntryStoredFolder(std::int32_t n) const;
    bool ExtractTo(std::int32_t n, const std::filesystem::path& target, std::vector<std::string>& failures);
    std::filesystem::path TargetIn(const std::filesystem::path& folder, std::int32_t n, bool keepStructure,
                                   std::vector<std::string>& failures);
    bool DecideConversion(std::int32_t n);
    bool DecideModelConversion(std::int32_t n);
    void ConvertModelEntry(std::int32_t n, const std::filesystem::path& target) const;
    void ResetConversions();

    // Archive files
    void TransferArchive(const std::string& source, const std::string& folder, bool move);
    // The held files, after our own move or rename of them, under their new names.
    void FollowArchiveFiles(const std::string& newPath);
    // True when `path` still leads to the held file `k` (0: the index or BAG, 1: the data file).
    bool StillTheHeldFile(const std::filesystem::path& path, std::size_t k) const;
    bool HoldsBag(const std::string& path) const;

    EngineUi& ui_;
    std::unique_ptr<cRFH> rfh_;
    std::unique_ptr<cRFD> rfd_;
    std::unique_ptr<cBAG> bag_;

    std::string archivePath_;          // as the user named it
    std::filesystem::path indexPath_;  // the real index or BAG file, every link resolved
    std::string readOnlyReason_;       // why this user can't change the open archive here
    std::int32_t fileCount_ = 0;
    bool isBag_ = false;
    bool readOnly_ = false;
    bool userReadOnly_ = false;
    std::int32_t selectedCount_ = 0;
    std::int64_t selectedBytes_ = 0;
    std::string appTitle_;
    std::string openFilter_;
    std::string rfhFilter_;
    std::string bagFilter_;
    std::vector<ListRow> rows_;
    std::array<std::string, 51> plugInTypes_;
    bool yesToAll_ = false;
    bool noToAll_ = false;
    std::map<std::int32_t, bool> conversions_;  // the running command's WAVE and model decisions by entry
    std::optional<bool> modelsToAll_;           // the running command's "to all" answer for models
    modelexport::ModelFormat modelFormat_ = modelexport::ModelFormat::Glb;
    OverwriteAnswer overwriteAnswer_ = OverwriteAnswer::None;
    int problems_ = 0;
    std::vector<FoundArchive> found_;
    EditGuard guard_;
    bool askBeforeRemoving_ = true;
    bool replanOnChange_ = false;
    bool archiveReread_ = false;
    int appendedSinceFinish_ = 0;      // entries the running add command appended
    std::filesystem::path addMarker_;  // the running add's marker, to be removed when it ends
    bool addAsAdpcm_ = false;
};

}  // namespace varnok
