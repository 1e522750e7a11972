#pragma once

#include "model/RecentProject.h"
#include "model/WallpaperImage.h"
#include "model/WallpaperMode.h"
#include "platform/Defaults.h"
#include "platform/Observation.h"
#include "platform/UndoManager.h"
#include "platform/Uuid.h"

#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace tl {

// The one store of the open project. Every undoable change records a snapshot
// of the project fields before it, so undo and redo are whole-state restores.
// Main thread only.
class AppState {
public:
    static constexpr std::string_view recentProjectsKey = "TidelumineAIRecentProjects";
    static constexpr std::string_view currentGenerationJobIdKey = "TidelumineAICurrentGenerationJobId";
    static constexpr std::string_view currentGenerationIdempotencyKeyKey
        = "TidelumineAICurrentGenerationIdempotencyKey";
    static constexpr std::string_view currentGenerationLastEventIdKey = "TidelumineAICurrentGenerationLastEventId";
    static constexpr std::string_view clientIdKey = "TidelumineAIClientId";

    static constexpr std::string_view defaultMagicSize = "1024x576";
    static constexpr std::int64_t defaultMagicTweenCount = 3;

    // The fields undo restores, copied by value.
    struct Snapshot {
        std::vector<WallpaperImage> images;
        WallpaperMode mode;
        std::set<Uuid> selectedImageIds;
        std::optional<Uuid> lastSelectedImageId;
        std::optional<std::filesystem::path> currentProjectPath;
        std::uint64_t contentVersion = 0;
        std::string lastMagicPrompt;
        std::string lastMagicSize;
        std::int64_t lastMagicTweenCount;
        std::string lastMagicStartingImageFileName;
        std::uint64_t projectGeneration = 0;
    };

    // One row of the sun's path over the reference day.
    struct SolarTimeSample {
        double hour;
        double altitude;
        double azimuth;
    };

    // Loads the recent projects and the generation identifiers from `defaults`,
    // which must outlive the store.
    explicit AppState(Defaults& defaults);
    ~AppState();
    AppState(const AppState&) = delete;
    AppState& operator=(const AppState&) = delete;

    // Weak: the window owns its undo manager. Without one, changes are not recorded.
    std::weak_ptr<UndoManager> undoManager;

    Observable<std::vector<WallpaperImage>> images;
    Observable<WallpaperMode> mode { WallpaperMode::time };
    // Every write, whole or in place, moves the anchor by the selection-change rule.
    Observable<std::set<Uuid>> selectedImageIds;
    Observable<std::optional<Uuid>> lastSelectedImageId;
    Observable<std::optional<std::filesystem::path>> currentProjectPath;
    // Whether the project differs from what its package holds. Writing true says the content
    // changed, writing false that its package now holds it; undo and redo work it out.
    Observable<bool> isDirty { false };
    Observable<std::vector<RecentProject>> recentProjects;
    Observable<std::string> lastMagicPrompt;
    Observable<std::string> lastMagicSize { std::string(defaultMagicSize) };
    Observable<std::int64_t> lastMagicTweenCount { defaultMagicTweenCount };
    Observable<std::string> lastMagicStartingImageFileName;
    // Each write of these three is stored in the defaults at once.
    Observable<std::optional<std::string>> currentGenerationJobId;
    Observable<std::optional<std::string>> currentGenerationIdempotencyKey;
    Observable<std::optional<std::string>> currentGenerationLastEventId;
    Observable<std::string> clientId;

    // Which project is open. Another project taking its place (new, open, close, a replaced
    // timeline) gives a new number; undoing back to it brings the old one back. Work that
    // finishes later acts on the project only while the number is still the one it started with.
    std::uint64_t projectGeneration() const { return projectGeneration_; }
    // Which state of the content this is: every change gives a new number, undo brings the old
    // one back. A save records the number it wrote.
    std::uint64_t contentVersion() const { return contentVersion_; }
    // The package now holds the content as it was at `version`, with `record` as its record,
    // whichever project is open.
    void recordSavedState(const std::filesystem::path& package, std::uint64_t version, std::string record);
    // The record this store last read from or wrote to `package`, if any: another one there now
    // means another program changed the package since.
    std::optional<std::string> knownRecord(const std::filesystem::path& package) const;
    // The names of the files the open project and its undo and redo steps refer to: a package
    // keeps these among its frame files, since an undo may bring any of them back.
    std::set<std::string> fileNamesInUse() const;

    // Undo support.
    Snapshot makeSnapshot() const;
    void restore(const Snapshot& snapshot, const std::string& actionName);
    void beginBatch(std::optional<std::string> actionName);
    void endBatch();
    // Puts the project back as it was when the batch began and closes it without an undo step.
    void abandonBatch();
    bool hasOpenBatch() const { return batchSnapshot_.has_value(); }

    // Timeline operations.
    void setImages(std::vector<WallpaperImage> newImages, std::optional<WallpaperMode> newMode, bool clearProjectPath);
    void replaceImages(std::vector<WallpaperImage> newImages, const std::string& actionName, bool markDirty);
    void insertImages(std::vector<WallpaperImage> newImages, std::ptrdiff_t index, const std::string& actionName);
    void addImage(WallpaperImage image);
    void addImage(const std::filesystem::path& file);
    void updateImage(const WallpaperImage& image);
    void deleteImage(const Uuid& id);
    void deleteAllTweens();
    void setMode(WallpaperMode newMode);
    void reorderImages(const Uuid& moving, const Uuid& onto);
    void applyOpenedProject(std::vector<WallpaperImage> openedImages, WallpaperMode openedMode,
        const std::filesystem::path& url, std::optional<std::string> magicPrompt, std::optional<std::string> magicSize,
        std::optional<std::int64_t> magicTweenCount, std::optional<std::string> magicStartingImageFileName,
        std::optional<std::string> record = std::nullopt);
    void newProject(const std::string& actionName);
    void closeProject(const std::string& actionName);
    void normalizeImages();

    // Selection: records no undo and leaves the dirty flag alone.
    void select(std::optional<Uuid> id);
    void toggleSelection(const Uuid& id);
    void extendSelection(const Uuid& target);
    std::optional<WallpaperImage> selectedImage() const;
    // The images that are not tweens.
    int keyImageCount() const;
    // More than one key image: tweens never count.
    bool hasMultipleKeyImages() const;

    // Hours of the day from sun positions, by the nearest row of a fixed table of
    // the sun's path on 2024-03-20 at latitude 40, longitude 0.
    static const std::vector<SolarTimeSample>& solarTable();
    static double hourForSolarPosition(double altitude, double azimuth);
    // The hour an image sorts by in time mode, in [0, 24).
    static double effectiveHour(const WallpaperImage& image);

    // Recent projects and generation identifiers, kept in the defaults.
    void addRecentProject(const std::filesystem::path& url);
    void loadRecentProjects();
    void saveRecentProjects();
    void loadGenerationState();
    void saveGenerationState();

private:
    void recordUndo(Snapshot before, const std::string& actionName);
    void assign(const Snapshot& snapshot);
    void applySelectionChangeRule(const std::set<Uuid>& oldSelection);
    void pruneSelection();
    void removeFromSelection(const std::set<Uuid>& ids);
    void resetProject(const std::string& actionName);
    void startAnotherProject();
    // Where the content is kept: the package, or, for a project never saved, its generation,
    // whose empty start is clean.
    using Place = std::variant<std::uint64_t, std::filesystem::path>;
    Place place() const;
    void noteDirtyFlagWrite();
    void refreshDirtyFlag();

    Defaults& defaults_;
    // Every manager this store registered actions with, so none keeps them after it is gone.
    std::vector<std::weak_ptr<UndoManager>> registeredManagers_;
    std::optional<Snapshot> batchSnapshot_;
    std::optional<std::string> batchActionName_;
    std::uint64_t projectGeneration_ = 0;
    std::uint64_t lastProjectGeneration_ = 0;
    std::uint64_t contentVersion_ = 0;
    std::uint64_t lastContentVersion_ = 0;
    // The content version each place holds, as far as this store knows.
    std::map<Place, std::uint64_t> keptVersions_;
    // What this store last read from or wrote to each package: the content's version and the record.
    struct PackageState {
        std::uint64_t version;
        std::string record;
    };
    std::map<std::filesystem::path, PackageState> packageStates_;
    // The snapshots held by registered undo and redo steps; each goes when its step is dropped.
    std::vector<std::weak_ptr<const Snapshot>> undoSnapshots_;
    bool refreshingDirtyFlag_ = false;
};

} // namespace tl
