// Property descriptor: its fields and constant names.

#include <iterator>

#include "render.h"

namespace {

const NamedLine kOptionsValues[] = {{0, "%s    Options=MQPD_NONE\n"}};
constexpr ConstantNames kOptions = equality(kOptionsValues, "%s    Options=MQPD UNKNOWN_CONSTANT\n");

const NamedLine kSupportValues[] = {
    {1, "%s    Support MQPD_SUPPORT_OPTIONAL\n"},
    {1048576, "%s    Support MQPD_SUPPORT_REQUIRED\n"},
    {1024, "%s    Support MQPD_SUPPORT_REQUIRED_IF_LOCAL\n"},
    {-1048576, "%s    Support MQPD_REJECT_UNSUP_MASK\n"},
    {1047552, "%s    Support MQPD_ACCEPT_UNSUP_IF_XMIT_MASK\n"},
    {1023, "%s    Support MQPD_ACCEPT_UNSUP_MASK\n"},
};
constexpr ConstantNames kSupport = equality(kSupportValues, "%s    Support MQPD UNKNOWN_CONSTANT\n");

const NamedLine kContextValues[] = {
    {0, "%s    Context MQPD_NO_CONTEXT\n"},
    {1, "%s    Context MQPD_USER_CONTEXT\n"},
};
constexpr ConstantNames kContext = equality(kContextValues, "%s    Context UNKNOWN_CONSTANT\n");

const NamedLine kCopyOptionsValues[] = {
    {0, "%s    CopyOptions MQCOPY_NONE\n"},
    {1, "%s    CopyOptions MQCOPY_ALL\n"},
    {2, "%s    CopyOptions MQCOPY_FORWARD\n"},
    {4, "%s    CopyOptions MQCOPY_PUBLISH\n"},
    {8, "%s    CopyOptions MQCOPY_REPLY\n"},
    {16, "%s    CopyOptions MQCOPY_REPORT\n"},
    {22, "%s    CopyOptions MQCOPY_DEFAULT\n"},
};
constexpr ConstantNames kCopyOptions = equality(kCopyOptionsValues, "%s    CopyOptions UNKNOWN_CONSTANT\n");

const Field kMqpdFields[] = {
    CharField("%s StrucId (CHAR4)             : '%.4s'\n", kHexLine4, 0, 4),
    VersionField("%s Version (MQLONG)            : %d\n"),
    LongField("%s MQPD.Options= (MQLONG)      : %d\n", 8).withNames(kOptions),
    LongField("%s Support (MQLONG)            : %d\n", 12).withNames(kSupport),
    LongField("%s Context (MQLONG)            : %d\n", 16).withNames(kContext),
    LongField("%s CopyOptions (MQLONG)        : %d\n", 20).withNames(kCopyOptions),
};

// The two rows after the header, whatever the version.
int mqpdRows(int version, int /*pointerLength*/) { return version > 0 ? 2 : 0; }

} // namespace

// Rows are read on unix and windows only; elsewhere the block stays open.
const StructKind kMqpdKind = {
    .name = "PropDesc",
    .eyeCatcher = "PD  ",
    .capacity = 2,
    .parsesOn = kUnixOs | kWindowsOs,
    .anyLabel = false,
    .startLastLine = {3, 4, -1, -1},
    .eyeCatcherLastLine = -1,
    .rowsNeeded = mqpdRows,
    .header = "%s PropDesc expanded (all fields):\n",
    .fields = kMqpdFields,
    .fieldCount = std::size(kMqpdFields),
};
