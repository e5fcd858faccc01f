// An index of names for the parsed settings file: finds the first record of a name within a
// scope, names compared without regard to ASCII letter case.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <stdexcept>
#include <string_view>
#include <utility>
#include <vector>

#include "settings/private_profile/profile_syntax.h"

namespace wingcall {

// The key of the names' hash, drawn once per process. A settings file is input anyone can write:
// with a hash known in advance, a file of names made to share slots turns every lookup into a
// walk through all of them. A key nobody outside the process knows leaves nothing to aim at.
struct NameHashKey {
    std::uint64_t first;
    std::uint64_t second;
};
NameHashKey ProcessNameHashKey();

namespace name_hash_detail {

inline std::uint64_t RotateLeft(std::uint64_t value, int bits) {
    return (value << bits) | (value >> (64 - bits));
}

// SipHash's state and round: a keyed hash made for tables fed by untrusted input.
struct SipState {
    std::uint64_t v0, v1, v2, v3;

    explicit SipState(const NameHashKey& key)
        : v0(key.first ^ 0x736F6D6570736575u),
          v1(key.second ^ 0x646F72616E646F6Du),
          v2(key.first ^ 0x6C7967656E657261u),
          v3(key.second ^ 0x7465646279746573u) {}

    void Round() {
        v0 += v1, v1 = RotateLeft(v1, 13), v1 ^= v0, v0 = RotateLeft(v0, 32);
        v2 += v3, v3 = RotateLeft(v3, 16), v3 ^= v2;
        v0 += v3, v3 = RotateLeft(v3, 21), v3 ^= v0;
        v2 += v1, v1 = RotateLeft(v1, 17), v1 ^= v2, v2 = RotateLeft(v2, 32);
    }
    // One compression round per word, three to finish, as in SipHash-1-3.
    void Take(std::uint64_t word) {
        v3 ^= word;
        Round();
        v0 ^= word;
    }
    std::uint64_t Finish() {
        v2 ^= 0xFF;
        Round(), Round(), Round();
        return v0 ^ v1 ^ v2 ^ v3;
    }
};

// Eight bytes with their ASCII capitals made small, all at once.
inline std::uint64_t LowerAsciiWord(std::uint64_t word) {
    constexpr std::uint64_t kOnes = 0x0101010101010101u;
    const std::uint64_t low7 = word & (0x7F * kOnes);
    const std::uint64_t fromA = low7 + (0x80 - 'A') * kOnes;      // top bit: at least 'A'
    const std::uint64_t pastZ = low7 + (0x80 - 'Z' - 1) * kOnes;  // top bit: past 'Z'
    const std::uint64_t capitals = fromA & ~pastZ & ~word & (0x80 * kOnes);
    return word | (capitals >> 2);
}

}  // namespace name_hash_detail

// The scope goes into the key: each scope hashes with a key of its own.
inline std::uint32_t HashIgnoringAsciiCase(const NameHashKey& key, std::uint32_t scope,
                                           std::string_view name) {
    name_hash_detail::SipState state(
        NameHashKey{key.first, key.second ^ (std::uint64_t{scope} * 0x9E3779B97F4A7C15u)});
    std::size_t at = 0;
    for (; at + 8 <= name.size(); at += 8) {
        std::uint64_t word;
        std::memcpy(&word, name.data() + at, 8);
        state.Take(name_hash_detail::LowerAsciiWord(word));
    }
    // The last bytes: of a name of eight or more, the last eight read at once and shifted down
    // past the bytes already taken.
    std::uint64_t tail = 0;
    const std::size_t rest = name.size() - at;
    if (rest != 0 && name.size() >= 8 && std::endian::native == std::endian::little) {
        std::memcpy(&tail, name.data() + name.size() - 8, 8);
        tail >>= 8 * (8 - rest);
    } else {
        for (std::size_t i = 0; i < rest; ++i) {
            tail |= std::uint64_t{static_cast<unsigned char>(name[at + i])} << (8 * i);
        }
    }
    state.Take(name_hash_detail::LowerAsciiWord(tail) ^
               (static_cast<std::uint64_t>(name.size()) << 56));
    return static_cast<std::uint32_t>(state.Finish());
}

// All sections share one scope; the keys of a section have the section as theirs. A template
// holds tens of thousands of keys in one section, so this is an open-addressing hash table
// rather than a walk through the keys. The records themselves live with their owner; the index
// holds their numbers, and `scopeAndName(i)` gives record i's scope and name. It grows with the
// names it holds, never ahead of them, so a file of few names costs few slots.
class FirstNameIndex {
  public:
    FirstNameIndex() : key_(ProcessNameHashKey()) {}

    // Records `record` under its scope and name unless an earlier record holds them already.
    template <typename ScopeAndName>
    bool AddIfNew(std::uint32_t scope, std::string_view name, std::size_t record,
                  const ScopeAndName& scopeAndName) {
        // At most three slots in four in use: probes stay short, and the slots cost at most
        // 8 / 0.375 bytes a name just after the index has grown.
        if ((used_ + 1) * 4 > slots_.size() * 3) {
            Grow(slots_.empty() ? 64 : slots_.size() * 2);
        }
        if (record >= kMaximumRecords) {
            throw std::length_error("too many names for the index");
        }
        const std::uint32_t hash = HashIgnoringAsciiCase(key_, scope, name);
        std::size_t at = Probe(hash, scope, name, scopeAndName);
        if (slots_[at].recordPlusOne != 0) {
            return false;
        }
        slots_[at] = Slot{hash, static_cast<std::uint32_t>(record + 1)};
        ++used_;
        return true;
    }

    template <typename ScopeAndName>
    std::optional<std::size_t> Find(std::uint32_t scope, std::string_view name,
                                    const ScopeAndName& scopeAndName) const {
        if (slots_.empty()) {
            return std::nullopt;
        }
        const std::size_t at =
            Probe(HashIgnoringAsciiCase(key_, scope, name), scope, name, scopeAndName);
        if (slots_[at].recordPlusOne == 0) {
            return std::nullopt;
        }
        return slots_[at].recordPlusOne - 1;
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
    std::size_t Probe(std::uint32_t hash, std::uint32_t scope, std::string_view name,
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

    NameHashKey key_;
    std::vector<Slot> slots_;
    std::size_t used_ = 0;
};

}  // namespace wingcall
