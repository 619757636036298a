#include "CaseFoldingLike.h"

#include <QChar>

#include <sqlcipher/sqlite3.h>

#include <array>
#include <cstring>
#include <string>
#include <string_view>

namespace {

constexpr std::size_t kNone = static_cast<std::size_t>(-1);

constexpr std::array<unsigned char, 256> MakeAsciiFold() {
    std::array<unsigned char, 256> table{};
    for (std::size_t c = 0; c < table.size(); ++c) {
        table[c] = static_cast<unsigned char>(c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c);
    }
    return table;
}

constexpr std::array<unsigned char, 256> kAsciiFold = MakeAsciiFold();

bool IsAscii(std::string_view text) {
    for (const char c : text) {
        if ((static_cast<unsigned char>(c) & 0x80U) != 0) {
            return false;
        }
    }
    return true;
}

// Decodes UTF-8 into folded code points; a byte that starts no valid sequence stands for itself,
// so a damaged text still matches as far as it can.
void DecodeFolded(std::string_view text, std::u32string& out) {
    out.clear();
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t size = text.size();
    for (std::size_t i = 0; i < size;) {
        const unsigned char lead = bytes[i];
        if (lead < 0x80) {
            out.push_back(kAsciiFold[lead]);
            ++i;
            continue;
        }
        char32_t code = lead;
        std::size_t length = 1;
        if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2;
            code = lead & 0x1FU;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3;
            code = lead & 0x0FU;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4;
            code = lead & 0x07U;
        }
        bool valid = i + length <= size;
        for (std::size_t k = 1; valid && k < length; ++k) {
            valid = (bytes[i + k] & 0xC0U) == 0x80U;
            code = (code << 6) | (bytes[i + k] & 0x3FU);
        }
        if (!valid) {
            code = lead;
            length = 1;
        }
        out.push_back(QChar::toCaseFolded(code));
        i += length;
    }
}

// The classic wildcard walk: on a mismatch go back to the last "%" and let it take one more
// character. Patterns and texts are folded already.
template <typename Ch>
bool Match(const Ch* pattern, std::size_t patternSize, const Ch* text, std::size_t textSize,
           Ch escape, bool hasEscape) {
    std::size_t p = 0;
    std::size_t t = 0;
    std::size_t starPattern = kNone;
    std::size_t starText = 0;
    while (t < textSize) {
        if (p < patternSize) {
            Ch c = pattern[p];
            std::size_t step = 1;
            bool literal = false;
            if (hasEscape && c == escape && p + 1 < patternSize) {
                c = pattern[p + 1];
                step = 2;
                literal = true;
            }
            if (!literal && c == Ch('%')) {
                p += step;
                starPattern = p;
                starText = t;
                continue;
            }
            if ((!literal && c == Ch('_')) || c == text[t]) {
                p += step;
                ++t;
                continue;
            }
        }
        if (starPattern == kNone) {
            return false;
        }
        p = starPattern;
        t = ++starText;
    }
    while (p < patternSize && pattern[p] == Ch('%') && !(hasEscape && escape == Ch('%'))) {
        ++p;
    }
    return p == patternSize;
}

bool MatchAscii(std::string_view pattern, std::string_view text, char32_t escape, bool hasEscape) {
    // Folding every byte of the text once is cheaper than folding inside the walk, which may
    // visit a byte several times.
    thread_local std::string foldedPattern;
    thread_local std::string foldedText;
    foldedPattern.resize(pattern.size());
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        foldedPattern[i] = static_cast<char>(kAsciiFold[static_cast<unsigned char>(pattern[i])]);
    }
    foldedText.resize(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        foldedText[i] = static_cast<char>(kAsciiFold[static_cast<unsigned char>(text[i])]);
    }
    return Match<char>(
        foldedPattern.data(), foldedPattern.size(), foldedText.data(), foldedText.size(),
        static_cast<char>(kAsciiFold[static_cast<unsigned char>(escape)]), hasEscape);
}

bool MatchUnicode(const std::u32string& foldedPattern, std::string_view text, char32_t escape,
                  bool hasEscape) {
    thread_local std::u32string foldedText;
    DecodeFolded(text, foldedText);
    return Match<char32_t>(foldedPattern.data(), foldedPattern.size(), foldedText.data(),
                           foldedText.size(), QChar::toCaseFolded(escape), hasEscape);
}

std::string_view TextOf(sqlite3_value* value) {
    const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(value));
    if (text == nullptr) {
        return {};
    }
    return {text, static_cast<std::size_t>(sqlite3_value_bytes(value))};
}

// like(pattern, text [, escape]), as the engine calls it for "text LIKE pattern [ESCAPE e]".
void LikeFunction(sqlite3_context* context, int argc, sqlite3_value** argv) {
    for (int i = 0; i < argc; ++i) {
        if (sqlite3_value_type(argv[i]) == SQLITE_NULL) {
            sqlite3_result_null(context);
            return;
        }
    }
    const std::string_view pattern = TextOf(argv[0]);
    const std::string_view text = TextOf(argv[1]);
    // The engine's own bound on patterns, which keeps a hostile pattern from costing minutes.
    if (pattern.size() >
        static_cast<std::size_t>(sqlite3_limit(sqlite3_context_db_handle(context),
                                               SQLITE_LIMIT_LIKE_PATTERN_LENGTH, -1))) {
        sqlite3_result_error(context, "LIKE or GLOB pattern too complex", -1);
        return;
    }
    char32_t escape = 0;
    const bool hasEscape = argc == 3;
    if (hasEscape) {
        std::u32string decoded;
        DecodeFolded(TextOf(argv[2]), decoded);
        if (decoded.size() != 1) {
            sqlite3_result_error(context, "ESCAPE expression must be a single character", -1);
            return;
        }
        escape = decoded.front();
    }
    const bool ascii = IsAscii(pattern) && IsAscii(text) && escape < 0x80;
    if (ascii) {
        sqlite3_result_int(context, MatchAscii(pattern, text, escape, hasEscape) ? 1 : 0);
        return;
    }
    // The pattern is the same for every row of a statement: it is decoded once and kept with it.
    const auto* kept = static_cast<const std::u32string*>(sqlite3_get_auxdata(context, 0));
    if (kept == nullptr) {
        auto* decoded = new std::u32string;
        DecodeFolded(pattern, *decoded);
        sqlite3_set_auxdata(context, 0, decoded,
                            [](void* data) { delete static_cast<std::u32string*>(data); });
        kept = static_cast<const std::u32string*>(sqlite3_get_auxdata(context, 0));
        if (kept == nullptr) {
            // The engine dropped it at once (no memory to keep it): decode for this row only.
            std::u32string once;
            DecodeFolded(pattern, once);
            sqlite3_result_int(context, MatchUnicode(once, text, escape, hasEscape) ? 1 : 0);
            return;
        }
    }
    sqlite3_result_int(context, MatchUnicode(*kept, text, escape, hasEscape) ? 1 : 0);
}

} // namespace

bool CaseFoldingLike::Register(sqlite3* db) {
    const int flags = SQLITE_UTF8 | SQLITE_DETERMINISTIC;
    return sqlite3_create_function(db, "like", 2, flags, nullptr, &LikeFunction, nullptr,
                                   nullptr) == SQLITE_OK &&
           sqlite3_create_function(db, "like", 3, flags, nullptr, &LikeFunction, nullptr,
                                   nullptr) == SQLITE_OK;
}
