// Message handles and property calls: the options of creating and deleting
// a message handle, the handle itself, a property's name, value and type,
// each read from one dump line.

#include <cstring>

#include "reading.h"
#include "render.h"

namespace {

const NamedLine kCmhoValues[] = {
    {0, "%s    Options=MQCMHO_DEFAULT_VALIDATION\n"},
    {1, "%s    Options=MQCMHO_NO_VALIDATION\n"},
    {2, "%s    Options=MQCMHO_VALIDATE\n"},
};
constexpr ConstantNames kCmhoNames = equality(kCmhoValues, "%s    Options=MQCMHO UNKNOWN_CONSTANT\n");
constexpr OptionsWord kCmhoWord{"CMHO", 8, false, "%s CrtMsgHOpts expanded:\n", "%s MQCMHO.Options= (MQLONG)    : %d\n"};

const NamedLine kDmhoValues[] = {{0, "%s    Options=MQDMHO_NONE\n"}};
constexpr ConstantNames kDmhoNames = equality(kDmhoValues, "%s    Options=MQDMHO UNKNOWN_CONSTANT\n");
constexpr OptionsWord kDmhoWord{"DMHO", 8, false, "%s DltMsgHOpts expanded:\n", "%s MQDMHO.Options= (MQLONG)    : %d\n"};

// A property's type, named during the property calls.
const NamedLine kPropertyTypeValues[] = {
    {0, "%s    Type=MQTYPE_AS_SET\n"},
    {2, "%s    Type=MQTYPE_NULL\n"},
    {4, "%s    Type=MQTYPE_BOOLEAN\n"},
    {8, "%s    Type=MQTYPE_BYTE_STRING\n"},
    {16, "%s    Type=MQTYPE_INT8\n"},
    {32, "%s    Type=MQTYPE_INT16\n"},
    {64, "%s    Type=MQTYPE_INT32\n"},
    {64, "%s    Type=MQTYPE_LONG\n"},
    {128, "%s    Type=MQTYPE_INT64\n"},
    {256, "%s    Type=MQTYPE_FLOAT32\n"},
    {512, "%s    Type=MQTYPE_FLOAT64\n"},
    {1024, "%s    Type=MQTYPE_STRING\n"},
};
constexpr ConstantNames kPropertyType = equality(kPropertyTypeValues, "%s    Type=UNKNOWN_CONSTANT\n");

// A status type, named during MQSTAT.
const NamedLine kStatusTypeValues[] = {{0, "%s    Type=MQSTAT_TYPE_ASYNC_ERROR\n"}};
constexpr ConstantNames kStatusType = equality(kStatusTypeValues, "%s    Type=UNKNOWN_CONSTANT\n");

// The names of a type depend on the call in progress on the thread.
void writeType(const PassContext &pc, ValueCapture &cap, const ValueKind &kind)
{
    const std::int32_t value = valueAt(pc, cap, 0);
    const char *call = pc.tc.callName;
    pc.out.print(kind.format, pc.tc.prefix, value);
    if (std::strncmp(call, "MQSETMP >>", 10) == 0 || std::strncmp(call, "MQINQMP >>", 10) == 0 ||
        std::strncmp(call, "MQINQMP <<", 10) == 0)
        printConstantNames(pc.out, pc.tc.prefix, value, kPropertyType);
    if (std::strncmp(call, "MQSTAT >>", 9) == 0 || std::strncmp(call, "MQSTAT <<", 9) == 0)
        printConstantNames(pc.out, pc.tc.prefix, value, kStatusType);
}

constexpr unsigned kUnixWindows = kUnixOs | kWindowsOs;

} // namespace

const ValueKind kCrtMsgHOptsKind{kUnixWindows,
                                 false,
                                 nullptr,
                                 "%s Expected parsing token for CrtMsgHOpts: was not found on line below.\n",
                                 "%s Expected parsing token for crtMsgHOpts: was not found on line below.\n",
                                 "%s Unable to format CrtMsgHOpts.\n",
                                 writeOptionsWord,
                                 nullptr,
                                 &kCmhoNames,
                                 &kCmhoWord};
const ValueKind kDltMsgHOptsKind{kUnixWindows,
                                 false,
                                 nullptr,
                                 "%s Expected parsing token for DltMsgHOpts: was not found on line below.\n",
                                 "%s Expected parsing token for dltMsgHOpts: was not found on line below.\n",
                                 "%s Unable to format DltMsgHOpts.\n",
                                 writeOptionsWord,
                                 nullptr,
                                 &kDmhoNames,
                                 &kDmhoWord};
const ValueKind kHmsgKind{kUnixWindows,
                          false,
                          nullptr,
                          "%s Expected parsing token for Hmsg: was not found on line below.\n",
                          "%s Expected parsing token for Hmsg: was not found on line below.\n",
                          "%s Unable to format Hmsg.\n",
                          writeHexBytes8,
                          "%s Hmsg=%s\n"};
const ValueKind kActualNameKind{kUnixWindows,
                                false,
                                nullptr,
                                "%s Expected parsing token for Actual Name: was not found on line below.\n",
                                "%s Expected parsing token for Actual Name: was not found on line below.\n",
                                "%s Unable to format Actual Name.\n",
                                writeText16,
                                "%s Actual Name=%s (1st 16 chars)\n"};
const ValueKind kPropValueKind{kUnixWindows,
                               false,
                               nullptr,
                               "%s Expected parsing token for Value: was not found on line below.\n",
                               "%s Expected parsing token for Value: was not found on line below.\n",
                               "%s Unable to format Value.\n",
                               writeText16,
                               "%s Value=%s (1st 16 chars)\n"};
const ValueKind kPropTypeKind{kUnixWindows,
                              false,
                              nullptr,
                              "%s Expected parsing token for Type: was not found on line below.\n",
                              "%s Expected parsing token for Type: was not found on line below.\n",
                              "%s Unable to format Type.\n",
                              writeType,
                              "%s Type=%d\n"};
