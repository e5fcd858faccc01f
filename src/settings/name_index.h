// An index of names for the parsed settings file: finds the first record of a name within a
// scope, names compared without regard to ASCII letter case.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string_view>
#include <utility>
#include <vector>

#include "settings/profile_syntax.h"

namespace wingcall {

inline std::uint32_t HashIgnoringAsciiCase(std::size_t scope, std::string_view name) {
    std::uint64_t hash = 0xCBF29CE484222325u ^ (scope * 0x9E3779B97F4A7C15u);
    for (char c : name) {
        hash = (hash ^ static_cast<unsigned char>(LowerAscii(c))) * 0x100000001B3u;
    }
    // The last bytes (the command numbers) must reach every bit of the result, whose low bits
    // choose the slot: mix, then keep the well-mixed upper half of the product.
    hash ^= hash >> 29;
    hash *= 0xBF58476D1CE4E5B9u;
    return static_cast<std::uint32_t>(hash >> 32);
}

// All sections share one scope; the keys of a section have the section as theirs. A template
// holds tens of thousands of keys in one section, so this is an open-addressing hash table
// rather than a walk through the keys. The records themselves live with their owner; the index
// holds their numbers, and `scopeAndName(i)` gives record i's scope and name.
class FirstNameIndex {
  public:
    // Records `record` under its scope and name unless an earlier record holds them already.
    template <typename ScopeAndName>
    bool AddIfNew(std::size_t scope, std::string_view name, std::size_t record,
                  const ScopeAndName& scopeAndName) {
        if ((used_ + 1) * 2 > slots_.size()) {
            Grow(slots_.empty() ? 64 : slots_.size() * 2);
        }
        if (record >= kMaximumRecords) {
            throw std::length_error("too many names for the index");
        }
        const std::uint32_t hash = HashIgnoringAsciiCase(scope, name);
        std::size_t at = Probe(hash, scope, name, scopeAndName);
        if (slots_[at].recordPlusOne != 0) {
            return false;
        }
        slots_[at] = Slot{hash, static_cast<std::uint32_t>(record + 1)};
        ++used_;
        return true;
    }

    template <typename ScopeAndName>
    std::optional<std::size_t> Find(std::size_t scope, std::string_view name,
                                    const ScopeAndName& scopeAndName) const {
        if (slots_.empty()) {
            return std::nullopt;
        }
        const std::size_t at = Probe(HashIgnoringAsciiCase(scope, name), scope, name, scopeAndName);
        if (slots_[at].recordPlusOne == 0) {
            return std::nullopt;
        }
        return slots_[at].recordPlusOne - 1;
    }

    // Room for `count` names without growing.
    void Reserve(std::size_t count) {
        std::size_t size = 64;
        while (size < count * 2) {
            size *= 2;
        }
        if (size > slots_.size()) {
            Grow(size);
        }
    }

  private:
    // Slots are kept to 8 bytes: a template's index is then small enough to stay largely in the
    // processor's cache while it is built and searched.
    struct Slot {
        std::uint32_t hash = 0;
        std::uint32_t recordPlusOne = 0;  // 0: empty
    };
    static constexpr std::size_t kMaximumRecords = 0xFFFFFFFEu;

    // The slot holding the name, or the empty slot where it would go.
    template <typename ScopeAndName>
    std::size_t Probe(std::uint32_t hash, std::size_t scope, std::string_view name,
                      const ScopeAndName& scopeAndName) const {
        const std::size_t mask = slots_.size() - 1;
        for (std::size_t at = hash & mask;; at = (at + 1) & mask) {
            const Slot& slot = slots_[at];
            if (slot.recordPlusOne == 0) {
                return at;
            }
            if (slot.hash == hash) {
                const auto [recordScope, recordName] = scopeAndName(slot.recordPlusOne - 1);
                if (recordScope == scope && EqualIgnoringAsciiCase(recordName, name)) {
                    return at;
                }
            }
        }
    }

    void Grow(std::size_t size) {
        std::vector<Slot> old = std::move(slots_);
        slots_.assign(size, Slot{});
        const std::size_t mask = slots_.size() - 1;
        for (const Slot& slot : old) {
            if (slot.recordPlusOne != 0) {
                std::size_t at = slot.hash & mask;
                while (slots_[at].recordPlusOne != 0) {
                    at = (at + 1) & mask;
                }
                slots_[at] = slot;
            }
        }
    }

    std::vector<Slot> slots_;
    std::size_t used_ = 0;
};

}  // namespace wingcall
