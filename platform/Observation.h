#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

namespace tl {

// Keeps an observer registered for as long as it lives; moving it moves the registration.
class Observation {
public:
    Observation() = default;
    explicit Observation(std::function<void()> cancel) : cancel_(std::move(cancel)) {}
    Observation(Observation&& other) noexcept : cancel_(std::exchange(other.cancel_, {})) {}
    Observation& operator=(Observation&& other) noexcept
    {
        if (this != &other) {
            cancel();
            cancel_ = std::exchange(other.cancel_, {});
        }
        return *this;
    }
    Observation(const Observation&) = delete;
    Observation& operator=(const Observation&) = delete;
    ~Observation() { cancel(); }

    void cancel()
    {
        if (cancel_) std::exchange(cancel_, {})();
    }

private:
    std::function<void()> cancel_;
};

// A list of change callbacks. Callbacks may add or cancel observations while
// being notified; a callback cancelled during a notification is not called after.
class ChangeNotifier {
public:
    ChangeNotifier() : registry_(std::make_shared<Registry>()) {}
    ChangeNotifier(const ChangeNotifier&) = delete;
    ChangeNotifier& operator=(const ChangeNotifier&) = delete;

    [[nodiscard]] Observation observe(std::function<void()> callback)
    {
        const auto id = registry_->nextId++;
        registry_->entries.push_back({id, std::make_shared<std::function<void()>>(std::move(callback))});
        return Observation{[weak = std::weak_ptr<Registry>(registry_), id] {
            if (const auto registry = weak.lock()) registry->remove(id);
        }};
    }

    void notify() const
    {
        const auto snapshot = registry_->entries;
        for (const auto& entry : snapshot) {
            if (registry_->contains(entry.id)) (*entry.callback)();
        }
    }

private:
    struct Entry {
        std::uint64_t id;
        std::shared_ptr<std::function<void()>> callback;
    };
    struct Registry {
        std::uint64_t nextId = 0;
        std::vector<Entry> entries;

        void remove(std::uint64_t id)
        {
            std::erase_if(entries, [id](const Entry& entry) { return entry.id == id; });
        }
        bool contains(std::uint64_t id) const
        {
            for (const auto& entry : entries) {
                if (entry.id == id) return true;
            }
            return false;
        }
    };

    std::shared_ptr<Registry> registry_;
};

// A field whose every write, whole or in place, notifies its observers after
// running the owner's did-set hook with the value before the write.
template <typename T>
class Observable {
public:
    using DidSet = std::function<void(const T& oldValue)>;

    Observable() = default;
    explicit Observable(T initial) : value_(std::move(initial)) {}
    Observable(const Observable&) = delete;
    Observable& operator=(const Observable&) = delete;

    const T& get() const { return value_; }
    operator const T&() const { return value_; }

    void set(T value)
    {
        T old = std::exchange(value_, std::move(value));
        didWrite(old);
    }

    Observable& operator=(T value)
    {
        set(std::move(value));
        return *this;
    }

    // Changes the value in place (append, erase, ...) as one write.
    template <typename Change>
    void mutate(Change&& change)
    {
        if (didSet_) {
            T old = value_;
            std::forward<Change>(change)(value_);
            didWrite(old);
        } else {
            std::forward<Change>(change)(value_);
            notifier_.notify();
        }
    }

    [[nodiscard]] Observation observe(std::function<void()> callback)
    {
        return notifier_.observe(std::move(callback));
    }

    void setDidSet(DidSet hook) { didSet_ = std::move(hook); }

private:
    void didWrite(const T& old)
    {
        if (didSet_) didSet_(old);
        notifier_.notify();
    }

    T value_{};
    DidSet didSet_;
    ChangeNotifier notifier_;
};

}  // namespace tl
