// Callback context: field layout of versions 1 and 2 for both pointer
// lengths, and its constant names.

#include <iterator>

#include "render.h"
#include "sharednames.h"

namespace {

const NamedLine kCallTypeValues[] = {
    {1, "%s    CallType MQCBCT_START_CALL\n"},
    {2, "%s    CallType MQCBCT_STOP_CALL\n"},
    {3, "%s    CallType MQCBCT_REGISTER_CALL\n"},
    {4, "%s    CallType MQCBCT_DEREGISTER_CALL\n"},
    {5, "%s    CallType MQCBCT_EVENT_CALL\n"},
    {6, "%s    CallType MQCBCT_MSG_REMOVED\n"},
    {7, "%s    CallType MQCBCT_MSG_NOT_REMOVED\n"},
    {8, "%s    CallType MQCBCT_MC_EVENT_CALL\n"},
};
constexpr ConstantNames kCallType = equality(kCallTypeValues, "%s    CallType UNKNOWN_CONSTANT\n");

const NamedLine kStateValues[] = {
    {0, "%s    State MQCS_NONE\n"},
    {1, "%s    State MQCS_SUSPENDED_TEMPORARY\n"},
    {2, "%s    State MQCS_SUSPENDED_USER_ACTION\n"},
    {3, "%s    State MQCS_SUSPENDED\n"},
    {4, "%s    State MQCS_STOPPED\n"},
};
constexpr ConstantNames kState = equality(kStateValues, "%s    State UNKNOWN_CONSTANT\n");

const NamedLine kFlagsValues[] = {
    {0, "%s    Flags MQCBCF_NONE\n"},
    {1, "%s    Flags MQCBCF_READA_BUFFER_EMPTY\n"},
};
constexpr ConstantNames kFlags = equality(kFlagsValues, "%s    Flags UNKNOWN_CONSTANT\n");

const NamedLine kReconnectDelayValues[] = {
    {-1, "%s    ReconnectDelay MQRD_NO_RECONNECT\n"},
    {0, "%s    ReconnectDelay MQRD_NO_DELAY\n"},
};
constexpr ConstantNames kReconnectDelay = equality(kReconnectDelayValues, "%s    ReconnectDelay UNKNOWN_CONSTANT\n");

const Field kMqcbcFields[] = {
    CharField("%s StrucId (CHAR4)             : '%.4s'\n", kHexLine4, 0, 4),
    VersionField("%s Version (MQLONG)            : %d\n"),
    LongField("%s CallType (MQLONG)           : %d\n", 8).withNames(kCallType),
    HexField("%s Hobj (MQHOBJ)               : x'%.8s'\n", 12, 4),
    PointerField("%s CallbackArea (MQPTR)        : x'%.8s'\n", "%s CallbackArea (MQPTR)        : x'%.16s'\n", 16, 16),
    PointerField("%s ConnectionArea (MQPTR)      : x'%.8s'\n", "%s ConnectionArea (MQPTR)      : x'%.16s'\n", 20,
                 24),
    LongField("%s CompCode (MQLONG)           : %d\n", 24).at8(32).withNames(kCompCodeNames),
    LongField("%s Reason (MQLONG)             : %d\n", 28).at8(36),
    LongField("%s State (MQLONG)              : %d\n", 32).at8(40).withNames(kState),
    LongField("%s DataLength (MQLONG)         : %d\n", 36).at8(44),
    LongField("%s BufferLength (MQLONG)       : %d\n", 40).at8(48),
    LongField("%s Flags (MQLONG)              : %d\n", 44).at8(52).withNames(kFlags),
    LongField("%s ReconnectDelay (MQLONG)     : %d\n", 48).at8(56).withNames(kReconnectDelay).from(2),
};

// Four rows whatever the version; a version of 0 or below keeps the trigger's count.
int mqcbcRows(int version, int /*pointerLength*/) { return version > 0 ? 4 : 0; }

} // namespace

const StructKind kMqcbcKind = {
    .name = "CbContext",
    .eyeCatcher = "CBC ",
    .capacity = 4,
    .parsesOn = kUnixOs | kWindowsOs | kAatOs,
    .anyLabel = false,
    .startLastLine = {5, 5, 5, 5},
    .eyeCatcherLastLine = 5,
    .rowsNeeded = mqcbcRows,
    .header = "%s CbContext expanded (all fields):\n",
    .fields = kMqcbcFields,
    .fieldCount = std::size(kMqcbcFields),
};
