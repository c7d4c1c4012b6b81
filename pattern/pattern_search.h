#pragma once

#include <memory>
#include <string>
#include <string_view>

// The regular-expression service: compile one pattern, find all its matches
// in a text, read the text of a match or of one of its groups. Perl syntax;
// texts in and out are GBK. Failures are values: a pattern the engine
// rejects, or a search too complex to finish, gives 0 matches.
namespace quorvane {

// What "." matches: the item worker's patterns expect any character but a
// line feed, the crawler's any character at all.
enum class DotMode { any_but_line_feed, any };

struct PatternOptions {
    bool ignore_case = true;
    bool multiline = true;  // "^" and "$" also match at line breaks
    bool global = true;     // every match, or only the first
    DotMode dot = DotMode::any_but_line_feed;
};

class PatternSearch {
public:
    PatternSearch();
    ~PatternSearch();
    // A copy shares the compiled pattern and the matches.
    PatternSearch(const PatternSearch&);
    PatternSearch& operator=(const PatternSearch&);

    void release();

    // Always 1: the pattern is checked when it is first used, as find_all
    // then finds nothing for a rejected pattern.
    int compile(std::string_view pattern, const PatternOptions& options = {});

    // The pattern text; "" before compile.
    std::string pattern() const;

    // The text with the matches replaced ($1, $& and the like in the
    // replacement); the text unchanged when the pattern is rejected.
    std::string replace(std::string_view text, std::string_view replacement) const;

    int find_all(std::string_view text);
    int match_count() const;
    // Match i and group j count from 1; a number out of range gives "".
    std::string match_text(int i) const;
    std::string submatch_text(int i, int j) const;
    // Capture groups of the first match; 0 without matches.
    int submatch_count() const;

private:
    struct Engine;
    struct Matches;
    std::shared_ptr<const Engine> engine_;
    std::shared_ptr<const Matches> matches_;
    int match_count_ = 0;
};

}  // namespace quorvane
