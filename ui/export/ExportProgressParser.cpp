#include "ui/export/ExportProgressParser.h"

#include <algorithm>
#include <charconv>
#include <optional>
#include <regex>
#include <string>
#include <vector>

namespace tl::ui {
namespace {

// n of the first "n/m" in the message; both counts must be decimal integers.
std::optional<long long> frameOrdinal(std::string_view message)
{
    static const std::regex counts(R"((\d+)/(\d+))");
    std::match_results<std::string_view::const_iterator> match;
    if (!std::regex_search(message.begin(), message.end(), match, counts)) return std::nullopt;
    long long ordinal = 0;
    long long total = 0;
    const auto first = match[1];
    const auto second = match[2];
    if (std::from_chars(&*first.first, &*first.first + first.length(), ordinal).ec != std::errc {}) {
        return std::nullopt;
    }
    if (std::from_chars(&*second.first, &*second.first + second.length(), total).ec != std::errc {}) {
        return std::nullopt;
    }
    return ordinal;
}

bool setStatus(ExportFrameInfo& frame, ExportFrameStatus status)
{
    if (frame.status == status) return false;
    frame.status = status;
    return true;
}

bool markKeyFrameInWork(std::vector<ExportFrameInfo>& frames, long long ordinal)
{
    bool changed = false;
    long long key = 0;
    for (auto& frame : frames) {
        if (!frame.isKeyFrame) continue;
        ++key;
        if (key < ordinal) changed |= setStatus(frame, ExportFrameStatus::complete);
        if (key == ordinal) changed |= setStatus(frame, ExportFrameStatus::upscaling);
    }
    return changed;
}

// The key frames (from 1) an upscaling run's line names as in work: "Upscaling frames 1, 3 and 4 of 5 · tile
// ...", or none once every frame with tiles is written: "Upscaling · tile ...".
std::optional<std::vector<long long>> framesInWork(std::string_view message)
{
    static const std::regex line(R"(^Upscaling (?:frames? ((?:\d+(?:, | and ))*\d+) of \d+ )?· tile )");
    std::match_results<std::string_view::const_iterator> match;
    if (!std::regex_search(message.begin(), message.end(), match, line)) return std::nullopt;
    static const std::regex number(R"(\d+)");
    std::vector<long long> ordinals;
    for (auto it = std::regex_iterator(match[1].first, match[1].second, number); it != decltype(it) {}; ++it) {
        long long ordinal = 0;
        const auto digits = (*it)[0];
        if (std::from_chars(&*digits.first, &*digits.first + digits.length(), ordinal).ec != std::errc {})
            return std::nullopt;
        ordinals.push_back(ordinal);
    }
    return ordinals;
}

// Frames leave the line only when they are done, and they start in order, so a key frame the line
// no longer names, or one before the first it names, is complete.
bool markKeyFramesInWork(std::vector<ExportFrameInfo>& frames, const std::vector<long long>& ordinals)
{
    bool changed = false;
    long long key = 0;
    for (auto& frame : frames) {
        if (!frame.isKeyFrame) continue;
        ++key;
        if (std::ranges::find(ordinals, key) != ordinals.end())
            changed |= setStatus(frame, ExportFrameStatus::upscaling);
        else if ((!ordinals.empty() && key < ordinals.front()) || frame.status == ExportFrameStatus::upscaling)
            changed |= setStatus(frame, ExportFrameStatus::complete);
    }
    return changed;
}

} // namespace

bool applyExportMessage(std::vector<ExportFrameInfo>& frames, std::string_view message)
{
    const auto contains = [message](std::string_view text) { return message.find(text) != std::string_view::npos; };

    if (const auto ordinals = framesInWork(message)) return markKeyFramesInWork(frames, *ordinals);
    if (contains("Upscaling frame") || contains("Preprocessed frame")) {
        const auto ordinal = frameOrdinal(message);
        return ordinal && markKeyFrameInWork(frames, *ordinal);
    }
    bool changed = false;
    if (contains("Regenerating tweens")) {
        for (auto& frame : frames) {
            changed |= setStatus(frame, frame.isKeyFrame ? ExportFrameStatus::complete : ExportFrameStatus::blending);
        }
        return changed;
    }
    if (contains("Encoded image")) {
        for (auto& frame : frames)
            changed |= setStatus(frame, ExportFrameStatus::complete);
    }
    return changed;
}

} // namespace tl::ui
