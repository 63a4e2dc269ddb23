// Callback descriptor (field layout for both pointer lengths, constant
// names) and the consumer control options read from one dump line.

#include "reading.h"
#include <iterator>

#include "render.h"

namespace {

const NamedLine kCallBackTypeValues[] = {
    {1, "%s    CallBackType MQCBT_MESSAGE_CONSUMER\n"},
    {2, "%s    CallBackType MQCBT_EVENT_HANDLER\n"},
};
constexpr ConstantNames kCallBackType = equality(kCallBackTypeValues, "%s    CallBackType UNKNOWN_CONSTANT\n");

const MaskLine kOptionsTests[] = {
    bit(0x1, "%s    Options=MQCBDO_START_CALL\n"),
    bit(0x2, "%s    Options=MQCBDO UNKNOWN_CONSTANT 0x2\n"),
    bit(0x4, "%s    Options=MQCBDO_STOP_CALL\n"),
    bit(0x8, "%s    Options=MQCBDO UNKNOWN_CONSTANT 0x8\n"),
    anyOf(0xF0, "%s    Options=MQCBDO UNKNOWN_CONSTANT in range 0x000000F0\n"),
    bit(0x100, "%s    Options=MQCBDO_REGISTER_CALL\n"),
    bit(0x200, "%s    Options=MQCBDO_DEREGISTER_CALL\n"),
    bit(0x400, "%s    Options=MQCBDO UNKNOWN_CONSTANT 0x400\n"),
    bit(0x800, "%s    Options=MQCBDO UNKNOWN_CONSTANT 0x800\n"),
    bit(0x1000, "%s    Options=MQCBDO UNKNOWN_CONSTANT 0x1000\n"),
    bit(0x2000, "%s    Options=MQCBDO_FAIL_IF_QUIESCING\n"),
    bit(0x4000, "%s    Options=MQCBDO_EVENT_CALL\n"),
    bit(0x8000, "%s    Options=MQCBDO_MC_EVENT_CALL\n"),
    anyOf(0xFFFF0000, "%s    Options=MQCBDO UNKNOWN_CONSTANT in range 0xFFFF0000\n"),
};
const char *const kOptionsZero[] = {"%s    Options=MQCBDO_NONE\n"};
constexpr ConstantNames kOptions = masked(kOptionsTests, kOptionsZero);

const char *const kNameHex4 = "%s                               x'%.16s%.32s%.32s%.32s%.16s'\n";
const char *const kNameHex8 = "%s                               x'%.32s%.32s%.32s%.32s'\n";

// Every field is printed whatever the version.
const Field kMqcbdFields[] = {
    CharField("%s StrucId (CHAR4)             : '%.4s'\n", kHexLine4, 0, 4),
    VersionField("%s Version (MQLONG)            : %d\n"),
    LongField("%s CallBackType (MQLONG)       : %d\n", 8).withNames(kCallBackType),
    LongField("%s MQCBDO.Options= (MQLONG)    : %d\n", 12).withNames(kOptions),
    PointerField("%s CallbackArea (MQPTR)        : x'%.8s'\n", "%s CallbackArea (MQPTR)        : x'%.16s'\n", 16, 16),
    PointerField("%s CallbackFunction (MQPTR)    : x'%.8s'\n", "%s CallbackFunction (MQPTR)    : x'%.16s'\n", 20,
                 24),
    // The name in two halves of 64 characters, each with its hex line.
    CharField("%s CallbackName (MQCHAR128)    : '%.8s%.16s%.16s%.16s%.8s'\n", kNameHex4, 24, 64).only4(),
    CharField("%s CallbackName (continued)    : '%.8s%.16s%.16s%.16s%.8s'\n", kNameHex4, 88, 64).only4(),
    CharField("%s CallbackName (MQCHAR128)    : '%.16s%.16s%.16s%.16s'\n", kNameHex8, 32, 64).only8(),
    CharField("%s CallbackName (continued)    : '%.16s%.16s%.16s%.16s'\n", kNameHex8, 96, 64).only8(),
    LongField("%s MaxMsgLength (MQLONG)       : %d\n", 152).at8(160),
};

// 10 rows with 4-byte pointers, 11 with 8-byte ones; a version of 0 or
// below keeps the trigger's count.
int mqcbdRows(int version, int pointerLength)
{
    if (version <= 0)
        return 0;
    return pointerLength == 8 ? 11 : 10;
}

const MaskLine kCtloTests[] = {
    bit(0x1, "%s    Options=MQCTLO_THREAD_AFFINITY\n"),
    bit(0x2000, "%s    Options=MQCTLO_FAIL_IF_QUIESCING\n"),
    anyOf(0xFFFFD00E, "%s    Options=MQCTLO UNKNOWN_CONSTANT in range 0xFFFFD00E\n"),
};
const char *const kCtloZero[] = {"%s    Options=MQCTLO_NONE\n"};
constexpr ConstantNames kCtloNames = masked(kCtloTests, kCtloZero);

constexpr OptionsWord kCtloWord{"CTLO", 8, false, "%s Consumer Control Options expanded:\n",
                                "%s MQCTLO.Options= (MQLONG)    : %d\n"};

} // namespace

const StructKind kMqcbdKind = {
    .name = "CallbackDesc",
    .eyeCatcher = "CBD ",
    .capacity = 11,
    .parsesOn = kAnyOs,
    .anyLabel = false,
    .startLastLine = {5, 5, 5, 5},
    .eyeCatcherLastLine = 5,
    .rowsNeeded = mqcbdRows,
    .header = "%s CallbackDesc expanded (all fields):\n",
    .fields = kMqcbdFields,
    .fieldCount = std::size(kMqcbdFields),
};

const ValueKind kCtlOptsKind{kUnixOs | kWindowsOs,
                             false,
                             nullptr,
                             "%s Expected parsing token for CtlOpts: was not found on line below.\n",
                             "%s Expected parsing token for CtlOpts: was not found on line below.\n",
                             "%s Unable to format CtlOpts.\n",
                             writeOptionsWord,
                             nullptr,
                             &kCtloNames,
                             &kCtloWord};
