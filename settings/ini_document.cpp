#include "settings/ini_document.h"

#include "text/gbk_search.h"

namespace quorvane {
namespace {

constexpr std::string_view new_line = "\r\n";

std::string_view trim_blanks(std::string_view s) {
    const size_t begin = s.find_first_not_of(" \t");
    if (begin == std::string_view::npos) {
        return {};
    }
    const size_t end = s.find_last_not_of(" \t");
    return s.substr(begin, end - begin + 1);
}

// The name of a "[name]" line, or nullopt for any other line.
std::optional<std::string_view> section_name(std::string_view line) {
    const std::string_view s = trim_blanks(line);
    if (s.empty() || s.front() != '[') {
        return std::nullopt;
    }
    const size_t close = s.find(']');
    if (close == std::string_view::npos) {
        return std::nullopt;
    }
    return trim_blanks(s.substr(1, close - 1));
}

struct KeyLine {
    std::string_view key;
    std::string_view value;
};

std::optional<KeyLine> key_line(std::string_view line) {
    const std::string_view s = trim_blanks(line);
    if (s.empty() || s.front() == ';') {
        return std::nullopt;
    }
    const size_t equals = s.find('=');
    if (equals == std::string_view::npos) {
        return std::nullopt;
    }
    return KeyLine{trim_blanks(s.substr(0, equals)), trim_blanks(s.substr(equals + 1))};
}

std::string_view without_enclosing_quotes(std::string_view v) {
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front()) {
        return v.substr(1, v.size() - 2);
    }
    return v;
}

// Cut to the reading buffer without splitting a two-byte character.
std::string_view within_read_limit(std::string_view v) {
    if (v.size() <= max_profile_value_bytes) {
        return v;
    }
    size_t end = 0;
    while (end < v.size()) {
        const size_t next = end + char_length(v, end);
        if (next > max_profile_value_bytes) {
            break;
        }
        end = next;
    }
    return v.substr(0, end);
}

}  // namespace

IniDocument::IniDocument(std::string_view text) {
    size_t pos = 0;
    while (pos < text.size()) {
        const size_t lf = text.find('\n', pos);
        if (lf == std::string_view::npos) {
            lines_.push_back({std::string(text.substr(pos)), ""});
            break;
        }
        const bool crlf = lf > pos && text[lf - 1] == '\r';
        const size_t content_end = crlf ? lf - 1 : lf;
        lines_.push_back({std::string(text.substr(pos, content_end - pos)), crlf ? "\r\n" : "\n"});
        pos = lf + 1;
    }
}

std::optional<IniDocument::Range> IniDocument::find_section(std::string_view section) const {
    for (size_t i = 0; i < lines_.size(); ++i) {
        const auto name = section_name(lines_[i].content);
        if (!name || !equals_ignore_case(*name, section)) {
            continue;
        }
        size_t end = i + 1;
        while (end < lines_.size() && !section_name(lines_[end].content)) {
            ++end;
        }
        return Range{i, end};
    }
    return std::nullopt;
}

std::optional<size_t> IniDocument::find_key(const Range& range, std::string_view key) const {
    for (size_t i = range.header + 1; i < range.end; ++i) {
        const auto line = key_line(lines_[i].content);
        if (line && equals_ignore_case(line->key, key)) {
            return i;
        }
    }
    return std::nullopt;
}

std::optional<std::string> IniDocument::value(std::string_view section,
                                              std::string_view key) const {
    const auto range = find_section(section);
    if (!range) {
        return std::nullopt;
    }
    const auto index = find_key(*range, key);
    if (!index) {
        return std::nullopt;
    }
    const std::string_view stored = key_line(lines_[*index].content)->value;
    return std::string(within_read_limit(without_enclosing_quotes(stored)));
}

void IniDocument::set_value(std::string_view section, std::string_view key,
                            std::string_view value) {
    const std::string key_text = std::string(key) + "=" + std::string(value);
    const auto range = find_section(section);
    if (!range) {
        terminate_last_line();
        lines_.push_back({"[" + std::string(section) + "]", std::string(new_line)});
        lines_.push_back({key_text, std::string(new_line)});
        return;
    }
    if (const auto index = find_key(*range, key)) {
        // Keep the key as the file spells it; only the value changes.
        Line& line = lines_[*index];
        line.content = std::string(key_line(line.content)->key) + "=" + std::string(value);
        return;
    }
    // After the section's last non-blank line, so blank separators stay
    // between this section and the next.
    size_t insert_at = range->header + 1;
    for (size_t i = range->header + 1; i < range->end; ++i) {
        if (!trim_blanks(lines_[i].content).empty()) {
            insert_at = i + 1;
        }
    }
    if (insert_at == lines_.size()) {
        terminate_last_line();
    }
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(insert_at),
                  Line{key_text, std::string(new_line)});
}

void IniDocument::terminate_last_line() {
    if (!lines_.empty() && lines_.back().ending.empty()) {
        lines_.back().ending = new_line;
    }
}

std::string IniDocument::text() const {
    std::string out;
    for (const Line& line : lines_) {
        out += line.content;
        out += line.ending;
    }
    return out;
}

}  // namespace quorvane
