#pragma once

#include "app/AppState.h"
#include "generation/GenerationFailure.h"
#include "platform/Observation.h"
#include "platform/WorkerRuns.h"

#include <QImage>

#include <functional>
#include <optional>
#include <stop_token>
#include <string>

namespace tl {
struct GenerationServices;
}

namespace tl::ui {

// The image edit sheet's state and steps: one frame regenerated against the timeline's
// reference frame through the product's server, previewed, then applied or discarded. It never
// changes the store; applying hands the returned bytes to whoever presented the sheet. The
// request runs on a worker that is stopped when the model goes, so a late answer never lands.
class ImageEditModel {
public:
    // One two-image edit sent to the server at the address: the reference frame's bytes, the
    // current frame's, the prompt.
    using EditRequest = std::function<GenerationResult<std::string>(const std::string& serverURL,
        const std::string& reference, const std::string& current, const std::string& prompt, std::stop_token stop)>;
    // Where and how the edit goes. The address is read on the GUI thread as each request starts,
    // so a server changed in Settings meanwhile is the one asked; the request runs on a worker.
    struct EditService {
        std::function<std::string()> serverURL;
        EditRequest request;
    };

    // The product's server at the address the settings show, through a new proxy client (with
    // its own token) for every request.
    static EditService proxyService(const GenerationServices& generation);

    ImageEditModel(const AppState& appState, WallpaperImage imageToEdit, EditService service);
    ImageEditModel(const ImageEditModel&) = delete;
    ImageEditModel& operator=(const ImageEditModel&) = delete;

    Observable<std::string> editPrompt;
    Observable<bool> isGenerating { false };
    Observable<double> progress { 0 };
    Observable<std::string> progressMessage;
    // The returned image, not yet applied, and its picture.
    Observable<std::optional<std::string>> generatedPreview;
    QImage previewPicture;
    Observable<std::optional<std::string>> errorMessage;

    const WallpaperImage& imageToEdit() const { return imageToEdit_; }
    // The first key frame without a parent, looked up afresh each time.
    std::optional<WallpaperImage> referenceImage() const;

    // "Generate Fix" or "Apply Changes".
    std::string mainButtonTitle() const;
    bool mainButtonEnabled() const;
    bool showsDiscard() const { return generatedPreview.get().has_value(); }
    bool discardEnabled() const { return !isGenerating.get(); }

    // Starts a regeneration; the main button's action while there is no preview.
    void regenerate();
    void discard();

    // Tests: waits for the request's worker (its posts still need the event loop).
    void waitForWorkers() { runs_.waitForWorkers(); }

private:
    // What one regeneration sends, taken on the GUI thread as it starts.
    struct Request {
        std::string serverURL;
        std::string referencePath;
        std::string currentPath;
        std::string prompt;
    };

    // The request's worker: reads both pictures, asks the server and posts the outcome.
    void send(const Request& request, const WorkerRuns::Run& run);
    void fail(const std::string& message);

    const AppState& appState_;
    const WallpaperImage imageToEdit_;
    EditService service_;
    WorkerRuns runs_;
};

} // namespace tl::ui
