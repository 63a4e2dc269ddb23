// Status data: field layout of versions 1 and 2 for both pointer lengths,
// and its constant names.

#include <iterator>

#include "render.h"
#include "sharednames.h"

namespace {

const NamedLine kObjectTypeValues[] = {
    {0, "%s    ObjectType MQOT_NONE\n"},
    {1, "%s    ObjectType MQOT_Q\n"},
    {2, "%s    ObjectType MQOT_NAMELIST\n"},
    {3, "%s    ObjectType MQOT_PROCESS\n"},
    {4, "%s    ObjectType MQOT_STORAGE_CLASS\n"},
    {5, "%s    ObjectType MQOT_Q_MGR\n"},
    {6, "%s    ObjectType MQOT_CHANNEL\n"},
    {7, "%s    ObjectType MQOT_AUTH_INFO\n"},
    {8, "%s    ObjectType MQOT_TOPIC\n"},
    {9, "%s    ObjectType MQOT_COMM_INFO\n"},
    {10, "%s    ObjectType MQOT_CF_STRUC\n"},
    {11, "%s    ObjectType MQOT_LISTENER\n"},
    {12, "%s    ObjectType MQOT_SERVICE\n"},
    {1001, "%s    ObjectType MQOT_ALL\n"},
    {1002, "%s    ObjectType MQOT_ALIAS_Q\n"},
    {1003, "%s    ObjectType MQOT_MODEL_Q\n"},
    {1004, "%s    ObjectType MQOT_LOCAL_Q\n"},
    {1005, "%s    ObjectType MQOT_REMOTE_Q\n"},
    {1007, "%s    ObjectType MQOT_SENDER_CHANNEL\n"},
    {1008, "%s    ObjectType MQOT_SERVER_CHANNEL\n"},
    {1009, "%s    ObjectType MQOT_REQUESTER_CHANNEL\n"},
    {1010, "%s    ObjectType MQOT_RECEIVER_CHANNEL\n"},
    {1011, "%s    ObjectType MQOT_CURRENT_CHANNEL\n"},
    {1012, "%s    ObjectType MQOT_SAVED_CHANNEL\n"},
    {1013, "%s    ObjectType MQOT_SVRCONN_CHANNEL\n"},
    {1014, "%s    ObjectType MQOT_CLNTCONN_CHANNEL\n"},
    {1015, "%s    ObjectType MQOT_SHORT_CHANNEL\n"},
    {1016, "%s    ObjectType MQOT_CHLAUTH\n"},
    {1017, "%s    ObjectType MQOT_REMOTE_Q_MGR_NAME\n"},
    {1019, "%s    ObjectType MQOT_PROT_POLICY\n"},
};
constexpr ConstantNames kObjectType = equality(kObjectTypeValues, "%s    ObjectType UNKNOWN_CONSTANT\n");

// The open options named bit by bit, then one line for the bits above.
const MaskLine kOpenOptionsRange[] = {
    anyOf(0xFF800000, "%s    Options=MQOO UNKNOWN_CONSTANT in range 0xFF800000\n"),
};
constexpr ConstantNames kOpenOptionsAbove = masked(kOpenOptionsRange);
constexpr ConstantNames kOpenOptions = masked(kOpenOptionBitLines, kOpenOptionsAbove);

const char *const kHexLine48 = "%s                               x'%.32s%.32s%.32s'\n";

const Field kMqstsFields[] = {
    CharField("%s StrucId (CHAR4)             : '%.4s'\n", kHexLine4, 0, 4),
    VersionField("%s Version (MQLONG)            : %d\n"),
    LongField("%s CompCode (MQLONG)           : %d\n", 8).withNames(kCompCodeNames),
    LongField("%s Reason (MQLONG)             : %d\n", 12),
    LongField("%s PutSuccessCount (MQLONG)    : %d\n", 16),
    LongField("%s PutWarningCount (MQLONG)    : %d\n", 20),
    LongField("%s PutFailureCount (MQLONG)    : %d\n", 24),
    LongField("%s ObjectType (MQLONG)         : %d\n", 28).withNames(kObjectType),
    CharField("%s ObjectName (MQCHAR48)       : '%.16s%.16s%.16s'\n", kHexLine48, 32, 48),
    CharField("%s ObjectQMgrName (MQCHAR48)   : '%.16s%.16s%.16s'\n", kHexLine48, 80, 48),
    CharField("%s ResolvedObjectName          : '%.16s%.16s%.16s'\n",
              "%s    (MQCHAR48)                 x'%.32s%.32s%.32s'\n", 128, 48),
    CharField("%s ResolvedQMgrName (MQCHAR48) : '%.16s%.16s%.16s'\n", kHexLine48, 176, 48),
    CharvField("%s ObjectString (MQCHARV) :\n", 224, 224).from(2),
    CharvField("%s SubName (MQCHARV) :\n", 244, 248).from(2),
    LongField("%s OpenOptions= (MQLONG)       : %d\n", 264).at8(272).withNames(kOpenOptions).from(2),
    LongField("%s SubOptions= (MQLONG)        : %d\n", 268).at8(276).withNames(kSubscriptionOptions).from(2),
};

int mqstsRows(int version, int pointerLength)
{
    if (version <= 0)
        return 0;
    if (version == 1)
        return 14;
    return pointerLength == 4 ? 17 : 18;
}

} // namespace

// Rows are read on unix and windows only; elsewhere the block stays open.
const StructKind kMqstsKind = {
    .name = "StatusData",
    .eyeCatcher = "STAT",
    .capacity = 18,
    .parsesOn = kUnixOs | kWindowsOs,
    .anyLabel = true,
    .startLastLine = {19, 20, -1, -1},
    .eyeCatcherLastLine = -1,
    .rowsNeeded = mqstsRows,
    .header = "%s StatusData expanded (all fields):\n",
    .fields = kMqstsFields,
    .fieldCount = std::size(kMqstsFields),
};
