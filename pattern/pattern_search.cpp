#include "pattern/pattern_search.h"

#include <boost/regex.hpp>
#include <utility>
#include <vector>

#include "pattern/wide_text.h"

namespace quorvane {
namespace {

// The program's patterns are read as the scripting engine read them; Boost
// differs in two points, mended here:
// - "\<", "\>", "\`" and "\'" are word and buffer anchors in Boost, while a
//   backslash before punctuation must stand for the character itself;
// - Boost's "." without mod_s also refuses CR, form feed and Unicode line
//   separators, where the worker's "." refused only the line feed. So in that
//   mode every "." outside a class becomes "[^\n]", and every pattern is
//   compiled with "." matching everything.
std::wstring engine_pattern(std::wstring_view pattern, DotMode dot) {
    std::wstring out;
    out.reserve(pattern.size() + 16);
    bool in_class = false;
    size_t class_start = 0;
    for (size_t i = 0; i < pattern.size(); ++i) {
        const wchar_t c = pattern[i];
        if (c == L'\\' && i + 1 < pattern.size()) {
            if (!in_class && pattern[i + 1] == L'Q') {  // \Q...\E is literal
                size_t end = pattern.find(L"\\E", i + 2);
                end = end == std::wstring_view::npos ? pattern.size() : end + 2;
                out.append(pattern.substr(i, end - i));
                i = end - 1;
                continue;
            }
            const wchar_t next = pattern[++i];
            if (next == L'<' || next == L'>' || next == L'`' || next == L'\'') {
                out.push_back(next);
            } else {
                out.push_back(c);
                out.push_back(next);
            }
            continue;
        }
        if (in_class) {
            if (c == L'[' && i + 1 < pattern.size() && pattern[i + 1] == L':') {
                size_t end = pattern.find(L":]", i + 2);
                if (end != std::wstring_view::npos) {
                    out.append(pattern.substr(i, end + 2 - i));
                    i = end + 1;
                    continue;
                }
            }
            // "]" right after "[" or "[^" is a member, not the end.
            if (c == L']' && i > class_start) {
                in_class = false;
            }
            out.push_back(c);
            continue;
        }
        if (c == L'[') {
            in_class = true;
            class_start = i + 1;
            if (class_start < pattern.size() && pattern[class_start] == L'^') {
                ++class_start;
            }
            out.push_back(c);
        } else if (c == L'.' && dot == DotMode::any_but_line_feed) {
            out.append(L"[^\n]");
        } else {
            out.push_back(c);
        }
    }
    return out;
}

}  // namespace

struct PatternSearch::Engine {
    std::string pattern;
    PatternOptions options;
    bool valid = false;
    boost::wregex regex;
};

struct PatternSearch::Matches {
    std::string text;
    // Per match: byte ranges of the whole match and of each group;
    // a group that took no part has an empty range marked unmatched.
    struct Span {
        uint32_t begin = 0;
        uint32_t end = 0;
        bool matched = false;
    };
    std::vector<std::vector<Span>> spans;
};

PatternSearch::PatternSearch() = default;
PatternSearch::~PatternSearch() = default;
PatternSearch::PatternSearch(const PatternSearch&) = default;
PatternSearch& PatternSearch::operator=(const PatternSearch&) = default;

void PatternSearch::release() {
    engine_.reset();
    matches_.reset();
    match_count_ = 0;
}

int PatternSearch::compile(std::string_view pattern, const PatternOptions& options) {
    release();
    auto engine = std::make_shared<Engine>();
    engine->pattern = std::string(pattern);
    engine->options = options;
    const std::wstring wide = engine_pattern(to_wide(pattern).chars, options.dot);
    auto flags = boost::regex_constants::perl | boost::regex_constants::mod_s;
    if (options.ignore_case) {
        flags |= boost::regex_constants::icase;
    }
    if (!options.multiline) {
        flags |= boost::regex_constants::no_mod_m;
    }
    try {
        engine->regex.assign(wide, flags);
        engine->valid = true;
    } catch (const std::exception&) {
        engine->valid = false;
    }
    engine_ = std::move(engine);
    return 1;
}

std::string PatternSearch::pattern() const { return engine_ ? engine_->pattern : std::string(); }

std::string PatternSearch::replace(std::string_view text, std::string_view replacement) const {
    if (!engine_ || !engine_->valid) {
        return std::string(text);
    }
    auto flags = boost::regex_constants::format_perl;
    if (!engine_->options.global) {
        flags |= boost::regex_constants::format_first_only;
    }
    try {
        const std::wstring wide_text = to_wide(text).chars;
        const std::wstring wide_replacement = to_wide(replacement).chars;
        return to_gbk(boost::regex_replace(wide_text, engine_->regex, wide_replacement, flags));
    } catch (const std::exception&) {
        return std::string(text);
    }
}

int PatternSearch::find_all(std::string_view text) {
    matches_.reset();
    match_count_ = 0;
    if (!engine_ || !engine_->valid) {
        return 0;
    }
    auto matches = std::make_shared<Matches>();
    matches->text = std::string(text);
    const WideText wide = to_wide(text);
    try {
        using Iterator = boost::wsregex_iterator;
        for (Iterator it(wide.chars.begin(), wide.chars.end(), engine_->regex), end; it != end;
             ++it) {
            const boost::wsmatch& m = *it;
            std::vector<Matches::Span> spans(m.size());
            for (size_t g = 0; g < m.size(); ++g) {
                if (!m[g].matched) {
                    continue;
                }
                const auto first = static_cast<size_t>(m[g].first - wide.chars.begin());
                const auto last = static_cast<size_t>(m[g].second - wide.chars.begin());
                spans[g] = {wide.byte_offsets[first], wide.byte_offsets[last], true};
            }
            matches->spans.push_back(std::move(spans));
            if (!engine_->options.global) {
                break;
            }
        }
    } catch (const std::exception&) {
        // Too complex (catastrophic backtracking) or out of resources.
        return 0;
    }
    match_count_ = static_cast<int>(matches->spans.size());
    matches_ = std::move(matches);
    return match_count_;
}

int PatternSearch::match_count() const { return match_count_; }

std::string PatternSearch::match_text(int i) const { return submatch_text(i, 0); }

std::string PatternSearch::submatch_text(int i, int j) const {
    if (!matches_ || i < 1 || i > match_count_ || j < 0) {
        return {};
    }
    const auto& spans = matches_->spans[static_cast<size_t>(i - 1)];
    if (static_cast<size_t>(j) >= spans.size() || !spans[static_cast<size_t>(j)].matched) {
        return {};
    }
    const auto& span = spans[static_cast<size_t>(j)];
    return matches_->text.substr(span.begin, span.end - span.begin);
}

int PatternSearch::submatch_count() const {
    if (!matches_ || match_count_ == 0) {
        return 0;
    }
    return static_cast<int>(matches_->spans[0].size()) - 1;
}

}  // namespace quorvane
