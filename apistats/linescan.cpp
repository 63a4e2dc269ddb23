#include "linescan.h"

#include <algorithm>
#include <cstring>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace apistats {

namespace {

struct Pattern {
    std::string_view text;
    std::size_t anchor; // index of the group's anchor character in the text
    std::size_t probe;  // index of a character that tells members apart, compared first
};

// In the order of the Text enumeration.
constexpr Pattern kPatterns[] = {
    {"MQOPEN >>", 0, 2},  {"MQOPEN <<", 0, 2},  {"MQCLOSE >>", 0, 2},  {"MQCLOSE <<", 0, 2},
    {"MQGET >>", 0, 2},   {"MQGET <<", 0, 2},   {"MQPUT >>", 0, 2},    {"MQPUT <<", 0, 2},
    {"MQPUT1 >>", 0, 2},  {"MQPUT1 <<", 0, 2},  {"MQI:MQOPEN", 0, 2},  {"MQI:MQCLOSE", 0, 2},
    {"MQI:MQGET", 0, 2},  {"MQI:MQPUT ", 0, 2},
    {"Reason        :", 14, 0}, {"Compcode:", 8, 0}, {"Getmsgopts:", 10, 0}, {"Putmsgopts:", 10, 0},
    {"Bufferlength:", 12, 0},
    {"HConn=", 5, 0},     {"ObjName=", 7, 0},   {"DataLen=", 7, 0},    {"BufLen=", 6, 0},
    {"0x0000:", 1, 4},    {"0x0000", 1, 4},     {"0x0010", 1, 4},      {"0x0020", 1, 4},
    {"0x0030", 1, 4},     {"0x0040", 1, 4},     {"0x", 1, 1},
};
static_assert(sizeof kPatterns / sizeof kPatterns[0] == static_cast<std::size_t>(Text::Count));
static_assert(static_cast<int>(Text::Count) <= 32, "the texts fit a mask");

struct Group {
    char anchor;
    int first;             // first Text of the group
    int end;               // one past the last
    int neighbour;         // offset from the anchor of a character checked first
    std::string_view fits; // the characters that every member has there
    int selector;          // offset from the anchor of a character that tells members apart (0: none)
};

constexpr Group kGroups[] = {
    {'M', static_cast<int>(Text::OpenEntry), static_cast<int>(Text::Reason), 1, "Q", 2},
    {':', static_cast<int>(Text::Reason), static_cast<int>(Text::HConn), -1, " esh", -1},
    {'=', static_cast<int>(Text::HConn), static_cast<int>(Text::Row0000Colon), -1, "ne", -1},
    {'x', static_cast<int>(Text::Row0000Colon), static_cast<int>(Text::Count), -1, "0", 0},
};

constexpr int groupOf(int text) { return LineScan::groupOf(static_cast<Text>(text)); }

// The group ranges agree with LineScan::groupOf.
constexpr bool groupsAgree()
{
    for (int g = 0; g < 4; ++g)
        for (int k = kGroups[g].first; k < kGroups[g].end; ++k)
            if (groupOf(k) != g)
                return false;
    return kGroups[0].first == 0 && kGroups[3].end == static_cast<int>(Text::Count);
}
static_assert(groupsAgree());

static_assert(kGroups[0].anchor == 'M' && kGroups[0].neighbour == 1 && kGroups[0].fits == "Q" &&
                  kGroups[1].anchor == ':' && kGroups[1].neighbour == -1,
              "the keyword walk looks for these two groups' anchors");

// Every member of a group has one of the group's `fits` characters at the
// group's neighbour offset, so a candidate without one is passed over.
constexpr bool neighboursHold()
{
    for (int k = 0; k < static_cast<int>(Text::Count); ++k) {
        const Group &g = kGroups[groupOf(k)];
        const std::string_view t = kPatterns[k].text;
        const long at = static_cast<long>(kPatterns[k].anchor) + g.neighbour;
        if (at < 0 || at >= static_cast<long>(t.size()) || g.fits.find(t[static_cast<std::size_t>(at)]) == std::string_view::npos)
            return false;
    }
    return true;
}
static_assert(neighboursHold());

// Where a group's anchors can first stand: no member has its anchor before
// the smallest anchor index of the group (this passes over the timestamp's
// colons), and a neighbour before the anchor needs one character more.
constexpr std::size_t scanFrom(int group)
{
    std::size_t from = kPatterns[kGroups[group].first].anchor;
    for (int k = kGroups[group].first + 1; k < kGroups[group].end; ++k)
        from = std::min(from, kPatterns[k].anchor);
    if (kGroups[group].neighbour < 0 && from < 1)
        from = 1;
    return from;
}
constexpr std::size_t kScanFrom[] = {scanFrom(0), scanFrom(1), scanFrom(2), scanFrom(3)};

constexpr unsigned groupMask(int group)
{
    unsigned mask = 0;
    for (int k = kGroups[group].first; k < kGroups[group].end; ++k)
        mask |= 1u << k;
    return mask;
}
constexpr unsigned kGroupMask[] = {groupMask(0), groupMask(1), groupMask(2), groupMask(3)};

inline bool fits(const Group &g, char c)
{
    for (char f : g.fits)
        if (c == f)
            return true;
    return false;
}

// Every text holds its group's anchor character at its anchor index, and
// its probe lies within it.
constexpr bool anchorsHold()
{
    for (int k = 0; k < static_cast<int>(Text::Count); ++k)
        if (kPatterns[k].text[kPatterns[k].anchor] != kGroups[groupOf(k)].anchor ||
            kPatterns[k].probe >= kPatterns[k].text.size())
            return false;
    return true;
}
static_assert(anchorsHold());

// For each group and each character at the group's selector, the members
// that can stand at an anchor: those with that character there, and those
// too short to reach it. Index 256 stands for a selector outside the line.
struct SelectorTable {
    unsigned members[4][257] = {};
};

constexpr SelectorTable selectorTable()
{
    SelectorTable t;
    for (int g = 0; g < 4; ++g) {
        for (int c = 0; c <= 256; ++c) {
            unsigned m = 0;
            for (int k = kGroups[g].first; k < kGroups[g].end; ++k) {
                const std::string_view text = kPatterns[k].text;
                const long at = static_cast<long>(kPatterns[k].anchor) + kGroups[g].selector;
                const bool reaches = kGroups[g].selector != 0 && at >= 0 && at < static_cast<long>(text.size());
                if (!reaches || (c < 256 && static_cast<unsigned char>(text[static_cast<std::size_t>(at)]) == c))
                    m |= 1u << k;
            }
            t.members[g][c] = m;
        }
    }
    return t;
}
constexpr SelectorTable kSelectors = selectorTable();

// The members of `group` (those not in `skip`) that stand in the body with
// their anchor character at `at`.
inline unsigned membersAt(int group, const char *body, std::size_t length, std::size_t at, unsigned skip)
{
    const Group &g = kGroups[group];
    const long sel = static_cast<long>(at) + g.selector;
    const int selected = sel >= 0 && sel < static_cast<long>(length) ? static_cast<unsigned char>(body[sel]) : 256;
    unsigned hits = 0;
    for (unsigned left = kSelectors.members[group][selected] & ~skip; left != 0; left &= left - 1) {
        const int k = __builtin_ctz(left);
        const Pattern &p = kPatterns[k];
        if (at < p.anchor)
            continue;
        const std::size_t start = at - p.anchor;
        if (p.text.size() <= length - start && body[start + p.probe] == p.text[p.probe] &&
            sameBytes(body + start, p.text.data(), p.text.size()))
            hits |= 1u << k;
    }
    return hits;
}

} // namespace

void LineScan::scanGroup(int group)
{
    const Group &g = kGroups[group];
    scanned_ |= 1u << group;
    placed_ |= 1u << group;
    const unsigned members = kGroupMask[group];
    found_ &= ~members; // bits a seed gave, found again with their places

    const char *body = line_.data;
    const std::size_t length = line_.bodyLen;
    const std::size_t to = g.neighbour > 0 ? (length > 0 ? length - 1 : 0) : length;
    for (std::size_t i = kScanFrom[group]; i < to && (found_ & members) != members;) {
        const void *hit = std::memchr(body + i, g.anchor, to - i);
        if (hit == nullptr)
            break;
        const std::size_t at = static_cast<std::size_t>(static_cast<const char *>(hit) - body);
        i = at + 1;
        if (!fits(g, body[g.neighbour > 0 ? at + 1 : at - 1]))
            continue;
        for (unsigned hits = membersAt(group, body, length, at, found_); hits != 0; hits &= hits - 1) {
            const int k = __builtin_ctz(hits);
            first_[k] = at - kPatterns[k].anchor;
            found_ |= 1u << k;
        }
    }
}

void LineScan::seedKeywords(unsigned mask)
{
    found_ = (found_ & ~(kGroupMask[0] | kGroupMask[1])) | (mask & (kGroupMask[0] | kGroupMask[1]));
    scanned_ |= 3u;
}

namespace {

// The places where a text of the first two groups can stand are visited,
// in no particular order, as visit(0, at) for an 'M' followed by 'Q' at
// `at`, and visit(1, at) for a colon at `at`, at index kScanFrom[1] or later
// (this passes over the time stamp's colons), with a fitting character
// before it.

// The colons of a vector block: bit k of `colons` stands for a colon at
// at + k + 1.
template <class Visit>
inline void visitColons(const char *body, std::size_t at, unsigned colons, Visit &visit)
{
    for (; colons != 0; colons &= colons - 1) {
        const std::size_t c = at + static_cast<std::size_t>(__builtin_ctz(colons)) + 1;
        if (c >= kScanFrom[1] && fits(kGroups[1], body[c - 1]))
            visit(1, c);
    }
}

template <class Visit>
inline void visitMq(std::size_t at, unsigned mq, Visit &visit)
{
    for (; mq != 0; mq &= mq - 1)
        visit(0, at + static_cast<std::size_t>(__builtin_ctz(mq)));
}

static_assert(kScanFrom[1] >= 1 && kScanFrom[1] <= 16);

template <class Visit>
void visitPlain(const char *body, std::size_t length, Visit &visit)
{
    const char *end = body + length;
    for (const char *p = body; end - p > 1;) {
        const char *m = static_cast<const char *>(std::memchr(p, 'M', static_cast<std::size_t>(end - 1 - p)));
        if (m == nullptr)
            break;
        if (m[1] == 'Q')
            visit(0, static_cast<std::size_t>(m - body));
        p = m + 1;
    }
    for (const char *p = body + std::min<std::size_t>(kScanFrom[1], length); p < end;) {
        const char *c = static_cast<const char *>(std::memchr(p, ':', static_cast<std::size_t>(end - p)));
        if (c == nullptr)
            break;
        if (fits(kGroups[1], c[-1]))
            visit(1, static_cast<std::size_t>(c - body));
        p = c + 1;
    }
}

// The vector forms test 16 or 32 positions at a time, in two stages: a cheap
// filter (an 'M' followed by 'Q', or any colon) over the whole line, then
// the full test on the few places that pass. Bit k of a mask stands for the
// pair of characters at at + k and at + k + 1. The last block overlaps the
// one before, without the positions already tested.
#if defined(__SSE2__)
template <class Visit>
void visitSse2(const char *body, std::size_t length, Visit &visit)
{
    if (length < 17) {
        visitPlain(body, length, visit);
        return;
    }
    const __m128i em = _mm_set1_epi8('M'), cue = _mm_set1_epi8('Q'), colon = _mm_set1_epi8(':');
    unsigned mq, colons;
    auto masks = [&](std::size_t at) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i *>(body + at));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i *>(body + at + 1));
        mq = static_cast<unsigned>(_mm_movemask_epi8(_mm_and_si128(_mm_cmpeq_epi8(a, em), _mm_cmpeq_epi8(b, cue))));
        colons = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(b, colon)));
    };
    unsigned early = ~0u << (kScanFrom[1] - 1); // the first block's early colons never count
    std::size_t i = 0;
    for (; i + 17 <= length; i += 16) {
        masks(i);
        colons &= early;
        early = ~0u;
        visitMq(i, mq, visit);
        visitColons(body, i, colons, visit);
    }
    if (i + 1 < length) {
        const std::size_t base = length - 17;
        masks(base);
        const unsigned fresh = ~0u << (i - base);
        visitMq(base, mq & fresh, visit);
        visitColons(body, base, colons & fresh, visit);
    }
}
#endif

#if defined(__x86_64__)
template <class Visit>
__attribute__((target("avx2"))) void visitAvx2(const char *body, std::size_t length, Visit &visit)
{
    if (length < 33) {
        visitSse2(body, length, visit);
        return;
    }
    const __m256i em = _mm256_set1_epi8('M'), cue = _mm256_set1_epi8('Q'), colon = _mm256_set1_epi8(':');
    unsigned early = ~0u << (kScanFrom[1] - 1);
    std::size_t i = 0;
    for (; i + 33 <= length; i += 32) {
        const __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(body + i));
        const __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(body + i + 1));
        const unsigned mq = static_cast<unsigned>(
            _mm256_movemask_epi8(_mm256_and_si256(_mm256_cmpeq_epi8(a, em), _mm256_cmpeq_epi8(b, cue))));
        const unsigned colons = static_cast<unsigned>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(b, colon))) & early;
        early = ~0u;
        visitMq(i, mq, visit);
        visitColons(body, i, colons, visit);
    }
    if (i + 1 < length) {
        const std::size_t base = length - 33;
        const __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(body + base));
        const __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(body + base + 1));
        const unsigned fresh = ~0u << (i - base);
        const unsigned mq = static_cast<unsigned>(
            _mm256_movemask_epi8(_mm256_and_si256(_mm256_cmpeq_epi8(a, em), _mm256_cmpeq_epi8(b, cue))));
        const unsigned colons = static_cast<unsigned>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(b, colon)));
        visitMq(base, mq & fresh, visit);
        visitColons(body, base, colons & fresh, visit);
    }
}
#endif

// Each form of the mask matches the texts at every place.
struct CollectTexts {
    const char *body;
    std::size_t length;
    unsigned found = 0;
    void operator()(int group, std::size_t at) { found |= membersAt(group, body, length, at, found); }
};

unsigned keywordMaskPlain(const char *body, std::size_t length)
{
    CollectTexts collect{body, length};
    visitPlain(body, length, collect);
    return collect.found;
}

#if defined(__SSE2__)
unsigned keywordMaskSse2(const char *body, std::size_t length)
{
    CollectTexts collect{body, length};
    visitSse2(body, length, collect);
    return collect.found;
}
#endif

#if defined(__x86_64__)
__attribute__((target("avx2"))) unsigned keywordMaskAvx2(const char *body, std::size_t length)
{
    CollectTexts collect{body, length};
    visitAvx2(body, length, collect);
    return collect.found;
}
#endif

KeywordMaskOf keywordMaskFor(VectorWidth width)
{
#if defined(__x86_64__)
    return pickForm<KeywordMaskOf>(width, keywordMaskPlain, keywordMaskSse2, keywordMaskAvx2);
#else
    (void)width;
    return keywordMaskPlain;
#endif
}

} // namespace

unsigned keywordMaskIn(const char *body, std::size_t length, VectorWidth width)
{
    return keywordMaskFor(width)(body, length);
}

// A text of the first group begins with "MQ"; one of the second group ends
// in a colon at index 8 or later with a fitting character before it (this
// passes over the time stamp's colons). Only there are the texts matched;
// a line without such a place (most lines) costs one vector walk. The widest
// form the processor runs is picked once.
const KeywordMaskOf kKeywordMask = keywordMaskFor(VectorWidth::Wide);

} // namespace apistats
