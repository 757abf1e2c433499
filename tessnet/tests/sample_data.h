// Deterministic inputs for codec tests and benchmarks.
#pragma once

#include <cstdint>
#include <random>
#include <string_view>
#include <vector>

namespace sample {

// English-like prose from a fixed vocabulary, with punctuation and line breaks.
inline std::vector<std::uint8_t> EnglishText(std::size_t n, std::uint32_t seed = 1) {
    static constexpr std::string_view kWords[] = {
        "the",        "of",        "and",         "to",         "in",          "a",
        "is",         "that",      "for",         "it",         "as",          "was",
        "with",       "be",        "by",          "on",         "not",         "he",
        "this",       "are",       "or",          "his",        "from",        "at",
        "which",      "but",       "have",        "an",         "had",         "they",
        "you",        "were",      "their",       "one",        "all",         "we",
        "can",        "her",       "has",         "there",      "been",        "if",
        "more",       "when",      "will",        "would",      "who",         "so",
        "no",         "file",      "server",      "message",    "friend",      "account",
        "transfer",   "download",  "upload",      "network",    "connection",  "received",
        "address",    "number",    "private",     "public",     "key",         "voice",
        "register",   "quota",     "space",       "notice",     "window",      "library",
        "packet",     "protocol",  "compression", "dictionary", "algorithm",   "between",
        "through",    "without",   "another",     "because",    "however",     "although",
        "everything", "something", "morning",     "evening",    "country",     "government",
        "question",   "important", "different",   "possible",   "children",    "together",
        "following",  "several",   "remember",    "understand", "information", "system",
    };
    std::mt19937 rng(seed);
    std::vector<std::uint8_t> out;
    out.reserve(n + 16);
    bool capital = true;
    while (out.size() < n) {
        std::string_view w = kWords[rng() % std::size(kWords)];
        for (std::size_t i = 0; i < w.size(); ++i) {
            char ch = w[i];
            if (i == 0 && capital) ch = static_cast<char>(ch - 'a' + 'A');
            out.push_back(static_cast<std::uint8_t>(ch));
        }
        capital = false;
        const unsigned r = rng() % 20;
        if (r == 0) {
            out.push_back('.');
            out.push_back(rng() % 4 == 0 ? '\n' : ' ');
            capital = true;
        } else if (r == 1) {
            out.push_back(',');
            out.push_back(' ');
        } else {
            out.push_back(' ');
        }
    }
    out.resize(n);
    return out;
}

inline std::vector<std::uint8_t> RandomBytes(std::size_t n, std::uint32_t seed = 2) {
    std::mt19937 rng(seed);
    std::vector<std::uint8_t> out(n);
    for (auto& b : out) b = static_cast<std::uint8_t>(rng());
    return out;
}

// Runs of repeated bytes of random lengths.
inline std::vector<std::uint8_t> Runs(std::size_t n, std::uint32_t seed = 3) {
    std::mt19937 rng(seed);
    std::vector<std::uint8_t> out;
    while (out.size() < n) out.insert(out.end(), 1 + rng() % 300, static_cast<std::uint8_t>(rng()));
    out.resize(n);
    return out;
}

// Binary records: little-endian counters, small integers and zero padding, like a file format.
inline std::vector<std::uint8_t> Records(std::size_t n, std::uint32_t seed = 4) {
    std::mt19937 rng(seed);
    std::vector<std::uint8_t> out;
    for (std::uint32_t i = 0; out.size() < n; ++i) {
        for (int k = 0; k < 4; ++k) out.push_back(static_cast<std::uint8_t>(i >> (8 * k)));
        out.push_back(static_cast<std::uint8_t>(rng() % 16));
        out.insert(out.end(), 3 + rng() % 8, 0);
        out.push_back(static_cast<std::uint8_t>(rng()));
    }
    out.resize(n);
    return out;
}

}  // namespace sample
