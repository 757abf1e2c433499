// A slow, literal implementation of the codec: one 35023-slot hashed dictionary, prefix-chain
// expansion onto a stack. The optimised codec must give the same bytes and results.
#pragma once

#include <cstdint>
#include <cstring>
#include <vector>

namespace reference {

struct Slot {
    std::uint16_t code = 0xFFFF;
    std::uint16_t prefix = 0;
    std::uint8_t character = 0;
};

struct State {
    std::vector<Slot> dict = std::vector<Slot>(35023);
    unsigned nextCode = 259, width = 9, maxCode = 511;
    std::uint32_t bits = 0;
    unsigned used = 0;
    std::size_t pos = 5;
    void Reset() {
        for (auto& s : dict) s.code = 0xFFFF;
        nextCode = 259;
        width = 9;
        maxCode = 511;
    }
};

// Returns the slot index, or -1 when the probe leaves the table.
inline long FindSlot(const State& st, unsigned prefix, unsigned c) {
    unsigned h = ((c << 7) ^ prefix) & 0xFFFF;
    unsigned step = h == 0 ? 1 : 35023 - h;
    if (h >= 35023) return -1;
    for (;;) {
        const Slot& s = st.dict[h];
        if (s.code == 0xFFFF) return h;
        if (s.prefix == prefix && s.character == c) return h;
        h = h >= step ? h - step : h + 35023 - step;
        if (h >= 35023) return -1;
    }
}

inline void Emit(State& st, std::vector<std::uint8_t>& out, unsigned code) {
    for (int b = static_cast<int>(st.width) - 1; b >= 0; --b) {
        if (st.used == 8) {  // the previous code's last byte is complete: write it now
            out.push_back(static_cast<std::uint8_t>(st.bits));
            st.bits = 0;
            st.used = 0;
        }
        st.bits = (st.bits << 1) | ((code >> b) & 1);
        ++st.used;
    }
}

// Returns the result code; `out` holds the stream on success. Capacity is not modelled beyond
// the checks the algorithm names.
inline std::uint8_t Compress(const std::vector<std::uint8_t>& in, unsigned capacity,
                             std::vector<std::uint8_t>& out) {
    out.clear();
    const std::size_t n = in.size();
    if (n < 50) return 202;
    State st;
    out = {'W', 'M', 'C', '1', '5'};
    st.Reset();
    auto position = [&] { return out.size(); };
    unsigned string = in[0];
    for (std::size_t i = 1; i < n; ++i) {
        if (position() > n - 5) return 202;
        if (position() > capacity - 5) return 201;
        const unsigned c = in[i];
        const long slot = FindSlot(st, string, c);
        if (slot < 0) return 205;
        Slot& s = st.dict[slot];
        if (s.code != 0xFFFF) {
            string = s.code;
            continue;
        }
        s.code = static_cast<std::uint16_t>(st.nextCode);
        s.prefix = static_cast<std::uint16_t>(string);
        s.character = static_cast<std::uint8_t>(c);
        ++st.nextCode;
        Emit(st, out, string);
        string = c;
        if (st.nextCode > 32767) {
            Emit(st, out, 258);
            st.Reset();
        } else if (st.nextCode > st.maxCode) {
            Emit(st, out, 257);
            ++st.width;
            st.maxCode = 2 * st.maxCode + 1;
        }
    }
    Emit(st, out, string);
    Emit(st, out, 256);
    if (st.used) out.push_back(static_cast<std::uint8_t>(st.bits << (8 - st.used)));
    return 0;
}

// Decodes a well-formed stream by walking prefix chains.
inline std::uint8_t Decompress(const std::vector<std::uint8_t>& in,
                               std::vector<std::uint8_t>& out) {
    out.clear();
    if (in.size() < 5 || std::memcmp(in.data(), "WMC15", 5) != 0) return 203;
    std::vector<std::uint16_t> prefix(35023);
    std::vector<std::uint8_t> character(35023);
    std::size_t bitPos = 40;
    auto read = [&](unsigned width, unsigned& code) {
        if (bitPos + width > in.size() * 8) return false;
        code = 0;
        for (unsigned i = 0; i < width; ++i, ++bitPos)
            code = (code << 1) | ((in[bitPos / 8] >> (7 - bitPos % 8)) & 1);
        return true;
    };
    auto expand = [&](unsigned code, std::vector<std::uint8_t>& s) {
        s.clear();
        while (code > 255) {
            s.push_back(character[code]);
            code = prefix[code];
        }
        s.push_back(static_cast<std::uint8_t>(code));
        return std::vector<std::uint8_t>(s.rbegin(), s.rend());
    };
    std::vector<std::uint8_t> scratch;
    for (;;) {
        unsigned nextCode = 259, width = 9, old;
        if (!read(width, old)) return 206;
        if (old == 256) return 0;
        out.push_back(static_cast<std::uint8_t>(old));
        for (;;) {
            unsigned code;
            if (!read(width, code)) return 206;
            if (code == 256) return 0;
            if (code == 258) break;
            if (code == 257) {
                ++width;
                continue;
            }
            std::vector<std::uint8_t> s;
            if (code >= nextCode) {
                s = expand(old, scratch);
                s.push_back(s[0]);
            } else {
                s = expand(code, scratch);
            }
            out.insert(out.end(), s.begin(), s.end());
            prefix[nextCode] = static_cast<std::uint16_t>(old);
            character[nextCode] = s[0];
            ++nextCode;
            old = code;
        }
    }
}

// Lists the marker codes of a stream: how often the width grew, the widest code, and resets.
struct Markers {
    int grows = 0;
    int resets = 0;
    unsigned maxWidth = 9;
};

inline Markers ScanMarkers(const std::vector<std::uint8_t>& in) {
    Markers m;
    std::size_t bitPos = 40;
    unsigned width = 9;
    while (bitPos + width <= in.size() * 8) {
        unsigned code = 0;
        for (unsigned i = 0; i < width; ++i, ++bitPos)
            code = (code << 1) | ((in[bitPos / 8] >> (7 - bitPos % 8)) & 1);
        if (code == 256) break;
        if (code == 257) {
            ++m.grows;
            ++width;
            if (width > m.maxWidth) m.maxWidth = width;
        } else if (code == 258) {
            ++m.resets;
            width = 9;
        }
    }
    return m;
}

}  // namespace reference
