// The lines of a text one after the other, as Windows splits them: CR, LF and CR LF
// all end a line. No table of lines is built.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <string_view>

#include "platform/text/ascii.h"

namespace platform::text {

// One line: [begin, end) is its text, next is where the following line starts.
struct Line {
    std::size_t begin = 0;
    std::size_t end = 0;
    std::size_t next = 0;
    bool hasLineEnd() const { return next > end; }
};

// Where the first line at or after `from` that starts with '[' (blanks before it
// allowed) begins, or the text's size; found by jumping from one '[' to the next.
inline std::size_t bracketLineStart(std::string_view text, std::size_t from) {
    while (from < text.size()) {
        const void* found = std::memchr(text.data() + from, '[', text.size() - from);
        if (found == nullptr) break;
        const auto at = static_cast<std::size_t>(static_cast<const char*>(found) - text.data());
        std::size_t start = at;
        while (start > 0 && isBlank(static_cast<unsigned char>(text[start - 1]))) --start;
        if (start == 0 || text[start - 1] == '\n' || text[start - 1] == '\r') return start;
        from = at + 1;
    }
    return text.size();
}

class Lines {
public:
    // Over `text`; zero bytes at its very end are no line (a file written with its
    // terminating zero).
    explicit Lines(std::string_view text, std::size_t from = 0) : text_(text), position_(from) {
        while (!text_.empty() && text_.back() == '\0') text_.remove_suffix(1);
    }
    // The next line, or false at the end.
    bool next(Line& line) {
        if (position_ >= text_.size()) return false;
        line.begin = position_;
        // A CR is looked for only before the next LF: a file of LF lines is not searched
        // to its end for one.
        line.end = nextLineFeed();
        if (const void* cr = std::memchr(text_.data() + position_, '\r', line.end - position_))
            line.end = static_cast<std::size_t>(static_cast<const char*>(cr) - text_.data());
        line.next = line.end;
        if (line.next < text_.size()) {
            const bool crLf = text_[line.next] == '\r' && line.next + 1 < text_.size() &&
                              text_[line.next + 1] == '\n';
            line.next += crLf ? 2 : 1;
        }
        position_ = line.next;
        return true;
    }
    std::string_view text() const { return text_; }

    // The next line that starts with '[' (blanks before it allowed), found by jumping
    // from one '[' to the next: the lines between are not looked at.
    bool nextBracketLine(Line& line) {
        seek(nextBracketLineStart());
        return next(line);
    }

    // Where the next line that starts with '[' begins, or the text's size.
    std::size_t nextBracketLineStart() const { return bracketLineStart(text_, position_); }

    // Goes on from `position`, the start of a line. The LF found before stays right
    // after a move forward (nothing stood between), so a text without LF (CR lines) is
    // not searched to its end again at each jump.
    void seek(std::size_t position) {
        if (position < position_) nextLineFeed_ = Unknown;
        position_ = position;
    }
    std::size_t position() const { return position_; }
    std::string_view textOf(const Line& line) const {
        return text_.substr(line.begin, line.end - line.begin);
    }

private:
    // Where the next LF at or after the current position stands (the text's size when
    // none). A search starts only where the last one ended, so every byte is searched
    // once, with memchr's speed.
    std::size_t nextLineFeed() {
        if (nextLineFeed_ < position_ || nextLineFeed_ == Unknown) {
            const void* found =
                std::memchr(text_.data() + position_, '\n', text_.size() - position_);
            nextLineFeed_ =
                found == nullptr
                    ? text_.size()
                    : static_cast<std::size_t>(static_cast<const char*>(found) - text_.data());
        }
        return nextLineFeed_;
    }

    static constexpr std::size_t Unknown = static_cast<std::size_t>(-1);
    std::string_view text_;
    std::size_t position_ = 0;
    std::size_t nextLineFeed_ = Unknown;
};

}  // namespace platform::text
