// The texts of a trace line that the call pairing keys on, found in a few
// passes over the line instead of one search per text.
//
// Every text is found at its first occurrence in the line body (the line
// ending excluded), exactly as a substring search from the start of the body
// would find it. The texts are grouped by one character that each member
// holds at a fixed place (the anchor); a group is searched once, on the
// first question about any of its members, by visiting the anchor characters
// of the line in order.
#pragma once

#include <cstddef>
#include <string_view>

#include "linetext.h"
#include "vectorwidth.h"

namespace apistats {

enum class Text {
    // Anchored at their leading 'M'.
    OpenEntry, OpenExit, CloseEntry, CloseExit, GetEntry, GetExit, PutEntry, PutExit, Put1Entry, Put1Exit,
    MqiOpen, MqiClose, MqiGet, MqiPut,
    // Anchored at their closing ':'.
    Reason, Compcode, GetOptions, PutOptions, BufferLength,
    // Anchored at their closing '='.
    HConn, ObjName, DataLen, BufLen,
    // Dump labels, anchored at the 'x' of "0x".
    Row0000Colon, Row0000, Row0010, Row0020, Row0030, Row0040, HexPrefix,
    Count
};

// The bits (1 << Text) of the call markers, MQI texts and header texts that
// a line body holds, found in one walk over the line that matches texts
// only where one can stand: an "MQ", or a colon with a blank, 'e', 's' or
// 'h' before it. In the form of the vector width given, and the form picked
// for this processor.
unsigned keywordMaskIn(const char *body, std::size_t length, VectorWidth width);
using KeywordMaskOf = unsigned (*)(const char *body, std::size_t length);
extern const KeywordMaskOf kKeywordMask;

class LineScan {
public:
    explicit LineScan(const LineText &line) : line_(line) {}

    const LineText &line() const { return line_; }

    // Position of the first occurrence of `text` in the body, or npos.
    std::size_t find(Text text)
    {
        const int group = groupOf(text);
        if ((placed_ & (1u << group)) == 0)
            scanGroup(group);
        return (found_ & (1u << static_cast<int>(text))) != 0 ? first_[static_cast<int>(text)]
                                                                : std::string_view::npos;
    }
    bool has(Text text)
    {
        const int group = groupOf(text);
        if ((scanned_ & (1u << group)) == 0)
            scanGroup(group);
        return (found_ & (1u << static_cast<int>(text))) != 0;
    }

    // Takes the bits (1 << Text) of the call markers, MQI texts and header
    // texts the line holds as known (kKeywordMask's), so that has() answers
    // for them without a search; find() still searches for a place.
    void seedKeywords(unsigned mask);

    // The group of a text: its anchor character is 'M', ':', '=' or 'x'.
    static constexpr int groupOf(Text text)
    {
        return text < Text::Reason ? 0 : text < Text::HConn ? 1 : text < Text::Row0000Colon ? 2 : 3;
    }

private:
    void scanGroup(int group);

    const LineText &line_;
    std::size_t first_[static_cast<int>(Text::Count)]; // valid where found_ has the bit and placed_ its group
    unsigned found_ = 0;   // one bit per text found
    unsigned scanned_ = 0; // one bit per group whose texts are known
    unsigned placed_ = 0;  // one bit per group whose texts' places are known
};

} // namespace apistats
