#include "ui/export/ExportProgressParser.h"

#include <charconv>
#include <optional>
#include <regex>
#include <string>

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

} // namespace

bool applyExportMessage(std::vector<ExportFrameInfo>& frames, std::string_view message)
{
    const auto contains = [message](std::string_view text) { return message.find(text) != std::string_view::npos; };

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
