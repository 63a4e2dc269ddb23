// Property option structures: the set- and inquire-property options
// (dumps) and the delete-property options (read from one dump line).

#include "reading.h"
#include <iterator>

#include "render.h"

namespace {

// Encoding fields: three parts of the value, each named by equality.
const MaskLine kValueEncodingTests[] = {
    group(0xF, 0x1, "%s    ValueEncoding MQENC_INTEGER_NORMAL\n"),
    group(0xF, 0x2, "%s    ValueEncoding MQENC_INTEGER_REVERSED\n"),
    group(0xF, 0x0, "%s    ValueEncoding MQENC_INTEGER_UNDEFINED\n"),
    group(0xF0, 0x10, "%s    ValueEncoding MQENC_DECIMAL_NORMAL\n"),
    group(0xF0, 0x20, "%s    ValueEncoding MQENC_DECIMAL_REVERSED\n"),
    group(0xF0, 0x00, "%s    ValueEncoding MQENC_DECIMAL_UNDEFINED\n"),
    group(0xF00, 0x100, "%s    ValueEncoding MQENC_FLOAT_IEEE_NORMAL\n"),
    group(0xF00, 0x200, "%s    ValueEncoding MQENC_FLOAT_IEEE_REVERSED\n"),
    group(0xF00, 0x300, "%s    ValueEncoding MQENC_FLOAT_S390\n"),
    group(0xF00, 0x400, "%s    ValueEncoding MQENC_FLOAT_TNS\n"),
    group(0xF00, 0x000, "%s    ValueEncoding MQENC_FLOAT_UNDEFINED\n"),
};
constexpr ConstantNames kValueEncoding = masked(kValueEncodingTests);

const MaskLine kRequestedEncodingTests[] = {
    group(0xF, 0x1, "%s    RequestedEncoding MQENC_INTEGER_NORMAL\n"),
    group(0xF, 0x2, "%s    RequestedEncoding MQENC_INTEGER_REVERSED\n"),
    group(0xF, 0x0, "%s    RequestedEncoding MQENC_INTEGER_UNDEFINED\n"),
    group(0xF0, 0x10, "%s    RequestedEncoding MQENC_DECIMAL_NORMAL\n"),
    group(0xF0, 0x20, "%s    RequestedEncoding MQENC_DECIMAL_REVERSED\n"),
    group(0xF0, 0x00, "%s    RequestedEncoding MQENC_DECIMAL_UNDEFINED\n"),
    group(0xF00, 0x100, "%s    RequestedEncoding MQENC_FLOAT_IEEE_NORMAL\n"),
    group(0xF00, 0x200, "%s    RequestedEncoding MQENC_FLOAT_IEEE_REVERSED\n"),
    group(0xF00, 0x300, "%s    RequestedEncoding MQENC_FLOAT_S390\n"),
    group(0xF00, 0x400, "%s    RequestedEncoding MQENC_FLOAT_TNS\n"),
    group(0xF00, 0x000, "%s    RequestedEncoding MQENC_FLOAT_UNDEFINED\n"),
};
constexpr ConstantNames kRequestedEncoding = masked(kRequestedEncodingTests);

const MaskLine kReturnedEncodingTests[] = {
    group(0xF, 0x1, "%s    ReturnedEncoding MQENC_INTEGER_NORMAL\n"),
    group(0xF, 0x2, "%s    ReturnedEncoding MQENC_INTEGER_REVERSED\n"),
    group(0xF, 0x0, "%s    ReturnedEncoding MQENC_INTEGER_UNDEFINED\n"),
    group(0xF0, 0x10, "%s    ReturnedEncoding MQENC_DECIMAL_NORMAL\n"),
    group(0xF0, 0x20, "%s    ReturnedEncoding MQENC_DECIMAL_REVERSED\n"),
    group(0xF0, 0x00, "%s    ReturnedEncoding MQENC_DECIMAL_UNDEFINED\n"),
    group(0xF00, 0x100, "%s    ReturnedEncoding MQENC_FLOAT_IEEE_NORMAL\n"),
    group(0xF00, 0x200, "%s    ReturnedEncoding MQENC_FLOAT_IEEE_REVERSED\n"),
    group(0xF00, 0x300, "%s    ReturnedEncoding MQENC_FLOAT_S390\n"),
    group(0xF00, 0x400, "%s    ReturnedEncoding MQENC_FLOAT_TNS\n"),
    group(0xF00, 0x000, "%s    ReturnedEncoding MQENC_FLOAT_UNDEFINED\n"),
};
constexpr ConstantNames kReturnedEncoding = masked(kReturnedEncodingTests);

// CCSID fields: a few special values.
const NamedLine kValueCcsidValues[] = {
    {-2, "%s    ValueCCSID MQCCSI_INHERIT\n"},
    {-3, "%s    ValueCCSID MQCCSI_APPL\n"},
    {-1, "%s    ValueCCSID MQCCSI_EMBEDDED\n"},
    {0, "%s    ValueCCSID MQCCSI_UNDEFINED\n"},
    {0, "%s    ValueCCSID MQCCSI_DEFAULT\n"},
    {0, "%s    ValueCCSID MQCCSI_Q_MGR\n"},
};
constexpr ConstantNames kValueCcsid = equality(kValueCcsidValues);

const NamedLine kRequestedCcsidValues[] = {
    {-2, "%s    RequestedCCSID MQCCSI_INHERIT\n"},
    {-3, "%s    RequestedCCSID MQCCSI_APPL\n"},
    {-1, "%s    RequestedCCSID MQCCSI_EMBEDDED\n"},
    {0, "%s    RequestedCCSID MQCCSI_UNDEFINED\n"},
    {0, "%s    RequestedCCSID MQCCSI_DEFAULT\n"},
    {0, "%s    RequestedCCSID MQCCSI_Q_MGR\n"},
};
constexpr ConstantNames kRequestedCcsid = equality(kRequestedCcsidValues);

const NamedLine kReturnedCcsidValues[] = {
    {-2, "%s    ReturnedCCSID MQCCSI_INHERIT\n"},
    {-3, "%s    ReturnedCCSID MQCCSI_APPL\n"},
    {-1, "%s    ReturnedCCSID MQCCSI_EMBEDDED\n"},
    {0, "%s    ReturnedCCSID MQCCSI_UNDEFINED\n"},
    {0, "%s    ReturnedCCSID MQCCSI_DEFAULT\n"},
    {0, "%s    ReturnedCCSID MQCCSI_Q_MGR\n"},
};
constexpr ConstantNames kReturnedCcsid = equality(kReturnedCcsidValues);

// Set-property options are named by their whole value.
const NamedLine kSmpoOptionsValues[] = {
    {0, "%s    Options=MQSMPO_SET_FIRST\n"},
    {0, "%s    Options=MQSMPO_NONE\n"},
    {1, "%s    Options=MQSMPO_SET_PROP_UNDER_CURSOR\n"},
    {2, "%s    Options=MQSMPO_SET_PROP_AFTER_CURSOR\n"},
    {4, "%s    Options=MQSMPO_APPEND_PROPERTY\n"},
    {8, "%s    Options=MQSMPO_SET_PROP_BEFORE_CURSOR\n"},
};
constexpr ConstantNames kSmpoOptions = equality(kSmpoOptionsValues, "%s    Options=MQSMPO UNKNOWN_CONSTANT\n");

const Field kMqsmpoFields[] = {
    CharField("%s StrucId (CHAR4)             : '%.4s'\n", kHexLine4, 0, 4),
    VersionField("%s Version (MQLONG)            : %d\n"),
    LongField("%s MQSMPO.Options= (MQLONG)    : %d\n", 8).withNames(kSmpoOptions),
    LongField("%s ValueEncoding (MQLONG)      : %d\n", 12).withNames(kValueEncoding),
    LongField("%s ValueCCSID (MQLONG)         : %d\n", 16).withNames(kValueCcsid),
};

// The mask of the last test includes bit 0x10, which is also named.
const MaskLine kImpoOptionsTests[] = {
    bit(0x1, "%s    Options=MQIMPO UNKNOWN_CONSTANT 0x1\n"),
    bit(0x2, "%s    Options=MQIMPO_CONVERT_TYPE\n"),
    bit(0x4, "%s    Options=MQIMPO_QUERY_LENGTH\n"),
    bit(0x8, "%s    Options=MQIMPO_INQ_NEXT\n"),
    bit(0x10, "%s    Options=MQIMPO_INQ_PROP_UNDER_CURSOR\n"),
    bit(0x20, "%s    Options=MQIMPO_CONVERT_VALUE\n"),
    anyOf(0xFFFFFFD0, "%s    Options=MQIMPO UNKNOWN_CONSTANT in range 0xFFFFFFD0\n"),
};
const char *const kImpoOptionsZero[] = {"%s    Options=MQIMPO_NONE\n", "%s    Options=MQIMPO_INQ_FIRST\n"};
constexpr ConstantNames kImpoOptions = masked(kImpoOptionsTests, kImpoOptionsZero);

const Field kMqimpoFields[] = {
    CharField("%s StrucId (CHAR4)             : '%.4s'\n", kHexLine4, 0, 4),
    VersionField("%s Version (MQLONG)            : %d\n"),
    LongField("%s MQIMPO.Options= (MQLONG)    : %d\n", 8).withNames(kImpoOptions),
    LongField("%s RequestedEncoding (MQLONG)      : %d\n", 12).withNames(kRequestedEncoding),
    LongField("%s RequestedCCSID (MQLONG)         : %d\n", 16).withNames(kRequestedCcsid),
    LongField("%s ReturnedEncoding (MQLONG)      : %d\n", 20).withNames(kReturnedEncoding),
    LongField("%s ReturnedCCSID (MQLONG)         : %d\n", 24).withNames(kReturnedCcsid),
    CharField("%s Reserved1 (MQCHAR)          : '%.1s'\n", "%s                                x'%.2s'\n", 28, 1),
    CharvField("%s ReturnedName (MQCHARV) :\n", 32, 32),
    CharField("%s TypeString (MQCHAR8)        : '%.8s'\n", kHexLine8, 52, 8).at8(56),
};

// Both keep the trigger's count; a positive Version sets the same again.
int mqsmpoRows(int version, int /*pointerLength*/) { return version > 0 ? 2 : 0; }
int mqimpoRows(int version, int /*pointerLength*/) { return version > 0 ? 4 : 0; }

const NamedLine kDmpoOptionsValues[] = {
    {0, "%s    Options=MQDMPO_NONE\n"},
    {0, "%s    Options=MQDMPO_DEL_FIRST\n"},
    {1, "%s    Options=MQDMPO_DEL_PROP_UNDER_CURSOR\n"},
};
constexpr ConstantNames kDmpoOptions = equality(kDmpoOptionsValues, "%s    Options=MQDMPO UNKNOWN_CONSTANT\n");

constexpr OptionsWord kDmpoWord{"DMPO", 8, true, "%s DltPropOpts expanded:\n", "%s MQDMPO.Options= (MQLONG)    : %d\n"};

} // namespace

// Rows are read on unix and windows only; elsewhere the blocks stay open.
const StructKind kMqsmpoKind = {
    .name = "SetPropOpts",
    .eyeCatcher = "SMPO",
    .capacity = 2,
    .parsesOn = kUnixOs | kWindowsOs,
    .anyLabel = false,
    .startLastLine = {3, 4, -1, -1},
    .eyeCatcherLastLine = -1,
    .rowsNeeded = mqsmpoRows,
    .header = "%s SetPropOpts expanded (all fields):\n",
    .fields = kMqsmpoFields,
    .fieldCount = std::size(kMqsmpoFields),
};
const StructKind kMqimpoKind = {
    .name = "InqPropOpts",
    .eyeCatcher = "IMPO",
    .capacity = 4,
    .parsesOn = kUnixOs | kWindowsOs,
    .anyLabel = false,
    .startLastLine = {5, 6, -1, -1},
    .eyeCatcherLastLine = -1,
    .rowsNeeded = mqimpoRows,
    .header = "%s InqPropOpts expanded (all fields):\n",
    .fields = kMqimpoFields,
    .fieldCount = std::size(kMqimpoFields),
};

const ValueKind kDltPropOptsKind{kUnixOs | kWindowsOs,
                                 false,
                                 nullptr,
                                 "%s Expected parsing token for DltPropOpts: was not found on line below.\n",
                                 "%s Expected parsing token for dltPropOpts: was not found on line below.\n",
                                 "%s Unable to format DltPropOpts.\n",
                                 writeOptionsWord,
                                 nullptr,
                                 &kDmpoOptions,
                                 &kDmpoWord};
