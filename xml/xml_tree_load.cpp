#include <string.h>

#include <algorithm>
#include <deque>
#include <random>

#include "text/gbk_conversion.h"
#include "text/gbk_search.h"
#include "xml/xml_tree.h"

namespace quorvane {
namespace {

constexpr std::string_view cdata_open = "<![CDATA[";
constexpr std::string_view cdata_close = "]]>";

bool is_whitespace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

bool blank_after_stripping(std::string_view s) {
    return std::all_of(s.begin(), s.end(), is_whitespace);
}

// A buffer read as a text ends at its first NUL byte.
std::string_view as_text(std::string_view buffer) {
    const void* nul = memchr(buffer.data(), '\0', buffer.size());
    return nul == nullptr ? buffer
                          : buffer.substr(0, static_cast<const char*>(nul) - buffer.data());
}

// The fixed point of "while the pair occurs, replace every occurrence by
// '='", computed in one pass per pair: a run of `blank` before (or after)
// "=" disappears whole. The pairs are applied in their fixed order.
std::string_view collapse_equals(std::string_view body, std::string& scratch) {
    if (body.find('=') == std::string_view::npos) {
        return body;
    }
    static constexpr char blanks[] = {' ', '\t', '\r', '\n'};
    scratch.assign(body);
    std::string next;
    next.reserve(scratch.size());
    for (int after = 0; after < 2; ++after) {
        for (char blank : blanks) {
            next.clear();
            if (!after) {  // blank "=": drop the blanks right before each "="
                for (char c : scratch) {
                    if (c == '=') {
                        while (!next.empty() && next.back() == blank) {
                            next.pop_back();
                        }
                    }
                    next.push_back(c);
                }
            } else {  // "=" blank: drop the blanks right after each "="
                bool after_equals = false;
                for (char c : scratch) {
                    if (after_equals && c == blank) {
                        continue;
                    }
                    after_equals = c == '=';
                    next.push_back(c);
                }
            }
            scratch.swap(next);
        }
    }
    return scratch;
}

std::mt19937& marker_generator() {
    // One generator per thread: the workers load answers concurrently.
    thread_local std::mt19937 generator(std::random_device{}());
    return generator;
}

}  // namespace

// The parts of one tag; views point into the piece, the scratch texts or
// the CDATA store, and live until the next tag is parsed.
struct XmlTree::TagParts {
    std::string_view name;
    std::vector<std::pair<std::string_view, std::string_view>> attributes;
    std::string_view text;
    std::string collapsed;
    std::string dequoted;
    std::vector<std::string_view> tokens;
};

int XmlTree::convert_encoding(std::string& buffer, int force) {
    const std::string_view text = as_text(buffer);
    std::string value;
    const size_t p = find_text(text, "encoding", 0, Case::ignore_ascii);
    if (p != not_found) {
        const size_t s = p + 8;
        const size_t e = find_text(text, "?>", s);
        if (e != not_found) {
            for (char c : text.substr(s, e - s)) {
                if (c != '=' && c != '"') {
                    value.push_back(c);
                }
            }
            value = ascii_lower(trim(value));
        }
    }
    if (value == "gb2312") {
        return 0;
    }
    if (value == "utf-8" || force != 0) {
        thread_local std::string converted;
        utf8_to_gbk(text, converted);
        buffer.swap(converted);
        return 1;
    }
    return 0;
}

std::string XmlTree::make_marker(std::string_view buffer, int letters) {
    std::uniform_int_distribution<int> letter('A', 'Z');
    std::string candidate;
    for (int attempt = 0; attempt < 100; ++attempt) {
        candidate = "@";
        for (int i = 0; i < letters; ++i) {
            candidate.push_back(static_cast<char>(letter(marker_generator())));
        }
        if (memmem(buffer.data(), buffer.size(), candidate.data(), candidate.size()) == nullptr) {
            return candidate;
        }
    }
    return {};
}

int XmlTree::extract_cdata(std::string& buffer) {
    cdata_marker_ = make_marker(buffer);
    if (cdata_marker_.empty()) {
        return 0;  // no placeholder could be told apart: sections stay in place
    }
    thread_local std::string out;
    out.clear();
    size_t pos = 0;
    int ordinal = 1;
    size_t open = find_text(buffer, cdata_open);
    while (open != not_found) {
        const size_t close = find_text(buffer, cdata_close, open + cdata_open.size());
        if (close == not_found) {
            break;  // unterminated: the rest stays as it is
        }
        const size_t content = open + cdata_open.size();
        cdata_store_.push_back(buffer.substr(content, close - content));
        out.append(buffer, pos, open - pos);
        out += cdata_marker_ + "," + std::to_string(ordinal) + ".";
        ++ordinal;
        pos = close + cdata_close.size();
        open = find_text(buffer, cdata_open, pos);
    }
    if (ordinal > 1) {
        out.append(buffer, pos, std::string::npos);
        buffer.swap(out);
    }
    return ordinal - 1;
}

std::string_view XmlTree::restored_text(std::string_view buffer) const {
    const std::string_view text = as_text(buffer);
    if (cdata_marker_.empty()) {
        return text;
    }
    const size_t m = find_text(text, cdata_marker_);
    if (m == not_found) {
        return text;
    }
    const size_t d = find_text(text, ".", m);
    const size_t digits_at = m + cdata_marker_.size() + 1;
    if (d == not_found || d < digits_at) {
        return text;
    }
    size_t n = 0;
    for (char c : text.substr(digits_at, d - digits_at)) {
        if (c < '0' || c > '9' || n > cdata_store_.size()) {
            return text;
        }
        n = n * 10 + static_cast<size_t>(c - '0');
    }
    // The section replaces the whole text, whatever stands around it.
    return n >= 1 && n <= cdata_store_.size() ? as_text(cdata_store_[n - 1]) : text;
}

std::string XmlTree::restore_cdata(std::string_view buffer) const {
    return std::string(restored_text(buffer));
}

void XmlTree::split_outside_quotes(std::string_view buffer, std::string_view separator,
                                   std::vector<std::string_view>& pieces) {
    pieces.clear();
    if (separator.empty()) {
        pieces.push_back(buffer);
        return;
    }
    bool in_quotes = false;
    size_t start = 0;
    for (size_t i = 0; i < buffer.size();) {
        if (buffer[i] == '"') {
            in_quotes = !in_quotes;
        } else if (!in_quotes && buffer.compare(i, separator.size(), separator) == 0) {
            pieces.push_back(buffer.substr(start, i - start));
            i += separator.size();
            start = i;
            continue;
        }
        ++i;
    }
    pieces.push_back(buffer.substr(start));
}

int XmlTree::closing_tag_name(std::string_view piece, std::string& name) {
    name.clear();
    for (char c : piece) {
        if (!is_whitespace(c) && c != '/' && c != '>') {
            name.push_back(c);
        }
    }
    name.resize(as_text(name).size());
    return 1;
}

bool XmlTree::parse_tag_parts(std::string_view piece, size_t last_gt, bool open,
                              TagParts& parts) const {
    parts.attributes.clear();
    parts.tokens.clear();
    parts.text = {};
    const std::string_view body = collapse_equals(piece.substr(0, last_gt), parts.collapsed);

    // Tokens end at a space outside double quotes; a body ending in "/"
    // gives its last token without it and one more token "/".
    const bool ends_with_slash = !body.empty() && body.back() == '/';
    const std::string_view scanned = ends_with_slash ? body.substr(0, body.size() - 1) : body;
    bool in_quotes = false;
    size_t start = 0;
    for (size_t i = 0; i < scanned.size(); ++i) {
        if (scanned[i] == '"') {
            in_quotes = !in_quotes;
        } else if (scanned[i] == ' ' && !in_quotes) {
            parts.tokens.push_back(scanned.substr(start, i - start));
            start = i + 1;
        }
    }
    parts.tokens.push_back(scanned.substr(start));
    if (ends_with_slash) {
        parts.tokens.push_back("/");
    }

    parts.name = as_text(parts.tokens.front());
    // Values without their quotes go to `dequoted`; reserved up front so the
    // views into it stay valid.
    parts.dequoted.clear();
    parts.dequoted.reserve(body.size());
    bool first_kept = true;
    for (const std::string_view token : parts.tokens) {
        if (blank_after_stripping(token) || (token == "/")) {
            continue;
        }
        if (first_kept) {  // the name, or what stands in its place
            first_kept = false;
            continue;
        }
        const size_t equals = token.find('=');
        if (equals == std::string_view::npos) {
            return false;
        }
        std::string_view value = token.substr(equals + 1);
        if (value.find('"') != std::string_view::npos) {
            const size_t begin = parts.dequoted.size();
            for (char c : value) {
                if (c != '"') {
                    parts.dequoted.push_back(c);
                }
            }
            value = std::string_view(parts.dequoted).substr(begin);
        }
        parts.attributes.emplace_back(as_text(token.substr(0, equals)), as_text(value));
    }
    if (open) {
        parts.text = restored_text(piece.substr(last_gt + 1));
    }
    return true;
}

int XmlTree::parse_tag(std::string_view piece, size_t last_gt, XmlNode& record, int open) const {
    record = XmlNode{};
    TagParts parts;
    if (last_gt >= piece.size() || !parse_tag_parts(piece, last_gt, open != 0, parts)) {
        return 0;
    }
    record.name = std::string(parts.name);
    for (const auto& [name, value] : parts.attributes) {
        record.attributes.push_back({std::string(name), std::string(value)});
    }
    record.text = std::string(parts.text);
    return 1;
}

int XmlTree::build_tree(std::string_view buffer, int quote_aware) {
    slots_.clear();
    freed_.clear();
    free_indices_.clear();
    attribute_pool_.clear();
    child_pool_.clear();
    extra_.clear();
    root_ = 0;

    struct OpenElement {
        Span name;
        Span text;
        ListSpan attributes;
        uint32_t children_begin;  // this element's children: child_stack from here up
    };
    // The bottom entry stands for the document; top-level elements are its
    // children and it is never stored. A deque grows without the copy peak of
    // a vector: a document of nothing but start tags must not cost much more
    // than a few times its size.
    std::deque<OpenElement> open{OpenElement{}};
    std::vector<int32_t> child_stack;
    int32_t count = 0;
    TagParts parts;
    std::string closing_name;

    auto fail = [this] {
        clear();
        return 0;
    };
    auto store_attributes = [this, &parts] {
        const ListSpan list{static_cast<uint32_t>(attribute_pool_.size()),
                            static_cast<uint32_t>(parts.attributes.size())};
        for (const auto& [name, value] : parts.attributes) {
            attribute_pool_.push_back({store(name), store(value)});
        }
        return list;
    };
    // Where the piece starting at `pos` ends: the next "<", outside double
    // quotes when quote_aware (the quote state runs on across pieces).
    bool in_quotes = false;
    auto piece_end = [&](size_t pos) {
        if (!quote_aware) {
            const void* lt = memchr(buffer.data() + pos, '<', buffer.size() - pos);
            return lt == nullptr
                       ? buffer.size()
                       : static_cast<size_t>(static_cast<const char*>(lt) - buffer.data());
        }
        for (; pos < buffer.size(); ++pos) {
            if (buffer[pos] == '"') {
                in_quotes = !in_quotes;
            } else if (buffer[pos] == '<' && !in_quotes) {
                break;
            }
        }
        return pos;
    };

    for (size_t pos = 0;;) {
        const size_t end = piece_end(pos);
        const std::string_view piece = buffer.substr(pos, end - pos);
        pos = end + 1;
        const bool last_piece = end >= buffer.size();

        if (!blank_after_stripping(piece) && piece[0] != '?' && piece[0] != '!') {
            const void* gt = memrchr(piece.data(), '>', piece.size());
            if (gt == nullptr) {
                return fail();
            }
            const auto g = static_cast<size_t>(static_cast<const char*>(gt) - piece.data());
            const bool closing = piece[0] == '/';
            const bool self_closing = g >= 1 && piece[g - 1] == '/';
            if (closing && self_closing) {
                return fail();
            }
            if (closing) {
                closing_tag_name(piece, closing_name);
                if (open.size() == 1 || closing_name != view(open.back().name)) {
                    return fail();
                }
                ++count;
                const OpenElement element = open.back();
                open.pop_back();
                const ListSpan children{
                    static_cast<uint32_t>(child_pool_.size()),
                    static_cast<uint32_t>(child_stack.size() - element.children_begin)};
                for (size_t i = element.children_begin; i < child_stack.size(); ++i) {
                    child_pool_.push_back(child_stack[i]);
                    slots_[static_cast<size_t>(child_stack[i] - 1)].parent = count;
                }
                child_stack.resize(element.children_begin);
                child_stack.push_back(count);
                const Span text = blank_after_stripping(view(element.text)) ? Span{} : element.text;
                slots_.push_back(Slot{element.name, text, element.attributes, children, 0});
                freed_.push_back(false);
            } else if (self_closing) {
                if (!parse_tag_parts(piece, g, false, parts)) {
                    return fail();
                }
                ++count;
                child_stack.push_back(count);
                const Span name = store(parts.name);
                slots_.push_back(Slot{name, Span{}, store_attributes(), ListSpan{}, 0});
                freed_.push_back(false);
            } else {
                if (!parse_tag_parts(piece, g, true, parts)) {
                    return fail();
                }
                const Span name = store(parts.name);
                const Span text = store(parts.text);
                open.push_back(OpenElement{name, text, store_attributes(),
                                           static_cast<uint32_t>(child_stack.size())});
            }
        }
        if (last_piece) {
            break;
        }
    }
    // Elements still open are dropped.
    root_ = count;
    return 1;
}

int XmlTree::load(std::string_view buffer, int force_utf8, int quote_aware) {
    clear();
    if (buffer.size() > max_buffer_bytes) {
        return 0;
    }
    source_.assign(buffer);
    convert_encoding(source_, force_utf8);
    extract_cdata(source_);
    return build_tree(source_, quote_aware);
}

}  // namespace quorvane
