#include "platform/Defaults.h"

#include "platform/Overloaded.h"

#include <charconv>

namespace tl {
namespace {

template <typename Number>
std::optional<Number> parseNumber(const std::string& text)
{
    Number number{};
    const auto* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, number);
    if (error != std::errc{} || stop != end) return std::nullopt;
    return number;
}

}  // namespace

std::optional<std::string> Defaults::string(std::string_view key) const
{
    const auto stored = value(key);
    if (!stored || !std::holds_alternative<std::string>(*stored)) return std::nullopt;
    return std::get<std::string>(*stored);
}

std::optional<DefaultsData> Defaults::data(std::string_view key) const
{
    const auto stored = value(key);
    if (!stored || !std::holds_alternative<DefaultsData>(*stored)) return std::nullopt;
    return std::get<DefaultsData>(*stored);
}

std::optional<bool> Defaults::boolean(std::string_view key) const
{
    const auto stored = value(key);
    if (!stored) return std::nullopt;
    return std::visit(Overloaded{
                          [](bool flag) -> std::optional<bool> { return flag; },
                          [](std::int64_t number) -> std::optional<bool> { return number != 0; },
                          [](const std::string& text) -> std::optional<bool> {
                              if (text == "true") return true;
                              if (text == "false") return false;
                              return std::nullopt;
                          },
                          [](const auto&) -> std::optional<bool> { return std::nullopt; },
                      },
                      *stored);
}

std::optional<std::int64_t> Defaults::integer(std::string_view key) const
{
    const auto stored = value(key);
    if (!stored) return std::nullopt;
    return std::visit(Overloaded{
                          [](std::int64_t number) -> std::optional<std::int64_t> { return number; },
                          [](const std::string& text) { return parseNumber<std::int64_t>(text); },
                          [](const auto&) -> std::optional<std::int64_t> { return std::nullopt; },
                      },
                      *stored);
}

std::optional<double> Defaults::real(std::string_view key) const
{
    const auto stored = value(key);
    if (!stored) return std::nullopt;
    return std::visit(Overloaded{
                          [](double number) -> std::optional<double> { return number; },
                          [](std::int64_t number) -> std::optional<double> {
                              return static_cast<double>(number);
                          },
                          [](const std::string& text) { return parseNumber<double>(text); },
                          [](const auto&) -> std::optional<double> { return std::nullopt; },
                      },
                      *stored);
}

std::optional<Defaults::Value> InMemoryDefaults::value(std::string_view key) const
{
    std::lock_guard lock(mutex_);
    const auto found = values_.find(key);
    if (found == values_.end()) return std::nullopt;
    return found->second;
}

void InMemoryDefaults::set(std::string_view key, Value value)
{
    std::lock_guard lock(mutex_);
    values_.insert_or_assign(std::string(key), std::move(value));
}

void InMemoryDefaults::remove(std::string_view key)
{
    std::lock_guard lock(mutex_);
    if (const auto found = values_.find(key); found != values_.end()) values_.erase(found);
}

}  // namespace tl
