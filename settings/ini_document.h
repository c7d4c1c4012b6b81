#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// An INI text read and edited the way the Windows profile functions do it:
// section and key names match without regard to ASCII case, the first of
// repeated sections or keys counts, values are the stored GBK bytes with
// surrounding blanks and one pair of enclosing quotes removed. Editing
// keeps every other line as it was, comments and unknown keys included.
namespace quorvane {

// The profile functions read a value into 10,240 bytes, terminator included.
constexpr size_t max_profile_value_bytes = 10239;

class IniDocument {
public:
    IniDocument() = default;
    explicit IniDocument(std::string_view text);

    // nullopt when the section or the key is missing; a key written as
    // "key=" gives "".
    std::optional<std::string> value(std::string_view section, std::string_view key) const;

    // Replaces the key's value in place, or adds the key at the end of its
    // section, or adds the section at the end of the text.
    void set_value(std::string_view section, std::string_view key, std::string_view value);

    std::string text() const;

private:
    struct Line {
        std::string content;
        std::string ending;  // "\r\n", "\n" or "" for a last line without one
    };
    struct Range {
        size_t header;  // index of the section's header line
        size_t end;     // one past its last line
    };
    std::optional<Range> find_section(std::string_view section) const;
    std::optional<size_t> find_key(const Range& range, std::string_view key) const;
    void terminate_last_line();

    std::vector<Line> lines_;
};

}  // namespace quorvane
