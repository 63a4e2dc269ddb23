// Put-message options: field layout of versions 1 to 3 for both pointer
// lengths, and its constant names.

#include <iterator>

#include "render.h"

namespace {

const MaskLine kOptionsTests[] = {
    bit(0x1, "%s    Options=MQPMO UNKNOWN_CONSTANT 0x1\n"),
    bit(0x2, "%s    Options=MQPMO_SYNCPOINT\n"),
    bit(0x4, "%s    Options=MQPMO_NO_SYNCPOINT\n"),
    bit(0x8, "%s    Options=MQPMO UNKNOWN_CONSTANT 0x8\n"),
    bit(0x10, "%s    Options=MQPMO UNKNOWN_CONSTANT 0x10\n"),
    bit(0x20, "%s    Options=MQPMO_DEFAULT_CONTEXT\n"),
    bit(0x40, "%s    Options=MQPMO_NEW_MSG_ID\n"),
    bit(0x80, "%s    Options=MQPMO_NEW_CORREL_ID\n"),
    bit(0x100, "%s    Options=MQPMO_PASS_IDENTITY_CONTEXT\n"),
    bit(0x200, "%s    Options=MQPMO_PASS_ALL_CONTEXT\n"),
    bit(0x400, "%s    Options=MQPMO_SET_IDENTITY_CONTEXT\n"),
    bit(0x800, "%s    Options=MQPMO_SET_ALL_CONTEXT\n"),
    bit(0x1000, "%s    Options=MQPMO_ALTERNATE_USER_AUTHORITY\n"),
    bit(0x2000, "%s    Options=MQPMO_FAIL_IF_QUIESCING\n"),
    bit(0x4000, "%s    Options=MQPMO_NO_CONTEXT\n"),
    bit(0x8000, "%s    Options=MQPMO_LOGICAL_ORDER\n"),
    bit(0x10000, "%s    Options=MQPMO_ASYNC_RESPONSE\n"),
    bit(0x20000, "%s    Options=MQPMO_SYNC_RESPONSE\n"),
    bit(0x40000, "%s    Options=MQPMO_RESOLVE_LOCAL_Q\n"),
    bit(0x80000, "%s    Options=MQPMO_WARN_IF_NO_SUBS_MATCHED\n"),
    bit(0x100000, "%s    Options=MQPMO UNKNOWN_CONSTANT 0x100000\n"),
    bit(0x200000, "%s    Options=MQPMO_RETAIN\n"),
    bit(0x400000, "%s    Options=MQPMO UNKNOWN_CONSTANT 0x400000\n"),
    bit(0x800000, "%s    Options=MQPMO_MD_FOR_OUTPUT_ONLY\n"),
    bit(0x1000000, "%s    Options=MQPMO UNKNOWN_CONSTANT 0x1000000\n"),
    bit(0x2000000, "%s    Options=MQPMO UNKNOWN_CONSTANT 0x2000000\n"),
    bit(0x4000000, "%s    Options=MQPMO_SCOPE_QMGR\n"),
    bit(0x8000000, "%s    Options=MQPMO_SUPPRESS_REPLYTO\n"),
    bit(0x10000000, "%s    Options=MQPMO_NOT_OWN_SUBS\n"),
    bit(0x20000000, "%s    Options=MQPMO UNKNOWN_CONSTANT 0x20000000\n"),
    bit(0x40000000, "%s    Options=MQPMO UNKNOWN_CONSTANT 0x40000000\n"),
    bit(0x80000000, "%s    Options=MQPMO UNKNOWN_CONSTANT 0x80000000\n"),
};
const char *const kOptionsZero[] = {"%s    Options=MQPMO_NONE\n"};
constexpr ConstantNames kOptions = masked(kOptionsTests, kOptionsZero);

const MaskLine kPutMsgRecFieldsTests[] = {
    bit(0x1, "%s    PutMsgRecFields MQPMRF_MSG_ID\n"),
    bit(0x2, "%s    PutMsgRecFields MQPMRF_CORREL_ID\n"),
    bit(0x4, "%s    PutMsgRecFields MQPMRF_GROUP_ID\n"),
    bit(0x8, "%s    PutMsgRecFields MQPMRF_FEEDBACK\n"),
    bit(0x10, "%s    PutMsgRecFields MQPMRF_ACCOUNTING_TOKEN\n"),
    anyOf(0xFFFFFFE0, "%s    PutMsgRecFields UNKNOWN_CONSTANT in range 0xFFFFFFE0\n"),
};
const char *const kPutMsgRecFieldsZero[] = {"%s    PutMsgRecFields MQPMRF_NONE\n"};
constexpr ConstantNames kPutMsgRecFields = masked(kPutMsgRecFieldsTests, kPutMsgRecFieldsZero);

const NamedLine kActionValues[] = {
    {0, "%s    Action MQACTP_NEW\n"},
    {1, "%s    Action MQACTP_FORWARD\n"},
    {2, "%s    Action MQACTP_REPLY\n"},
    {3, "%s    Action MQACTP_REPORT\n"},
};
constexpr ConstantNames kAction = equality(kActionValues, "%s    Action UNKNOWN_CONSTANT\n");

const char *const kHexLine48 = "%s                               x'%.32s%.32s%.32s'\n";

const Field kMqpmoFields[] = {
    CharField("%s StrucId (CHAR4)             : '%.4s'\n", kHexLine4, 0, 4),
    VersionField("%s Version (MQLONG)            : %d\n"),
    LongField("%s MQPMO.Options= (MQLONG)     : %d\n", 8).withNames(kOptions),
    LongField("%s Timeout (MQLONG)            : %d\n", 12),
    HexField("%s Context (MQLONG)            : x'%.8s'\n", 16, 4), // an object handle: hex only
    LongField("%s KnownDestCount (MQLONG)     : %d\n", 20),
    LongField("%s UnknownDestCount (MQLONG)   : %d\n", 24),
    LongField("%s InvalidDestCount (MQLONG)   : %d\n", 28),
    CharField("%s ResolvedQName (MQCHAR48)    : '%.16s%.16s%.16s'\n", kHexLine48, 32, 48),
    CharField("%s ResolvedQMgrName (MQCHAR48) : '%.16s%.16s%.16s'\n", kHexLine48, 80, 48),

    LongField("%s RecsPresent (MQLONG)        : %d\n", 128).from(2),
    LongField("%s PutMsgRecFields (MQLONG)    : %d\n", 132).withNames(kPutMsgRecFields).from(2),
    LongField("%s PutMsgRecOffset (MQLONG)    : %d\n", 136).from(2),
    LongField("%s ResponseRecOffset (MQLONG)  : %d\n", 140).from(2),
    PointerField("%s PutMsgRecPtr (MQPTR)        : x'%.8s'\n", "%s PutMsgRecPtr (MQPTR)        : x'%.16s'\n", 144,
                 144).from(2),
    PointerField("%s ResponseRecPtr (MQPTR)        : x'%.8s'\n", "%s ResponseRecPtr (MQPTR)        : x'%.16s'\n", 148,
                 152).from(2),

    HexField("%s OriginalMsgHandle (MQHMSG)    : x'%.16s'\n", 152, 8).at8(160).from(3),
    HexField("%s NewMsgHandle (MQHMSG)         : x'%.16s'\n", 160, 8).at8(168).from(3),
    LongField("%s Action (MQLONG)             : %d\n", 168).at8(176).withNames(kAction).from(3),
    LongField("%s PubLevel (MQLONG)           : %d\n", 172).at8(180).from(3),
};

int mqpmoRows(int version, int pointerLength)
{
    switch (version) {
    case 1: return 8;
    case 2: return 10;
    case 3: return pointerLength == 4 ? 11 : 12;
    default: return 0;
    }
}

} // namespace

const StructKind kMqpmoKind = {
    .name = "Putmsgopts",
    .eyeCatcher = "PMO ",
    .capacity = 12,
    .parsesOn = kAnyOs,
    .anyLabel = false,
    .startLastLine = {9, 9, 9, 9},
    .eyeCatcherLastLine = 9,
    .rowsNeeded = mqpmoRows,
    .header = "%s Putmsgopts expanded (all fields):\n",
    .fields = kMqpmoFields,
    .fieldCount = std::size(kMqpmoFields),
};
