// The lines of a text one after the other, as Windows splits them: CR, LF and CR LF
// all end a line. No table of lines is built.
#pragma once

#include <cstddef>
#include <string_view>

namespace platform::text {

// One line: [begin, end) is its text, next is where the following line starts.
struct Line {
    std::size_t begin = 0;
    std::size_t end = 0;
    std::size_t next = 0;
    bool hasLineEnd() const { return next > end; }
};

class Lines {
public:
    // Over `text`; zero bytes at its very end are no line (a file written with its
    // terminating zero).
    explicit Lines(std::string_view text) : text_(text) {
        while (!text_.empty() && text_.back() == '\0') text_.remove_suffix(1);
    }
    // The next line, or false at the end.
    bool next(Line& line) {
        if (position_ >= text_.size()) return false;
        line.begin = position_;
        const auto end = text_.find_first_of("\r\n", position_);
        line.end = end == std::string_view::npos ? text_.size() : end;
        line.next = line.end;
        if (line.next < text_.size()) line.next += text_.compare(line.next, 2, "\r\n") == 0 ? 2 : 1;
        position_ = line.next;
        return true;
    }
    std::string_view text() const { return text_; }
    std::string_view textOf(const Line& line) const {
        return text_.substr(line.begin, line.end - line.begin);
    }

private:
    std::string_view text_;
    std::size_t position_ = 0;
};

}  // namespace platform::text
