// Get-message options: field layout of versions 1 to 4 and its constant names.

#include <iterator>

#include "render.h"

namespace {

const MaskLine kOptionsTests[] = {
    bit(0x1, "%s    Options=MQGMO_WAIT\n"),
    bit(0x2, "%s    Options=MQGMO_SYNCPOINT\n"),
    bit(0x4, "%s    Options=MQGMO_NO_SYNCPOINT\n"),
    bit(0x8, "%s    Options=MQGMO_SET_SIGNAL\n"),
    bit(0x10, "%s    Options=MQGMO_BROWSE_FIRST\n"),
    bit(0x20, "%s    Options=MQGMO_BROWSE_NEXT\n"),
    bit(0x40, "%s    Options=MQGMO_ACCEPT_TRUNCATED_MSG\n"),
    bit(0x80, "%s    Options=MQGMO_MARK_SKIP_BACKOUT\n"),
    bit(0x100, "%s    Options=MQGMO_MSG_UNDER_CURSOR\n"),
    bit(0x200, "%s    Options=MQGMO_LOCK\n"),
    bit(0x400, "%s    Options=MQGMO_UNLOCK\n"),
    bit(0x800, "%s    Options=MQGMO_BROWSE_MSG_UNDER_CURSOR\n"),
    bit(0x1000, "%s    Options=MQGMO_SYNCPOINT_IF_PERSISTENT\n"),
    bit(0x2000, "%s    Options=MQGMO_FAIL_IF_QUIESCING\n"),
    bit(0x4000, "%s    Options=MQGMO_CONVERT\n"),
    bit(0x8000, "%s    Options=MQGMO_LOGICAL_ORDER\n"),
    bit(0x10000, "%s    Options=MQGMO_COMPLETE_MSG\n"),
    bit(0x20000, "%s    Options=MQGMO_ALL_MSGS_AVAILABLE\n"),
    bit(0x40000, "%s    Options=MQGMO_ALL_SEGMENTS_AVAILABLE\n"),
    bit(0x80000, "%s    Options=MQGMO UNKNOWN_CONSTANT 0x80000\n"),
    bit(0x100000, "%s    Options=MQGMO_MARK_BROWSE_HANDLE\n"),
    bit(0x200000, "%s    Options=MQGMO_MARK_BROWSE_CO_OP\n"),
    bit(0x400000, "%s    Options=MQGMO_UNMARK_BROWSE_CO_OP\n"),
    bit(0x800000, "%s    Options=MQGMO_UNMARK_BROWSE_HANDLE\n"),
    bit(0x1000000, "%s    Options=MQGMO_UNMARKED_BROWSE_MSG\n"),
    bit(0x2000000, "%s    Options=MQGMO_PROPERTIES_FORCE_MQRFH2\n"),
    bit(0x4000000, "%s    Options=MQGMO_NO_PROPERTIES\n"),
    bit(0x8000000, "%s    Options=MQGMO_PROPERTIES_IN_HANDLE\n"),
    bit(0x10000000, "%s    Options=MQGMO_PROPERTIES_COMPATIBILITY\n"),
    bit(0x20000000, "%s    Options=MQGMO UNKNOWN_CONSTANT 0x20000000\n"),
    bit(0x40000000, "%s    Options=MQGMO UNKNOWN_CONSTANT 0x40000000\n"),
    bit(0x80000000, "%s    Options=MQGMO UNKNOWN_CONSTANT 0x80000000\n"),
    // Combinations come after the single bits they are made of.
    group(0x1100010, 0x1100010, "%s    Options=MQGMO_BROWSE_HANDLE\n"),
    group(0x1200010, 0x1200010, "%s    Options=MQGMO_BROWSE_CO_OP\n"),
};
const char *const kOptionsZero[] = {"%s    Options=MQGMO_NONE\n"};
constexpr ConstantNames kOptions = masked(kOptionsTests, kOptionsZero);

const NamedLine kWaitIntervalValues[] = {{-1, "%s    WaitInterval MQWI_UNLIMITED\n"}};
constexpr ConstantNames kWaitInterval = equality(kWaitIntervalValues);

// Signal1: 0 prints nothing, every value not named prints the unknown line.
const NamedLine kSignal1Values[] = {
    {0, nullptr},
    {2, "%s    Signal1 MQEC_MSG_ARRIVED\n"},
    {3, "%s    Signal1 MQEC_WAIT_INTERVAL_EXPIRED\n"},
    {4, "%s    Signal1 MQEC_WAIT_CANCELED\n"},
    {5, "%s    Signal1 MQEC_Q_MGR_QUIESCING\n"},
    {6, "%s    Signal1 MQEC_CONNECTION_QUIESCING\n"},
};
constexpr ConstantNames kSignal1 = equality(kSignal1Values, "%s    Signal1 UNKNOWN_CONSTANT\n");

const MaskLine kMatchOptionsTests[] = {
    bit(0x1, "%s    MatchOptions=MQMO_MATCH_MSG_ID\n"),
    bit(0x2, "%s    MatchOptions=MQMO_MATCH_CORREL_ID\n"),
    bit(0x4, "%s    MatchOptions=MQMO_MATCH_GROUP_ID\n"),
    bit(0x8, "%s    MatchOptions=MQMO_MATCH_MSG_SEQ_NUMBER\n"),
    bit(0x10, "%s    MatchOptions=MQMO_MATCH_OFFSET\n"),
    bit(0x20, "%s    MatchOptions=MQMO_MATCH_MSG_TOKEN\n"),
    anyOf(0xFFFFFFC0, "%s    MatchOptions=UNKNOWN_CONSTANT in range 0xFFFFFFC0\n"),
};
const char *const kMatchOptionsZero[] = {"%s    MatchOptions=MQMO_NONE\n"};
constexpr ConstantNames kMatchOptions = masked(kMatchOptionsTests, kMatchOptionsZero);

// The three status fields are named by their display character.
const NamedLine kGroupStatusValues[] = {
    {'G', "%s    GroupStatus MQGS_MSG_IN_GROUP\n"},
    {'L', "%s    GroupStatus MQGS_LAST_MSG_IN_GROUP\n"},
    {' ', "%s    GroupStatus MQGS_NOT_IN_GROUP\n"},
};
constexpr ConstantNames kGroupStatus = equality(kGroupStatusValues, "%s    GroupStatus UNKNOWN_CONSTANT\n");

const NamedLine kSegmentStatusValues[] = {
    {'L', "%s    SegmentStatus MQSS_LAST_SEGMENT\n"},
    {'S', "%s    SegmentStatus MQSS_SEGMENT\n"},
    {' ', "%s    SegmentStatus MQSS_NOT_A_SEGMENT\n"},
};
constexpr ConstantNames kSegmentStatus = equality(kSegmentStatusValues, "%s    SegmentStatus UNKNOWN_CONSTANT\n");

const NamedLine kSegmentationValues[] = {
    {' ', "%s    Segmentation MQSEG_INHIBITED\n"},
    {'A', "%s    Segmentation MQSEG_ALLOWED\n"},
};
constexpr ConstantNames kSegmentation = equality(kSegmentationValues, "%s    Segmentation UNKNOWN_CONSTANT\n");

// The hex line of a one-character field stands one column further right.
const char *const kHexLine1 = "%s                                x'%.2s'\n";

const Field kMqgmoFields[] = {
    CharField("%s StrucId (CHAR4)             : '%.4s'\n", kHexLine4, 0, 4),
    VersionField("%s Version (MQLONG)            : %d\n"),
    LongField("%s MQGMO.Options= (MQLONG)     : %d\n", 8).withNames(kOptions),
    LongField("%s WaitInterval (MQLONG)       : %d\n", 12).withNames(kWaitInterval),
    LongField("%s Signal1 (MQLONG)            : %d\n", 16).withNames(kSignal1),
    LongField("%s Signal2 (MQLONG)            : %d\n", 20),
    CharField("%s ResolvedQName (MQCHAR48)    : '%.8s%.16s%.16s%.8s'\n",
              "%s                               x'%.16s%.32s%.32s%.16s'\n", 24, 48),
    LongField("%s MQMO.MatchOptions= (MQLONG) : %d\n", 72).withNames(kMatchOptions).from(2),
    CharField("%s GroupStatus (MQCHAR)        : '%.1s'\n", kHexLine1, 76, 1).withNames(kGroupStatus).from(2),
    CharField("%s SegmentStatus (MQCHAR)      : '%.1s'\n", kHexLine1, 77, 1).withNames(kSegmentStatus).from(2),
    CharField("%s Segmentation (MQCHAR)       : '%.1s'\n", kHexLine1, 78, 1).withNames(kSegmentation).from(2),
    CharField("%s Reserved1 (MQCHAR)          : '%.1s'\n", kHexLine1, 79, 1).from(2),
    HexField("%s MsgToken (MQBYTE16)         : x'%.32s'\n", 80, 16).from(3),
    LongField("%s ReturnedLength (MQLONG)     : %d\n", 96).from(3),
    LongField("%s Reserved2 (MQLONG)          : %d\n", 100).from(4),
    HexField("%s MsgHandle (MQHMSG)          : x'%.16s'\n", 104, 8).from(4),
};

// Versions 1 and 2 need 5 rows, 3 and more 7; 0 and below keep the trigger's count.
int mqgmoRows(int version, int /*pointerLength*/)
{
    int rows = 0;
    if (version > 0)
        rows = 5;
    if (version > 2)
        rows = 7;
    return rows;
}

} // namespace

const StructKind kMqgmoKind = {
    .name = "Getmsgopts",
    .eyeCatcher = "GMO ",
    .capacity = 7,
    .parsesOn = kAnyOs,
    .anyLabel = false,
    .startLastLine = {6, 6, 6, 6},
    .eyeCatcherLastLine = 6,
    .rowsNeeded = mqgmoRows,
    .header = "%s Getmsgopts expanded (all fields):\n",
    .fields = kMqgmoFields,
    .fieldCount = std::size(kMqgmoFields),
};
